"""Garbled and hostile settings and text files: Tornel starts, says what it must, scans,
ends cleanly, and leaves what it could not read in the user's file as it was."""

import os
import shutil
import unittest

from PIL import Image

import test_scan as scan
from tornel_e2e import (MAKER_DIR, SOURCE, TORNEL_NAME, TRAY_CALLBACK, WM_COMMAND, WM_NULL, TornelCase, drive,
                        find_window, ini_value, kill_program, message_box_text, post, registered_message, send,
                        unix_path, wait_until, windows_file, windows_processes)

IDM_CLOSE = 209

with open(os.path.join(SOURCE, "data", "Tornel.loc"), "rb") as f:
    SHIPPED_LOC = f.read()


def binary(size):
    """Bytes of every value, NULs and line ends included, in a fixed pattern."""
    return bytes((i * 7919 + (i >> 8)) & 0xFF for i in range(size))


CONVERSIONS = " %n%s%s%999999d%"


def hostile_loc():
    """The shipped texts with conversions in every message."""
    lines = []
    for line in SHIPPED_LOC.decode("cp1252").splitlines():
        if line.startswith("Msg"):
            line += CONVERSIONS
        lines.append(line)
    return "\r\n".join(lines).encode("cp1252")


# A user's file with values this program cannot read: each must survive a start and an end.
ABSURD_KMCONFIG = scan.KMCONFIG.replace("Res14=0", "Res14=-2147483649\r\nBri7=0x7fffffffffff\r\nDoc3=abc") \
    + "[Copy]\r\nDefRes=999999999999\r\nDefDoc=" + "9" * 5000 + "\r\n"
ABSURD_KEYS = [("Tornel", "Res14", "-2147483649"), ("Tornel", "Bri7", "0x7fffffffffff"), ("Tornel", "Doc3", "abc")]

# A count no list can have: the start must not walk it, nor drop the entries present.
NOTEPAD_LIST = scan.KMCONFIG.replace("ApName1=Recorder", "ApName1=Notepad") \
    .replace(r'"C:\e2e_app\record_args.exe"', r"C:\windows\notepad.exe")
KEPT_APPLICATION = [("Tornel_Application", "ApName1", "Notepad")]

