"""The manual installation end to end: the user picks a port and a model, the program registers
the driver, creates the queue, writes the monitor port settings, reports, offers the warranty
extension and removes the package files; a taken queue name leads to a numbered queue when the
user agrees; cancelling changes nothing but the package files."""

import unittest

from manual_flow import (
    CAPTION, DRIVER_KEY_PREFIX, IDCANCEL, IDNO, IDOK, IDYES, MONITOR_PORT_KEY, MONITOR_PORT_VALUES,
    REGISTER_LATER, ManualInstallCase, clash_text, port_text, seen_windows, success_text,
)
from wine_harness import WinePrefix

MODEL = "Tolvar-60"
DRIVER_KEY = DRIVER_KEY_PREFIX + "\\" + MODEL


class FirstInstallTest(ManualInstallCase):
    """Tolvar-60 on COM1: on a machine without any printer."""

    def test_first_install_registers_driver_queue_and_settings_then_cleans_up(self):
        self.launch()
        self.wait_selection()
        owner = self.find_main_dialog()
        self.choose("COM1:", MODEL)

        self.assert_box(self.next_box("success"), success_text(MODEL), owner=owner)
        self.ui.click(IDOK)
        self.assert_box(self.next_box("port"), port_text("COM1:"), owner=owner)
        self.ui.click(IDOK)
        offer = self.wait_offer()
        self.assertEqual(tuple(offer.int(k) for k in ("x", "y", "w", "h")), (298, 209, 428, 330))
        self.click_offer_area(REGISTER_LATER)
        watched = self.watch_end()

        with self.subTest("process and windows"):
            self.assert_exit_zero(watched)
            self.assertEqual(len(seen_windows(watched)), 4, "selection, two boxes, offer")
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
        self.wait_selection()
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
            shown = seen_windows(watched)
            self.assertEqual(len(shown), 2, f"selection and question only: {shown}")
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
            shown = seen_windows(watched)
            self.assertEqual(len(shown), 1, f"the selection only, no box: {shown}")
            self.assertNotIn(CAPTION, [title for _, title, _ in shown])
        with self.subTest("spooler"):
            state = self.prefix.spooler()
            self.assertEqual((state.printer_names(), state.driver_names()), ([], []))
        with self.subTest("registry"):
            self.assertIsNone(self.prefix.reg_query(DRIVER_KEY))
            self.assertIsNone(self.prefix.reg_query(MONITOR_PORT_KEY))
        with self.subTest("files"):
            self.assert_kt4_files_in_system32(present=False)
            self.assert_package_cleaned_up()


if __name__ == "__main__":
    unittest.main()
