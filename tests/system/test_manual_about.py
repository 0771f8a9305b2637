"""The About box is reached through the system command of the hidden main dialog while the
selection dialog is open; the identifier is masked, so 0x0013 opens it too. Closing it
returns to the selection. F1 and the help command open nothing: there is no help file."""

import unittest

from manual_flow import (
    IDCANCEL, IDOK, MAIN_DIALOG_CONTROL, ManualInstallCase, steady_screenshot,
)

ABOUT_TITLE = "About Modelprobe_u"
WM_SYSCOMMAND = 0x0112
HELP_COMMAND = 57670  # ID_HELP, the command F1 stands for


class AboutBoxTest(ManualInstallCase):
    def open_and_close_about(self, command):
        self.launch()
        self.wait_selection(screenshot=None)
        main = self.find_main_dialog()
        self.ui.cmd(f"post hwnd={main} msg={WM_SYSCOMMAND} wparam={command}")
        about = self.ui.wait(title=ABOUT_TITLE, new=1, timeout=10000, check=False)
        if not about.ok:
            self.fail_with_windows(f"no About box after system command {command:#06x}")
        steady_screenshot(self.session, f"about_{command:#06x}")
        texts = [control["text"] for control in self.ui.controls()]
        self.assertIn("Modelprobe_u Version 1.0", texts)
        self.assertIn(str(IDOK), about["ids"].split(","))
        self.assertNotIn(str(MAIN_DIALOG_CONTROL), about["ids"].split(","))
        self.ui.click(IDOK)
        self.ui.cmd(f"wait_gone hwnd={about['hwnd']}")
        self.assertEqual(self.ui.cmd(f"state hwnd={self.selection}")["visible"], "1",
                         "the selection is still open")
        self.ui.cmd(f"use hwnd={self.selection}")
        self.ui.click(IDCANCEL)
        watched = self.watch_end()
        self.assert_exit_zero(watched)
        state = self.prefix.spooler()
        self.assertEqual((state.printer_names(), state.driver_names()), ([], []))

    def test_system_command_0x0010_opens_the_about_box(self):
        self.open_and_close_about(0x0010)

    def test_system_command_0x0013_opens_it_too(self):
        self.open_and_close_about(0x0013)

    def test_f1_and_the_help_command_open_nothing(self):
        self.launch()
        self.wait_selection(screenshot=None)
        self.ui.key("f1")
        self.ui.command(HELP_COMMAND, hwnd=self.find_main_dialog())
        # Posted after them: once this has opened the About box, both have been handled.
        self.ui.cmd(f"post hwnd={self.main_dialog} msg={WM_SYSCOMMAND} wparam=16")
        about = self.ui.wait(title=ABOUT_TITLE, new=1, timeout=10000)
        self.ui.click(IDOK, hwnd=about["hwnd"])
        self.ui.cmd(f"wait_gone hwnd={about['hwnd']}")
        self.ui.click(IDCANCEL, hwnd=self.selection)
        self.assert_exit_zero(self.watch_end())
        # The X server's record, not the driver's polls: a poll may miss a short-lived window.
        maps = self.mapped_windows()
        self.assertEqual(len(maps), 2, f"only the selection and the About box: {maps}")


if __name__ == "__main__":
    unittest.main()
