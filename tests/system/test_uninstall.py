"""/uninstall /model NAME: the queues the installer made for the model (NAME, NAME_1, ...) and
its driver and driver key go; a queue of the user's, the monitor's port values and the package
files stay."""

import unittest

from manual_flow import (
    CAPTION, DRIVER_KEY_PREFIX, IDNO, MONITOR_PORT_KEY, MONITOR_PORT_VALUES, ManualInstallCase,
)
from wine_harness import LOG_WIN, PACKAGE_FILES, PROGRAM_DIR_WIN, PROGRAM_WIN, WinePrefix, log_events

MODEL = "Corvel 24"
DRIVER_KEY = DRIVER_KEY_PREFIX + "\\" + MODEL
INSTALL = ("/quiet", "/model", MODEL, "/port", "COM1")
UNINSTALL = ("/quiet", "/uninstall", "/model", "corvel 24", "/log", LOG_WIN)


class UninstallTest(ManualInstallCase):
    def install(self, *extra) -> None:
        self.prefix.stage()
        self.assertEqual(self.run_quietly(*INSTALL, *extra), 0)

    def state(self) -> tuple:
        spooler = self.prefix.spooler()
        return (sorted((p["name"], p["driver"]) for p in spooler.printers), spooler.driver_names(),
                self.prefix.reg_query(DRIVER_KEY) is not None)

    def assert_shared_things_stay(self) -> None:
        self.assertEqual(self.prefix.reg_query(MONITOR_PORT_KEY).values, MONITOR_PORT_VALUES)
        self.assert_kt4_files_in_system32()

    def test_quiet_uninstall_removes_queues_driver_and_key_and_a_rerun_changes_nothing(self):
        self.install()
        self.install("/addqueue")
        # The clash also registered the driver under the numbered queue's name.
        self.assertEqual(self.state(), ([(MODEL, MODEL), (MODEL + "_1", MODEL)],
                                        [MODEL, MODEL + "_1"], True))
        self.prefix.stage()
        self.assertEqual(self.run_quietly(*UNINSTALL), 0)
        self.assertEqual(self.mapped_windows(), [])
        self.assertEqual(self.state(), ([], [], False))
        self.assert_shared_things_stay()
        left = {name.lower() for name in WinePrefix.files(self.prefix.driver_dir)}
        self.assertEqual([n for n in PACKAGE_FILES if n.lower() not in left], [], "package files removed")
        self.assertEqual(self.run_quietly(*UNINSTALL), 0)
        self.assertEqual(self.state(), ([], [], False))
        self.assertEqual(log_events(self.prefix)[-2:],
                         [f'box "{CAPTION}": "Nothing of {MODEL} to remove." not shown (quiet), answered OK',
                          "exit code 0"])

    def test_a_users_queue_on_the_driver_keeps_the_driver_and_the_log_says_why(self):
        self.install()
        self.prefix.query("addprinter", "Office cutter", "COM2:", MODEL)
        self.assertEqual(self.run_quietly(*UNINSTALL), 0)
        self.assertEqual(self.state(), ([("Office cutter", MODEL)], [MODEL], True))
        self.assertIn('Kept: driver "Corvel 24": the printer queue "Office cutter" still uses it.',
                      "\n".join(log_events(self.prefix)))

    def test_the_question_comes_first_and_no_changes_nothing(self):
        self.install()
        before = self.state()
        self.ui.launch(PROGRAM_WIN, "/uninstall", "/model", MODEL, cwd=PROGRAM_DIR_WIN)
        box = self.next_box("uninstall_question")
        self.assertEqual(box["buttons"], "6,7")
        self.assertIn('Printer queues: "Corvel 24"', box["text"])
        self.ui.click(IDNO)
        self.assertEqual(self.watch_end().int("exit_code"), 1602)
        self.assertEqual(self.state(), before)


if __name__ == "__main__":
    unittest.main()
