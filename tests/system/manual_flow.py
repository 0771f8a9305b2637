"""The manual installation as a user meets it, for the Wine tests and the main job: the serial
map set by the test, the selection dialog, the message boxes, the offer dialog, and what the
installation leaves in the spooler, the registry and the driver directory."""

from __future__ import annotations

import time
from typing import Optional, Sequence

import catalogue
from wine_harness import (
    PACKAGE_FILES, PROGRAM_DIR_WIN, PROGRAM_WIN, SYSWOW64_FILES, Reply, WinePrefix, WineSession,
    MESSAGE_TEXT, WineTestCase, next_message_box, prefix_processes, program_under_test,
    run_to_end,
)

BOUND_MS = 30000  # safety bound for one dialog step, not a measurement

SERIAL_MAP = r"HKLM\HARDWARE\DEVICEMAP\SERIALCOMM"
MONITOR_PORT_KEY = r"HKLM\SYSTEM\ControlSet001\Control\Print\Monitors\QAR USB Port\Ports\USB01:"
WS_EX_APPWINDOW = 0x40000
DRIVER_KEY_PREFIX = r"HKLM\SYSTEM\CurrentControlSet\Control\Print\Environments\Windows NT x86\Drivers\Version-3"
MONITOR_PORT_VALUES = {"ShowWindow": ("REG_DWORD", 2), "RunUser": ("REG_DWORD", 0), "Delay": ("REG_DWORD", 300)}

CAPTION = "QAR Driver Installation"
PORT_LIST, MODEL_LIST = 1007, 1008
MAIN_DIALOG_CONTROL = 1000
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7

# The 21 models as the sorted list shows them.
MODELS = sorted(catalogue.models(), key=str.lower)

# The offer dialog: its window on a 1024 x 768 screen and its two drawn buttons (client
# coordinates; left and top edges inside, right and bottom outside).
OFFER_RECT = (298, 209, 428, 330)
ONLINE_REGISTRATION = (38, 230, 178, 275)
REGISTER_LATER = (250, 230, 390, 275)
REGISTRATION_PATH = "/qarclub/register.aspx"


def success_text(name: str) -> str:
    return f"Add {name} Printer driver Successfully"


def port_text(port: str) -> str:
    return f"Your device is connected through the {port} port now."


def clash_text(model: str) -> str:
    return f"The {model} driver installed \n  Do you want add attachment"


def centre(area: tuple) -> tuple:
    left, top, right, bottom = area
    return (left + right) // 2, (top + bottom) // 2


def set_serial_map(prefix: WinePrefix, ports: Optional[Sequence[str]]) -> None:
    """Makes the serial map hold exactly these ports, in this value order (None: no map).

    The map is volatile and comes from the host's serial devices; a volatile parent takes only
    volatile subkeys, which reg.exe cannot create, hence the tool for a missing map."""
    if ports is None:
        prefix.reg_delete(SERIAL_MAP)
        if prefix.reg_query(SERIAL_MAP) is not None:
            raise RuntimeError("the serial map could not be removed")
        return
    if prefix.reg_query(SERIAL_MAP) is None:
        lines = prefix.query("volatilekey", SERIAL_MAP)
        if not lines or lines[-1].tag != "ok":
            raise RuntimeError(f"the serial map could not be created: {lines}")
    existing = prefix.reg_query(SERIAL_MAP)
    for name in existing.values if existing else {}:
        prefix.reg_delete(SERIAL_MAP, name)
    for number, port in enumerate(ports):
        prefix.reg_add(SERIAL_MAP, f"\\Device\\Serial{number}", port)
    now = prefix.reg_query(SERIAL_MAP)
    if now is None or [value[1] for value in now.values.values()] != list(ports):
        raise RuntimeError(f"the serial map holds {now} instead of {list(ports)}")


def without_package_files(names: Sequence[str]) -> list:
    """The names that the clean-up leaves: the package list matches case-insensitively, as
    Windows file names do (its "Qarui.hlp" is the driver's "QARUI.HLP")."""
    package = {name.lower() for name in PACKAGE_FILES}
    return sorted(name for name in names if name.lower() not in package)


