"""Runs the real Windows program under Wine and observes what it does.

One template prefix is built per test run (shared by parallel tests under a file lock) and
copied for every test; each test has its own prefix, X server and wineserver, and stops only
what it started. Dialogs are driven through qar_driver.exe, the spooler and registry are read
through qar_spoolq.exe, both run under Wine inside the test's prefix.

Environment:
  QAR_WIN64_BUILD_DIR  x86_64 cross build (program and test tools); default build/x86_64
  QAR_WIN32_BUILD_DIR  i686 cross build (shipping program); default build/i686
  QAR_WINE_DIR         template, prefixes, locale and artifacts; default build/wine
  QAR_KEEP_PREFIX      "failed" keeps the prefix of a failed test, "always" keeps every prefix
  QAR_WINEDEBUG        WINEDEBUG for the Wine processes (default -all)

  QAR_WINE_PROGRAM     "x86_64" puts the twin under test even where 32-bit Wine runs

Command line:
  wine_harness.py template [--rebuild]   build (or check) the template prefix
  wine_harness.py checked-32bit NAME     whether this run checked NAME (CHECKS_ONLY_32BIT)
  wine_harness.py program                which program the Wine tests run, and why
"""

from __future__ import annotations

import contextlib
import fcntl
import functools
import hashlib
import json
import os
import queue
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from dataclasses import dataclass, field
from pathlib import Path
from typing import Iterator, Optional

import catalogue

REPO = Path(__file__).resolve().parents[2]
SYSTEM_TESTS = Path(__file__).resolve().parent
WINE64 = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
FIXTURE_STAGE = REPO / "fixtures" / "stage.sh"
BROWSER_RECORDER = SYSTEM_TESTS / "tools" / "record_browser.sh"
CHINESE_LOCALE = "zh_TW.UTF-8"

# Where the program and the test tools live inside a prefix.
PROGRAM_DIR_WIN = "C:\\qar"
PROGRAM_NAME = "Modelprobe_u.exe"
PROGRAM_WIN = PROGRAM_DIR_WIN + "\\" + PROGRAM_NAME
DRIVER_DIR_REL = "drive_c/windows/system32/spool/drivers/x64"
SYSWOW64_REL = "drive_c/windows/syswow64"
SYSTEM32_REL = "drive_c/windows/system32"

# The package file names the installer deletes from the driver directory, in its order.
PACKAGE_FILES = catalogue.package_files()
# The driver's own files, registered by the spooler and left in place. "QARUI.HLP" and the
# package's "Qarui.hlp" are one file on a case-insensitive file system.
DRIVER_FILES = ("KT4_cx64.dll", "KT4_cx64UI.dll", "QARUI.HLP")
SYSWOW64_FILES = ("KT4.PCD", "KT4LNG.INI")


def staged_driver_dir_files() -> list:
    """Unix names in the driver directory right after staging, sorted."""
    names = {name for name in PACKAGE_FILES if name.lower() != "qarui.hlp"} | set(DRIVER_FILES)
    return sorted(names)


# Not package files: the detector the installer runs and the help document it opens, staged
# beside the package by fixtures/stage.d/usb.sh when the build has them; the clean-up leaves them.
SUPPORT_FILES = ("UsbDetect_64.exe", "How to change USB mode.pdf")


def staged_support_files(build: Optional[Path] = None) -> list:
    """The support files a stage from this build adds to the driver directory, sorted."""
    built = (build or win64_build_dir()) / "fixtures" / "package"
    return sorted(name for name in SUPPORT_FILES if (built / name).is_file())


# Bumped whenever the template's content changes, so that an old template is rebuilt.
TEMPLATE_VERSION = 1

# Safety bounds only: no test asserts on how long something took.
WINE_COMMAND_BOUND_S = 120
DRIVER_EXTRA_BOUND_S = 30


def win64_build_dir() -> Path:
    return Path(os.environ.get("QAR_WIN64_BUILD_DIR", REPO / "build" / "x86_64")).resolve()


def win32_build_dir() -> Path:
    return Path(os.environ.get("QAR_WIN32_BUILD_DIR", REPO / "build" / "i686")).resolve()


def wine_dir() -> Path:
    path = Path(os.environ.get("QAR_WINE_DIR", REPO / "build" / "wine")).resolve()
    path.mkdir(parents=True, exist_ok=True)
    return path


def tools_dir(build: Optional[Path] = None) -> Path:
    return (build or win64_build_dir()) / "tests" / "system" / "tools"


def program_path(build: Optional[Path] = None) -> Path:
    return (build or win64_build_dir()) / "src" / PROGRAM_NAME


def log(message: str) -> None:
    with contextlib.suppress(OSError):
        print(f"[harness] {message}", file=sys.stderr, flush=True)


@contextlib.contextmanager
def file_lock(path: Path) -> Iterator[None]:
    path.parent.mkdir(parents=True, exist_ok=True)
    with open(path, "a+") as handle:
        fcntl.flock(handle, fcntl.LOCK_EX)
        try:
            yield
        finally:
            fcntl.flock(handle, fcntl.LOCK_UN)


# ---------------------------------------------------------------------------------------------
# Environment of the Wine processes


def wine_env(prefix: Path, display: Optional[str] = None, locale_dir: Optional[Path] = None,
             native_first: tuple = (), disabled: tuple = ()) -> dict:
    """native_first: DLL names Wine looks for on disk before its builtins, as Windows does for
    every DLL that is not a KnownDLL (the program's folder first). disabled: DLL names Wine
    loads not at all, in the processes started from then on."""
    env = {k: v for k, v in os.environ.items() if not k.startswith(("LC_", "WINE"))}
    env.pop("DISPLAY", None)
    overrides = "mscoree,mshtml" + "".join("," + name for name in disabled) + "="
    overrides += f";{','.join(native_first)}=n,b" if native_first else ""
    env.update(
        WINEPREFIX=str(prefix),
        WINELOADER=WINE64,
        WINEDEBUG=os.environ.get("QAR_WINEDEBUG", "-all"),
        WINEDLLOVERRIDES=overrides,
        LANG="C.UTF-8",
    )
    if display:
        env["DISPLAY"] = display
    if locale_dir is not None:
        env.update(LOCPATH=str(locale_dir), LANG=CHINESE_LOCALE, LC_ALL=CHINESE_LOCALE)
    return env


def prefix_processes(prefix: Path) -> list:
    """Command lines of the host processes running in a prefix (for reports of a hang)."""
    found = []
    marker = f"WINEPREFIX={prefix}".encode()
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        with contextlib.suppress(OSError):
            if marker in (entry / "environ").read_bytes().split(b"\0"):
                command = (entry / "cmdline").read_bytes().replace(b"\0", b" ").decode(errors="replace")
                found.append(f"{entry.name}: {command.strip()}")
    return found


