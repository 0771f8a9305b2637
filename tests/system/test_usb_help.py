"""The "Modelprobe" command when no cutter answers as a USB printer: the detector's verdict, the
connection help dialog's two pages, its help document and Retry, and the clean-up on cancel."""

import time
import unittest
import urllib.parse
from pathlib import Path

from manual_flow import settled_browser_requests
from usb_flow import (
    BOUND_MS, BOUND_S, CAPTION, DETECTOR_RESULT, HELP_BUTTON, HELP_CANCEL, IDCANCEL, IDENTIFY_REQUEST_HEX,
    IDOK, UsbCase, clip_frame_size, detector_mode, device, listed_interfaces, package_dir,
    success_text, without_package_files,
)
from wine_harness import (
    PACKAGE_FILES, SUPPORT_FILES, NoShellRoute, WinePrefix, planted_dll_variant, run_to_end,
    wait_desktop_shell,
)

ANIMATION_PAGE_RECT = (312, 194, 400, 360)
INSTRUCTION_PAGE_RECT = (287, 262, 450, 224)
INSTRUCTION_LINE_1 = (10, 20, 400, 20)  # client x, y, w, h of the first drawn line's top part
HELP_DOCUMENT = "How to change USB mode.pdf"
HELP_DOCUMENT_WIN = "C:\\WINDOWS\\system32\\spool\\drivers\\x64\\" + HELP_DOCUMENT
RETRY = IDOK


class UsbHelpTest(UsbCase):
    def open_help(self):
        self.start_program()
        self.modelprobe()
        return self.help_dialog()

    def animation_control(self):
        """The animation control, created by the page's first paint (bounded wait)."""
        deadline = time.monotonic() + BOUND_S
        while True:
            found = self.controls_by_class("SysAnimate32")
            if found or time.monotonic() > deadline:
                return found
            time.sleep(0.1)

    def assert_animation_page(self, window):
        self.assertEqual(self.screen_rect(window["hwnd"]), ANIMATION_PAGE_RECT, "window rect")
        controls = {(line["id"], line["class"]): line for line in self.ui.controls()}
        for control in (HELP_BUTTON, HELP_CANCEL):
            self.assertEqual(controls[(str(control), "Button")]["visible"], "0", f"control {control}")
        for control in (IDOK, IDCANCEL):
            self.assertEqual(controls[(str(control), "Button")]["visible"], "1", f"control {control}")
        animations = self.animation_control()
        self.assertEqual(len(animations), 1, "animation controls")
        animation = animations[0]
        self.assertEqual((animation["id"], animation["visible"]), ("1", "1"))
        # Without ACS_CENTER the control takes the size of the clip's frames once it opened it.
        width, height = clip_frame_size(package_dir() / "usb_AVI.avi")
        self.assertEqual((int(animation["w"]), int(animation["h"])), (width, height), "control size")
        colours = self.wait_drawn("animation_page", self.screen_rect(animation["hwnd"]), more_than=2)
        self.assertGreater(colours, 2, "colours the clip shows in the control")

    def test_no_cutter_shows_the_animation_and_retry_installs_the_cutter_plugged_in_meanwhile(self):
        window = self.open_help()
        self.assertEqual(detector_mode(self.prefix.driver_dir / DETECTOR_RESULT), "2", "detector verdict")
        self.assert_animation_page(window)

        cutter = self.plug(device("LATE0004", port=4, reply=r"QAR,V1,Tolvar-60,OK\r\n"))
        self.ui.command(RETRY)
        box = self.next_box("success")
        self.assertEqual((box["title"], box["text"]), (CAPTION, success_text("Tolvar-60")))
        self.assertEqual(cutter.requests(), [IDENTIFY_REQUEST_HEX])
        self.assertEqual(self.printers(), [("Tolvar-60", "USB004", "Tolvar-60")])
        self.ui.click(IDOK)
        self.wait_offer_and_register_later()
        self.assert_package_files_stay()
        self.cancel_selection_and_watch_the_end()

    def test_plain_usb_cutter_gets_the_instructions_whose_help_opens_the_document(self):
        self.plug(device("PLAIN0001", usb_class="usb"))
        window = self.open_help()
        self.assertEqual(detector_mode(self.prefix.driver_dir / DETECTOR_RESULT), "1", "detector verdict")
        self.assertEqual(self.screen_rect(window["hwnd"]), INSTRUCTION_PAGE_RECT, "window rect")
        x, y = self.client_origin(window["hwnd"])
        left, top, w, h = INSTRUCTION_LINE_1
        self.assertGreater(self.wait_drawn("instruction_page", (x + left, y + top, w, h)), 1,
                           "the page's first line is drawn")
        controls = {(line["id"], line["class"]): line for line in self.ui.controls()}
        for control in (HELP_BUTTON, HELP_CANCEL):
            self.assertEqual(controls[(str(control), "Button")]["visible"], "1", f"control {control}")
        self.assertEqual(self.controls_by_class("SysAnimate32"), [], "animation controls")

        # The help button hands the document to the shell, which passes it to the browser;
        # the dialog stays open, and a second press asks again. A loaded machine may still be
        # starting the desktop's shell.
        wait_desktop_shell(self, self.ui, BOUND_MS)
        for presses in (1, 2):
            self.ui.click(HELP_BUTTON)
            requests = self.wait_browser_requests(presses)
            self.assertEqual(len(requests), presses, f"browser requests: {requests}")
            self.assertEqual(self.ui.cmd("state")["visible"], "1", "the help dialog stays")
        self.measure("browser_requests", requests)
        # Wine's shell hands the browser a file URL of the host path: it must be our document.
        self.assertEqual(requests[0], requests[1])
        url = urllib.parse.urlparse(requests[0])
        opened = Path(urllib.parse.unquote(url.path))
        self.assertEqual(url.scheme, "file", requests[0])
        support_folder = "/windows/system32/spool/drivers/x64/"
        self.assertTrue(opened.as_posix().lower().endswith(support_folder + HELP_DOCUMENT.lower()),
                        f"document opened: {opened}")
        self.assertEqual(opened.read_bytes(), (package_dir() / HELP_DOCUMENT).read_bytes(), "document opened")

        self.ui.click(HELP_CANCEL)
        self.ui.cmd(f"wait_gone hwnd={window['hwnd']} timeout={BOUND_MS}")
        left = self.wait_package_cleaned_up()
        self.assertEqual(left, without_package_files(self.staged_files), "driver directory after cancel")
        lowered = {name.lower() for name in left}
        self.assertEqual(len(PACKAGE_FILES), 33)
        self.assertEqual([name for name in PACKAGE_FILES if name.lower() in lowered], [],
                         "package files left")
        self.assertEqual(sorted(set(SUPPORT_FILES) - set(left)), [], "support files stay")
        self.assertEqual(self.printers(), [])
        self.cancel_selection_and_watch_the_end()

    def test_other_makers_printer_is_not_asked_and_the_detector_runs(self):
        other = self.plug(device("EPS0001", port=1, vid="04b8", pid="0005", reply=r"X,Y,Other-1,Z\r\n"))
        self.assertEqual([line["path"] for line in listed_interfaces(self.prefix)],
                         [other.lines("device")[0]["path"]], "the platform lists the other printer")
        window = self.open_help()
        self.assertEqual(detector_mode(self.prefix.driver_dir / DETECTOR_RESULT), "2", "detector verdict")
        self.assertEqual(self.screen_rect(window["hwnd"]), ANIMATION_PAGE_RECT, "window rect")
        self.assertEqual(other.lines("open"), [], "opens of the other maker's printer")
        self.assertEqual(other.requests(), [], "bytes the other maker's printer received")

        self.ui.command(IDCANCEL)
        self.ui.cmd(f"wait_gone hwnd={window['hwnd']} timeout={BOUND_MS}")
        self.assertEqual(self.wait_package_cleaned_up(), without_package_files(self.staged_files))
        self.assertEqual(self.printers(), [])
        self.cancel_selection_and_watch_the_end()
        self.assertEqual(other.lines("open"), [], "opens of the other maker's printer")

    def test_without_detector_and_verdict_the_instructions_show(self):
        (self.prefix.driver_dir / "UsbDetect_64.exe").unlink()
        window = self.open_help()
        self.assertIsNone(detector_mode(self.prefix.driver_dir / DETECTOR_RESULT), "no verdict written")
        self.assertEqual(self.screen_rect(window["hwnd"]), INSTRUCTION_PAGE_RECT, "window rect")
        self.ui.click(HELP_CANCEL)
        self.ui.cmd(f"wait_gone hwnd={window['hwnd']} timeout={BOUND_MS}")
        self.assertEqual(self.wait_package_cleaned_up(), without_package_files(self.staged_files))
        self.cancel_selection_and_watch_the_end()

    def wait_browser_requests(self, count):
        deadline = time.monotonic() + BOUND_S
        while True:
            requests = self.prefix.browser_requests()
            if len(requests) >= count or time.monotonic() > deadline:
                return requests
            time.sleep(0.1)

    def test_quiet_usb_command_without_a_cutter_exits_1167_without_a_window(self):
        self.staged_files = WinePrefix.files(self.prefix.driver_dir)
        watched = run_to_end(self.ui, "/quiet", "/usb")
        self.assertEqual((watched.int("exit_code"), watched.lines("seen")), (1167, []))
        self.assertEqual(self.mapped_windows(), [])
        self.assertEqual(self.printers(), [])
        self.wait_package_cleaned_up()


