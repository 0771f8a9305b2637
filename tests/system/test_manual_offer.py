"""The warranty extension offer at the end of an installation: a shaped window centred on the
screen, two drawn buttons tracked by the mouse (the left one opens the registration page in
the browser), Enter and Escape for the keyboard. Every way out ends the program with 0."""

import unittest

from manual_flow import (
    IDOK, ONLINE_REGISTRATION, OFFER_RECT, REGISTER_LATER, REGISTRATION_PATH, ManualInstallCase,
    centre, port_text, settled_browser_requests, success_text,
)
from wine_harness import NoShellRoute, planted_dll_variant, wait_desktop_shell

MODEL = "Tolvar-60"
REGISTRATION_ADDRESS = "http://www.qar-cutters.example" + REGISTRATION_PATH


class OfferCase(ManualInstallCase):
    def reach_offer(self):
        self.launch()
        self.wait_selection(screenshot=None)
        self.choose("COM1:", MODEL)
        self.assert_box(self.next_box("success"), success_text(MODEL))
        self.ui.click(IDOK)
        self.assert_box(self.next_box("port"), port_text("COM1:"))
        self.ui.click(IDOK)
        return self.wait_offer()

    def end_and_browser_requests(self):
        watched = self.watch_end()
        self.assert_exit_zero(watched)
        self.assertEqual(self.prefix.spooler().printer_names(), [MODEL], "the installation stands")
        return settled_browser_requests(self.prefix)


class OfferTest(OfferCase):
    def test_offer_is_centred_and_shaped_and_escape_ends_it(self):
        self.reach_offer()
        rect = self.ui.cmd("rect")
        self.assertEqual(tuple(rect.int(k) for k in ("x", "y", "w", "h")), OFFER_RECT)
        region = self.ui.cmd("region")
        self.assertIn(region["kind"], ("simple", "complex"), "the offer has a window region")
        # The region is a polygon from (1..425, 1..325) in window coordinates: the window's
        # outer pixels and its right and bottom strips are cut off.
        for x, y, inside in ((100, 100, 1), (212, 300, 1), (0, 0, 0), (427, 100, 0), (100, 328, 0)):
            with self.subTest(point=(x, y)):
                self.assertEqual(self.ui.cmd(f"region x={x} y={y}").int("inside"), inside)
        self.ui.key("escape")
        self.assertEqual(self.end_and_browser_requests(), [])

    def test_press_elsewhere_then_release_over_online_registration_opens_the_page(self):
        self.reach_offer()
        # The address goes to the desktop's shell, which a loaded machine may still be starting.
        wait_desktop_shell(self, self.ui)
        # The press need not be on a drawn button: only the release is.
        self.ui.mouse("move", 20, 20)
        self.ui.mouse("down", 20, 20)
        x, y = centre(ONLINE_REGISTRATION)
        self.ui.mouse("move", x, y, setcursor=1)
        self.ui.mouse("up", x, y)
        requests = self.end_and_browser_requests()
        self.assertEqual(len(requests), 1, f"browser requests: {requests}")
        self.assertTrue(requests[0].startswith("http"), requests[0])
        self.assertTrue(requests[0].endswith(REGISTRATION_PATH), requests[0])

    def test_enter_ends_the_offer_without_the_browser(self):
        self.reach_offer()
        self.ui.key("enter")
        self.assertEqual(self.end_and_browser_requests(), [])

    def test_release_without_press_does_nothing(self):
        self.reach_offer()
        x, y = centre(ONLINE_REGISTRATION)
        self.ui.mouse("move", x, y)
        self.ui.mouse("up", x, y)
        # Had that release acted, the offer would be gone and the page requested; Register
        # later (posted after it) then ends the offer normally.
        self.click_offer_area(REGISTER_LATER)
        self.assertEqual(self.end_and_browser_requests(), [])


class NoShellRouteOfferTest(NoShellRoute, OfferCase):
    """Without a desktop shell Online registration starts nothing: a box over the offer names
    the address, and the offer then ends as usual."""

    def test_online_registration_names_the_address_in_a_box_and_opens_nothing(self):
        offer = self.reach_offer()
        self.click_offer_area(ONLINE_REGISTRATION)
        box = self.next_box("no_desktop_shell")
        self.assert_box(box, "Please open this address in your browser:\n" + REGISTRATION_ADDRESS,
                        icon="information", owner=offer["hwnd"])
        self.ui.click(IDOK)
        self.assertEqual(self.end_and_browser_requests(), [])


# The same, with DLLs planted beside the program: none of them may be loaded.
PlantedDllsOfferTest = planted_dll_variant(
    OfferTest, "test_press_elsewhere_then_release_over_online_registration_opens_the_page")


if __name__ == "__main__":
    unittest.main()
