"""The automatic detection as the Wine tests meet it: simulated USB cutters
(fixtures/cutter/qar_cutter.exe) and a test case that starts the program, runs its "Modelprobe"
command from the hidden main dialog, and answers the windows that follow.

A Cutter runs qar_cutter.exe in a test's prefix: it plugs in the devices it is given, answers
the installer's identification requests and reports every open, request, reply and close as a
result line, which a reader thread collects. Closing its standard input unplugs the devices and
ends it; only when that fails is the process we started killed, by its own handle.
"""

from __future__ import annotations

import json
import queue
import struct
import subprocess
import threading
import time
from pathlib import Path
from typing import Optional

from wine_harness import (
    MESSAGE_TEXT, PACKAGE_FILES, PROGRAM_DIR_WIN, PROGRAM_WIN, WINE64, Reply, WinePrefix,
    WineTestCase, end_child, log, next_message_box, parse_line, program_under_test, require_file,
    win64_build_dir,
)

USB_PRINT_GUID = "{28d78fad-5a12-11d1-ae5b-0000f803a8c2}"
IDENTIFY_REQUEST_HEX = "1B2E52343A0D0A"
BOUND_S = 30  # safety bound for the cutter's own steps, not a measurement
BOUND_MS = 30000  # safety bound for one dialog step, not a measurement

CAPTION = "QAR Driver Installation"
MODELPROBE = 1000
SELECTION_PORT_LIST = 1007
WM_COMMAND = 0x111
IDOK, IDCANCEL = 1, 2
HELP_BUTTON, HELP_CANCEL = 3, 4
REGISTER_LATER = (300, 250)  # client point inside the offer's drawn "Register later" button
DETECTOR_RESULT = "~QarUDev.dat"


def cutter_exe(build: Optional[Path] = None) -> Path:
    return (build or win64_build_dir()) / "fixtures" / "cutter" / "qar_cutter.exe"


def device(serial: str, port: int = 1, reply: Optional[str] = None, vid: str = "1a7e",
           pid: str = "0001", usb_class: str = "print", mute: bool = False, delay_ms: int = 0) -> list:
    """The command-line words of one simulated device. reply uses \\r \\n \\xHH escapes."""
    words = ["device", f"serial={serial}", f"port={port}", f"vid={vid}", f"pid={pid}",
             f"class={usb_class}"]
    if reply is not None:
        words.append(f"reply={reply}")
    if delay_ms:
        words.append(f"delay={delay_ms}")
    if mute:
        words.append("mute")
    return words


def interface_path(serial: str, vid: str = "1a7e", pid: str = "0001", guid: str = USB_PRINT_GUID) -> str:
    """The device interface path Wine gives a simulated device (lower case)."""
    return f"\\\\?\\usb#vid_{vid}&pid_{pid}#{serial}#{guid}".lower()


def listed_interfaces(prefix: WinePrefix, which: str = "usbprint") -> list:
    """The present interfaces of a class, in the order SetupDiEnumDeviceInterfaces gives them."""
    result = prefix.wine(str(cutter_exe(prefix.build)), "list", which)
    lines = [parse_line(line) for line in result.stdout.decode("ascii", "replace").splitlines() if line]
    return [line.fields for line in lines if line.tag == "interface"]


