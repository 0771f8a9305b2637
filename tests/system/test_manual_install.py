"""The manual installation end to end: the user picks a port and a model, the program registers
the driver, creates the queue, writes the monitor port settings, reports, offers the warranty
extension and removes the package files; a taken queue name leads to a numbered queue when the
user agrees; cancelling changes nothing but the package files. The same installation from the
command line: quiet, logged, with its exit codes."""

import os
import re
import subprocess
import unittest
from pathlib import Path

from manual_flow import (
    DRIVER_KEY_PREFIX, IDCANCEL, IDNO, IDOK, IDYES, MONITOR_PORT_KEY, MONITOR_PORT_VALUES,
    REGISTER_LATER, ManualInstallCase, clash_text, port_text, success_text,
)
from wine_harness import (
    LOG_WIN, PROGRAM_DIR_WIN, PROGRAM_WIN, PACKAGE_FILES, WINE64, WinePrefix, log_events, run_to_end,
)

README = Path(__file__).resolve().parents[2] / "README.md"
MODEL = "Tolvar-60"
# Wine has no private namespaces: there the lock falls back to this name.
LOCK_NAME = "Global\\QAR.Modelprobe_u.Installation"
DRIVER_KEY = DRIVER_KEY_PREFIX + "\\" + MODEL


def readme_deployment() -> tuple:
    """The README's deployment command lines (arguments, with %SystemRoot% expanded as cmd does)
    and the registry keys of its detection rule."""
    text = README.read_text(encoding="utf-8")
    section = text[text.index("The deployment package holds"):text.index("## What the user sees")]
    commands = []
    for line in section.splitlines():
        match = re.match(r'\s*"?[^"\s]*Modelprobe_u\.exe"? (.*)$', line)
        if match:
            expanded = match.group(1).replace("%SystemRoot%", "C:\\windows")
            assert "%" not in expanded, f"a variable the test does not know: {line}"
            commands.append(tuple(a or b for a, b in re.findall(r'"([^"]*)"|(\S+)', expanded)))
    keys = re.findall(r"`HKEY_LOCAL_MACHINE\\([^`]+)`", section)
    query_keys = re.findall(r'reg query "HKLM\\([^"]+)"', section)
    assert sorted(keys) == sorted(query_keys), "the start-up script checks what the detection rule checks"
    return commands, ["HKLM\\" + key for key in keys]


class FirstInstallTest(ManualInstallCase):
    """Tolvar-60 on COM1: on a machine without any printer."""

    def test_first_install_registers_driver_queue_and_settings_then_cleans_up(self):
        self.launch()
        self.assert_owned_and_in_front(self.wait_selection())
        owner = self.find_main_dialog()
        self.choose("COM1:", MODEL)

        self.assert_box(self.next_box("success"), success_text(MODEL), owner=owner)
        self.ui.click(IDOK)
        self.assert_box(self.next_box("port"), port_text("COM1:"), owner=owner)
        self.ui.click(IDOK)
        offer = self.wait_offer()
        self.assert_owned_and_in_front(offer)
        self.assertEqual(tuple(offer.int(k) for k in ("x", "y", "w", "h")), (298, 209, 428, 330))
        self.click_offer_area(REGISTER_LATER)
        watched = self.watch_end()

        with self.subTest("process and windows"):
            self.assert_exit_zero(watched)
            maps = self.mapped_windows()
            self.assertEqual(len(maps), 4, f"selection, two boxes, offer: {maps}")
            self.assertEqual(self.prefix.browser_requests(), [], "Register later opens no page")

        with self.subTest("driver"):
            drivers = self.drivers_by_name()
            self.assertEqual(sorted(drivers), [MODEL])
            self.assert_driver(drivers[MODEL], data_file=f"{MODEL}.INI")

        with self.subTest("queue"):
            printers = self.prefix.spooler().printers
            self.assertEqual([(p["name"], p["port"], p["driver"], p["processor"]) for p in printers],
                             [(MODEL, "COM1:", MODEL, "WinPrint")])
            self.assertEqual(printers[0]["devmode"], "1", "the driver's default device mode")

        with self.subTest("registry"):
            monitor_port = self.prefix.reg_query(MONITOR_PORT_KEY)
            self.assertIsNotNone(monitor_port, MONITOR_PORT_KEY)
            self.assertEqual(monitor_port.values, MONITOR_PORT_VALUES)
            driver_key = self.prefix.reg_query(DRIVER_KEY)
            self.assertIsNotNone(driver_key, DRIVER_KEY)
            self.assertEqual((driver_key.values, driver_key.subkeys), ({}, []), "the driver key stays empty")

        with self.subTest("files"):
            self.assert_kt4_files_in_system32()
            self.assert_package_cleaned_up()
            left = WinePrefix.files(self.prefix.driver_dir)
            for name in ("KT4_cx64.dll", "KT4_cx64UI.dll"):
                self.assertIn(name, left, "the driver's own files stay")
            # The package list's "Qarui.hlp" is the driver's "QARUI.HLP" to Windows: it goes
            # too, while the spooler keeps its registered copy.
            self.assertNotIn("QARUI.HLP", left)
            self.assertTrue((self.prefix.driver_dir / "3" / "QARUI.HLP").is_file())


