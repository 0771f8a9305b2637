"""The port and model lists of the selection dialog follow the machine's serial map: its ports
sorted, then LPT1:; COM1: and COM2: when there is no map; an error box and empty lists when
the map is empty."""

import unittest

from manual_flow import (
    IDCANCEL, IDOK, MODEL_LIST, MODELS, PORT_LIST, ManualInstallCase, port_text, seen_windows,
    success_text,
)

EMPTY_MAP_TEXT = "Error-  /nGet RegEnumValue No Message"


class TwoSerialPortsTest(ManualInstallCase):
    SERIAL_PORTS = ("COM3", "COM1")

    def test_ports_are_listed_sorted_with_lpt1_and_com1_preselected(self):
        self.launch()
        self.wait_selection()
        self.assertEqual(len(seen_windows(self.ui.cmd("seen"))), 1, "no box before the selection")
        self.assertEqual(self.ui.combo(PORT_LIST), (["COM1:", "COM3:", "LPT1:"], 0, "COM1:"))
        self.ui.click(IDCANCEL)
        self.assert_exit_zero(self.watch_end())


class NoSerialMapTest(ManualInstallCase):
    SERIAL_PORTS = None

    def test_com1_and_com2_are_offered_and_enter_installs_the_preselection(self):
        self.launch()
        self.wait_selection()
        self.assertEqual(len(seen_windows(self.ui.cmd("seen"))), 1, "no box before the selection")
        self.assertEqual(self.ui.combo(PORT_LIST), (["COM1:", "COM2:", "LPT1:"], 0, "COM1:"))
        self.assertEqual(self.ui.combo(MODEL_LIST), (MODELS, 0, MODELS[0]))
        # Enter right away takes the preselected entries.
        self.ui.key("enter")
        self.assert_box(self.next_box("success"), success_text(MODELS[0]))
        self.ui.click(IDOK)
        self.assert_box(self.next_box("port"), port_text("COM1:"))
        self.ui.click(IDOK)
        self.wait_offer()
        self.ui.key("escape")
        self.assert_exit_zero(self.watch_end())
        printers = self.prefix.spooler().printers
        self.assertEqual([(p["name"], p["port"], p["driver"]) for p in printers], [(MODELS[0], "COM1:", MODELS[0])])


class EmptySerialMapTest(ManualInstallCase):
    SERIAL_PORTS = ()

    def test_error_box_comes_first_then_empty_lists_where_install_does_nothing(self):
        self.launch()
        box = self.next_box("empty_map")
        self.assert_box(box, EMPTY_MAP_TEXT, caption="Error")
        shown = seen_windows(self.ui.cmd("seen"))
        self.assertEqual([ids for _, _, ids in shown if str(PORT_LIST) in ids.split(",")], [],
                         f"the selection dialog showed before the error box: {shown}")
        # The box belongs to the selection dialog, which is not shown yet.
        hidden = self.ui.wait(visible=0, control=PORT_LIST, timeout=10000)
        self.assertEqual(box["owner"], hidden["hwnd"])
        self.ui.cmd(f"use hwnd={box['hwnd']}")
        self.ui.click(IDOK)

        self.wait_selection()
        self.assertEqual(self.ui.combo(PORT_LIST), ([], -1, ""))
        self.assertEqual(self.ui.combo(MODEL_LIST), ([], -1, ""))
        # Install has nothing to take and leaves the dialog open: the Cancel posted after it
        # is what ends the dialog, and no installation step runs in between.
        self.ui.click(IDOK)
        self.ui.click(IDCANCEL)
        watched = self.watch_end()
        self.assert_exit_zero(watched)
        maps = self.mapped_windows()
        self.assertEqual(len(maps), 2, f"error box and selection only: {maps}")
        state = self.prefix.spooler()
        self.assertEqual((state.printer_names(), state.driver_names()), ([], []))
        self.assert_package_cleaned_up()


if __name__ == "__main__":
    unittest.main()