class Cutter:
    """One qar_cutter.exe process with its devices (lists of words from device())."""

    def __init__(self, prefix: WinePrefix, *devices: list) -> None:
        self.prefix = prefix
        self.args = [word for words in devices for word in words]
        self.process: Optional[subprocess.Popen] = None
        self._queue: "queue.Queue[Optional[str]]" = queue.Queue()
        self._lines: list = []
        self._lock = threading.Lock()
        self._reader: Optional[threading.Thread] = None

    def start(self) -> list:
        """Plugs the devices in; returns their "device" lines once all are ready."""
        exe = cutter_exe(self.prefix.build)
        if not exe.is_file():
            raise AssertionError(f"simulated cutter not found at {exe}: build it first")
        self.process = subprocess.Popen([WINE64, str(exe), *self.args], env=self.prefix.env,
                                        cwd=str(self.prefix.path), stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        self.wait_for("ready", timeout=BOUND_S)
        failures = self.lines("fail")
        if failures:
            raise AssertionError(f"the simulated cutter failed to plug in: {failures}")
        return self.lines("device")

    def _read(self) -> None:
        assert self.process is not None and self.process.stdout is not None
        for raw in self.process.stdout:
            line = parse_line(raw.decode("ascii", "replace"))
            with self._lock:
                self._lines.append(line)
            self._queue.put(line.tag)
        self._queue.put(None)

    def lines(self, tag: Optional[str] = None, n: Optional[int] = None) -> list:
        """Result lines so far, by tag and device number."""
        with self._lock:
            return [line for line in self._lines if (tag is None or line.tag == tag)
                    and (n is None or line.get("n") == str(n))]

    def wait_for(self, tag: str, n: Optional[int] = None, count: int = 1, timeout: float = BOUND_S) -> list:
        """Waits until `count` lines of a tag (of device n) have come; returns them."""
        deadline = time.monotonic() + timeout
        while True:
            found = self.lines(tag, n)
            if len(found) >= count:
                return found
            if "end" in (line.tag for line in self.lines()):
                raise AssertionError(f"the simulated cutter ended before {count} {tag!r}: {self.lines()}")
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                raise AssertionError(f"no {count} {tag!r} lines of the simulated cutter within "
                                     f"{timeout} s: {self.lines()}")
            try:
                self._queue.get(timeout=min(remaining, 0.5))
            except queue.Empty:
                pass

    def requests(self, n: Optional[int] = None) -> list:
        """The request bytes each device received, as hex text, in order."""
        return [line["hex"] for line in self.lines("request", n)]

    def stop(self) -> list:
        """Unplugs the devices and ends the process; returns every line it wrote."""
        if self.process is None:
            return self.lines()
        end_child(self.process)
        if self._reader is not None:
            self._reader.join(timeout=2)
        if self.process.stdout is not None and (self._reader is None or not self._reader.is_alive()):
            self.process.stdout.close()
        return self.lines()


def package_dir(build: Optional[Path] = None) -> Path:
    return (build or win64_build_dir()) / "fixtures" / "package"


def clip_frame_size(clip: Path) -> tuple:
    """(width, height) of an AVI clip's frames, from its main header."""
    data = clip.read_bytes()
    at = data.index(b"avih")
    width, height = struct.unpack_from("<II", data, at + 8 + 32)
    return width, height


def detector_mode(result_file: Path) -> Optional[str]:
    """The value of "mode" in section [UDevice] of the detector's result file, or None."""
    if not result_file.is_file():
        return None
    section = None
    for raw in result_file.read_text(encoding="latin-1").splitlines():
        line = raw.strip()
        if line.startswith("[") and line.endswith("]"):
            section = line[1:-1].lower()
        elif section == "udevice" and "=" in line:
            key, _, value = line.partition("=")
            if key.strip().lower() == "mode":
                return value.strip()
    return None


def success_text(model: str) -> str:
    return f"Add {model} Printer driver Successfully"


def without_package_files(names: list) -> list:
    """What the clean-up leaves: package names match case-insensitively, as Windows file names
    do (the package's "Qarui.hlp" is the driver's "QARUI.HLP")."""
    package = {name.lower() for name in PACKAGE_FILES}
    return sorted(name for name in names if name.lower() not in package)


class UsbCase(WineTestCase):
    """The program started on a staged machine, with its selection dialog open and its
    hidden main dialog found, ready to run "Modelprobe"."""

    def setUp(self) -> None:
        program_under_test()
        require_file(cutter_exe(), "simulated cutter")
        super().setUp()
        self.cutters: list = []
        self.measurements: dict = {}
        self.ui = self.driver()

    def tearDown(self) -> None:
        try:
            for cutter in self.cutters:
                cutter.stop()
        finally:
            super().tearDown()

    # -- fixtures ----------------------------------------------------------------------------
    def plug(self, *devices: list) -> Cutter:
        """Starts one cutter process with these devices; returns once they are present."""
        cutter = Cutter(self.prefix, *devices)
        self.cutters.append(cutter)
        cutter.start()
        return cutter

    def measure(self, name: str, value) -> None:
        """Keeps a measured value for the report (never asserted on)."""
        self.measurements[name] = value
        log(f"{self.id()}: {name} = {value}")
        path = self.session.artifacts / "measurements.json"
        path.write_text(json.dumps(self.measurements, indent=1) + "\n")

    # -- the program ----------------------------------------------------------------------------
    def start_program(self) -> None:
        self.staged_files = WinePrefix.files(self.prefix.driver_dir)
        self.ui.launch(PROGRAM_WIN, cwd=PROGRAM_DIR_WIN)
        selection = self.ui.wait(control=SELECTION_PORT_LIST, timeout=BOUND_MS, check=False)
        if not selection.ok:
            self.fail_with_windows(f"no selection dialog ({selection.get('error')})")
        self.selection = selection["hwnd"]
        self.main_dialog = self.ui.wait(visible=0, control=MODELPROBE, timeout=BOUND_MS)["hwnd"]

    def modelprobe(self) -> None:
        """Runs the "Modelprobe" command as its button would (the main dialog stays hidden)."""
        self.ui.cmd(f"post hwnd={self.main_dialog} msg={WM_COMMAND} wparam={MODELPROBE}")

    def fail_with_windows(self, message: str) -> None:
        seen = [(line["class"], line["title"], line["ids"]) for line in self.ui.cmd("seen").lines("seen")]
        self.fail(f"{message}; windows shown: {seen}")

    def next_box(self, label: str) -> Reply:
        window, box = next_message_box(self.ui, BOUND_MS)
        if box is None:
            self.fail_with_windows(f"no message box '{label}' ({window.get('error')})")
        self.screenshot(f"box_{label}")
        return box

    def help_dialog(self) -> Reply:
        window = self.ui.wait(control=HELP_BUTTON, new=1, timeout=BOUND_MS, check=False)
        if not window.ok:
            self.fail_with_windows(f"no connection help dialog ({window.get('error')})")
        return window

    def controls_by_class(self, window_class: str) -> list:
        return [line for line in self.ui.controls() if line["class"] == window_class]

    def wait_offer_and_register_later(self) -> None:
        window = self.ui.wait(new=1, no_control=MESSAGE_TEXT, timeout=BOUND_MS, check=False)
        if not window.ok:
            self.fail_with_windows(f"no offer dialog ({window.get('error')})")
        self.assertEqual(window["ids"], "1,2", "the offer's only controls are its two keyboard buttons")
        self.screenshot("offer")
        x, y = REGISTER_LATER
        self.ui.mouse("move", x, y, setcursor=1)
        self.ui.mouse("down", x, y)
        self.ui.mouse("up", x, y)
        self.ui.cmd(f"wait_gone hwnd={window['hwnd']} timeout={BOUND_MS}")

    def cancel_selection_and_watch_the_end(self) -> Reply:
        """Cancels the selection dialog that stayed open under the command; the process ends."""
        self.ui.cmd(f"use hwnd={self.selection}")
        self.ui.click(IDCANCEL)
        watched = self.ui.watch(timeout=BOUND_MS, check=False)
        if not watched.ok:
            self.fail(f"the program did not end; windows shown: {watched.lines('seen')}")
        return watched

    # -- outcome ----------------------------------------------------------------------------
    def printers(self) -> list:
        return [(p["name"], p["port"], p["driver"]) for p in self.prefix.spooler().printers]

    def assert_package_files_stay(self) -> None:
        self.assertEqual(WinePrefix.files(self.prefix.driver_dir), self.staged_files,
                         "files of the driver directory")

    def wait_package_cleaned_up(self) -> list:
        """The driver directory once no package file is left in it (bounded wait)."""
        deadline = time.monotonic() + BOUND_S
        expected = without_package_files(self.staged_files)
        while True:
            left = WinePrefix.files(self.prefix.driver_dir)
            if left == expected or time.monotonic() > deadline:
                return left
            time.sleep(0.1)

    # -- what the screen shows ------------------------------------------------------------------
    def screen_rect(self, hwnd: str) -> tuple:
        reply = self.ui.cmd(f"rect hwnd={hwnd}")
        return tuple(reply.int(key) for key in ("x", "y", "w", "h"))

    def client_origin(self, hwnd: str) -> tuple:
        reply = self.ui.cmd(f"rect hwnd={hwnd}")
        return reply.int("client_x"), reply.int("client_y")

    def colours_on_screen(self, label: str, area: tuple) -> int:
        """A screenshot, and the number of distinct colours in an area (x, y, w, h) of it."""
        shot = self.screenshot(label)
        if shot is None:
            self.fail("no screenshot")
        x, y, w, h = area
        result = subprocess.run(["convert", str(shot), "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                                 "-format", "%k", "info:"], capture_output=True, text=True, timeout=60)
        if result.returncode != 0:
            self.fail(f"ImageMagick could not read {shot}: {result.stderr}")
        return int(result.stdout.strip())

    def wait_drawn(self, label: str, area: tuple, more_than: int = 1) -> int:
        """Screenshots until the area shows more than `more_than` colours (painting is
        asynchronous); returns the colour count of the last one. The loop count is a safety
        bound."""
        for _ in range(50):
            colours = self.colours_on_screen(label, area)
            if colours > more_than:
                break
            time.sleep(0.1)
        return colours
