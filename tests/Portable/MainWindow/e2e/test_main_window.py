#!/usr/bin/env python3
"""The updater's window driven as a user drives it, against the simulated
instrument: the texts it shows, Update and Quit, the questions it asks, the menus,
and how each kind of failure ends. Each test is a fresh run of the program.

The program, its resource file and description and the tools that build resource
files and OS images come from the environment (KELT_E2E_*); ctest sets them.
"""
import os
import shutil
import subprocess
import tempfile
import time
import unittest

import e2e

e2e.enter_private_session()

PROGRAM = os.environ.get("KELT_E2E_PROGRAM", "kelt-podium-update")
RSRC_TOOL = os.environ.get("KELT_E2E_RSRC_TOOL", "kelt-rsrc")
TITLE = "Kelt Podium LX OS Update"
WELCOME = "This program will update the OS in your Kelt Podium LX to:"
QUESTION = "The synth is not updated. Are you sure you want to quit?"
RUNNING_OS = "Kelt Podium LX, OS version 1.10 "
# The window's exit statuses (its --help lists them).
UPDATED, STARTED_NOT_DONE, NO_IMAGE, NOT_UPDATED = 0, 1, 2, 0


class MainWindowTest(e2e.E2ETestCase):
    def launch(self, *arguments, env=None):
        self.window = self.start([PROGRAM] + list(arguments), "kelt-podium-update", env)
        self.atspi = self.desktop.atspi
        self.window.find(self.atspi.ROLE_FRAME, TITLE, timeout=20)
        return self.window

    # --- what the window shows

    def status(self, text, timeout=15.0):
        """Until the window shows text."""
        self.window.wait_text(text, timeout)

    def seen(self, text, timeout=15.0):
        """Until the window shows or has shown text (a status line may pass quickly)."""
        self.window.wait_seen(text, timeout)

    def enabled(self, name):
        return self.window.is_enabled(self.window.button(name))

    def wait_enabled(self, name, enabled=True, timeout=10.0):
        e2e.wait_until(lambda: self.enabled(name) == enabled,
                       f"{name} {'enabled' if enabled else 'disabled'}", timeout)

    def progress_fraction(self):
        bar = self.window.find(self.atspi.ROLE_PROGRESS_BAR)
        value, low, high = self.window.progress(bar)
        return (value - low) / (high - low) if high > low else 0.0

    def alert(self, text, timeout=10.0):
        """The alert that shows `text` (a label of its own window)."""
        return e2e.wait_until(
            lambda: any(text in t for t in self.window.texts()), f"an alert saying {text!r}",
            timeout)

    def choose(self, menu, prefix):
        """Opens the menu bar's `menu` and chooses its item whose name starts with prefix
        (the toolkit fills a menu when it opens)."""
        self.window.press(self.window.find(self.atspi.ROLE_MENU, menu))

        def probe():
            items = self.window.all(self.atspi.ROLE_MENU_ITEM)
            return next((i for i in items if i.name.startswith(prefix)), None)
        item = e2e.wait_until(probe, f"a menu item {prefix!r}... in the menu {menu!r}")
        self.window.press(item)

    def wait_running_os(self):
        """Until the instrument has named itself and runs its normal OS."""
        self.seen(RUNNING_OS)
        self.wait_enabled("Update")

    def press(self, name):
        self.window.press(self.window.button(name))

    def scratch(self):
        work = tempfile.mkdtemp(prefix="kelt-e2e-rsrc-")
        self.addCleanup(shutil.rmtree, work, True)
        return work

    # --- the tests

    def test_update_through_the_reboot_until_done(self):
        trace = os.path.join(self.scratch(), "trace")
        window = self.launch("--simulate", env={"KELT_MEASURE_TRACE": trace})
        self.assertEqual(window.app().name, "kelt-podium-update")
        texts = window.texts()
        self.assertIn(WELCOME, texts)
        self.assertIn("OS version 1.20", texts)
        self.seen("Found Kelt Podium LX")
        self.wait_running_os()
        self.assertTrue(self.enabled("Quit"))

        self.press("Update")
        self.seen("Send reboot request, waiting for reconnect...")
        self.assertFalse(self.enabled("Update"))

        # The transfer and the instrument's progress, until Quit is titled Done.
        seen = []
        e2e.wait_until(lambda: seen.append(self.progress_fraction()) or
                       window.all(self.atspi.ROLE_PUSH_BUTTON, "Done"),
                       "the Quit button titled Done", 30)
        self.assertEqual(seen, sorted(seen), "the progress bar went backwards")
        self.assertGreater(max(seen), 0.9)
        # Quit was refused while the image went out, and allowed again after it.
        self.assertIn(False, window.sensitivity_seen("Quit"))
        self.assertTrue(self.enabled("Done"))

        # The instrument comes back with its new OS; nothing more to update.
        self.status("Done!", 15)
        self.assertFalse(self.enabled("Update"))
        self.assertEqual(window.all(self.atspi.ROLE_PUSH_BUTTON, "Quit"), [])
        self.press("Done")
        self.assertEqual(window.wait_exit(), UPDATED)
        self.check_measurement_trace(trace)

    def check_measurement_trace(self, path):
        """The figures scripts/measure-app.sh reads, as the program wrote them."""
        with open(path) as f:
            lines = [line.rstrip("\n").split(" ", 2) for line in f]
        times = [int(line[0]) for line in lines]
        self.assertEqual(times, sorted(times))
        kinds = [line[1] for line in lines]
        self.assertEqual(kinds.count("shown"), 1)
        self.assertIn("turn", kinds)
        paints = [line[2].split(" ", 3) for line in lines if line[1] == "paint"]
        self.assertIn(TITLE, [paint[3] for paint in paints])
        self.assertTrue(all(0 < int(p[0]) <= int(p[1]) * int(p[2]) for p in paints), paints)
        # Quit off for the transfer and on again; the bar ends at the instrument's last report.
        quit = [line[2] for line in lines if line[1] == "enabled" and line[2].endswith(" Quit")]
        self.assertEqual(quit[-2:], ["0 Quit", "1 Quit"])
        progress = [int(line[2].split()[0]) for line in lines if line[1] == "progress"]
        self.assertGreater(progress[-1], 900)

    def test_quit_before_the_update_asks_first(self):
        window = self.launch("--simulate")
        self.wait_running_os()

        self.press("Quit")
        self.alert(QUESTION)
        self.press("Cancel")
        e2e.wait_until(lambda: not any(QUESTION in t for t in window.texts()), "the alert closed")
        self.assertIsNone(window.returncode())
        # Still usable after the answer: the same question again, now answered Yes.
        self.assertTrue(self.enabled("Update"))
        self.press("Quit")
        self.alert(QUESTION)
        self.press("Yes")
        self.assertEqual(window.wait_exit(), NOT_UPDATED)

    def test_quit_is_refused_while_sending_but_the_menu_quits(self):
        # An image of 2 MiB takes over 6 s to send: time enough to try Quit meanwhile.
        work = self.scratch()
        resources = os.path.join(work, "big.rsrc")
        make_resources(resources, big_os_image(work))
        window = self.launch("--simulate=updater", "--resources", resources)
        self.wait_enabled("Update")
        self.press("Update")
        e2e.wait_until(lambda: not self.enabled("Quit") and self.progress_fraction() > 0,
                       "the transfer under way", 15)
        try:
            window.press(window.button("Quit"))
        except e2e.E2EError:
            pass  # the toolkit refuses the action of a disabled button: as good
        e2e.pump(0.3)  # a press that got through would show its question or end the program
        self.assertIsNone(window.returncode())
        self.assertFalse(any(QUESTION in t for t in window.texts()))
        self.assertFalse(self.enabled("Quit"), "the transfer ended before the check")

        # The menu's Quit is not blocked and asks nothing.
        self.choose(TITLE, "Quit")
        self.assertEqual(window.wait_exit(10), STARTED_NOT_DONE)

    def test_about_box(self):
        window = self.launch("--simulate")
        self.seen("Found Kelt Podium LX")
        self.choose(TITLE, "About Kelt Podium LX OS Update")
        self.alert("Version 1.0 build 1")
        self.press("OK")
        e2e.wait_until(lambda: not any("Version 1.0 build 1" in t for t in window.texts()),
                       "the About box closed")
        self.assertIsNone(window.returncode())
        self.wait_enabled("Update")

    # --- how the failures end: with the status lines the console shows

    def test_instrument_without_an_os_is_updated_without_a_reboot(self):
        window = self.launch("--simulate=no-os")
        self.seen("Kelt Podium LX, no OS ")
        self.wait_enabled("Update")
        self.press("Update")
        e2e.wait_until(lambda: window.all(self.atspi.ROLE_PUSH_BUTTON, "Done"),
                       "the Quit button titled Done", 30)
        self.assertNotIn("Send reboot request, waiting for reconnect...", window.texts_seen())

    def test_instrument_held_by_another_program(self):
        window = self.launch("--simulate=busy")
        self.status("Error: Synth already connected to another application.", 40)
        self.assertFalse(self.enabled("Update"))
        # Nothing was started: Quit quits without a question.
        self.press("Quit")
        self.assertEqual(window.wait_exit(), NOT_UPDATED)

    def test_instrument_lost_during_the_transfer(self):
        window = self.launch("--simulate=unplug")
        self.wait_running_os()
        self.press("Update")
        self.status("No Kelt Podium LX Connected", 30)
        self.wait_enabled("Quit")
        self.assertFalse(self.enabled("Update"))
        self.assertEqual(window.all(self.atspi.ROLE_PUSH_BUTTON, "Done"), [])

    def test_instrument_that_never_returns_from_the_reboot(self):
        window = self.launch("--simulate=no-return")
        self.wait_running_os()
        self.press("Update")
        self.seen("Send reboot request, waiting for reconnect...")
        started = time.monotonic()
        self.status("Reboot failed.", 40)
        self.assertGreater(time.monotonic() - started, 15)
        self.assertFalse(self.enabled("Update"))
        self.assertTrue(self.enabled("Quit"))
        self.assertIsNone(window.returncode())

    def test_resource_file_without_an_os_image(self):
        path = os.path.join(self.scratch(), "no-os.rsrc")
        make_resources(path, None)

        window = self.launch("--simulate", "--resources", path)
        window.wait_text("No OS resource")
        self.assertFalse(self.enabled("Update"))
        # No instrument is looked for, so nothing is at stake: Quit asks nothing.
        self.assertFalse(any("Found" in t for t in window.texts() + window.texts_seen()))
        self.press("Quit")
        self.assertEqual(window.wait_exit(), NO_IMAGE)