def run_checked(args, env, timeout=WINE_COMMAND_BOUND_S, check=True, input=None, cwd=None
                ) -> subprocess.CompletedProcess:
    """Runs a command to its end. Output goes through temporary files, not pipes: a Wine
    process may hand its standard handles on to helpers that outlive it (services, the
    desktop), and a pipe would then never reach its end."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        try:
            process = subprocess.run(args, env=env, timeout=timeout, stdout=out, stderr=err, cwd=cwd,
                                     input=input, stdin=None if input is not None else subprocess.DEVNULL)
        except subprocess.TimeoutExpired:
            prefix = Path(env.get("WINEPREFIX", "/nonexistent"))
            raise RuntimeError(f"{args} still running after {timeout} s; processes of the prefix: "
                               f"{prefix_processes(prefix)}") from None
        out.seek(0)
        err.seek(0)
        result = subprocess.CompletedProcess(args, process.returncode, out.read(), err.read())
    if check:
        raise_if_failed(result)
    return result


def raise_if_failed(result: subprocess.CompletedProcess) -> None:
    if result.returncode != 0:
        raise RuntimeError(describe_failure(result))


def run_setup_step(what: str, args, retry_cleanup=None, **kwargs) -> subprocess.CompletedProcess:
    """Runs a set-up step (not the program under test) to its end. A step that fails is reported
    with its output and run once more, saying so, after retry_cleanup (if any) undid what it
    left; a second failure raises with both outputs."""
    kwargs.setdefault("env", dict(os.environ))
    first = run_checked(args, check=False, **kwargs)
    if first.returncode == 0:
        return first
    log(f"set-up step '{what}' failed; running it once more.\n{describe_failure(first)}")
    if retry_cleanup is not None:
        retry_cleanup()
    second = run_checked(args, check=False, **kwargs)
    if second.returncode != 0:
        raise RuntimeError(f"set-up step '{what}' failed twice.\nfirst: {describe_failure(first)}\n"
                           f"second: {describe_failure(second)}")
    return second


def describe_failure(result: subprocess.CompletedProcess) -> str:
    return (f"{result.args} exited with {result.returncode}:\n{result.stdout.decode(errors='replace')}"
            f"{result.stderr.decode(errors='replace')}")


def stop_wineserver(prefix: Path) -> None:
    """Stops the wineserver of this prefix only (and with it every process of the prefix)."""
    env = wine_env(prefix)
    subprocess.run([WINESERVER, "-k"], env=env, capture_output=True, timeout=60)
    subprocess.run([WINESERVER, "-w"], env=env, capture_output=True, timeout=60)


# ---------------------------------------------------------------------------------------------
# Template prefix and locale

TEMPLATE_SETTINGS = r"""REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"PMingLiU"="WenQuanYi Micro Hei"
"MingLiU"="WenQuanYi Micro Hei"
"SimSun"="WenQuanYi Micro Hei"
"Microsoft JhengHei"="WenQuanYi Micro Hei"
"Courier New"="Liberation Mono"

[HKEY_CURRENT_USER\Software\Wine\WineBrowser]
"Browsers"="@BROWSER@"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"="\"@CRASHLOG@\" C:\\windows\\system32\\winedbg.exe %ld %ld"
"Auto"="1"

[HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"="\"@CRASHLOG@\" C:\\windows\\syswow64\\winedbg.exe %ld %ld"
"Auto"="1"
"""
# "MS Shell Dlg" is Tahoma and "MS Sans Serif" has its own font in a Wine prefix; with the
# fonts below in place both render, and Chinese captions fall back to the CJK font.


def _template_settings() -> str:
    # The just-in-time debugger (AeDebug) is our crash recorder: winedbg started from a crashed
    # process without a console (a service, the desktop) maps a console window, which a test
    # would count as a window shown; the recorder leaves a report instead (report_crashes).
    crash_recorder = "Z:" + str(tools_dir(win64_build_dir()) / "qar_crashlog.exe").replace("/", "\\")
    return (TEMPLATE_SETTINGS.replace("@BROWSER@", str(BROWSER_RECORDER).replace("\\", "\\\\"))
            .replace("@CRASHLOG@", crash_recorder.replace("\\", "\\\\")))


def _template_key() -> str:
    version = subprocess.run([WINE64, "--version"], capture_output=True, text=True).stdout.strip()
    digest = hashlib.sha256(_template_settings().encode()).hexdigest()[:16]
    return f"{TEMPLATE_VERSION} {version} {digest}"


def template_dir() -> Path:
    return wine_dir() / "template"


def _template_ready(template: Path, key: str) -> bool:
    stamp = template / "qar-template.stamp"
    return stamp.is_file() and stamp.read_text().strip() == key


WINE32_LOADER = "/usr/lib/wine/wine"  # an i386 program, present when wine32 is installed


@functools.lru_cache(maxsize=None)
def why_no_32bit_wine() -> Optional[str]:
    """None when wine32 is installed and this kernel runs its 32-bit loader, else what failed."""
    try:
        result = subprocess.run([WINE32_LOADER, "--version"], capture_output=True, timeout=60)
    except OSError as error:  # not installed, or "Exec format error"
        return f"{WINE32_LOADER}: {error.strerror}"
    if result.returncode != 0:
        return f"{WINE32_LOADER} --version exited with {result.returncode}: {result.stderr.decode(errors='replace')}"
    return None


@functools.lru_cache(maxsize=None)
def why_the_twin() -> Optional[str]:
    """None when the shipping i686 program is under test, else why the x86_64 twin is."""
    if os.environ.get("QAR_WINE_PROGRAM") == "x86_64":
        return "QAR_WINE_PROGRAM=x86_64 asked for it"
    reason = why_no_32bit_wine()
    if reason is None:
        return None
    return f"this machine runs no 32-bit Wine (kernel {os.uname().release}; {reason})"


@functools.lru_cache(maxsize=None)
def program_build() -> Path:
    """The build whose program is under test, with its fixtures of the same architecture: the
    shipping i686 one, run as a 32-bit process in the 64-bit prefix (WoW64), on a machine that
    runs 32-bit code; elsewhere the x86_64 twin, said loudly once per test module."""
    reason = why_the_twin()
    if reason is None:
        require_file(program_path(win32_build_dir()), "i686 program")
        return win32_build_dir()
    log(f"!!! NOT THE SHIPPING PROGRAM: {reason}; the x86_64 twin is under test instead of the i686 program")
    require_file(program_path(win64_build_dir()), "x86_64 program")
    return win64_build_dir()


def program_statement() -> str:
    """Which program the Wine tests ran, for the last line of a run."""
    reason = why_the_twin()
    if reason is None:
        return (f"Program under test: {program_path(win32_build_dir())}, the shipping i686 program, "
                "run by Wine as a 32-bit process under WoW64.")
    return (f"Program under test: {program_path(win64_build_dir())}, the x86_64 twin, NOT the shipping "
            f"i686 program: {reason}. The {len(CHECKS_ONLY_32BIT)} checks that only a 32-bit process "
            "can fail were skipped (wine.32bit.*).")


# What WoW64 makes of a 32-bit process: its System32 is SysWOW64 and its HKLM\SOFTWARE keys lie
# under WOW6432Node. The x86_64 twin passes these checks whatever it does, so with the twin under
# test they are skipped, with the reason; each one that ran is recorded for wine.32bit.<name>.
CHECKS_ONLY_32BIT = {
    "system32_copies": "the copies land in the real System32",
    "syswow64_untouched": "nothing new in SysWOW64",
    "wow6432node_entry": "the uninstall entry lies under WOW6432Node",
    "native_view_untouched": "no uninstall entry in the native registry view",
}
SKIPPED_EXIT_CODE = 77


def _checks_32bit_dir() -> Path:
    return wine_dir() / "checks-32bit"


def record_32bit_check(name: str, test_id: str) -> None:
    folder = _checks_32bit_dir()
    folder.mkdir(exist_ok=True)
    (folder / f"{name}.{test_id}").touch()


def report_32bit_check(name: str) -> int:
    """For CTest: passed when a Wine test of this run ran the check, skipped for the twin."""
    what = CHECKS_ONLY_32BIT[name]
    reason = why_the_twin()
    if reason is not None:
        print(f"skipped: {what}: only a 32-bit process can fail this check, and the x86_64 twin ran ({reason})")
        return SKIPPED_EXIT_CODE
    tests = sorted(path.name.split(".", 1)[1] for path in _checks_32bit_dir().glob(f"{name}.*"))
    if not tests:
        print(f"FAILED: {what}: no Wine test of this run checked it")
        return 1
    count = f"{len(tests)} test" + ("s" if len(tests) > 1 else "")
    print(f"{what}: checked on the i686 program by {count}: " + ", ".join(tests))
    return 0


def program_under_test() -> Path:
    return program_path(program_build())


def program_is_32bit() -> bool:
    """True when the program under test runs as a 32-bit process: its "System32" is SysWOW64
    (spool excepted) and its HKLM\\SOFTWARE keys land under WOW6432Node."""
    return program_build() == win32_build_dir()


def _template_gaps(prefix: Path) -> list:
    """What a finished prefix lacks: the 64-bit system, and the 32-bit one where 32-bit Wine
    runs (a prefix made without it has an empty SysWOW64)."""
    wanted = [prefix / "system.reg", prefix / SYSTEM32_REL / "kernel32.dll"]
    if why_no_32bit_wine() is None:
        wanted.append(prefix / SYSWOW64_REL / "kernel32.dll")
    return [str(path) for path in wanted if not path.exists()]


def _build_template(template: Path, key: str) -> None:
    started = time.monotonic()
    building = template.with_name(f"template.building-{os.getpid()}")
    # Wine's own errors go into the steps' output, so that a step that fails says why.
    env = dict(wine_env(building), WINEDEBUG="err+all")

    def start_over() -> None:
        stop_wineserver(building)
        shutil.rmtree(building, ignore_errors=True)

    start_over()
    try:
        run_setup_step("wineboot -i", [WINE64, "wineboot", "-i"], retry_cleanup=start_over, env=env)
        fonts = building / "drive_c" / "windows" / "Fonts"
        fonts.mkdir(parents=True, exist_ok=True)
        for font in Path("/usr/share/wine/fonts").glob("*.ttf"):
            shutil.copy2(font, fonts / font.name)
        settings = building / "drive_c" / "qar-settings.reg"
        settings.write_text(_template_settings().replace("\n", "\r\n"), encoding="ascii")
        run_setup_step("regedit settings", [WINE64, "regedit", "/S", "C:\\qar-settings.reg"], env=env)
        settings.unlink()
    finally:
        stop_wineserver(building)  # flushes the registry files
    gaps = _template_gaps(building)
    if gaps:
        raise RuntimeError(f"the template prefix {building} lacks {gaps}")
    (building / "qar-template.stamp").write_text(key + "\n")
    shutil.rmtree(template, ignore_errors=True)
    building.rename(template)
    log(f"template prefix built in {time.monotonic() - started:.1f} s")


def ensure_template(rebuild: bool = False) -> Path:
    """The template prefix of this run, built when missing, outdated or asked to."""
    template = template_dir()
    key = _template_key()
    with file_lock(wine_dir() / "template.lock"):
        if rebuild or not _template_ready(template, key):
            _build_template(template, key)
    return template


def ensure_locale(name: str = CHINESE_LOCALE) -> Path:
    """A directory for LOCPATH holding the locale (the host need not have it generated)."""
    locales = wine_dir() / "locale"
    with file_lock(wine_dir() / "locale.lock"):
        if not (locales / name / "LC_CTYPE").exists():
            language, charset = name.split(".")
            locales.mkdir(parents=True, exist_ok=True)
            result = subprocess.run(
                ["localedef", "-i", language, "-f", charset, str(locales / name)],
                capture_output=True, text=True, timeout=300,
            )
            if not (locales / name / "LC_CTYPE").exists():
                raise RuntimeError(f"localedef failed: {result.stdout}{result.stderr}")
    return locales


# ---------------------------------------------------------------------------------------------
# X server


class Xvfb:
    """An Xvfb of our own on the first free display from :50 up; stopped by its PID."""

    FIRST_DISPLAY = 50

    def __init__(self) -> None:
        self.process: Optional[subprocess.Popen] = None
        self.display: Optional[str] = None

    def start(self) -> str:
        for number in range(self.FIRST_DISPLAY, self.FIRST_DISPLAY + 100):
            if Path(f"/tmp/.X{number}-lock").exists() or Path(f"/tmp/.X11-unix/X{number}").exists():
                continue
            read_end, write_end = os.pipe()
            process = subprocess.Popen(
                ["Xvfb", f":{number}", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                 "-displayfd", str(write_end)],
                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            )
            os.close(write_end)
            # Xvfb writes the display number once it accepts clients; EOF means it gave up
            # (another server took the number first).
            with os.fdopen(read_end) as ready:
                answer = ready.readline().strip()
            if answer:
                self.process = process
                self.display = f":{number}"
                return self.display
            process.wait(timeout=30)
        raise RuntimeError("no free X display between :50 and :149")

    def stop(self) -> None:
        if self.process is not None:
            self.process.terminate()
            try:
                self.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout=30)
            self.process = None


class XMapRecorder:
    """Records every top-level X window mapped on our own X server, from the X server's side.

    Wine maps an X window for each Win32 top-level window it shows (with "Managed"="N" as an
    override-redirect child of the root), so a window that is shown for a millisecond is still
    recorded here, which no polling from inside Wine can promise. Geometry is the window rect.
    """

    MAP_NOTIFY, CREATE_NOTIFY, CONFIGURE_NOTIFY, DESTROY_NOTIFY = 19, 16, 22, 17
    GET_PROPERTY, WM_CLASS = 20, 67  # request opcode, predefined atom

    def __init__(self, display: str) -> None:
        number = re.fullmatch(r":(\d+)", display)
        if not number:
            raise ValueError(f"only local displays: {display}")
        self._socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self._socket.connect(f"/tmp/.X11-unix/X{number.group(1)}")
        root = self._handshake()
        self._geometry: dict = {}
        self._maps: list = []
        self._lock = threading.Lock()
        self._send_lock = threading.Lock()  # requests go out from both threads
        self._sequence = 0  # of the last request sent
        self._asked: dict = {}  # request sequence -> the map whose program it asks, or a waiter
        # ChangeWindowAttributes(root, event-mask = SubstructureNotify), then a round trip
        # (GetInputFocus) so that no map can happen between this constructor and the recording.
        self._socket.sendall(struct.pack("<BxHIII", 2, 4, root, 0x800, 0x80000))
        self._socket.sendall(struct.pack("<BxH", 43, 1))
        self._sequence = 2
        while True:
            packet = self._packet()
            if packet[0] == 1:
                break
            if packet[0] == 0:
                raise RuntimeError(f"X error {packet[1]} while subscribing to the root window")
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def _receive(self, count: int) -> bytes:
        data = b""
        while len(data) < count:
            chunk = self._socket.recv(count - len(data))
            if not chunk:
                raise EOFError
            data += chunk
        return data

    def _handshake(self) -> int:
        self._socket.sendall(struct.pack("<BxHHHHxx", 0x6C, 11, 0, 0, 0))
        status, _, _, extra = struct.unpack("<BxHHH", self._receive(8))
        body = self._receive(extra * 4)
        if status != 1:
            raise RuntimeError("X server refused the connection: " + body.decode(errors="replace"))
        vendor_length = struct.unpack_from("<H", body, 16)[0]
        formats = body[21]
        return struct.unpack_from("<I", body, 32 + ((vendor_length + 3) & ~3) + 8 * formats)[0]

    def _packet(self) -> bytes:
        packet = self._receive(32)
        if packet[0] & 0x7F in (1, 35):  # reply or generic event: longer than 32 bytes
            packet += self._receive(struct.unpack_from("<I", packet, 4)[0] * 4)
        return packet

    def _run(self) -> None:
        with contextlib.suppress(OSError, EOFError):
            while True:
                packet = self._packet()
                code = packet[0] & 0x7F
                if code == self.CREATE_NOTIFY:
                    _, window, x, y, w, h = struct.unpack_from("<IIhhHH", packet, 4)
                    self._geometry[window] = (x, y, w, h)
                elif code == self.CONFIGURE_NOTIFY:
                    _, window, _, x, y, w, h = struct.unpack_from("<IIIhhHH", packet, 4)
                    self._geometry[window] = (x, y, w, h)
                elif code == self.MAP_NOTIFY:
                    window = struct.unpack_from("<I", packet, 8)[0]
                    x, y, w, h = self._geometry.get(window, (0, 0, 0, 0))
                    mapped = {"xid": window, "x": x, "y": y, "w": w, "h": h, "program": "?"}
                    with self._lock:
                        self._maps.append(mapped)
                    self._ask_program(window, mapped)
                elif code in (0, 1):  # the error or reply to a request of ours
                    self._answer(packet)

    def _request(self, request: bytes, asker) -> None:
        with self._send_lock:
            self._sequence = (self._sequence + 1) & 0xFFFF
            self._asked[self._sequence] = asker
            self._socket.sendall(request)

    def _ask_program(self, window: int, mapped: dict) -> None:
        """Asks for the window's WM_CLASS, where Wine names the process that made it
        ("modelprobe_u.exe", "explorer.exe", ...): what a failure then reports."""
        self._request(struct.pack("<BBHIIIII", self.GET_PROPERTY, 0, 6, window, self.WM_CLASS, 0, 0, 64), mapped)

    def _answer(self, packet: bytes) -> None:
        mapped = self._asked.pop(struct.unpack_from("<H", packet, 2)[0], None)
        if isinstance(mapped, threading.Event):
            mapped.set()
            return
        if mapped is None:
            return
        name = "gone"  # an error: the window was destroyed before the question arrived
        if packet[0] == 1:
            length = struct.unpack_from("<I", packet, 16)[0]
            name = packet[32:32 + length].split(b"\0")[0].decode(errors="replace") or "?"
        with self._lock:
            mapped["program"] = name

    def maps(self) -> list:
        """Every map so far, in order: dicts with xid, x, y, w, h and program (the process that
        made the window; "?" while unknown, "gone" when it was destroyed before it was asked).
        A round trip first: the X server sends the events of every map it made before it
        answers, so a map made before the call is never still on its way."""
        answered = threading.Event()
        self._request(struct.pack("<BxH", 43, 1), answered)  # GetInputFocus
        if not answered.wait(timeout=60):
            raise RuntimeError("the X server did not answer the map recorder")
        with self._lock:
            return [dict(mapped) for mapped in self._maps]

    def stop(self) -> None:
        with contextlib.suppress(OSError):
            self._socket.shutdown(socket.SHUT_RDWR)
        self._thread.join(timeout=30)
        self._socket.close()


def display_reachable(display: str) -> bool:
    """True when a local X display (":N" or ":N.S") accepts connections."""
    match = re.fullmatch(r"(?:unix)?:(\d+)(?:\.\d+)?", display or "")
    if not match:
        return False
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as sock:
        sock.settimeout(2)
        try:
            sock.connect(f"/tmp/.X11-unix/X{match.group(1)}")
        except OSError:
            return False
    return True


# ---------------------------------------------------------------------------------------------
# Result lines of the tools

_FIELD = re.compile(r'(\w+)=("(?:[^"\\]|\\.)*"|\S*)')


@dataclass
class ResultLine:
    tag: str
    fields: dict

    def __getitem__(self, key):
        return self.fields[key]

    def get(self, key, default=None):
        return self.fields.get(key, default)

    def int(self, key: str) -> int:
        return int(self.fields[key], 0)


def parse_line(text: str) -> ResultLine:
    text = text.rstrip("\r\n")
    tag, _, rest = text.partition(" ")
    fields = {}
    for match in _FIELD.finditer(rest):
        value = match.group(2)
        fields[match.group(1)] = json.loads(value) if value.startswith('"') else value
    return ResultLine(tag, fields)


def quote(text: str) -> str:
    """A token for a driver command: quoted when needed, quotes doubled."""
    if text and not re.search(r'[\s"]', text):
        return text
    return '"' + text.replace('"', '""') + '"'


@dataclass
class Reply:
    """The answer to one driver command: its detail lines and its final ok/fail line."""

    command: str
    final: ResultLine
    details: list = field(default_factory=list)

    @property
    def ok(self) -> bool:
        return self.final.tag == "ok"

    def __getitem__(self, key):
        return self.final[key]

    def get(self, key, default=None):
        return self.final.get(key, default)

    def int(self, key: str) -> int:
        return self.final.int(key)

    def lines(self, tag: str) -> list:
        return [line for line in self.details if line.tag == tag]


class DriverError(AssertionError):
    pass


# ---------------------------------------------------------------------------------------------
# Prefix


@dataclass
class RegKey:
    values: dict  # name -> (type, data); data is str, int, or hex str for binary
    subkeys: list

    def value(self, name: str):
        entry = self.values.get(name)
        return None if entry is None else entry[1]


@dataclass
class SpoolerState:
    printers: list
    drivers: list
    ports: list
    monitors: list

    def printer_names(self) -> list:
        return [p["name"] for p in self.printers]

    def driver_names(self) -> list:
        return [d["name"] for d in self.drivers]

    def port_names(self) -> list:
        return [p["name"] for p in self.ports]

    def monitor_names(self) -> list:
        return [m["name"] for m in self.monitors]


class WinePrefix:
    """A test's own copy of the template prefix, with its own wineserver."""

    def __init__(self, path: Path, display: Optional[str] = None, locale_dir: Optional[Path] = None,
                 build: Optional[Path] = None) -> None:
        self.path = path
        self.display = display
        self.locale_dir = locale_dir
        self.build = build or win64_build_dir()
        self.native_first: tuple = ()
        self.disabled: tuple = ()

    @classmethod
    def from_template(cls, name: str, path: Optional[Path] = None, **kwargs) -> "WinePrefix":
        """A fresh copy of the template, by default under prefixes/ named after the test."""
        template = ensure_template()
        if path is None:
            safe = re.sub(r"[^A-Za-z0-9_.-]+", "_", name)[-80:]
            path = wine_dir() / "prefixes" / f"{safe}-{os.getpid()}"
        shutil.rmtree(path, ignore_errors=True)
        path.parent.mkdir(parents=True, exist_ok=True)
        with file_lock(wine_dir() / "template.lock"):
            run_checked(["cp", "-a", str(template), str(path)], dict(os.environ), timeout=300)
        return cls(path, **kwargs)

    # -- processes ---------------------------------------------------------------------------
    @property
    def env(self) -> dict:
        return wine_env(self.path, self.display, self.locale_dir, self.native_first, self.disabled)

    def start_server(self) -> None:
        """Keeps the wineserver alive between Wine commands (volatile keys survive)."""
        run_checked([WINESERVER, "-p"], self.env, timeout=60)

    def stop_server(self) -> None:
        stop_wineserver(self.path)

    def wine(self, *args, check=True, timeout=WINE_COMMAND_BOUND_S, input=None) -> subprocess.CompletedProcess:
        command = [WINE64, *map(str, args)]
        result = run_checked(command, self.env, timeout=timeout, check=False, input=input, cwd=str(self.path))
        # A failure without a word on either stream is Wine not starting the program, which a
        # loaded machine shows now and then; reg.exe and our tools always say why they fail.
        if result.returncode != 0 and not result.stdout and not result.stderr:
            log(f"{args[0]} exited with {result.returncode} without output; running it once more")
            time.sleep(0.5)
            result = run_checked(command, self.env, timeout=timeout, check=False, input=input,
                                 cwd=str(self.path))
        if check:
            raise_if_failed(result)
        return result

    def tool(self, name: str) -> str:
        return str(tools_dir(self.build) / name)

    def remove(self) -> None:
        shutil.rmtree(self.path, ignore_errors=True)

    # -- staging -------------------------------------------------------------------------------
    def stage(self, program: Optional[Path] = None) -> None:
        """Stages the package and the program (default: the program under test)."""
        args = ["bash", str(FIXTURE_STAGE), str(self.path), str(self.build), str(program or program_under_test())]
        run_checked(args, dict(os.environ, QAR_WIN32_BUILD_DIR=str(win32_build_dir())), timeout=120)

    def copy_in(self, source: Path, win_dir: str = PROGRAM_DIR_WIN) -> str:
        """Copies a file into the prefix; returns its Windows path."""
        target = self.unix_path(win_dir)
        target.mkdir(parents=True, exist_ok=True)
        shutil.copy2(source, target / source.name)
        return win_dir.rstrip("\\") + "\\" + source.name

    # -- files ---------------------------------------------------------------------------------
    def unix_path(self, win_path: str) -> Path:
        """The file behind a C: path, matching each name case-insensitively as Windows does."""
        drive, _, rest = win_path.partition(":")
        if drive.upper() != "C":
            raise ValueError(f"only C: paths: {win_path}")
        path = self.path / "drive_c"
        for part in [p for p in rest.split("\\") if p]:
            exact = path / part
            if not exact.exists() and path.is_dir():
                for candidate in path.iterdir():
                    if candidate.name.lower() == part.lower():
                        exact = candidate
                        break
            path = exact
        return path

    @property
    def driver_dir(self) -> Path:
        return self.path / DRIVER_DIR_REL

    @property
    def syswow64(self) -> Path:
        return self.path / SYSWOW64_REL

    @property
    def system32(self) -> Path:
        return self.path / SYSTEM32_REL

    @staticmethod
    def files(directory: Path) -> list:
        return sorted(p.name for p in directory.iterdir() if p.is_file()) if directory.is_dir() else []

    def browser_requests(self) -> list:
        log_file = self.path / "qar_browser.log"
        return log_file.read_text().splitlines() if log_file.exists() else []

    # -- spooler and registry ------------------------------------------------------------------
    def query(self, *queries: str, check=True) -> list:
        result = self.wine(self.tool("qar_spoolq.exe"), *queries, check=False)
        lines = [parse_line(line) for line in result.stdout.decode("ascii", errors="replace").splitlines() if line]
        if check and result.returncode not in (0, 1):
            raise RuntimeError(f"qar_spoolq {queries} exited with {result.returncode}: {result.stderr!r}")
        return lines

    def spooler(self) -> SpoolerState:
        lines = self.query("all")
        failures = [line for line in lines if line.tag == "fail"]
        if failures:
            raise RuntimeError(f"spooler query failed: {failures}")
        pick = lambda tag: [line.fields for line in lines if line.tag == tag]  # noqa: E731
        return SpoolerState(pick("printer"), pick("driver"), pick("port"), pick("monitor"))

    def reg_query(self, key: str) -> Optional[RegKey]:
        """Live state of a registry key; None when it does not exist."""
        lines = self.query("reg", key)
        final = lines[-1] if lines else None
        if final is None or final.tag != "ok":
            if final is not None and final.get("error") == "missing":
                return None
            raise RuntimeError(f"registry query of {key} failed: {lines}")
        values = {}
        for line in lines:
            if line.tag == "value":
                data = line["data"]
                if line["type"] in ("REG_DWORD", "REG_QWORD"):
                    data = int(data)
                values[line["name"]] = (line["type"], data)
        return RegKey(values, [line["name"] for line in lines if line.tag == "subkey"])

    def reg_value(self, key: str, name: str):
        found = self.reg_query(key)
        return None if found is None else found.value(name)

    def reg_add(self, key: str, name: Optional[str] = None, data: Optional[str] = None,
                kind: str = "REG_SZ") -> None:
        args = ["reg", "add", key]
        if name is not None:
            args += ["/v", name, "/t", kind]
            if data is not None:
                args += ["/d", str(data)]
        self.wine(*args, "/f")

    def reg_delete(self, key: str, name: Optional[str] = None) -> bool:
        args = ["reg", "delete", key] + (["/v", name] if name is not None else []) + ["/f"]
        return self.wine(*args, check=False).returncode == 0


# ---------------------------------------------------------------------------------------------
# Test driver


class Driver:
    """qar_driver.exe running interactively in a prefix: one command in, one reply out."""

    def __init__(self, prefix: WinePrefix, transcript: Optional[Path] = None) -> None:
        self.prefix = prefix
        self.transcript = open(transcript, "a", encoding="utf-8") if transcript else None
        self.process = subprocess.Popen(
            [WINE64, prefix.tool("qar_driver.exe"), "-"], env=prefix.env, cwd=str(prefix.path),
            stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=self.transcript if self.transcript else subprocess.DEVNULL,
        )
        self._lines: "queue.Queue[Optional[str]]" = queue.Queue()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self) -> None:
        assert self.process.stdout is not None
        with contextlib.suppress(OSError, ValueError):
            for raw in self.process.stdout:
                self._lines.put(raw.decode("ascii", errors="replace"))
        self._lines.put(None)

    def _note(self, text: str) -> None:
        if self.transcript:
            self.transcript.write(text + "\n")
            self.transcript.flush()

    def cmd(self, line: str, check: bool = True) -> Reply:
        """Runs one command; raises DriverError when it fails and check is set."""
        assert self.process.stdin is not None
        self._note("> " + line)
        self.process.stdin.write((line + "\n").encode("utf-8"))
        self.process.stdin.flush()
        match = re.search(r"\btimeout=(\d+)", line)
        bound = (int(match.group(1)) / 1000 if match else 60) + DRIVER_EXTRA_BOUND_S
        details = []
        deadline = time.monotonic() + bound
        while True:
            try:
                raw = self._lines.get(timeout=max(0.1, deadline - time.monotonic()))
            except queue.Empty:
                raise DriverError(f"driver gave no answer to {line!r} within {bound:.0f} s") from None
            if raw is None:
                raise DriverError(f"driver ended while running {line!r}")
            self._note("< " + raw.rstrip())
            parsed = parse_line(raw)
            if parsed.tag in ("ok", "fail"):
                reply = Reply(line, parsed, details)
                if check and not reply.ok:
                    raise DriverError(f"{line!r} failed: {raw.strip()}")
                return reply
            details.append(parsed)

    # -- conveniences over the command language ------------------------------------------------
    def launch(self, program: str = PROGRAM_WIN, *args: str, cwd: Optional[str] = None) -> Reply:
        options = f" cwd={quote(cwd)}" if cwd else ""
        reply = self.cmd(f"launch{options} {quote(program)}" + "".join(" " + quote(a) for a in args))
        if reply.get("retried") not in (None, "0"):
            log(f"launch of {program}: Wine's CreateProcess failed with 1359 once; started again")
        return reply

    def wait(self, check: bool = True, **filters) -> Reply:
        return self.cmd("wait" + _options(filters), check=check)

    def wait_msgbox(self, timeout: int = 10000, new: bool = True) -> Reply:
        """Waits for a message box of the process and returns its text, caption, buttons, icon."""
        self.wait(control=0xFFFF, timeout=timeout, new=int(new))
        return self.cmd("msgbox")

    def watch(self, timeout: int = 30000, check: bool = True) -> Reply:
        return self.cmd(f"watch timeout={timeout}", check=check)

    def wait_exit(self, timeout: int = 10000, check: bool = True) -> Reply:
        return self.cmd(f"wait_exit timeout={timeout}", check=check)

    def click(self, control_id: int, **options) -> Reply:
        return self.cmd(f"click id={control_id}" + _options(options))

    def command(self, control_id: int, **options) -> Reply:
        return self.cmd(f"command id={control_id}" + _options(options))

    def combo(self, control_id: int, **options) -> tuple:
        """(entries, selected index, field text) of a combo box."""
        reply = self.cmd(f"combo id={control_id}" + _options(options))
        return [line["text"] for line in reply.lines("item")], reply.int("cursel"), reply["text"]

    def select(self, control_id: int, text: Optional[str] = None, index: Optional[int] = None) -> Reply:
        which = f" text={quote(text)}" if text is not None else f" index={index}"
        return self.cmd(f"select id={control_id}{which}")

    def text(self, control_id: Optional[int] = None) -> str:
        return self.cmd("text" + (f" id={control_id}" if control_id is not None else ""))["text"]

    def wait_text(self, control_id: Optional[int], text: str, timeout: int = 10000, check: bool = True) -> Reply:
        """Waits until a control (or the window, id None) shows exactly this text."""
        where = f" id={control_id}" if control_id is not None else ""
        return self.cmd(f"wait_text{where} text={quote(text)} timeout={timeout}", check=check)

    def key(self, name: str, **options) -> Reply:
        return self.cmd(f"key name={name}" + _options(options))

    def mouse(self, action: str, x: int, y: int, **options) -> Reply:
        return self.cmd(f"mouse action={action} x={x} y={y}" + _options(options))

    def windows(self, all: bool = False) -> list:
        return self.cmd("windows" + (" all=1" if all else "")).lines("window")

    def controls(self) -> list:
        return self.cmd("controls").lines("control")

    def terminate(self) -> Reply:
        return self.cmd("terminate", check=False)

    def close(self) -> None:
        """Ends the driver (not the program it launched: the prefix's wineserver does that)."""
        end_child(self.process)
        # A helper that inherited the driver's output may keep the pipe open after the
        # driver ended; the reader is then left to the end of the run.
        self._reader.join(timeout=2)
        if not self._reader.is_alive() and self.process.stdout is not None:
            self.process.stdout.close()
        if self.transcript:
            self.transcript.close()
            self.transcript = None


