"""Main job: one real run of the installer under Wine on a freshly staged machine, answered the
way a user installing with the defaults would, and a readable report of what it did.

The serial map is set to one port, COM1. The selection is confirmed with Enter (the
preselected port and model), every message box gets Yes where offered and OK otherwise, and the
offer is closed with its "Register later" button. Each dialog and box is photographed.

Usage: main_job.py ABS_X86_64_BUILD_DIR
Environment: QAR_MAIN_JOB_MANUAL=1 leaves the dialogs to a human on $DISPLAY;
QAR_MAIN_JOB_CHINESE=0 runs in code page 1252 instead of Traditional Chinese; DISPLAY, when
reachable, is used instead of an X server of our own.
"""

from __future__ import annotations

import os
import sys
from pathlib import Path

from manual_flow import (
    DRIVER_KEY_PREFIX, IDCANCEL, IDOK, IDYES, MESSAGE_TEXT, MODEL_LIST, MONITOR_PORT_KEY, OFFER_RECT,
    PORT_LIST, REGISTER_LATER, SERIAL_MAP, centre, set_serial_map, settled_browser_requests,
    steady_screenshot, without_package_files,
)
from wine_harness import (
    PACKAGE_FILES, PROGRAM_DIR_WIN, PROGRAM_WIN, SYSWOW64_FILES, Driver, Reply, WinePrefix,
    WineSession, display_reachable, program_is_32bit, program_statement, program_under_test, require_file,
    tools_dir, wine_dir,
)

# Safety bounds (not measurements): one dialog step, a human driving, the number of windows.
STEP_MS = 60000
MANUAL_MS = 600000
MAX_STEPS = 30
BUTTON_NAMES = {1: "OK", 2: "Cancel", 6: "Yes", 7: "No"}


def indented(text: str, prefix: str) -> str:
    """A text as shown on screen, its further lines indented under the first."""
    return ("\n" + prefix).join(text.split("\n"))


class Run:
    """Answers the windows of one run and keeps what the user saw."""

    def __init__(self, session: WineSession, driver: Driver) -> None:
        self.session = session
        self.driver = driver
        self.seen: list = []
        self.shots: list = []

    def photograph(self, label: str) -> None:
        shot = steady_screenshot(self.session, f"{len(self.shots) + 1:02d}_{label}")
        if shot is not None:
            self.shots.append(shot)

    def answer(self, window: Reply) -> None:
        ids = window["ids"].split(",")
        size = (window.int("w"), window.int("h"))
        if str(MESSAGE_TEXT) in ids:
            self.answer_box()
        elif str(PORT_LIST) in ids and str(MODEL_LIST) in ids:
            self.answer_selection(window)
        elif ids == ["1", "2"] and size == OFFER_RECT[2:]:
            self.answer_offer(window)
        else:
            self.photograph("other")
            self.driver.command(IDCANCEL)
            self.seen.append(f"window {window['title']!r} (controls {window['ids']}) -> closed with Cancel")

    def answer_box(self) -> None:
        box = self.driver.cmd("msgbox")
        self.photograph("box")
        buttons = [int(b) for b in box["buttons"].split(",") if b != "none"]
        press = IDYES if IDYES in buttons else (buttons[0] if buttons else IDOK)
        offered = "/".join(BUTTON_NAMES.get(b, str(b)) for b in buttons)
        self.seen.append(f"message box \"{box['title']}\" (icon {box['icon']}, buttons {offered}):\n"
                         f"      {indented(box['text'], '      ')}\n"
                         f"      -> {BUTTON_NAMES.get(press, press)}")
        self.driver.click(press)

    def answer_selection(self, window: Reply) -> None:
        self.photograph("selection")
        ports, port, _ = self.driver.combo(PORT_LIST)
        models, model, _ = self.driver.combo(MODEL_LIST)
        pick = lambda items, index: items[index] if 0 <= index < len(items) else "(none)"  # noqa: E731
        self.seen.append(f"selection dialog \"{window['title']}\":\n"
                         f"      ports  {ports}, preselected {pick(ports, port)}\n"
                         f"      models {len(models)}, preselected {pick(models, model)}\n"
                         f"      -> Enter (Install with the preselection)")
        self.driver.key("enter")

    def answer_offer(self, window: Reply) -> None:
        self.photograph("offer")
        x, y = centre(REGISTER_LATER)
        self.driver.mouse("move", x, y)
        self.driver.mouse("move", x, y, setcursor=1)
        self.driver.mouse("down", x, y)
        self.driver.mouse("up", x, y)
        self.seen.append(f"warranty offer, {window['w']}x{window['h']} at ({window['x']}, {window['y']}):\n"
                         f"      -> click on \"Register later\"")


