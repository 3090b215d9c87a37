#!/usr/bin/env python3
"""The harness proves itself on a tiny GTK 3 window before it judges the updater:
it finds the program, reads a label, presses a button through the accessible
action, sees the label change, sees a disabled state and an exit status."""
import os
import sys
import unittest

import e2e

e2e.enter_private_session()

HERE = os.path.dirname(os.path.abspath(__file__))


class HarnessTest(e2e.E2ETestCase):
    def test_reads_presses_and_sees_the_exit(self):
        window = self.start([sys.executable, os.path.join(HERE, "harness_window.py")],
                            "harness window")
        atspi = self.desktop.atspi
        self.assertEqual(window.app().name, "e2e-harness-window")
        window.find(atspi.ROLE_FRAME, "Harness window")
        window.wait_text("Not pressed")
        press = window.button("Press")
        self.assertTrue(window.is_enabled(press))
        window.press(press)
        window.wait_text("Pressed")
        self.assertNotIn("Not pressed", window.texts())
        window.press(window.button("Leave"))
        self.assertEqual(window.wait_exit(), 3)

    def test_a_missing_text_fails_within_its_deadline(self):
        window = self.start([sys.executable, os.path.join(HERE, "harness_window.py")],
                            "harness window")
        window.wait_text("Not pressed")
        with self.assertRaises(e2e.E2EError) as raised:
            window.wait_text("Never shown", timeout=0.5)
        self.assertIn("Never shown", str(raised.exception))


if __name__ == "__main__":
    unittest.main(verbosity=2)