def end_child(process: subprocess.Popen) -> None:
    """Ends a child that stops when its input ends: closes its input, waits within the bound,
    and kills it only when it does not end by itself."""
    if process.poll() is not None:
        return
    try:
        assert process.stdin is not None
        process.stdin.close()
    except OSError:
        pass
    try:
        process.wait(timeout=DRIVER_EXTRA_BOUND_S)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(timeout=DRIVER_EXTRA_BOUND_S)


MESSAGE_TEXT = 0xFFFF  # a message box's text control


def next_message_box(driver: "Driver", bound_ms: int) -> tuple:
    """(window, box): the next message box window and the box as `msgbox` reads it, with
    the window's owner added; box is None when no box came within the bound."""
    window = driver.wait(control=MESSAGE_TEXT, new=1, timeout=bound_ms, check=False)
    if not window.ok:
        return window, None
    box = driver.cmd("msgbox")
    box.final.fields["owner"] = window["owner"]
    return window, box


def _options(options: dict) -> str:
    return "".join(f" {key}={quote(str(value))}" for key, value in options.items() if value is not None)


# ---------------------------------------------------------------------------------------------
# Session: prefix + X server + wineserver, for a test or for the main job


class WineSession:
    def __init__(self, name: str, display: bool = True, chinese: bool = False, stage: bool = True,
                 program: Optional[Path] = None, build: Optional[Path] = None,
                 use_display: Optional[str] = None, prefix_path: Optional[Path] = None) -> None:
        self.name = name
        self.want_display = display
        self.chinese = chinese
        self.want_stage = stage
        self.program = program
        self.build = build or win64_build_dir()
        self.use_display = use_display
        self.prefix_path = prefix_path
        self.xvfb: Optional[Xvfb] = None
        self.xmaps: Optional[XMapRecorder] = None
        self.prefix: Optional[WinePrefix] = None
        self.drivers: list = []
        self.artifacts = wine_dir() / "artifacts" / re.sub(r"[^A-Za-z0-9_.-]+", "_", name)
        self.timings: dict = {}

    def open(self) -> "WineSession":
        """Starts everything; on failure stops what was started and raises."""
        try:
            return self._open()
        except BaseException:
            self.close(failed=True)
            raise

    def _open(self) -> "WineSession":
        started = time.monotonic()
        shutil.rmtree(self.artifacts, ignore_errors=True)
        self.artifacts.mkdir(parents=True, exist_ok=True)
        locale_dir = ensure_locale() if self.chinese else None
        display = None
        if self.want_display:
            if self.use_display:
                display = self.use_display
            else:
                self.xvfb = Xvfb()
                display = self.xvfb.start()
                self.xmaps = XMapRecorder(display)
        self.prefix = WinePrefix.from_template(self.name, path=self.prefix_path, display=display,
                                               locale_dir=locale_dir, build=self.build)
        self.timings["prefix"] = time.monotonic() - started
        if self.want_stage:
            self.prefix.stage(self.program)
        self.prefix.start_server()
        self.timings["open"] = time.monotonic() - started
        return self

    def driver(self) -> Driver:
        assert self.prefix is not None
        driver = Driver(self.prefix, self.artifacts / "driver.log")
        self.drivers.append(driver)
        return driver

    def mapped_windows(self) -> list:
        """Every top-level window shown on the session's own X server so far (see XMapRecorder)."""
        if self.xmaps is None:
            raise RuntimeError("no X map recorder: the session does not run its own X server")
        return self.xmaps.maps()

    def screenshot(self, label: str) -> Optional[Path]:
        display = self.prefix.display if self.prefix else None
        if display is None:
            return None
        path = self.artifacts / f"{label}.png"
        path.parent.mkdir(parents=True, exist_ok=True)
        result = subprocess.run(["import", "-window", "root", "-display", display, str(path)],
                                capture_output=True, timeout=60)
        return path if result.returncode == 0 else None

    def report_crashes(self) -> None:
        """Says which processes of the prefix crashed, keeping winedbg's reports as artifacts:
        a crash of Wine's own processes fails no test by itself, but explains one that fails."""
        assert self.prefix is not None
        for report in sorted((self.prefix.path / "drive_c" / "qar-crashes").glob("*.txt")):
            kept = self.artifacts / f"crash-{report.name}"
            shutil.copy2(report, kept)
            first = report.read_text(errors="replace").splitlines()[:1]
            log(f"{self.name}: {first[0] if first else 'a process crashed'}; winedbg's report: {kept}")

    def close(self, failed: bool = False) -> None:
        """Stops everything the session started, each step even when an earlier one failed."""
        keep = os.environ.get("QAR_KEEP_PREFIX", "")
        steps = [driver.close for driver in self.drivers]
        if self.prefix is not None:
            prefix = self.prefix
            steps.append(prefix.stop_server)
            steps.append(self.report_crashes)
            if keep == "always" or (failed and keep == "failed"):
                steps.append(lambda: log(f"kept prefix {prefix.path}"))
            else:
                steps.append(prefix.remove)
        if self.xmaps is not None:
            steps.append(self.xmaps.stop)
        if self.xvfb is not None:
            steps.append(self.xvfb.stop)
        errors = []
        for step in steps:
            try:
                step()
            except Exception as error:  # noqa: BLE001 - the remaining steps must still run
                errors.append(error)
        self.drivers = []
        if errors:
            raise errors[0]

    def __enter__(self) -> "WineSession":
        return self.open()

    def __exit__(self, kind, value, traceback) -> None:
        self.close(failed=kind is not None)