class NoShellRouteUsbHelpTest(NoShellRoute, UsbCase):
    """Without a desktop shell the help button starts nothing: a box over the dialog names the
    document, and the dialog stays."""

    def test_help_names_the_document_in_a_box_and_opens_nothing(self):
        self.plug(device("PLAIN0001", usb_class="usb"))
        self.start_program()
        self.modelprobe()
        window = self.help_dialog()
        self.ui.click(HELP_BUTTON)
        box = self.next_box("no_desktop_shell")
        self.assertEqual((box["title"], box["text"], box["buttons"], box["icon"], box["owner"]),
                         (CAPTION, "Please open this guide yourself:\n" + HELP_DOCUMENT_WIN, "1",
                          "information", window["hwnd"]))
        self.ui.click(IDOK)
        self.ui.cmd(f"use hwnd={window['hwnd']}")
        self.assertEqual(self.ui.cmd("state")["visible"], "1", "the help dialog stays")
        self.ui.click(HELP_CANCEL)
        self.ui.cmd(f"wait_gone hwnd={window['hwnd']} timeout={BOUND_MS}")
        self.cancel_selection_and_watch_the_end()
        self.assertEqual(settled_browser_requests(self.prefix), [], "browser requests")


# The same, with DLLs planted beside the program: none of them may be loaded.
PlantedDllsUsbHelpTest = planted_dll_variant(
    UsbHelpTest, "test_plain_usb_cutter_gets_the_instructions_whose_help_opens_the_document")


if __name__ == "__main__":
    unittest.main()