def report(prefix: WinePrefix, staged: list) -> None:
    state = prefix.spooler()
    print("\nDrivers (Windows x64):")
    for driver in state.drivers or [{"name": "(none)"}]:
        print(f"  {driver['name']}" + (f" (version {driver['version']})" if "version" in driver else ""))
        for key, label in (("driver_path", "driver"), ("data_file", "data"), ("config_file", "config"),
                           ("help_file", "help")):
            if key in driver:
                print(f"    {label:<7}{driver[key]}")
    print("\nPrinter queues:")
    for printer in state.printers or [{"name": "(none)"}]:
        if "port" in printer:
            print(f"  {printer['name']}: port {printer['port']}, driver {printer['driver']}, "
                  f"processor {printer['processor']}, datatype {printer['datatype'] or '(none)'}")
        else:
            print(f"  {printer['name']}")
    print(f"\nMonitor port settings, {MONITOR_PORT_KEY}")
    monitor = prefix.reg_query(MONITOR_PORT_KEY)
    if monitor is None:
        print("  (key absent)")
    else:
        for name, (kind, data) in sorted(monitor.values.items()):
            print(f"  {name} = {data} ({kind})")
    print(f"\nDriver keys, {DRIVER_KEY_PREFIX}")
    keys = prefix.reg_query(DRIVER_KEY_PREFIX)
    print("  " + (", ".join(keys.subkeys) if keys and keys.subkeys else "(none)"))

    left = WinePrefix.files(prefix.driver_dir)
    lowered = {name.lower() for name in left}
    gone = [name for name in PACKAGE_FILES if name.lower() not in lowered]
    kept = [name for name in PACKAGE_FILES if name.lower() in lowered]
    others = without_package_files(staged)
    print(f"\nDriver directory {prefix.driver_dir}:")
    print(f"  package files removed: {len(gone)} of {len(PACKAGE_FILES)}"
          + (f"; still there: {kept}" if kept else ""))
    if "qarui.hlp" not in lowered:
        print("  (the list's \"Qarui.hlp\" is the driver's \"QARUI.HLP\" to Windows: it went too)")
    print(f"  other files still there: {[name for name in others if name in left]}")
    missing = [name for name in others if name not in left]
    if missing:
        print(f"  other files missing: {missing}")
    registered = WinePrefix.files(prefix.driver_dir / "3")
    print(f"  the spooler's copies in 3\\: {registered}")
    print("\nSystem32 (copied from SysWOW64):")
    for name in SYSWOW64_FILES:
        print(f"  {name}: {'present' if (prefix.system32 / name).is_file() else 'absent'}")
    requests = settled_browser_requests(prefix)
    print(f"\nBrowser requests: {requests if requests else 'none'}")


def main_job(build: Path) -> int:
    build = build.resolve()
    program = program_under_test()
    require_file(tools_dir(build) / "qar_driver.exe", "test driver")
    os.environ.setdefault("QAR_WINE_DIR", str(build / "wine"))
    # The prefix stays for inspection until the next run replaces it.
    os.environ.setdefault("QAR_KEEP_PREFIX", "always")
    user_display = os.environ.get("DISPLAY", "")
    use_display = user_display if display_reachable(user_display) else None
    manual = bool(use_display) and os.environ.get("QAR_MAIN_JOB_MANUAL") == "1"
    # Traditional Chinese by default, as on the machines the installer is made for, so that
    # the Chinese captions show.
    chinese = os.environ.get("QAR_MAIN_JOB_CHINESE", "1") != "0"
    session = WineSession("main_job", build=build, use_display=use_display, chinese=chinese,
                          prefix_path=wine_dir() / "main_job")
    session.open()
    failed = True
    try:
        prefix = session.prefix
        assert prefix is not None
        set_serial_map(prefix, ["COM1"])
        staged = WinePrefix.files(prefix.driver_dir)
        print("Modelprobe_u.exe, manual installation under Wine")
        print(f"program:     {program} ({'i686, a 32-bit process under WoW64' if program_is_32bit() else 'x86_64'})")
        print(f"prefix:      {prefix.path}")
        print(f"display:     {prefix.display} ({'yours' if use_display else 'own Xvfb'}), "
              f"{'zh_TW.UTF-8' if chinese else 'C.UTF-8'}")
        print(f"serial map:  {SERIAL_MAP} = COM1")
        print(f"staged:      {len(staged)} files in the driver directory", flush=True)
        driver = session.driver()
        launched = driver.launch(PROGRAM_WIN, cwd=PROGRAM_DIR_WIN)
        print(f"started:     {PROGRAM_WIN} (pid {launched['pid']})", flush=True)
        run = Run(session, driver)
        if manual:
            print("answer the dialogs on your display ...", flush=True)
        else:
            for _ in range(MAX_STEPS):
                window = driver.wait(new=1, timeout=STEP_MS, check=False)
                if not window.ok:
                    break
                run.answer(window)
        watched = driver.watch(timeout=MANUAL_MS if manual else STEP_MS, check=False)
        if run.seen:
            print("\nWhat the user saw, in order:")
            for number, line in enumerate(run.seen, 1):
                print(f"  {number}. {line}")
        if watched.ok:
            print(f"\nexit code:   {watched['exit_code']} ({watched['exit_hex']}), "
                  f"windows shown: {watched['seen']}")
        else:
            shot = session.screenshot("still_running")
            print(f"\nexit code:   none within the bound; screenshot {shot}; stopping it")
            driver.terminate()
        report(prefix, staged)
        print(f"\nScreenshots ({len(run.shots)}) in {session.artifacts}:")
        for shot in run.shots:
            print(f"  {shot.name}")
        failed = not watched.ok or watched["exit_code"] != "0"
    finally:
        session.close(failed=failed)
        print(f"\n{program_statement()}")
    return 1 if failed else 0


def main(argv: list) -> int:
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    return main_job(Path(argv[1]))


if __name__ == "__main__":
    sys.exit(main(sys.argv))
