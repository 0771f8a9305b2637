"""The main dialog's port monitor commands on Wine. "InstallUSB" warns, removes any earlier port
and monitor, copies the cutter USB port monitor and its uninstaller from system32\\qartemp into
system32, adds the monitor to the spooler, records its uninstall entry and asks the monitor for
its port; "UninstallUsb" warns and removes port and monitor. The monitor is our stand-in
(fixtures/monitor): it logs every configuration request it receives, so the exact request
bytes are checked where they arrive."""

import unittest

from wine_harness import (
    PROGRAM_DIR_WIN, PROGRAM_WIN, WINE64, MainDialogCommands, WinePrefix, WineTestCase, mapped_from,
    parse_line, planted_dll_variant, program_is_32bit, program_under_test, require_file,
    run_checked, run_to_end, win32_build_dir, win64_build_dir,
)

BOUND_MS = 30000  # safety bound, not a measurement
INSTALL_USB, UNINSTALL_USB = 1002, 1003
IDOK = 1

MONITOR = "_cutter USB Port"
# Windows' spooler adds only a monitor of its own architecture: "Windows x64". Wine's EnumMonitors
# names "Windows NT x86" for every monitor, whatever it was added for; its trace says what a call
# asked for.
MONITOR_ENVIRONMENT = "Windows x64"
WINE_LISTED_ENVIRONMENT = "Windows NT x86"
MONITOR_FILE = "qarum1Nt.dll"
UNINSTALLER_FILE = "uninstallMn.exe"
PORT = "_cutterUSB0:"
MONITOR_KEY = r"HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors" + "\\" + MONITOR
UNINSTALL_ENTRY = r"Microsoft\Windows\CurrentVersion\Uninstall\_cutter USB Portt Monitor"
DISPLAY_NAME = "_cutter USB Port Monitor"
STAGING_REL = "drive_c/windows/system32/qartemp"
MONITOR_LOG_REL = "drive_c/windows/temp/qarum1Nt.log"

INSTALL_BOX = ("QAR", "Please Don't connect USB")
UNINSTALL_BOX = ("Modelprobe_u", "Please make sure that USB device isn't connecting now!")
# "_cutterUSB0:" in UTF-16LE with its terminator.
ADD_PORT_REQUEST = bytes.fromhex(
    "5F 00 63 00 75 00 74 00 74 00 65 00 72 00 55 00 53 00 42 00 30 00 3A 00 00 00")
XCV_OUTPUT_SIZE = 260
SERVER_ACCESS_ADMINISTER = 0x1


def uninstall_key():
    """Where the program's uninstall entry lands: a 32-bit program's HKLM\\SOFTWARE keys are in
    the registry's 32-bit view, WOW6432Node, where Programs and Features lists 32-bit entries."""
    return "HKLM\\SOFTWARE\\" + ("WOW6432Node\\" if program_is_32bit() else "") + UNINSTALL_ENTRY