class TakenQueueNameTest(ManualInstallCase):
    """The user already has a queue named Tolvar-60, on LPT2: with a driver of an earlier set-up."""

    EARLIER_DRIVER = "Tolvar-60 earlier"

    def setUp(self):
        super().setUp()
        lines = self.prefix.query("adddriver", self.EARLIER_DRIVER, f"{MODEL}.INI",
                                  "addprinter", MODEL, "LPT2:", self.EARLIER_DRIVER)
        self.assertEqual([line.tag for line in lines], ["ok", "ok"], f"setting up the user's queue: {lines}")
        self.user_queue = self.queue(MODEL)
        self.assertEqual((self.user_queue["port"], self.user_queue["driver"]), ("LPT2:", self.EARLIER_DRIVER))

    def queue(self, name):
        return next((p for p in self.prefix.spooler().printers if p["name"] == name), None)

    def install_until_question(self):
        self.launch()
        self.assert_owned_and_in_front(self.wait_selection())
        owner = self.find_main_dialog()
        self.choose("COM1:", MODEL)
        question = self.next_box("question")
        self.assert_box(question, clash_text(MODEL), buttons="6,7", icon="warning", owner=owner)
        return owner

    def assert_user_queue_unchanged(self):
        queue = self.queue(MODEL)
        self.assertIsNotNone(queue, "the user's queue is gone")
        self.assertEqual({k: queue[k] for k in ("port", "driver", "processor")},
                         {k: self.user_queue[k] for k in ("port", "driver", "processor")})

    def test_yes_adds_a_numbered_queue_and_driver_beside_the_users_queue(self):
        owner = self.install_until_question()
        self.ui.click(IDYES)
        self.assert_box(self.next_box("success"), success_text(f"{MODEL}_1"), icon="information", owner=owner)
        self.ui.click(IDOK)
        self.assert_box(self.next_box("port"), port_text("COM1:"), owner=owner)
        self.ui.click(IDOK)
        self.wait_offer()
        self.click_offer_area(REGISTER_LATER)
        watched = self.watch_end()

        with self.subTest("process"):
            self.assert_exit_zero(watched)
        with self.subTest("queues"):
            self.assert_user_queue_unchanged()
            numbered = self.queue(f"{MODEL}_1")
            self.assertIsNotNone(numbered, f"no queue {MODEL}_1")
            self.assertEqual((numbered["port"], numbered["driver"], numbered["processor"]),
                             ("COM1:", MODEL, "WinPrint"))
            self.assertEqual(sorted(self.prefix.spooler().printer_names()), [MODEL, f"{MODEL}_1"])
        with self.subTest("drivers"):
            drivers = self.drivers_by_name()
            self.assertEqual(sorted(drivers), sorted([self.EARLIER_DRIVER, MODEL, f"{MODEL}_1"]))
            # The clash name's driver still reads the model's data file.
            self.assert_driver(drivers[f"{MODEL}_1"], data_file=f"{MODEL}.INI")
            self.assert_driver(drivers[MODEL], data_file=f"{MODEL}.INI")
        with self.subTest("registry and files"):
            self.assertEqual(self.prefix.reg_query(MONITOR_PORT_KEY).values, MONITOR_PORT_VALUES)
            self.assertIsNotNone(self.prefix.reg_query(DRIVER_KEY))
            self.assert_package_cleaned_up()

    def test_no_adds_nothing_shows_no_offer_and_cleans_up(self):
        self.install_until_question()
        self.ui.click(IDNO)
        watched = self.watch_end()

        with self.subTest("process and windows"):
            self.assert_exit_zero(watched)
            maps = self.mapped_windows()
            self.assertEqual(len(maps), 2, f"selection and question only: {maps}")
        with self.subTest("spooler"):
            self.assert_user_queue_unchanged()
            self.assertEqual(self.prefix.spooler().printer_names(), [MODEL])
            # The first pass of the chain registered the model's driver before the clash.
            self.assertEqual(sorted(self.drivers_by_name()), sorted([self.EARLIER_DRIVER, MODEL]))
            self.assertIsNone(self.prefix.reg_query(MONITOR_PORT_KEY), "no queue, no monitor settings")
        with self.subTest("files"):
            self.assert_package_cleaned_up()


