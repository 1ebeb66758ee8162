"""Button launches while Tornel runs: the resident instance takes every press, one
process scans and writes the settings, and closing during a scan leaves no partial page."""

import os
import shutil
import subprocess
import unittest

from PIL import Image

import test_scan as scan
from tornel_e2e import (TORNEL_NAME, WM_DESTROY, TornelCase, drive, find_window, open_tray_menu, dismiss_menu,
                        message_box_text, post, send, WM_NULL, wait_until, windows_processes, windows_file)

SLOW_PACE = 200  # lines per second: an A4 page at 150 dpi takes about 9 s


class HandoverTest(TornelCase):
    def setUp(self):
        super().setUp()
        self.write_windows_ini("Button.InI", scan.BUTTON_INI)
        self.kmconfig = self.write_windows_ini("kmconfig.ini", scan.KMCONFIG)
        shutil.rmtree(scan.SCAN_FOLDER, ignore_errors=True)
        os.makedirs(scan.SCAN_FOLDER)
        self.addCleanup(shutil.rmtree, scan.SCAN_FOLDER, True)
        self.addCleanup(self.scanctl, "fault", "clear")
        self.addCleanup(self.scanctl, "pace", 0)

    def files(self):
        return sorted(os.listdir(scan.SCAN_FOLDER))

    def no_scan_running(self):
        return find_window("#32770", None, 0, visible=True) is None

    def assert_complete_pages(self):
        for name in self.files():
            path = os.path.join(scan.SCAN_FOLDER, name)
            with Image.open(path) as image:
                self.assertEqual(image.size, scan.A4_150, name)
                image.load()  # a short file fails here
                # The virtual scanner's page, not the zeros of a file left half written.
                self.assertNotEqual(image.convert("L").getextrema(), (0, 0), f"{name} is a black page")

    def launch_for_button(self, button):
        return self.start_tornel(*self.sti_launch_args(button))

    def wait_for_ends(self, processes, seconds=60):
        for process in processes:
            try:
                process.wait(timeout=seconds)
            except subprocess.TimeoutExpired:
                self.fail("a launch for a button did not end")

    def press_and_expect_one_more_page(self):
        before = len(self.files())
        self.scanctl("press", 4, "--wait", 10000)
        wait_until(lambda: len(self.files()) == before + 1 and self.no_scan_running(), 60, "the next page")

    def test_launches_during_a_scan_leave_one_monitor_and_the_settings_untouched(self):
        window = self.start_resident()
        with open(self.kmconfig, "rb") as f:
            settings_before = f.read()
        self.scanctl("pace", SLOW_PACE)
        self.scanctl("press", 4, "--wait", 10000)
        launches = [self.launch_for_button(4) for _ in range(20)]
        self.wait_for_ends(launches)
        self.scanctl("pace", 0)
        wait_until(lambda: self.files() and self.no_scan_running(), 60, "the scans to end")

        self.assertEqual(len(windows_processes("Tornel.exe")), 1, "exactly one Tornel should be left")
        self.assertEqual(find_window(TORNEL_NAME, TORNEL_NAME, 0), window)
        self.assertIsNotNone(send(window, WM_NULL), "the resident window does not answer")
        menu = open_tray_menu(window)
        self.assertIsNotNone(menu, "the tray menu did not open")
        dismiss_menu(menu)
        with open(self.kmconfig, "rb") as f:
            self.assertEqual(f.read(), settings_before, "a launch changed kmconfig.ini")
        self.assert_complete_pages()
        self.press_and_expect_one_more_page()

    def test_launch_beside_a_starting_instance_hands_over(self):
        plain = self.start_tornel()
        button = self.launch_for_button(4)
        # Whichever took the mutex first stays; the other ends, and the page is filed once.
        wait_until(lambda: self.files() and self.no_scan_running(), 60, "the page to be filed")
        wait_until(lambda: len(windows_processes("Tornel.exe")) == 1, 30, "one Tornel left")
        self.assertTrue(plain.poll() is not None or button.poll() is not None)
        self.assertEqual(len(self.files()), 1)
        self.assert_complete_pages()

    def test_closing_during_a_scan_leaves_no_file(self):
        window = self.start_resident()
        self.scanctl("pace", SLOW_PACE)
        self.scanctl("press", 4, "--wait", 10000)
        wait_until(lambda: self.files(), 20, "the scan to begin its file")
        self.assertTrue(post(window, WM_DESTROY))
        wait_until(lambda: not windows_processes("Tornel.exe"), 30, "Tornel to end")
        self.assertEqual(self.files(), [])

    def test_scan_the_engine_refuses_says_so_and_the_next_press_works(self):
        self.start_resident()
        self.scanctl("fault", "TNeScanAsync", 5)
        self.scanctl("press", 4, "--wait", 10000)
        # Far sooner than the engine's silence limit (60 s), which would show another text.
        box = find_window("#32770", "Error", 20000, visible=True)
        self.assertIsNotNone(box, "no message for the refused scan")
        self.assertEqual(message_box_text(box), "The scanner's status could not be read.")
        self.assertEqual(drive("click", hex(box), 1)[0], 0)
        self.scanctl("fault", "clear")
        wait_until(self.no_scan_running, 20, "the progress dialog to close")
        self.assertEqual(self.files(), [])
        self.press_and_expect_one_more_page()


if __name__ == "__main__":
    unittest.main()
