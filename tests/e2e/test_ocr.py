"""OCR to document end to end: Tornel finds WordPad at start-up, button 1 scans the
virtual scanner's page of printed text, the OCR application recognises it and the
document opens in a real WordPad window."""

import os
import re
import shutil
import unittest

from tornel_e2e import (DRIVE_C, PROGRAM_FILES, TornelCase, drive, find_window, ini_value, kill_program, process_command_lines,
                        wait_until, windows_file, wine)

APP_PATHS = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths"
# As Windows registers WordPad: quoted, with the program-files reference unexpanded.
WORDPAD_VALUE = r'"%ProgramFiles%\Windows NT\Accessories\WORDPAD.EXE"'
WORDPAD_PATH = PROGRAM_FILES + r"\Windows NT\Accessories\WORDPAD.EXE"
WORDPAD_EDITOR = 2001
SCAN_FOLDER = os.path.join(DRIVE_C, "e2e_ocr")
# The words of the virtual scanner's page of printed text.
PAGE_WORDS = ["Tornel", "reads", "this", "page", "quick", "brown", "foxes", "jump", "over", "the", "lazy", "dog"]

BUTTON_INI = "[Main]\n1=1\n"
KMCONFIG = r"""[Tornel]
Doc5=0
Res5=0
Bri5=0
[Image]
DocType=7
Component=1
[MyFolder]
Num=1
Folder1=C:\e2e_ocr\
Default=1
"""


class OcrTest(TornelCase):
    def setUp(self):
        super().setUp()
        self.write_windows_ini("Button.InI", BUTTON_INI)
        self.write_windows_ini("kmconfig.ini", KMCONFIG)
        shutil.rmtree(SCAN_FOLDER, ignore_errors=True)
        os.makedirs(SCAN_FOLDER)
        self.addCleanup(shutil.rmtree, SCAN_FOLDER, True)
        # Windows registers WordPad; the virtual scanner's setup registered the OCR application.
        self.register(APP_PATHS + r"\WORDPAD.EXE", WORDPAD_VALUE, "REG_EXPAND_SZ")
        self.scanctl("page", "text")
        self.addCleanup(self.scanctl, "page", "test")
        self.addCleanup(kill_program, "wordpad.exe")

    def register(self, key, value, kind):
        """Sets a key's default value for this test; the key goes again afterwards
        unless it existed before (then its value is put back)."""
        before = wine("reg", "query", key, "/ve", check=False)
        wine("reg", "add", key, "/ve", "/t", kind, "/d", value, "/f")
        if before.returncode != 0:
            self.addCleanup(wine, "reg", "delete", key, "/f", check=False)
        else:
            old = re.search(r"\(Default\)\s+(REG_\w+)\s+(.*)", before.stdout)
            if old:
                self.addCleanup(wine, "reg", "add", key, "/ve", "/t", old.group(1), "/d", old.group(2).strip(), "/f")

    def test_button_one_opens_the_recognised_page_in_wordpad(self):
        self.start_resident()
        config = windows_file("kmconfig.ini")
        self.assertEqual(ini_value(config, "Tornel_Application", "ApName1"), "Windows WordPad")
        self.assertEqual(ini_value(config, "Tornel_Application", "ApFileName1"), WORDPAD_PATH)

        self.scanctl("press", 1, "--wait", 10000)
        window = find_window("WORDPADTOP", None, 120000, visible=True)
        self.assertIsNotNone(window, "no WordPad window opened")
        started = wait_until(lambda: [c for c in process_command_lines("wordpad.exe").values() if ".rtf" in c],
                             20, "WordPad's command line")
        document = re.search(r"(\S+\.rtf)", started[0]).group(1)
        path = wine("winepath", "-u", document).stdout.strip()
        self.addCleanup(os.remove, path)
        with open(path, encoding="latin-1") as f:
            self.assertTrue(f.read().startswith("{\\rtf1"))
        shown = wait_until(lambda: drive("text", hex(window), WORDPAD_EDITOR)[1], 20, "WordPad's text")
        if os.path.exists("/usr/bin/tesseract"):
            self.assertEqual([w for w in PAGE_WORDS if w not in shown.split()], [], shown)
        else:
            self.assertIn("No OCR engine is installed", shown)
        self.assertEqual([n for n in os.listdir(SCAN_FOLDER) if n.endswith(".tif")], [], "the image is deleted")


if __name__ == "__main__":
    unittest.main()
