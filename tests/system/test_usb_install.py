"""The "Modelprobe" command with simulated USB cutters plugged in: the identification request
each one receives, the model and port the installation takes from the answers, and a cutter that
never answers."""

import unittest

from usb_flow import (
    BOUND_MS, CAPTION, IDENTIFY_REQUEST_HEX, IDOK, UsbCase, device, interface_path, listed_interfaces,
    success_text,
)
from wine_harness import WinePrefix, planted_dll_variant, run_to_end

TOLVAR_REPLY = r"QAR,V1, Tolvar-60 ,OK\r\n"
MIRREN_REPLY = r"QAR,V1,Mirren-60,OK\r\n"
INVALID_PRINTER_NAME = 1801


class UsbInstallTest(UsbCase):
    def install_and_finish(self, model: str) -> None:
        """Answers the success box and the offer the way a user would; the package stays."""
        box = self.next_box("success")
        self.assertEqual((box["title"], box["text"], box["buttons"]), (CAPTION, success_text(model), "1"))
        self.assertEqual(box["owner"], self.main_dialog, "the main dialog owns the box")
        self.ui.click(IDOK)
        self.wait_offer_and_register_later()
        self.assert_package_files_stay()

    def test_one_cutter_is_asked_once_and_its_model_installed_on_its_port(self):
        cutter = self.plug(device("QAR0001", port=1, reply=TOLVAR_REPLY))
        self.start_program()
        self.modelprobe()
        self.install_and_finish("Tolvar-60")

        self.assertEqual(cutter.requests(), [IDENTIFY_REQUEST_HEX], "bytes the cutter received")
        self.assertEqual(len(cutter.lines("open")), 1, "opens of the device")
        self.assertEqual(self.printers(), [("Tolvar-60", "USB001", "Tolvar-60")])
        closed = cutter.wait_for("closed")[0]
        self.measure("exchange_open_to_close_ms", float(closed["ms"]))
        self.measure("exchange_request_to_close_ms", float(closed["since_request_ms"]))
        self.cancel_selection_and_watch_the_end()

    def test_two_cutters_the_one_listed_second_wins(self):
        # Registered in the opposite order of their names, so that "second" is the platform's
        # enumeration order and not the order of plugging in.
        cutter = self.plug(device("ZETA0001", port=1, reply=TOLVAR_REPLY),
                           device("ALPHA0002", port=2, reply=MIRREN_REPLY))
        listed = [line["path"] for line in listed_interfaces(self.prefix)]
        by_path = {interface_path("ZETA0001"): (1, "Tolvar-60", "USB001"),
                   interface_path("ALPHA0002"): (2, "Mirren-60", "USB002")}
        self.assertEqual(sorted(listed), sorted(by_path), "interfaces the platform lists")
        first, second = by_path[listed[0]], by_path[listed[1]]
        self.measure("enumeration_order", listed)

        self.start_program()
        self.modelprobe()
        self.install_and_finish(second[1])

        for number in (1, 2):
            self.assertEqual(cutter.requests(number), [IDENTIFY_REQUEST_HEX], f"requests of cutter {number}")
        opens = [int(line["n"]) for line in cutter.lines("open")]
        self.assertEqual(opens, [first[0], second[0]], "devices opened, in order")
        self.assertEqual(self.printers(), [(second[1], second[2], second[1])])
        self.cancel_selection_and_watch_the_end()

    def test_mute_cutter_is_given_up_after_the_bound_and_nothing_is_installed(self):
        cutter = self.plug(device("MUTE0001", port=3, mute=True))
        self.start_program()
        self.modelprobe()

        # No model came back: the first install step refuses the empty name with the system's
        # text of ERROR_INVALID_PRINTER_NAME.
        box = self.next_box("error")
        expected = self.ui.cmd(f"syserror code={INVALID_PRINTER_NAME}")["text"]
        self.assertEqual((box["title"], box["text"], box["buttons"], box["icon"]),
                         ("ERROR", expected, "1", "information"))
        self.assertEqual(cutter.requests(), [IDENTIFY_REQUEST_HEX], "bytes the cutter received")
        closed = cutter.wait_for("closed")[0]
        self.measure("mute_request_to_close_ms", float(closed["since_request_ms"]))
        self.assertEqual(self.printers(), [])
        self.assertEqual(self.prefix.spooler().driver_names(), [])

        # The program still answers: the box closes, the flow ends without clean-up, and the
        # selection left open under it ends the process.
        self.ui.click(IDOK)
        self.ui.cmd(f"wait_gone timeout={BOUND_MS}")
        self.assert_package_files_stay()
        self.assertEqual(len(cutter.lines("open")), 1, "opens of the device")
        watched = self.cancel_selection_and_watch_the_end()
        self.assertEqual(watched.int("exit_code"), 0)
    def test_model_name_that_is_a_path_is_refused_and_nothing_installed(self):
        cutter = self.plug(device("PATH0001", port=1, reply=r"QAR,V1,..\\..\\Tolvar-60,OK\r\n"))
        self.start_program()
        self.modelprobe()
        box = self.next_box("error")
        expected = self.ui.cmd(f"syserror code={INVALID_PRINTER_NAME}")["text"]
        self.assertEqual((box["title"], box["text"], box["buttons"]), ("ERROR", expected, "1"))
        self.assertEqual(cutter.requests(), [IDENTIFY_REQUEST_HEX])
        self.assertEqual(self.printers(), [])
        self.assertEqual(self.prefix.spooler().driver_names(), [])
        self.ui.click(IDOK)
        self.ui.cmd(f"wait_gone timeout={BOUND_MS}")
        self.assert_package_files_stay()
        self.cancel_selection_and_watch_the_end()

    def test_quiet_usb_command_installs_the_cutter_on_its_port_without_a_window(self):
        self.plug(device("QAR0001", port=1, reply=TOLVAR_REPLY))
        self.staged_files = WinePrefix.files(self.prefix.driver_dir)
        watched = run_to_end(self.ui, "/quiet", "/usb")
        self.assertEqual((watched.int("exit_code"), watched.lines("seen")), (0, []))
        self.assertEqual(self.mapped_windows(), [])
        self.assertEqual(self.printers(), [("Tolvar-60", "USB001", "Tolvar-60")])
        self.wait_package_cleaned_up()

    def test_quiet_usb_command_with_a_mute_cutter_exits_1167_without_a_window(self):
        # Administrators retry on 1167: a cutter that gave no model is the same as none.
        cutter = self.plug(device("MUTE0001", port=3, mute=True))
        self.staged_files = WinePrefix.files(self.prefix.driver_dir)
        watched = run_to_end(self.ui, "/quiet", "/usb")
        self.assertEqual((watched.int("exit_code"), watched.lines("seen")), (1167, []))
        self.assertEqual(cutter.requests(), [IDENTIFY_REQUEST_HEX], "bytes the cutter received")
        self.assertEqual(self.printers(), [])
        self.assertEqual(self.prefix.spooler().driver_names(), [])
        self.wait_package_cleaned_up()

    def test_cutter_whose_path_is_longer_than_80_characters_is_installed_on_its_port(self):
        # One function of a composite device: its interface path has 88 characters.
        cutter = self.plug(device("7&2A3B4C5D&0&0000", port=2, pid="0001&mi_00", reply=TOLVAR_REPLY))
        path = cutter.lines("device")[0]["path"]
        self.assertEqual(path, interface_path("7&2a3b4c5d&0&0000", pid="0001&mi_00"))
        self.assertGreater(len(path), 80)
        self.staged_files = WinePrefix.files(self.prefix.driver_dir)
        watched = run_to_end(self.ui, "/quiet", "/usb")
        self.assertEqual((watched.int("exit_code"), watched.lines("seen")), (0, []))
        self.assertEqual(cutter.requests(), [IDENTIFY_REQUEST_HEX], "bytes the cutter received")
        self.assertEqual(self.printers(), [("Tolvar-60", "USB002", "Tolvar-60")])
        self.wait_package_cleaned_up()


# The same, with DLLs planted beside the program: none of them may be loaded.
PlantedDllsUsbInstallTest = planted_dll_variant(
    UsbInstallTest, "test_one_cutter_is_asked_once_and_its_model_installed_on_its_port")


if __name__ == "__main__":
    unittest.main()
