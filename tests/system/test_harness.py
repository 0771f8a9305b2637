"""The harness and its tools, checked on a small dialog program of known behaviour, so that a
failing installer test points at the installer and not at the test machinery."""

import unittest

from wine_harness import (
    SYSWOW64_FILES,
    WINE64,
    WineSession,
    WinePrefix,
    require_file,
    run_checked,
    staged_driver_dir_files,
    staged_support_files,
    tools_dir,
)

TESTAPP = "C:\\qar\\qar_testapp.exe"
MSGBOX_TEXT = 0xFFFF


class SharedSession(unittest.TestCase):
    """One prefix for the whole class: these tests change nothing in it."""

    CHINESE = False

    @classmethod
    def setUpClass(cls):
        require_file(tools_dir() / "qar_testapp.exe", "test program")
        # Staged with the test program in the installer's place: independent of the installer.
        cls.session = WineSession(cls.__name__, chinese=cls.CHINESE, program=tools_dir() / "qar_testapp.exe")
        cls.session.open()
        cls.prefix = cls.session.prefix

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def setUp(self):
        self.driver = self.session.driver()
        self.addCleanup(self.driver.close)
        self.addCleanup(self.driver.terminate)


class DriverTest(SharedSession):
    def test_a_dialog_that_only_flashes_is_recorded_by_the_x_server(self):
        maps_before = len(self.session.mapped_windows())
        self.driver.launch(TESTAPP, "flash")
        watched = self.driver.watch()
        self.assertEqual(watched.int("exit_code"), 0)
        maps = self.session.mapped_windows()[maps_before:]
        self.assertEqual(len(maps), 1, maps)
        # Polling from inside Wine may or may not catch the moment; when it does, it agrees.
        for seen in watched.lines("seen"):
            self.assertEqual((seen["class"], seen["ids"]), ("#32770", "1"))
            self.assertEqual((seen.int("w"), seen.int("h")), (maps[0]["w"], maps[0]["h"]))

    def test_ways_to_keep_a_dialog_that_ends_in_its_initialisation_hidden(self):
        # Wine shows a dialog whose *template* has WS_VISIBLE after WM_INITDIALOG, ended or
        # not; a template without it, or refusing SWP_SHOWWINDOW once ended, keeps it hidden.
        for mode in ("novisible", "veto"):
            with self.subTest(mode=mode):
                maps_before = len(self.session.mapped_windows())
                self.driver.launch(TESTAPP, mode)
                watched = self.driver.watch()
                self.assertEqual(watched.int("exit_code"), 0)
                self.assertEqual(self.session.mapped_windows()[maps_before:], [])
                self.assertEqual(watched["seen"], "0")

    def test_watch_reports_no_window_and_the_full_exit_code(self):
        maps_before = len(self.session.mapped_windows())
        self.driver.launch(TESTAPP, "exit", "0x1234abcd")
        watched = self.driver.watch()
        self.assertEqual(watched["seen"], "0")
        self.assertEqual(watched.int("exit_code"), 0x1234ABCD)
        self.assertEqual(self.session.mapped_windows()[maps_before:], [])

    def test_a_crash_without_a_console_maps_no_window_and_leaves_a_report(self):
        # Started from Unix, the program has no console, as a service or the desktop has none.
        maps_before = len(self.session.mapped_windows())
        run_checked([WINE64, str(tools_dir() / "qar_testapp.exe"), "crash"], self.prefix.env, check=False)
        self.assertEqual(self.session.mapped_windows()[maps_before:], [])
        reports = [path.read_text() for path in (self.prefix.path / "drive_c" / "qar-crashes").glob("*.txt")]
        self.assertEqual(len(reports), 1, reports)
        self.assertRegex(reports[0], r"^crashed: .*\\qar_testapp\.exe\r?\n")
        self.assertIn("Backtrace:", reports[0])

    def test_x_server_geometry_matches_the_window_rect(self):
        maps_before = len(self.session.mapped_windows())
        self.driver.launch(TESTAPP, "dialog")
        dialog = self.driver.wait(control=1007)
        maps = self.session.mapped_windows()[maps_before:]
        self.assertEqual([(m["x"], m["y"], m["w"], m["h"]) for m in maps],
                         [(dialog.int("x"), dialog.int("y"), dialog.int("w"), dialog.int("h"))])

    def test_lists_are_read_and_selected_and_install_reports_the_choice(self):
        self.driver.launch(TESTAPP, "dialog")
        self.driver.wait(control="1007,1008")
        self.assertEqual(self.driver.combo(1007), (["COM1:", "COM3:", "LPT1:"], 0, "COM1:"))
        self.driver.select(1007, text="LPT1:")
        self.driver.select(1008, text="FerraIII-60DX")
        self.assertEqual(self.driver.combo(1008)[1:], (1, "FerraIII-60DX"))
        self.driver.click(1)
        box = self.driver.wait_msgbox()
        self.assertEqual(box["text"], "port=LPT1: model=FerraIII-60DX")
        self.assertEqual((box["buttons"], box["icon"]), ("1", "information"))
        self.driver.key("enter")
        self.assertEqual(self.driver.wait_exit().int("exit_code"), 1)

    def test_a_dialog_that_shows_itself_half_built_is_taken_and_listed_as_built(self):
        self.driver.launch(TESTAPP, "grow")
        self.assertEqual(self.driver.wait()["ids"], "1,1007")
        self.assertEqual([seen["ids"] for seen in self.driver.cmd("seen").lines("seen")], ["1,1007"])
        self.driver.click(1)
        self.assertEqual(self.driver.wait_exit().int("exit_code"), 1)

    def test_enter_on_the_focused_default_button_confirms(self):
        self.driver.launch(TESTAPP, "dialog")
        self.driver.wait(control=1007)
        focus = self.driver.cmd("focus")
        self.assertEqual(focus.int("id"), 1)
        key = self.driver.key("enter")
        self.assertEqual((key.int("id"), key["hwnd"]), (1, focus["focus"]), "the key went to the focus")
        self.assertEqual(self.driver.wait_msgbox()["text"], "port=COM1: model=Corvel 24")
        self.driver.command(1)
        self.assertEqual(self.driver.wait_exit().int("exit_code"), 1)

    def test_escape_and_cancel_end_the_dialog_with_idcancel(self):
        for how in ("key name=escape", "command id=2", "click id=2"):
            with self.subTest(how=how):
                self.driver.launch(TESTAPP, "dialog")
                self.driver.wait(control=1007)
                self.driver.cmd(how)
                self.assertEqual(self.driver.wait_exit().int("exit_code"), 2)

    def test_message_box_buttons_and_icons_are_told_apart(self):
        cases = [
            (0x00, "1", "none", 1, 1),
            (0x10, "1", "error", 1, 1),
            (0x34, "6,7", "warning", 7, 7),
            (0x40, "1", "information", 2, 2),
            (0x24, "6,7", "question", 6, 6),
        ]
        for flags, buttons, icon, press, result in cases:
            with self.subTest(flags=hex(flags)):
                self.driver.launch(TESTAPP, "msgbox", hex(flags), "text of the box")
                box = self.driver.wait_msgbox()
                self.assertEqual((box["text"], box["title"]), ("text of the box", "qar testapp"))
                self.assertEqual((box["buttons"], box["icon"]), (buttons, icon))
                if press == 2:
                    self.driver.key("escape")  # Wine answers IDCANCEL for Esc on MB_OK
                else:
                    self.driver.click(press)
                self.assertEqual(self.driver.wait_exit().int("exit_code"), result)

    def test_hidden_dialog_takes_posted_commands(self):
        self.driver.launch(TESTAPP, "hidden")
        hidden = self.driver.wait(visible=0, control=1004)
        self.assertEqual(hidden["visible"], "0")
        self.assertEqual(self.driver.windows(), [])
        self.driver.command(1004)
        box = self.driver.wait_msgbox()
        self.assertEqual((box["text"], box["icon"]), ("command 1004", "none"))
        self.driver.click(1)
        self.assertEqual(self.driver.wait_exit().int("exit_code"), 7)

    def test_mouse_messages_land_at_client_coordinates(self):
        self.driver.launch(TESTAPP, "dialog")
        dialog = self.driver.wait(control=1007)
        rect = self.driver.cmd("rect")
        self.assertEqual((rect.int("x"), rect.int("w")), (dialog.int("x"), dialog.int("w")))
        self.driver.mouse("click", 30, 40, setcursor=1)
        self.assertEqual(self.driver.wait_text(1100, "down 30,40", check=False)["text"], "down 30,40")


