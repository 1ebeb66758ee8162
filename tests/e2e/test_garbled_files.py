"""Garbled and hostile settings and text files: Tornel starts, says what it must, scans,
ends cleanly, and leaves what it could not read in the user's file as it was."""

import os
import shutil
import unittest

import test_scan as scan
from tornel_e2e import (SOURCE, TORNEL_NAME, WM_COMMAND, WM_NULL, TornelCase, drive, find_window, ini_value,
                        message_box_text, post, send, wait_until, windows_file, windows_processes)

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

# (file in the Windows directory, content, whether a page can still be scanned).
CASES = [
    ("kmconfig.ini", ABSURD_KMCONFIG.encode("latin-1"), True),
    ("Button.InI", binary(4096), False),
    ("Button.InI", b"[Main]\r\n4=16" + b"6" * 100000 + b"\r\n", False),
    ("kelmio32.ini", binary(2048), True),
    ("Tornel.loc", hostile_loc(), True),
    ("Tornel.loc", SHIPPED_LOC[:len(SHIPPED_LOC) // 3], True),
    ("Tornel.loc", binary(65536), True),
    ("Tornel.loc", SHIPPED_LOC + b"Padding " + b"x" * (50 * 1024 * 1024) + b"\r\n", True),
]


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
        for name, content, scans in CASES:
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
                for section, key, value in ABSURD_KEYS if name == "kmconfig.ini" else []:
                    self.assertEqual(ini_value(windows_file(name), section, key), value)


if __name__ == "__main__":
    unittest.main()