def browser_chain(prefix: WinePrefix) -> list:
    """Processes on their way to the prefix's browser: the explorer that WinExec starts with an
    address, winebrowser, and the recording script."""
    keys = ("winebrowser", "record_browser", "qarclub", "explorer.exe http")
    return [line for line in prefix_processes(prefix.path) if any(key in line.lower() for key in keys)]


def settled_browser_requests(prefix: WinePrefix, bound_s: float = BOUND_MS / 1000) -> list:
    """The browser requests once no request is on its way any more; call it after the program
    ended, so that nothing new can start. The bound is a safety bound only."""
    deadline = time.monotonic() + bound_s
    while browser_chain(prefix):
        if time.monotonic() > deadline:
            raise AssertionError(f"browser processes still running: {browser_chain(prefix)}")
        time.sleep(0.1)
    return prefix.browser_requests()


def steady_screenshot(session: WineSession, label: str, attempts: int = 10):
    """A screenshot once the screen stopped changing: a window that has just been shown may
    not have painted yet. Only for the pictures kept as artifacts; nothing asserts on them."""
    previous = None
    shot = None
    for _ in range(attempts):
        shot = session.screenshot(label)
        if shot is None:
            return None
        current = shot.read_bytes()
        if current == previous:
            break
        previous = current
        time.sleep(0.1)
    return shot


def seen_windows(reply: Reply) -> list:
    """(class, title, control ids) of every window the program showed since launch."""
    return [(line["class"], line["title"], line["ids"]) for line in reply.lines("seen")]