class ChineseDriverTest(SharedSession):
    CHINESE = True

    def test_chinese_caption_reads_back_exactly(self):
        self.driver.launch(TESTAPP, "dialog")
        dialog = self.driver.wait(control=1007)
        self.assertEqual(dialog["title"], "qar \u5c0d\u8a71\u65b9\u584a")
        self.session.screenshot("chinese_caption")

    def test_ansi_code_page_is_traditional_chinese(self):
        info = self.prefix.query("info")[0]
        self.assertEqual((info["acp"], info["user_lcid"]), ("950", "0x404"))


class PrefixTest(SharedSession):
    def test_fresh_prefix_has_no_printer_no_driver_and_the_local_ports(self):
        state = self.prefix.spooler()
        self.assertEqual(state.printers, [])
        self.assertEqual(state.drivers, [])
        self.assertIn("LPT1:", state.port_names())
        self.assertIn("COM1:", state.port_names())
        self.assertEqual(state.monitor_names(), ["Local Port"])

    def test_package_is_staged_where_the_outer_setup_leaves_it(self):
        self.assertEqual(WinePrefix.files(self.prefix.driver_dir),
                         sorted(staged_driver_dir_files() + staged_support_files()))
        self.assertEqual(len(staged_driver_dir_files()), 35)
        for name in SYSWOW64_FILES:
            self.assertTrue((self.prefix.syswow64 / name).is_file(), name)
            self.assertFalse((self.prefix.system32 / name).exists(), name)
        self.assertTrue(self.prefix.unix_path("C:\\QAR\\QAR_TESTAPP.exe").is_file())
        self.assertFalse((self.prefix.system32 / "qar_testapp.exe").exists())
        driverdir = self.prefix.query("driverdir")[0]
        self.assertEqual(driverdir["path"], "C:\\windows\\system32\\spool\\drivers\\x64")

    def test_registry_reads_live_values_and_reports_missing_keys(self):
        key = "HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM"
        self.prefix.reg_add(key, "\\Device\\QarSerial7", "COM7")
        self.addCleanup(self.prefix.reg_delete, key, "\\Device\\QarSerial7")
        self.assertEqual(self.prefix.reg_value(key, "\\Device\\QarSerial7"), "COM7")
        self.prefix.reg_add("HKCU\\Software\\QarTest", "Delay", "30", kind="REG_DWORD")
        self.assertEqual(self.prefix.reg_query("HKCU\\Software\\QarTest").values["Delay"], ("REG_DWORD", 30))
        self.assertIsNone(self.prefix.reg_query("HKLM\\SOFTWARE\\QarNoSuchKey"))

    def test_browser_requests_are_recorded(self):
        self.prefix.wine("winebrowser", "http://example.invalid/qarclub/register.aspx")
        self.assertIn("http://example.invalid/qarclub/register.aspx", self.prefix.browser_requests())

    def test_script_mode_stops_at_the_first_failure_with_x(self):
        script = self.prefix.path / "drive_c" / "script.txt"
        script.write_text("echo one\nbogus\necho two\n")
        result = self.prefix.wine(self.prefix.tool("qar_driver.exe"), "-x", "C:\\script.txt", check=False)
        lines = result.stdout.decode().splitlines()
        self.assertEqual(result.returncode, 1)
        self.assertEqual([line.split()[0] for line in lines], ["ok", "fail", "end"])


if __name__ == "__main__":
    unittest.main()