class PortMonitorTest(WineTestCase):
    """Under WoW64, Wine's spooler runs inside the 32-bit program and loads the 32-bit twin of
    the monitor that staging put into SysWOW64 (a test artefact); what Windows' 64-bit spooler
    would load is the 64-bit monitor in the real System32, checked on the file system."""

    def setUp(self):
        program_under_test()
        for name in (MONITOR_FILE, UNINSTALLER_FILE):
            require_file(win64_build_dir() / "fixtures" / "package" / name, "port monitor fixture")
        if program_is_32bit():
            require_file(win32_build_dir() / "fixtures" / "package" / MONITOR_FILE, "32-bit monitor twin")
        super().setUp()
        self.staging = self.prefix.path / STAGING_REL
        self.syswow64_before = WinePrefix.files(self.prefix.syswow64)

    # -- running the program -----------------------------------------------------------------

    def start(self):
        program = MainDialogCommands(self.driver(), BOUND_MS)
        self.selection_size = program.selection_size()
        return program

    def run_command(self, program, command_id):
        """Posts a command, answers its opening box with OK; returns (caption, text, box)."""
        program.post(command_id)
        box = program.answer_box(IDOK, before_answer=lambda _: self.screenshot(f"box_{command_id}"))
        return box["title"], box["text"], box

    def finish(self, program):
        watched = program.finish()
        self.assertEqual(watched.int("exit_code"), 0)
        return watched

    def assert_ok_box(self, box, icon="none"):
        self.assertEqual((box["buttons"], box["icon"]), ("1", icon),
                         f"box {box['title']!r}: {box['text']!r}")

    def assert_only_boxes_shown(self, watched, boxes):
        """The selection dialog and exactly these boxes, and no other window however briefly
        shown: the X server saw that many windows mapped, and what the driver's poll caught
        (it may miss a short-lived window on a busy machine) is among them."""
        mapped = mapped_from(self.mapped_windows(), self.selection_size)
        self.assertEqual(len(mapped), 1 + len(boxes), f"windows mapped: {mapped}")
        seen = [(line["title"], line["ids"]) for line in watched.lines("seen")]
        captions = {caption for caption, _ in boxes}
        for title, ids in seen:
            is_selection = "1007" in ids.split(",")
            is_box = "65535" in ids.split(",") and title in captions
            self.assertTrue(is_selection or is_box, f"windows seen: {seen}")

    # -- what the machine holds ---------------------------------------------------------------

    def monitors(self):
        return [m for m in self.prefix.spooler().monitors if m["name"] == MONITOR]

    def cutter_ports(self):
        return [p for p in self.prefix.spooler().ports if p["name"] == PORT]

    def system_file(self, name):
        return self.prefix.unix_path("C:\\windows\\system32\\" + name)

    def system_directory(self):
        info = [line for line in self.prefix.query("info") if line.tag == "ok"]
        return info[0]["system"]

    def monitor_log(self):
        path = self.prefix.path / MONITOR_LOG_REL
        if not path.exists():
            return []
        return [parse_line(line) for line in path.read_text(encoding="ascii").splitlines() if line]

    def assert_add_port_requests(self, log, pid, count):
        """`count` channel sessions of the program, each one exact AddPort request."""
        requests = [(line.tag, line.fields) for line in log if line.tag.startswith("xcv_")]
        self.assertEqual([tag for tag, _ in requests], ["xcv_open", "xcv_data", "xcv_close"] * count,
                         f"monitor log: {requests}")
        for tag, fields in requests:
            self.assertEqual(fields["pid"], pid, f"{tag} came from another process: {fields}")
            if tag == "xcv_open":
                self.assertEqual(fields["object"], MONITOR)
                self.assertEqual(int(fields["access"], 16), SERVER_ACCESS_ADMINISTER)
            if tag == "xcv_data":
                self.assertEqual(fields["command"], "AddPort")
                self.assertEqual(int(fields["size"]), len(ADD_PORT_REQUEST))
                self.assertEqual(bytes.fromhex(fields["input"]), ADD_PORT_REQUEST)
                self.assertEqual(int(fields["output_size"]), XCV_OUTPUT_SIZE)
                self.assertEqual(int(fields["status"]), 0, "the monitor refused the port")

    def assert_installed(self):
        """One monitor, its files, its uninstall entry and its one port."""
        self.assertEqual(self.monitors(), [{"name": MONITOR, "env": WINE_LISTED_ENVIRONMENT, "dll": MONITOR_FILE}])
        def copied():
            for name in (MONITOR_FILE, UNINSTALLER_FILE):
                self.assertEqual(self.system_file(name).read_bytes(), (self.staging / name).read_bytes(),
                                 f"{name} in system32 is not the staged file")
        self.check_32bit("system32_copies", copied)
        self.check_32bit("syswow64_untouched", lambda: self.assertEqual(
            WinePrefix.files(self.prefix.syswow64), self.syswow64_before, "files added to SysWOW64"))
        self.assert_uninstall_entry()
        self.assertEqual([(p["name"], p["monitor"]) for p in self.cutter_ports()], [(PORT, MONITOR)])
        self.assertEqual(self.prefix.reg_query(MONITOR_KEY + r"\Ports").subkeys, [PORT])

    def assert_uninstall_entry(self):
        self.check_32bit("wow6432node_entry", lambda: self.assertIsNotNone(
            self.prefix.reg_query(uninstall_key()), "no uninstall entry under WOW6432Node"))
        self.check_32bit("native_view_untouched", lambda: self.assertIsNone(
            self.prefix.reg_query("HKLM\\SOFTWARE\\" + UNINSTALL_ENTRY), "an uninstall entry in the native view"))
        entry = self.prefix.reg_query(uninstall_key())
        self.assertIsNotNone(entry, "no uninstall entry")
        uninstaller = self.system_directory() + "\\" + UNINSTALLER_FILE
        self.assertEqual(entry.values, {"_Cutter USB Monitor": ("REG_SZ", DISPLAY_NAME),
                                        "UninstallString": ("REG_SZ", uninstaller)})
        # Each text is stored with its terminating zero.
        sizes = {line["name"]: int(line["size"]) for line in self.prefix.query("reg", uninstall_key())
                 if line.tag == "value"}
        self.assertEqual(sizes, {"_Cutter USB Monitor": 2 * (len(DISPLAY_NAME) + 1),
                                 "UninstallString": 2 * (len(uninstaller) + 1)})

    def assert_nothing_installed(self):
        self.assertEqual(self.monitors(), [])
        self.assertEqual(self.cutter_ports(), [])
        self.assertIsNone(self.prefix.reg_query(MONITOR_KEY))
        self.assertIsNone(self.prefix.reg_query(uninstall_key()))

    # -- tests --------------------------------------------------------------------------------

    def test_install_on_a_clean_machine_adds_monitor_files_entry_and_port(self):
        self.assert_nothing_installed()
        for name in (MONITOR_FILE, UNINSTALLER_FILE):
            self.assertFalse(self.system_file(name).exists(), name)
        program = self.start()
        caption, text, box = self.run_command(program, INSTALL_USB)
        self.assertEqual((caption, text), INSTALL_BOX)
        self.assert_ok_box(box)
        self.screenshot("installed")
        self.assert_only_boxes_shown(self.finish(program), [INSTALL_BOX])
        self.assert_installed()
        log = self.monitor_log()
        # Nothing to remove on a clean machine: the monitor saw no port deletion.
        self.assertEqual([line.tag for line in log if line.tag == "delete_port"], [])
        self.assert_add_port_requests(log, program.pid, 1)

    def test_install_twice_in_one_run_keeps_one_monitor_and_one_port(self):
        program = self.start()
        self.assertEqual(self.run_command(program, INSTALL_USB)[:2], INSTALL_BOX)
        self.assertEqual(self.run_command(program, INSTALL_USB)[:2], INSTALL_BOX)
        self.assert_only_boxes_shown(self.finish(program), [INSTALL_BOX, INSTALL_BOX])
        self.assert_installed()
        log = self.monitor_log()
        # The second run removed the first run's port through the monitor, then added it again.
        self.assertEqual([(line.tag, line["port"], int(line["status"])) for line in log
                          if line.tag == "delete_port"], [("delete_port", PORT, 0)])
        self.assertEqual([line.tag for line in log], ["xcv_open", "xcv_data", "xcv_close", "delete_port",
                                                      "xcv_open", "xcv_data", "xcv_close"])
        self.assert_add_port_requests(log, program.pid, 2)

    def test_install_again_in_a_new_run_keeps_one_monitor_and_one_port(self):
        first = self.start()
        self.run_command(first, INSTALL_USB)
        self.finish(first)
        self.assert_installed()
        second = self.start()
        self.assertEqual(self.run_command(second, INSTALL_USB)[:2], INSTALL_BOX)
        self.finish(second)
        self.assert_installed()
        log = self.monitor_log()
        self.assertEqual([(line["pid"], line["port"], int(line["status"])) for line in log
                          if line.tag == "delete_port"], [(second.pid, PORT, 0)])
        self.assert_add_port_requests([line for line in log if line["pid"] == first.pid], first.pid, 1)
        self.assert_add_port_requests([line for line in log if line["pid"] == second.pid], second.pid, 1)

    def test_install_without_the_monitor_in_staging_installs_nothing(self):
        (self.staging / MONITOR_FILE).unlink()
        program = self.start()
        self.assertEqual(self.run_command(program, INSTALL_USB)[:2], INSTALL_BOX)
        self.assert_only_boxes_shown(self.finish(program), [INSTALL_BOX])
        self.assert_nothing_installed()
        # The copy stops at the missing monitor: the uninstaller is not copied either.
        for name in (MONITOR_FILE, UNINSTALLER_FILE):
            self.assertFalse(self.system_file(name).exists(), name)
        self.assertEqual(self.monitor_log(), [])

    def test_install_without_the_uninstaller_in_staging_adds_no_monitor(self):
        (self.staging / UNINSTALLER_FILE).unlink()
        program = self.start()
        self.assertEqual(self.run_command(program, INSTALL_USB)[:2], INSTALL_BOX)
        self.assert_only_boxes_shown(self.finish(program), [INSTALL_BOX])
        self.assert_nothing_installed()
        # The monitor file copied before the failed copy stays.
        self.assertEqual(self.system_file(MONITOR_FILE).read_bytes(),
                         (self.staging / MONITOR_FILE).read_bytes())
        self.assertFalse(self.system_file(UNINSTALLER_FILE).exists())
        self.assertEqual(self.monitor_log(), [])

    def test_uninstall_removes_port_and_monitor_and_leaves_files_and_entry(self):
        program = self.start()
        self.run_command(program, INSTALL_USB)
        caption, text, box = self.run_command(program, UNINSTALL_USB)
        self.assertEqual((caption, text), UNINSTALL_BOX)
        # The application's box: an OK box that names no icon gets the exclamation mark.
        self.assert_ok_box(box, icon="warning")
        self.assert_only_boxes_shown(self.finish(program), [INSTALL_BOX, UNINSTALL_BOX])
        self.assertEqual(self.monitors(), [])
        self.assertEqual(self.cutter_ports(), [])
        self.assertIsNone(self.prefix.reg_query(MONITOR_KEY))
        for name in (MONITOR_FILE, UNINSTALLER_FILE):
            self.assertTrue(self.system_file(name).exists(), f"{name} was removed")
        self.assert_uninstall_entry()
        log = self.monitor_log()
        self.assertEqual([(line["pid"], line["port"], int(line["status"])) for line in log
                          if line.tag == "delete_port"], [(program.pid, PORT, 0)])
        self.assertEqual(log[-1].tag, "delete_port", "the port was removed last, after the install")

    def test_quiet_commands_install_and_remove_monitor_and_port_without_a_window(self):
        driver = self.driver()
        for command, exit_code in (("/installusb", 0), ("/uninstallusb", 0), ("/uninstallusb", 0)):
            with self.subTest(command=command):
                watched = run_to_end(driver, "/quiet", command)
                self.assertEqual((watched.int("exit_code"), watched.lines("seen")), (exit_code, []))
                if command == "/installusb":
                    self.assert_installed()
                else:
                    self.assertEqual((self.monitors(), self.cutter_ports()), ([], []))
        self.assertEqual(self.mapped_windows(), [])

    def test_the_monitor_is_added_and_removed_for_the_spoolers_environment(self):
        env = dict(self.prefix.env, WINEDEBUG="trace+localspl")
        for command, call in (("/installusb", "fpAddMonitor"), ("/uninstallusb", "fpDeleteMonitor")):
            with self.subTest(command=command):
                result = run_checked([WINE64, PROGRAM_WIN, "/quiet", command], env, check=False,
                                     cwd=str(self.prefix.path))
                self.assertEqual(result.returncode, 0)
                trace = [line for line in result.stderr.decode(errors="replace").splitlines()
                         if f"{call} (" in line and MONITOR in line]
                self.assertEqual(len(trace), 1, trace)
                self.assertIn(f'L"{MONITOR_ENVIRONMENT}"', trace[0])

    def test_uninstall_twice_shows_only_its_box_the_second_time(self):
        program = self.start()
        self.run_command(program, INSTALL_USB)
        self.run_command(program, UNINSTALL_USB)
        # The second box shows once the first removal has run, and before the second one runs.
        program.post(UNINSTALL_USB)
        box = program.driver.wait_msgbox(timeout=BOUND_MS)
        self.assertEqual((box["title"], box["text"]), UNINSTALL_BOX)
        log_after_first = self.monitor_log()
        program.driver.click(IDOK, hwnd=box["hwnd"])
        program.driver.cmd(f"wait_gone hwnd={box['hwnd']} timeout={BOUND_MS}")
        self.assert_only_boxes_shown(self.finish(program), [INSTALL_BOX, UNINSTALL_BOX, UNINSTALL_BOX])
        self.assertEqual(self.monitors(), [])
        self.assertEqual(self.cutter_ports(), [])
        self.assert_uninstall_entry()
        # With the monitor gone, nothing reached it the second time.
        self.assertEqual(self.monitor_log(), log_after_first)

    def test_uninstall_on_a_clean_machine_shows_only_its_box(self):
        program = self.start()
        self.assertEqual(self.run_command(program, UNINSTALL_USB)[:2], UNINSTALL_BOX)
        self.assert_only_boxes_shown(self.finish(program), [UNINSTALL_BOX])
        self.assert_nothing_installed()
        self.assertEqual(self.monitor_log(), [])

    def test_installed_uninstaller_removes_port_monitor_and_entry(self):
        program = self.start()
        self.run_command(program, INSTALL_USB)
        self.finish(program)
        self.assert_installed()
        # Run as the uninstall entry names it.
        uninstaller = self.prefix.reg_value(uninstall_key(), "UninstallString")
        result = self.prefix.wine(uninstaller, check=False)
        steps = [parse_line(line) for line in result.stdout.decode("ascii").splitlines() if line]
        self.assertEqual([(s["name"], s["ok"]) for s in steps],
                         [("DeletePort", "1"), ("DeleteMonitor", "1"), ("DeleteUninstallEntry", "1")])
        self.assertEqual(result.returncode, 0)
        self.assert_nothing_installed()


# The same, with DLLs planted beside the program: none of them may be loaded.
PlantedDllsPortMonitorTest = planted_dll_variant(
    PortMonitorTest, "test_install_on_a_clean_machine_adds_monitor_files_entry_and_port")


if __name__ == "__main__":
    unittest.main()