class ManualInstallCase(WineTestCase):
    """A start of the program on a staged machine whose serial map the test chose."""

    SERIAL_PORTS: Optional[Sequence[str]] = ("COM1",)

    def setUp(self) -> None:
        program_under_test()
        super().setUp()
        set_serial_map(self.prefix, self.SERIAL_PORTS)
        self.ui = self.driver()
        self.boxes: list = []
        self.main_dialog: Optional[str] = None

    # -- steps -----------------------------------------------------------------------------
    def launch(self) -> None:
        self.staged_files = WinePrefix.files(self.prefix.driver_dir)
        self.assertTrue(self.staged_files, "nothing staged in the driver directory")
        self.ui.launch(PROGRAM_WIN, cwd=PROGRAM_DIR_WIN)

    def run_quietly(self, *args: str) -> int:
        """Runs the program with switches to its end, checks that no window was ever shown, and
        returns its exit code."""
        watched = run_to_end(self.ui, *args)
        self.assertEqual(seen_windows(watched), [], "windows shown")
        self.assertEqual(self.mapped_windows(), [], "windows mapped")
        return watched.int("exit_code")

    def fail_with_windows(self, message: str) -> None:
        self.fail(f"{message}; windows shown: {seen_windows(self.ui.cmd('seen'))}")

    def wait_selection(self, screenshot: Optional[str] = "selection") -> Reply:
        reply = self.ui.wait(control=PORT_LIST, timeout=BOUND_MS, check=False)
        if not reply.ok:
            self.fail_with_windows(f"no selection dialog ({reply.get('error')})")
        self.selection = reply["hwnd"]
        if screenshot:
            steady_screenshot(self.session, screenshot)
        return reply

    def find_main_dialog(self) -> str:
        """The main dialog, hidden for the whole run, which owns the flow's message boxes."""
        if self.main_dialog is None:
            self.main_dialog = self.ui.wait(visible=0, control=MAIN_DIALOG_CONTROL, timeout=BOUND_MS)["hwnd"]
            self.ui.cmd(f"use hwnd={self.selection}")
        return self.main_dialog

    def assert_owned_and_in_front(self, window: Reply) -> None:
        """A dialog made with no parent: owned by the hidden main dialog, so it has no taskbar
        button of its own (Windows lists unowned windows and those marked WS_EX_APPWINDOW), and
        yet in front, taking the keyboard."""
        self.assertEqual(window["owner"], self.find_main_dialog(), "owner")
        self.assertFalse(int(window["exstyle"], 16) & WS_EX_APPWINDOW, "WS_EX_APPWINDOW")
        self.assertEqual((window.int("foreground"), window.int("active")), (1, 1), "foreground, active")

    def choose(self, port: str, model: str) -> None:
        self.ui.cmd(f"use hwnd={self.selection}")
        self.ui.select(PORT_LIST, text=port)
        self.ui.select(MODEL_LIST, text=model)
        self.assertEqual(self.ui.combo(PORT_LIST)[2], port)
        self.assertEqual(self.ui.combo(MODEL_LIST)[2], model)
        self.ui.click(IDOK)

    def next_box(self, label: str) -> Reply:
        """The next message box: its caption, text, buttons, icon and owner."""
        window, box = next_message_box(self.ui, BOUND_MS)
        if box is None:
            self.fail_with_windows(f"no message box '{label}' ({window.get('error')})")
        self.boxes.append((label, box))
        steady_screenshot(self.session, f"box_{label}")
        return box

    def assert_box(self, box: Reply, text: str, buttons: str = "1", icon: str = "none",
                   caption: str = CAPTION, owner: Optional[str] = None) -> None:
        self.assertEqual((box["title"], box["text"], box["buttons"], box["icon"]),
                         (caption, text, buttons, icon))
        if owner is not None:
            self.assertEqual(box["owner"], owner, "owner of the message box")

    def wait_offer(self) -> Reply:
        window = self.ui.wait(new=1, no_control=MESSAGE_TEXT, timeout=BOUND_MS, check=False)
        if not window.ok:
            self.fail_with_windows(f"no offer dialog ({window.get('error')})")
        self.assertEqual(window["ids"], "1,2", "the offer's only controls are its two keyboard buttons")
        self.offer = window["hwnd"]
        steady_screenshot(self.session, "offer")
        return window

    def click_offer_area(self, area: tuple) -> None:
        x, y = centre(area)
        # Leaving the other drawn button takes one move, entering this one the next.
        self.ui.mouse("move", x, y)
        self.ui.mouse("move", x, y, setcursor=1)
        self.ui.mouse("down", x, y)
        self.ui.mouse("up", x, y)

    def watch_end(self) -> Reply:
        watched = self.ui.watch(timeout=BOUND_MS, check=False)
        if not watched.ok:
            self.fail(f"the program did not end; windows shown: {seen_windows(watched)}")
        return watched

    # -- outcome -----------------------------------------------------------------------------
    def assert_exit_zero(self, watched: Reply) -> None:
        self.assertEqual(watched.int("exit_code"), 0, f"exit code {watched['exit_hex']}")

    def assert_package_cleaned_up(self) -> None:
        left = WinePrefix.files(self.prefix.driver_dir)
        lowered = {name.lower() for name in left}
        self.assertEqual([name for name in PACKAGE_FILES if name.lower() in lowered], [],
                         "package files left in the driver directory")
        self.assertEqual(left, without_package_files(self.staged_files),
                         "files of the driver directory after the clean-up")

    def drivers_by_name(self) -> dict:
        return {driver["name"]: driver for driver in self.prefix.spooler().drivers}

    def assert_driver(self, driver: dict, data_file: str) -> None:
        """A driver of ours: the cutter driver's files, copied by the spooler into its own
        folder below the driver directory."""
        driver_dir = "C:\\windows\\system32\\spool\\drivers\\x64\\"
        self.assertEqual(driver["env"], "Windows x64")
        self.assertEqual(driver["version"], "3")
        for key, name in (("driver_path", "KT4_cx64.dll"), ("data_file", data_file),
                          ("config_file", "KT4_cx64UI.dll"), ("help_file", "QARUI.HLP")):
            path = driver[key]
            self.assertTrue(path.lower().startswith(driver_dir.lower()), f"{key} {path}")
            self.assertEqual(path.rsplit("\\", 1)[-1], name, key)
            self.assertTrue(self.prefix.unix_path(path).is_file(), f"{key} {path} is no file")

    def assert_kt4_files_in_system32(self, present: bool = True) -> None:
        if not present:
            for name in SYSWOW64_FILES:
                self.assertFalse((self.prefix.system32 / name).exists(), f"{name} in system32")
            return

        def copied():
            for name in SYSWOW64_FILES:
                copy = self.prefix.system32 / name
                self.assertTrue(copy.is_file(), f"{name} in system32")
                self.assertEqual(copy.read_bytes(), (self.prefix.syswow64 / name).read_bytes(), name)
        self.check_32bit("system32_copies", copied)

