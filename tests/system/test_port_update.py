"""The main dialog's "UpdatePort" command on Wine: when the spooler lists a local printer, it
re-points the printer "aaTZ-60" at port "USB001" with its own record, silently; whatever printer
is enumerated first lends it nothing. Wine enumerates printers in case-insensitive name order,
whatever order they were created in; each test checks that order before relying on it."""

import unittest

from wine_harness import (MainDialogCommands, WineTestCase, mapped_from, planted_dll_variant,
                          program_under_test)

BOUND_MS = 30000  # safety bound, not a measurement
UPDATE_PORT = 1001
TARGET = "aaTZ-60"
NEW_PORT = "USB001"
PRINTERS_KEY = r"HKLM\SYSTEM\CurrentControlSet\Control\Print\Printers"
# Sorts before "aaTZ-60" ("aa " < "aat"), so Wine enumerates it first.
OFFICE = "Aa Office"
# Sorts after "aaTZ-60".
PLOTTER = "Plotter"

# Two drivers, so that a driver taken from another printer is visible.
DRIVERS = (("Tolvar-60", "Tolvar-60.INI"), ("Mirren-60", "Mirren-60.INI"))

# Distinct settings for every printer, so that each field written is visible.
SETTINGS = {
    TARGET: {"comment": "Cutter in the workshop", "share": "CUTTER", "location": "Workshop",
             "sepfile": "C:\\windows\\cutter.sep", "parameters": "-cut", "priority": "5",
             "default_priority": "2", "start_time": "60", "until_time": "1200"},
    OFFICE: {"comment": "Front desk laser", "share": "OFFICE", "location": "Front desk",
             "sepfile": "C:\\windows\\office.sep", "parameters": "-duplex", "priority": "7",
             "default_priority": "3", "start_time": "420", "until_time": "1080"},
    PLOTTER: {"comment": "Drawing plotter", "share": "PLOT", "location": "Drawing office",
              "sepfile": "C:\\windows\\plot.sep", "parameters": "-roll", "priority": "9",
              "default_priority": "4", "start_time": "0", "until_time": "0"},
}
# What the printers query shows of the settings above.
SETTING_FIELDS = ("comment", "share", "location", "sepfile", "parameters", "priority",
                  "default_priority", "start_time", "until_time")


class PortUpdateTest(WineTestCase):
    def setUp(self):
        program_under_test()
        super().setUp()
        self.check_queries([q for name, data in DRIVERS for q in ("adddriver", name, data)])

    # -- setting up and reading the spooler ---------------------------------------------------

    def check_queries(self, queries):
        lines = self.prefix.query(*queries)
        failed = [line for line in lines if line.tag == "fail"]
        self.assertEqual(failed, [], f"qar_spoolq {queries}")

    def add_printer(self, name, port, driver):
        queries = ["addprinter", name, port, driver]
        for field, value in SETTINGS[name].items():
            queries += ["setprinter", name, field, value]
        self.check_queries(queries)
        shown = self.printers()[name]
        self.assertEqual({field: shown[field] for field in SETTING_FIELDS}, SETTINGS[name],
                         f"{name} did not take its settings")
        self.assertEqual((shown["port"], shown["driver"], shown["devmode_name"]), (port, driver, name))

    def printers(self):
        """Name -> fields of every local printer, in the spooler's enumeration order."""
        return {p["name"]: p for p in self.prefix.spooler().printers}

    def printer_key(self, name):
        return self.prefix.reg_query(PRINTERS_KEY + "\\" + name).values

    def update_port(self):
        """Runs UpdatePort; asserts that it showed nothing and the program ended with 0."""
        program = MainDialogCommands(self.driver(), BOUND_MS)
        selection_size = program.selection_size()
        program.post(UPDATE_PORT)
        watched = program.finish()
        self.assertEqual(watched.int("exit_code"), 0)
        # The X server saw only the selection mapped (the driver's poll may miss a short-lived
        # window on a busy machine, the X server does not).
        mapped = mapped_from(self.mapped_windows(), selection_size)
        self.assertEqual(len(mapped), 1, f"windows mapped: {mapped}")
        seen = [(line["title"], line["ids"]) for line in watched.lines("seen")]
        self.assertTrue(all("1007" in ids.split(",") for _, ids in seen), f"windows seen: {seen}")

    # -- tests --------------------------------------------------------------------------------

    def test_alone_on_lpt1_it_moves_to_usb001_and_keeps_its_settings(self):
        self.add_printer(TARGET, "LPT1:", "Tolvar-60")
        before = self.printers()
        key_before = self.printer_key(TARGET)
        self.assertEqual(list(before), [TARGET])
        self.assertEqual(before[TARGET]["port"], "LPT1:")
        self.update_port()
        after = self.printers()
        self.assertEqual(list(after), [TARGET])
        self.assertEqual(after[TARGET], dict(before[TARGET], port=NEW_PORT))
        self.assertEqual(self.printer_key(TARGET), dict(key_before, Port=("REG_SZ", NEW_PORT)))

    def test_with_another_printer_enumerated_first_it_keeps_its_own_settings(self):
        # Created after "aaTZ-60" and still enumerated first: the order is by name.
        self.add_printer(TARGET, "LPT1:", "Tolvar-60")
        self.add_printer(OFFICE, "COM1:", "Mirren-60")
        before = self.printers()
        self.assertEqual(list(before), [OFFICE, TARGET])
        keys_before = {name: self.printer_key(name) for name in before}
        self.update_port()
        after = self.printers()
        self.assertEqual(after[OFFICE], before[OFFICE], "the first printer changed")
        # Its own driver and device mode, device name and all: nothing of the first printer's.
        self.assertEqual(after[TARGET], dict(before[TARGET], port=NEW_PORT))
        self.assertEqual(after[TARGET]["driver"], "Tolvar-60")
        self.assertEqual(after[TARGET]["devmode_name"], TARGET)
        self.assertEqual(self.printer_key(OFFICE), keys_before[OFFICE])
        self.assertEqual(self.printer_key(TARGET),
                         dict(keys_before[TARGET], Port=("REG_SZ", NEW_PORT)))

    def test_without_aatz60_nothing_changes(self):
        self.add_printer(OFFICE, "COM1:", "Mirren-60")
        self.add_printer(PLOTTER, "LPT1:", "Tolvar-60")
        before = self.printers()
        self.assertEqual(list(before), [OFFICE, PLOTTER])
        keys_before = {name: self.printer_key(name) for name in before}
        self.update_port()
        self.assertEqual(self.printers(), before)
        self.assertEqual({name: self.printer_key(name) for name in before}, keys_before)
        self.assertIsNone(self.prefix.reg_query(PRINTERS_KEY + "\\" + TARGET))

    def test_without_any_printer_nothing_happens(self):
        self.assertEqual(self.printers(), {})
        self.update_port()
        self.assertEqual(self.printers(), {})


# The same, with DLLs planted beside the program: none of them may be loaded.
PlantedDllsPortUpdateTest = planted_dll_variant(
    PortUpdateTest, "test_alone_on_lpt1_it_moves_to_usb001_and_keeps_its_settings")


if __name__ == "__main__":
    unittest.main()