class WineTestCase(unittest.TestCase):
    """Each test gets its own staged prefix, X server and wineserver.

    Class attributes: CHINESE runs Wine under zh_TW.UTF-8; DISPLAY=False runs headless;
    STAGE=False leaves the package out; PROGRAM replaces the installer (a path on the host).
    """

    CHINESE = False
    DISPLAY = True
    STAGE = True
    PROGRAM: Optional[Path] = None

    def setUp(self) -> None:
        self.session = WineSession(self.id(), display=self.DISPLAY, chinese=self.CHINESE, stage=self.STAGE,
                                   program=self.PROGRAM)
        self.session.open()
        self.prefix = self.session.prefix
        self.prepare_prefix()

    def prepare_prefix(self) -> None:
        """Runs once the prefix is staged, before the test starts any Wine program in it."""

    def _callTestMethod(self, method) -> None:
        # The screenshot is taken right at the failure, while the windows are still up;
        # unittest offers tearDown no reliable way to learn that the test failed.
        try:
            super()._callTestMethod(method)
        except BaseException:
            self._qar_failed = True
            raise
        finally:
            outcome = getattr(self, "_outcome", None)
            if getattr(self, "_qar_failed", False) or (outcome is not None and not outcome.success):
                self._qar_failed = True
                self.session.screenshot("failure")

    def tearDown(self) -> None:
        self.session.close(failed=getattr(self, "_qar_failed", False))

    def check_32bit(self, name: str, check) -> None:
        """Runs a check that only a 32-bit process can fail (CHECKS_ONLY_32BIT) and records it;
        with the x86_64 twin under test it is reported as skipped, with the reason."""
        with self.subTest(only_32bit=name):
            reason = why_the_twin()
            if reason is not None:
                self.skipTest(f"{CHECKS_ONLY_32BIT[name]}: only a 32-bit process can fail this check, "
                              f"and the x86_64 twin runs ({reason})")
            check()
            record_32bit_check(name, self.id())

    def driver(self) -> Driver:
        return self.session.driver()

    def screenshot(self, label: str) -> Optional[Path]:
        return self.session.screenshot(label)

    def mapped_windows(self) -> list:
        return self.session.mapped_windows()