def make_resources(path, os_image):
    """The program's own resource file with another OS image, or without one (None):
    every other resource as the build makes it."""
    installed = os.environ["KELT_E2E_RESOURCES"]
    work = os.path.dirname(path)
    boot = os.path.join(work, "boot.bin")
    with open(boot, "wb") as f:
        f.write(subprocess.run([RSRC_TOOL, "extract", installed, "BOOT", "128"],
                               capture_output=True, check=True).stdout)
    with open(os.environ["KELT_E2E_RDESC"]) as f:
        lines = [line for line in f if os_image or not line.startswith("resource TQOS")]
    description = os.path.join(work, "resources.rdesc")
    with open(description, "w") as f:
        f.writelines(lines)
    subprocess.run([RSRC_TOOL, "build", "-o", path, "-D", "BOOT_IMAGE=" + boot,
                    "-D", "OS_IMAGE=" + (os_image or "unused"), description],
                   check=True, capture_output=True)
    listing = subprocess.run([RSRC_TOOL, "list", path], capture_output=True, text=True).stdout
    assert ("TQOS" in listing) == bool(os_image) and "BOOT" in listing, listing


def big_os_image(work):
    """An installable OS image 1.20 of 2 MiB."""
    code = os.path.join(work, "code.bin")
    with open(code, "wb") as f:
        f.write(bytes(range(256)) * 8192)
    image = os.path.join(work, "big.img")
    subprocess.run([os.environ["KELT_E2E_OSIMAGE_TOOL"], "build", "-o", image, "--version",
                    "120", "--build", "7", "--section", "CODE:0x00100000:" + code],
                   check=True, capture_output=True)
    return image


if __name__ == "__main__":
    unittest.main(verbosity=2)
