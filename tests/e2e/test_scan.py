"""Presses that scan: the virtual scanner writes the page, Tornel names the file in
the chosen folder, shows the progress dialog, and hands the file on."""

import datetime
import os
import re
import shutil
import time
import unittest

from PIL import Image

from tornel_e2e import (BIN, DRIVE_C, TornelCase, drive, find_window, ini_value, kill_program, wait_until,
                        window_gone, windows_file)

SCAN_FOLDER = os.path.join(DRIVE_C, "e2e_scans")
APP_FOLDER = os.path.join(DRIVE_C, "e2e_app")
ABORT_BUTTON = 1019

BUTTON_INI = """[Main]
1=1
4=16
"""

# Colour at 150 dpi for both functions; A4 is the scan area at every start.
KMCONFIG = r"""[Tornel]
Doc5=0
Res5=0
Bri5=0
Doc14=0
Res14=0
Bri14=0
[Image]
DocType=7
Component=1
[MyFolder]
DocType=7
Num=1
Folder1=C:\e2e_scans\
Default=1
[Tornel_Application]
NumAp=1
ApName1=Recorder
ApFileName1="C:\e2e_app\record_args.exe"
DefaultID=1
"""

# A4 is 8.26 x 11.69 inches: at 150 dpi 1239 x 1753 pixels.
A4_150 = (1239, 1753)


def today_prefix():
    return datetime.date.today().strftime("%b_%d_")


class ScanTest(TornelCase):
    def setUp(self):
        super().setUp()
        self.write_windows_ini("Button.InI", BUTTON_INI)
        self.write_windows_ini("kmconfig.ini", KMCONFIG)
        for folder in (SCAN_FOLDER, APP_FOLDER):
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
            self.addCleanup(shutil.rmtree, folder, True)
        shutil.copy(os.path.join(BIN, "record_args.exe"), APP_FOLDER)
        self.addCleanup(self.scanctl, "fault", "clear")
        self.addCleanup(self.scanctl, "pace", 0)
        self.start_resident()

    def scanned_files(self):
        return sorted(name for name in os.listdir(SCAN_FOLDER) if not name.endswith(".tmp"))

    def recorded_starts(self):
        log = os.path.join(APP_FOLDER, "record_args.log")
        if not os.path.exists(log):
            return []
        with open(log) as f:
            return [line.rstrip("\r\n") for line in f if line.strip()]

    def progress_dialog(self, timeout_ms=20000):
        return find_window("#32770", None, timeout_ms, visible=True)

    def wait_for_files(self, count, seconds=30):
        return wait_until(lambda: len(self.scanned_files()) >= count and self.scanned_files(), seconds,
                          f"{count} scanned file(s) in {SCAN_FOLDER}")

    def assert_a4_colour_page(self, path):
        with Image.open(path) as image:
            self.assertEqual(image.format, "BMP")
            self.assertEqual(image.size, A4_150)
            self.assertEqual(image.mode, "RGB")
            self.assertAlmostEqual(image.info["dpi"][0], 150, delta=1)

    def test_folder_press_files_the_page_under_todays_name(self):
        self.scanctl("press", 4, "--wait", 10000)
        names = self.wait_for_files(1)
        self.assertEqual(names, [today_prefix() + "001.bmp"])
        # The engine writes the file in place: wait until the scan has ended.
        wait_until(lambda: self.scanned_files_complete(), 30, "the scan to end")
        self.assert_a4_colour_page(os.path.join(SCAN_FOLDER, names[0]))

    def test_two_quick_presses_make_two_files(self):
        self.scanctl("press", 4)
        self.scanctl("press", 4)
        wait_until(lambda: len(self.scanned_files()) == 2 and self.scanned_files_complete(), 60,
                   "two complete scans")
        self.assertEqual(self.scanned_files(), [today_prefix() + "001.bmp", today_prefix() + "002.bmp"])
        for name in self.scanned_files():
            self.assert_a4_colour_page(os.path.join(SCAN_FOLDER, name))

    def test_application_gets_the_quoted_path(self):
        self.scanctl("press", 1, "--wait", 10000)
        starts = wait_until(self.recorded_starts, 30, "the application to be started")
        name = today_prefix() + "001.bmp"
        # The folder is named in its short form; the program gets the path in quotes.
        self.assertEqual(len(starts), 1)
        self.assertRegex(starts[0], r'^"C:\\[^\\" ]+\\' + name + '"$')
        self.assert_a4_colour_page(os.path.join(SCAN_FOLDER, name))

    def test_abort_starts_no_application(self):
        # About 9 s for the page: time to see the dialog and abort, with the mouse, the
        # Escape key or a click another program posted.
        self.scanctl("pace", 200)
        for way in (["press", ABORT_BUTTON], ["keys", "escape"], ["click", ABORT_BUTTON]):
            with self.subTest(way=way[0]):
                dialog = self.press_until(1, lambda: self.progress_dialog(5000), "the progress dialog")
                wait_until(lambda: drive("enabled", hex(dialog), ABORT_BUTTON) == (0, "1"), 20,
                           "Abort to be enabled")
                self.assertEqual(drive(way[0], hex(dialog), *way[1:])[0], 0)
                self.assertTrue(window_gone("#32770", None, 20000) or not self.progress_dialog(0),
                                "the progress dialog did not close")
                # The stopped scan leaves no half-written page behind, not even its temporary file.
                wait_until(lambda: not os.listdir(SCAN_FOLDER), 20, "the stopped page to be removed")
                self.assertEqual(self.recorded_starts(), [])
        # The next press works as usual; it runs only once the stopped ones have ended.
        self.scanctl("pace", 0)
        self.press_until(4, lambda: self.scanned_files(), "a filed page")
        self.assertEqual(self.recorded_starts(), [])

    def press_until(self, button, effect, what):
        """Presses until the effect shows, at most four times: a press in the moment the
        stopped job's press is let go is refused as busy, and the user would press again."""
        for _ in range(4):
            self.scanctl("press", button, "--wait", 10000)
            deadline = time.monotonic() + 8
            while time.monotonic() < deadline:
                value = effect()
                if value:
                    return value
                time.sleep(0.05)
        self.fail(f"no {what} after four presses")

    def scanned_files_complete(self):
        """True when no scan is running: the progress dialog is gone and every file has a full BMP size."""
        if self.progress_dialog(0):
            return False
        for name in self.scanned_files():
            path = os.path.join(SCAN_FOLDER, name)
            with open(path, "rb") as f:
                header = f.read(6)
            if len(header) < 6 or int.from_bytes(header[2:6], "little") != os.path.getsize(path):
                return False
        return True


if __name__ == "__main__":
    unittest.main()