# ---------------------------------------------------------------------------------------------
# Runs with switches

LOG_WIN = "C:\\qar\\run.log"
LOG_LINE = re.compile(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (.*)$")


def wait_desktop_shell(case: unittest.TestCase, driver: "Driver", bound_ms: int = 30000) -> None:
    """Waits until Wine's desktop serves the shell that the program hands documents and addresses
    to. Now and then under load a prefix's desktop never does (its ShellWindows does not answer):
    the test is then skipped with the driver's answer, since what the program does without that
    route is the NoShellRoute variants' test."""
    reply = driver.cmd(f"wait_shell timeout={bound_ms}", check=False)
    if not reply.ok:
        case.skipTest(f"Wine's desktop serves no shell in this prefix (hr={reply['hr']} after "
                      f"{reply['ms']} ms)")


def run_to_end(driver: "Driver", *args: str, bound_ms: int = 30000) -> Reply:
    """Starts the program with these arguments and waits for its end: the reply carries the full
    exit code (`exit_code`) and a `seen` line per window it showed."""
    driver.launch(PROGRAM_WIN, *args, cwd=PROGRAM_DIR_WIN)
    return driver.watch(timeout=bound_ms)


def log_events(prefix: "WinePrefix", win_path: str = LOG_WIN) -> list:
    """The events of a run's log, each line checked for its CRLF end and its time stamp."""
    data = prefix.unix_path(win_path).read_bytes().decode("ascii")
    assert data.endswith("\r\n"), "the log ends with a line end"
    events = []
    for line in data[:-2].split("\r\n"):
        match = LOG_LINE.match(line)
        assert match, f"log line without its time stamp: {line!r}"
        events.append(match.group(1))
    return events


# ---------------------------------------------------------------------------------------------
# DLLs planted beside the program

# System DLLs that a planted copy beside an elevated program would replace on Windows, unless the
# program keeps them from its own folder.
PLANTED_DLLS = (
    "winspool.drv", "setupapi.dll", "version.dll", "uxtheme.dll", "dwmapi.dll", "cryptbase.dll",
    "userenv.dll", "propsys.dll", "wtsapi32.dll", "msimg32.dll", "winmm.dll", "oleacc.dll",
    "actxprxy.dll",
)
# Wine's own user32 imports version.dll, and its uxtheme delay-loads msimg32.dll, through a loader
# path that ignores the process's DLL directories (Windows' user32 imports no version.dll, and
# its loader honours the directories for delay loads). Searched native-first, these two would be
# taken from the program's folder in any Wine program with a window, so they are planted but
# left builtin-first: Wine then never loads the planted file.
WINE_LOADER_OWN_DLLS = ("version.dll", "msimg32.dll")
PLANTED_LOG_REL = "drive_c/qar_planted.log"


class PlantedDlls:
    """Mixin for a WineTestCase: marker DLLs (fixtures/planted) lie beside the program under the
    names of system DLLs, which Wine looks for there first, as Windows does. A marker that is
    loaded writes its path to a log and fails its load; the test fails when any was loaded."""

    def prepare_prefix(self) -> None:
        super().prepare_prefix()
        # A marker of the program's own architecture: a 32-bit process would pass over a 64-bit one.
        marker = require_file(program_build() / "fixtures" / "planted" / "planted.dll", "marker DLL")
        folder = self.prefix.unix_path(PROGRAM_DIR_WIN)
        for name in PLANTED_DLLS:
            shutil.copy(marker, folder / name)
        self.prefix.native_first = tuple(name.rsplit(".", 1)[0] for name in PLANTED_DLLS
                                         if name not in WINE_LOADER_OWN_DLLS)

    def tearDown(self) -> None:
        log_file = self.prefix.path / PLANTED_LOG_REL
        loaded = log_file.read_text(encoding="utf-8").splitlines() if log_file.exists() else []
        super().tearDown()
        self.assertEqual(loaded, [], "DLLs loaded from the program's folder")


class NoShellRoute:
    """Mixin for a WineTestCase: the program cannot reach the desktop shell's own route (Wine's
    proxies of the shell's interfaces are not loaded), and Wine's desktop has no shell window:
    the program then finds no desktop shell to hand a document or an address to."""

    def prepare_prefix(self) -> None:
        super().prepare_prefix()
        self.prefix.disabled = ("actxprxy",)


class SignedProgram:
    """Mixin for a WineTestCase: the program staged is the program under test signed the way a
    release is signed (tools/sign.sh, with the throwaway test CA and its timestamp)."""

    @classmethod
    def setUpClass(cls) -> None:
        super().setUpClass()
        folder = wine_dir() / "signed"
        signed = folder / PROGRAM_NAME
        env = {k: v for k, v in os.environ.items() if not k.startswith("QAR_SIGN_")}
        env["QAR_TEST_SIGN"] = "1"
        run_checked(["bash", str(REPO / "tools" / "sign.sh"), str(program_under_test()), str(signed),
                     str(folder / "signing")], env, timeout=120)
        cls.PROGRAM = signed


def variant(mixin: type, case: type, test_name: str) -> type:
    """The test `test_name` of `case` alone, run again with what the mixin changes."""
    others = {name: None for name in dir(case) if name.startswith("test") and name != test_name}
    return type(f"{mixin.__name__}{case.__name__}", (mixin, case), {**others, "__module__": case.__module__})


def planted_dll_variant(case: type, test_name: str) -> type:
    return variant(PlantedDlls, case, test_name)


def mapped_from(mapped: list, size: tuple) -> list:
    """The windows mapped from the first one of this size on. What a command shows comes after
    the selection dialog; what is mapped at start-up is the start's own test's business."""
    for index, window in enumerate(mapped):
        if (window["w"], window["h"]) == size:
            return mapped[index:]
    return mapped


def require_file(path: Path, what: str) -> Path:
    if not path.is_file():
        raise AssertionError(f"{what} not found at {path}: build it first (make x86_64 i686)")
    return path


# ---------------------------------------------------------------------------------------------
# Commands of the hidden main dialog


class MainDialogCommands:
    """The program started normally and held at its selection dialog. The selection's modal
    loop also dispatches what is posted to the hidden main dialog, so a command posted there
    runs as if its button had been pressed. finish() cancels the selection (the process then
    ends by itself) and returns the driver's `watch` reply."""

    MAIN_DIALOG_CONTROL = 1000  # a control only the main dialog has
    SELECTION_PORT_LIST = 1007

    def __init__(self, driver: Driver, bound_ms: int = 30000) -> None:
        self.driver = driver
        self.bound_ms = bound_ms  # safety bound of each step, not a measurement
        self.pid = driver.launch(PROGRAM_WIN, cwd=PROGRAM_DIR_WIN)["pid"]
        self.main = driver.wait(visible=0, control=self.MAIN_DIALOG_CONTROL, timeout=bound_ms)["hwnd"]
        self.selection = driver.wait(control=self.SELECTION_PORT_LIST, timeout=bound_ms)["hwnd"]

    def post(self, command_id: int) -> None:
        self.driver.command(command_id, hwnd=self.main)

    def selection_size(self) -> tuple:
        rect = self.driver.cmd(f"rect hwnd={self.selection}")
        return rect.int("w"), rect.int("h")

    def answer_box(self, button: int = 1, before_answer=None) -> Reply:
        """Waits for the next message box, presses a button and waits until the box is gone;
        returns the box as `msgbox` read it. Posting the next step only after the box is gone
        keeps it from being dispatched inside the box's own modal loop. before_answer (if any)
        runs while the box is up, for a screenshot."""
        box = self.driver.wait_msgbox(timeout=self.bound_ms)
        if before_answer is not None:
            before_answer(box)
        self.driver.click(button, hwnd=box["hwnd"])
        self.driver.cmd(f"wait_gone hwnd={box['hwnd']} timeout={self.bound_ms}")
        return box

    def finish(self) -> Reply:
        """Cancels the selection once the commands posted before have run (they are queued
        ahead of the click) and waits for the process to end."""
        self.driver.click(2, hwnd=self.selection)
        return self.driver.watch(timeout=self.bound_ms)


def main(argv: list) -> int:
    if len(argv) >= 2 and argv[1] == "template":
        started = time.monotonic()
        rebuild = "--rebuild" in argv
        if rebuild:  # a new run: the checks recorded belong to the last one
            shutil.rmtree(_checks_32bit_dir(), ignore_errors=True)
        path = ensure_template(rebuild=rebuild)
        print(f"template prefix {path} ready in {time.monotonic() - started:.1f} s")
        return 0
    if len(argv) == 3 and argv[1] == "checked-32bit" and argv[2] in CHECKS_ONLY_32BIT:
        return report_32bit_check(argv[2])
    if len(argv) == 2 and argv[1] == "program":
        print(program_statement())
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