# (file in the Windows directory, content, whether a page can still be scanned, keys
# that must read the same after the start and the end).
CASES = [
    ("kmconfig.ini", ABSURD_KMCONFIG.encode("latin-1"), True, ABSURD_KEYS),
    ("kmconfig.ini", NOTEPAD_LIST.replace("NumAp=1", "NumAp=100000000").encode("latin-1"), True, KEPT_APPLICATION),
    ("kmconfig.ini", NOTEPAD_LIST.replace("NumAp=1", "NumAp=-5").encode("latin-1"), True, KEPT_APPLICATION),
    ("Button.InI", binary(4096), False, []),
    ("Button.InI", b"[Main]\r\n4=16" + b"6" * 100000 + b"\r\n", False, []),
    ("kelmio32.ini", binary(2048), True, []),
    ("Tornel.loc", hostile_loc(), True, []),
    ("Tornel.loc", SHIPPED_LOC[:len(SHIPPED_LOC) // 3], True, []),
    ("Tornel.loc", binary(65536), True, []),
    ("Tornel.loc", SHIPPED_LOC + b"Padding " + b"x" * (50 * 1024 * 1024) + b"\r\n", True, []),
]


WM_TIMER, WM_DEVICECHANGE, WM_USER = 0x0113, 0x0219, 0x0400
# What any program can post to the tray window: pointers that are not Tornel's, and
# numbers no sender of Tornel's uses. Windows refuses to post the messages whose
# parameters it knows to be pointers (WM_CREATE, a device arrival).
HOSTILE_POSTS = [
    (WM_USER + 30, 0, 0), (WM_USER + 30, 0, 1), (WM_USER + 30, 0, 0x00410000),
    (WM_TIMER, 1, 0x00401000), (WM_TIMER, 2, 0),
    (WM_USER + 23, 0, 0), (WM_USER + 23, 0xFFFFFFFF, 0xFFFFFFFF), (WM_USER + 23, 5, 0),
    (WM_USER + 21, 0xFFFFFFFF, 0xDEADBEEF), (WM_USER + 22, 0xFFFFFFFF, 0xDEADBEEF),
    (TRAY_CALLBACK, 0xFFFFFFFF, 0xFFFFFFFF), (TRAY_CALLBACK, 1, 0x0405),
    (WM_DEVICECHANGE, 0x0007, 0xDEADBEEF), (WM_COMMAND, 0xFFFFFFFF, 0xDEADBEEF),
]
LXOCR_INI = unix_path(MAKER_DIR + r"\OcrDrv\LxOcr.ini")
# Letter is 8.5 x 11 inches: at 150 dpi 1275 x 1650 pixels.
LETTER_150 = (1275, 1650)
SAVED_CHOICES = scan.KMCONFIG.replace("Res14=0", "Res14=0\nArea14=2").replace("Default=1", "Default=1\nDefaultArea=2") \
    .replace("ApName1=Recorder", "ApName1=Windows WordPad") \
    .replace(r'"C:\e2e_app\record_args.exe"', r"C:\Program Files\Windows NT\Accessories\wordpad.exe") \
    + "Language=4\n"


class GarbledFileTest(TornelCase):
    def setUp(self):
        super().setUp()
        self.originals = {}
        for name in {case[0] for case in CASES}:
            self.own_file(windows_file(name))
            if os.path.exists(windows_file(name)):
                with open(windows_file(name), "rb") as f:
                    self.originals[name] = f.read()
        shutil.rmtree(scan.SCAN_FOLDER, ignore_errors=True)
        os.makedirs(scan.SCAN_FOLDER)
        self.addCleanup(shutil.rmtree, scan.SCAN_FOLDER, True)

    def close_boxes(self):
        """Closes every message box that shows, and returns their texts."""
        texts = []
        while True:
            box = find_window("#32770", None, 1500, visible=True)
            if box is None:
                return texts
            texts.append(message_box_text(box))
            drive("click", hex(box), 1)
            wait_until(lambda: drive("text", hex(box))[0] != 0, 10, "the box to close")

    def put(self, name, content):
        path = windows_file(name)
        self.own_file(path)
        with open(path, "wb") as f:
            f.write(content)

    def test_each_garbled_file(self):
        for name, content, scans, kept in CASES:
            with self.subTest(file=name, size=len(content)):
                for original, data in self.originals.items():
                    self.put(original, data)
                self.write_windows_ini("Button.InI", scan.BUTTON_INI)
                self.write_windows_ini("kmconfig.ini", scan.KMCONFIG)
                self.put(name, content)
                process = self.start_tornel()
                window = find_window(TORNEL_NAME, TORNEL_NAME, 30000)
                self.assertIsNotNone(window, "Tornel did not start")
                texts = self.close_boxes()
                for text in texts:
                    # Conversions in a text are shown as they stand, never carried out.
                    if "%" in (text or ""):
                        self.assertIn(CONVERSIONS.strip(), text)
                if process.poll() is None:
                    self.assertIsNotNone(send(window, WM_NULL), "Tornel stopped answering")
                    if scans:
                        before = len(os.listdir(scan.SCAN_FOLDER))
                        self.scanctl("press", 4, "--wait", 10000)
                        self.close_boxes()
                        wait_until(lambda: len(os.listdir(scan.SCAN_FOLDER)) > before, 60, "a page")
                        wait_until(lambda: find_window("#32770", None, 0, visible=True) is None, 60, "the scan")
                    post(window, WM_COMMAND, IDM_CLOSE)
                    self.close_boxes()
                self.assertEqual(process.wait(timeout=60), 0)
                for section, key, value in kept:
                    self.assertEqual(ini_value(windows_file(name), section, key), value)


    def test_hostile_posts_then_a_restart_keeps_the_area_and_the_ocr_language(self):
        # As OK of the Button manager left them: Letter for the folder, Traditional
        # Chinese for OCR, WordPad as the application.
        self.write_windows_ini("Button.InI", scan.BUTTON_INI)
        self.write_windows_ini("kmconfig.ini", SAVED_CHOICES)
        self.own_file(LXOCR_INI)
        self.addCleanup(kill_program, "wordpad.exe")
        process = self.start_tornel()
        window = self.wait_for_message_loop()
        for message, wparam, lparam in HOSTILE_POSTS:
            self.assertTrue(post(window, message, wparam, lparam))
        self.assertIsNotNone(send(window, registered_message("TaskbarCreated")))
        self.assertIsNotNone(send(window, WM_NULL), "Tornel stopped answering")
        self.assertEqual(self.close_boxes(), [])
        self.scanctl("press", 4, "--wait", 10000)
        page = wait_until(lambda: [n for n in os.listdir(scan.SCAN_FOLDER) if n.endswith(".bmp")], 60, "a page")
        wait_until(lambda: find_window("#32770", None, 0, visible=True) is None, 60, "the scan to end")
        with Image.open(os.path.join(scan.SCAN_FOLDER, page[0])) as image:
            self.assertEqual(image.size, LETTER_150)
        # The Chinese languages go to the OCR engine, which reads them from its job file.
        self.scanctl("press", 1, "--wait", 10000)
        wait_until(lambda: ini_value(LXOCR_INI, "Attribute", "Language") == "Traditional Chinese", 60,
                   "the OCR engine's job in Traditional Chinese")
        wait_until(lambda: find_window("#32770", None, 0, visible=True) is None, 60, "the scan to end")
        post(window, WM_COMMAND, IDM_CLOSE)
        self.assertEqual(process.wait(timeout=60), 0)
        self.assertEqual(ini_value(windows_file("kmconfig.ini"), "Tornel", "Area14"), "2")
        self.assertEqual(ini_value(windows_file("kmconfig.ini"), "MyFolder", "DefaultArea"), "2")


if __name__ == "__main__":
    unittest.main()
