"""A normal start on a staged machine: the main dialog never shows; the first window the user
sees is the port and model selection; cancelling it ends the process by itself with 0 and
leaves the spooler untouched."""

import unittest

from wine_harness import (
    PROGRAM_DIR_WIN, PROGRAM_WIN, SignedProgram, WineTestCase, program_under_test, variant,
)

BOUND_MS = 30000  # safety bound, not a measurement
MAIN_DIALOG_COMMANDS = {"1000", "1001", "1002", "1003", "1004"}
SELECTION_PORT_LIST = 1007
SELECTION_TITLE = "\u5c0d\u8a71\u65b9\u584a"  # Chinese for "dialog box"


class StartupTest(WineTestCase):
    def setUp(self):
        program_under_test()
        super().setUp()
        self.ui = self.driver()
        self.ui.launch(PROGRAM_WIN, cwd=PROGRAM_DIR_WIN)

    def shown(self, reply):
        """(class, title, control ids) of every window the program showed since launch."""
        return [(line["class"], line["title"], line["ids"]) for line in reply.lines("seen")]

    def wait_for_selection_or_end(self):
        """The selection dialog; fails with what the program showed when it ends first."""
        reply = self.ui.wait(control=SELECTION_PORT_LIST, timeout=BOUND_MS, check=False)
        if not reply.ok:
            seen = self.shown(self.ui.cmd("seen"))
            self.fail(f"no selection dialog ({reply.get('error')}); windows shown: {seen}")
        return reply

    def cancel_and_watch_the_end(self):
        self.ui.click(2)
        watched = self.ui.watch(timeout=BOUND_MS, check=False)
        if not watched.ok:
            self.fail(f"the program did not end after Cancel; windows shown: {self.shown(watched)}")
        return watched

    def test_main_dialog_never_shows_and_the_selection_comes_first(self):
        selection = self.wait_for_selection_or_end()
        shown = self.shown(self.ui.cmd("seen"))
        self.assertEqual(len(shown), 1, f"windows shown: {shown}")
        self.assertIn(str(SELECTION_PORT_LIST), shown[0][2].split(","))
        watched = self.cancel_and_watch_the_end()
        for window_class, title, ids in self.shown(watched):
            self.assertFalse(MAIN_DIALOG_COMMANDS & set(ids.split(",")),
                             f"main dialog shown: {window_class} {title!r} {ids}")
        # The X server saw every window that was shown, however briefly: only the selection.
        selection_rect = tuple(selection.int(k) for k in ("x", "y", "w", "h"))
        mapped = [(m["x"], m["y"], m["w"], m["h"]) for m in self.mapped_windows()]
        self.assertEqual(mapped, [selection_rect],
                         f"windows mapped (x, y, w, h); the selection dialog is {selection_rect}")

    def test_cancelled_selection_ends_the_process_with_zero(self):
        self.wait_for_selection_or_end()
        watched = self.cancel_and_watch_the_end()
        self.assertEqual(watched.int("exit_code"), 0)

    def test_cancelled_start_adds_no_printer_and_no_driver(self):
        self.wait_for_selection_or_end()
        self.cancel_and_watch_the_end()
        state = self.prefix.spooler()
        self.assertEqual(state.printer_names(), [])
        self.assertEqual(state.driver_names(), [])


class StartupChineseTest(StartupTest):
    """The same start on a Traditional Chinese system (ANSI code page 950), where the
    selection dialog's caption is readable."""

    CHINESE = True

    def test_selection_caption_is_chinese(self):
        dialog = self.wait_for_selection_or_end()
        self.assertEqual(dialog["title"], SELECTION_TITLE)
        self.screenshot("selection_dialog")
        self.cancel_and_watch_the_end()


# The same start of the program signed as a release is: a signature must not break loading.
SignedProgramStartupTest = variant(
    SignedProgram, StartupTest, "test_main_dialog_never_shows_and_the_selection_comes_first")


if __name__ == "__main__":
    unittest.main()