class CancelledSelectionTest(ManualInstallCase):
    def test_cancel_changes_nothing_but_removes_the_package_files(self):
        self.launch()
        self.wait_selection()
        self.ui.click(IDCANCEL)
        watched = self.watch_end()

        with self.subTest("process and windows"):
            self.assert_exit_zero(watched)
            maps = self.mapped_windows()
            self.assertEqual(len(maps), 1, f"the selection only, no box: {maps}")
        with self.subTest("spooler"):
            state = self.prefix.spooler()
            self.assertEqual((state.printer_names(), state.driver_names()), ([], []))
        with self.subTest("registry"):
            self.assertIsNone(self.prefix.reg_query(DRIVER_KEY))
            self.assertIsNone(self.prefix.reg_query(MONITOR_PORT_KEY))
        with self.subTest("files"):
            self.assert_kt4_files_in_system32(present=False)
            self.assert_package_cleaned_up()


class CommandLineInstallTest(ManualInstallCase):
    """The manual installation with its model and port given on the command line."""

    QUIET = ("/quiet", "/model", "corvel 24", "/port", "COM1", "/log", LOG_WIN)

    def queues(self):
        return sorted((p["name"], p["port"], p["driver"]) for p in self.prefix.spooler().printers)

    def test_quiet_install_shows_nothing_installs_and_logs_each_step(self):
        self.staged_files = WinePrefix.files(self.prefix.driver_dir)
        self.assertEqual(self.run_quietly(*self.QUIET), 0)
        self.assertEqual(self.queues(), [("Corvel 24", "COM1:", "Corvel 24")])
        self.assert_driver(self.drivers_by_name()["Corvel 24"], "Corvel 24.INI")
        self.assert_package_cleaned_up()
        events = log_events(self.prefix)
        for expected in (
            'Modelprobe_u 1.0.0, command line: /quiet /model "corvel 24" /port COM1 /log '
            + LOG_WIN,
            'driver "Corvel 24" (Windows x64) added',
            "registry key " + DRIVER_KEY_PREFIX + "\\Corvel 24 created",
            'queue "Corvel 24" on COM1: (driver "Corvel 24") added',
            "registry value " + MONITOR_PORT_KEY + "\\Delay = 300",
            'box "QAR Driver Installation": "Add Corvel 24 Printer driver Successfully" '
            "not shown (quiet), answered OK",
            "warranty offer not shown (quiet)",
            "package files removed: 33 of 33",
        ):
            self.assertIn(expected, events)
        self.assertEqual(events[-1], "exit code 0")

    def test_again_keeps_one_queue_and_addqueue_adds_a_numbered_one(self):
        self.assertEqual(self.run_quietly(*self.QUIET), 0)
        self.prefix.stage()
        self.assertEqual(self.run_quietly(*self.QUIET), 0, "a taken name answered No is no failure")
        self.assertEqual(self.queues(), [("Corvel 24", "COM1:", "Corvel 24")])
        self.prefix.stage()
        self.assertEqual(self.run_quietly(*self.QUIET, "/addqueue"), 0)
        self.assertEqual(self.queues(), [("Corvel 24", "COM1:", "Corvel 24"),
                                         ("Corvel 24_1", "COM1:", "Corvel 24")])
        # The log is appended to, run after run.
        self.assertEqual(log_events(self.prefix).count("exit code 0"), 3)

    def assert_nothing_changed(self):
        state = self.prefix.spooler()
        self.assertEqual((state.printer_names(), state.driver_names()), ([], []))
        left = {name.lower() for name in WinePrefix.files(self.prefix.driver_dir)}
        self.assertEqual([n for n in PACKAGE_FILES if n.lower() not in left], [], "package files gone")
        self.assert_kt4_files_in_system32(present=False)

    def test_the_readmes_deployment_lines_work_as_written_on_a_fresh_machine(self):
        commands, detection_keys = readme_deployment()
        self.assertEqual(len(detection_keys), 2, detection_keys)
        detected = lambda: [self.prefix.reg_query(key) is not None for key in detection_keys]
        self.assertEqual(detected(), [False, False])
        for args in commands:
            log_folder = args[args.index("/log") + 1].rsplit("\\", 1)[0]
            self.assertFalse(self.prefix.unix_path(log_folder).exists(), log_folder)
        runs = [c for c in commands if "/usb" in c] + [c for c in commands if "/model" in c and "/port" in c]
        runs += [c for c in commands if "/uninstall" in c]
        self.assertEqual(len(runs), len(commands), f"unexpected command lines: {commands}")
        for args in runs:
            with self.subTest(args=args):
                self.prefix.stage()  # as the package's install script does before each run
                usb, uninstall = "/usb" in args, "/uninstall" in args
                # No cutter on this machine: /usb says so at once, and nothing is installed.
                self.assertEqual(self.run_quietly(*args), 1167 if usb else 0)
                log = args[args.index("/log") + 1]
                self.assertEqual(log_events(self.prefix, log)[-1], f"exit code {1167 if usb else 0}")
                self.assertEqual(detected(), [not usb and not uninstall] * 2)

    def test_bad_command_lines_change_nothing_and_exit_87(self):
        for args in (("/model", "X", "/port", "COM1"), ("/model", "Corvel 24"), ("/bogus",),
                     ("/usb", "/updateport"), ("/model", "Corvel 24", "/port", "COM9")):
            with self.subTest(args=args):
                self.assertEqual(self.run_quietly("/quiet", *args), 87)
                self.assert_nothing_changed()
        # Without /quiet a box says what was wrong and lists what is accepted.
        self.ui.launch(PROGRAM_WIN, "/model", "X", "/port", "COM1", cwd=PROGRAM_DIR_WIN)
        box = self.next_box("bad_command_line")
        self.assertTrue(box["text"].startswith('unknown model "X"'), box["text"])
        self.assertIn("Corvel 24 LX", box["text"])
        self.ui.click(IDOK)
        self.assertEqual(self.watch_end().int("exit_code"), 87)
        self.assert_nothing_changed()

    def test_a_folder_or_a_second_name_in_the_logs_place_exits_1622_and_changes_nothing(self):
        # What a standard user could plant where an elevated run will write its log.
        log = "C:\\deploy logs\\run.log"
        self.prefix.unix_path(log).mkdir(parents=True)
        self.assertEqual(self.run_quietly("/quiet", "/log", log, *self.QUIET[1:5]), 1622)
        self.prefix.unix_path(log).rmdir()
        other_name = self.prefix.unix_path("C:\\deploy logs\\other name.txt")
        other_name.write_bytes(b"")
        os.link(other_name, self.prefix.unix_path(log))
        self.assertEqual(self.run_quietly("/quiet", "/log", log, *self.QUIET[1:5]), 1622)
        self.assertEqual(other_name.read_bytes(), b"", "nothing written through the second name")
        self.assert_nothing_changed()

    def test_a_relative_log_lands_in_the_folder_the_run_started_in(self):
        # The run then leaves that folder for System32: the log's place is fixed before.
        self.assertEqual(self.run_quietly("/quiet", "/log", "relative.log", "/updateport"), 0)
        self.assertEqual(log_events(self.prefix, PROGRAM_DIR_WIN + "\\relative.log")[-1], "exit code 0")
        for folder in (self.prefix.system32, self.prefix.syswow64):
            self.assertFalse((folder / "relative.log").exists(), folder)

    def test_a_run_while_a_plain_start_is_open_exits_1618_at_once(self):
        self.launch()
        self.wait_selection(screenshot=None)
        second = self.session.driver()
        watched = run_to_end(second, *self.QUIET)
        self.assertEqual(watched.int("exit_code"), 1618)
        self.assertEqual(log_events(self.prefix)[-2:],
                         ["Another run of the installer is changing this machine; nothing was done. "
                          "Run this again when it has finished.",
                          "exit code 1618"])
        self.assert_nothing_changed()
        self.ui.click(IDCANCEL)
        self.assert_exit_zero(self.watch_end())

    def test_a_lock_made_by_another_account_exits_1603_and_says_so(self):
        # A standard user's mutex of the lock's name, which only that user may open: no run of
        # the installer holds it, so it is no reason to report "busy" (1618) for ever.
        squatter = "S-1-5-21-1-2-3-1001"
        holder = subprocess.Popen(
            [WINE64, self.prefix.tool("qar_spoolq.exe"), "holdmutex", LOCK_NAME,
             f"O:{squatter}D:(A;;GA;;;{squatter})", "60000"],
            env=self.prefix.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            self.assertTrue(holder.stdout.readline().startswith(b"ok cmd=holdmutex"), "the squatter's lock")
            self.assertEqual(self.run_quietly(*self.QUIET), 1603)
        finally:
            holder.kill()
            holder.wait(timeout=30)
            holder.stdout.close()
        refusal, last = log_events(self.prefix)[-2:]
        self.assertTrue(refusal.startswith("The installer's machine-wide lock cannot be taken: error 5: "),
                        refusal)
        self.assertEqual(last, "exit code 1603")
        self.assert_nothing_changed()

    def test_model_and_port_without_quiet_show_the_boxes_and_the_offer_but_no_selection(self):
        self.ui.launch(PROGRAM_WIN, "/model", "Corvel 24", "/port", "COM1:", cwd=PROGRAM_DIR_WIN)
        self.assert_box(self.next_box("success"), success_text("Corvel 24"))
        self.ui.click(IDOK)
        self.assert_box(self.next_box("port"), port_text("COM1:"))
        self.ui.click(IDOK)
        self.wait_offer()
        self.click_offer_area(REGISTER_LATER)
        self.assert_exit_zero(self.watch_end())
        maps = self.mapped_windows()
        self.assertEqual(len(maps), 3, f"two boxes and the offer, no selection: {maps}")
        self.assertEqual(self.queues(), [("Corvel 24", "COM1:", "Corvel 24")])


if __name__ == "__main__":
    unittest.main()
