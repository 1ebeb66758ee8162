"""Engine faults end to end: whatever the scanner's engine reports, Tornel says so
once in words the user can read, leaves no partial page under a final name, keeps its
window answering and scans again once the fault is gone."""

import os
import re
import shutil
import unittest

from PIL import Image

import test_scan as scan
from tornel_e2e import (SOURCE, TORNEL_NAME, WM_NULL, TornelCase, drive, find_window, message_box_text, send,
                        wait_until, windows_file, windows_processes)


def localized_texts():
    """Key to text of the shipped English localization file, as the program shows them."""
    texts = {}
    with open(os.path.join(SOURCE, "data", "Tornel.loc"), encoding="cp1252") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if not line or line.startswith("//"):
                continue
            key, _, text = line.partition(" ")
            texts[key] = text.strip().replace("\\n", "\n")
    return texts


TEXTS = localized_texts()

# Faults met while a press runs: (fault name, injected status, key of the expected message).
PRESS_FAULTS = [
    ("TNeGetScannerCapabilities", 2, "MsgDeviceBusy"),
    ("TNeProcessImage", -9, "MsgDeviceError"),
    ("TNeScanAsync", 1, "MsgDeviceNotConnected"),
    ("TNeScanAsync", -10, "MsgUnabletoOpenDevice"),
    ("ScanError", -12, "MsgFileIOError"),  # half the page scanned, then the failure
    ("ScanError", 77, "MsgErrorOccured"),  # a status the program has no text for
]

# Faults met when Tornel takes the scanner at start: (fault name, status, message key,
# whether the engine then reports presses; None where the engine decides).
START_FAULTS = [
    ("TNeInitEngine", -10, "MsgUnabletoOpenDevice", False),
    ("TNeChooseScanner", -20, "MsgChoosenDeviceNotFound", False),
    ("TNeRegisterNotification", -9, "MsgDeviceError", None),
]


class FaultCase(TornelCase):
    def setUp(self):
        super().setUp()
        self.write_windows_ini("Button.InI", scan.BUTTON_INI)
        self.write_windows_ini("kmconfig.ini", scan.KMCONFIG)
        shutil.rmtree(scan.SCAN_FOLDER, ignore_errors=True)
        os.makedirs(scan.SCAN_FOLDER)
        self.addCleanup(shutil.rmtree, scan.SCAN_FOLDER, True)
        self.addCleanup(self.scanctl, "fault", "clear")

    def files(self):
        return sorted(os.listdir(scan.SCAN_FOLDER))

    def no_dialog(self):
        return find_window("#32770", None, 0, visible=True) is None

    def expect_one_message(self, key, seconds=20):
        box = find_window("#32770", "Error", seconds * 1000, visible=True)
        self.assertIsNotNone(box, f"no message for {key}")
        text = message_box_text(box)
        self.assertEqual(drive("click", hex(box), 1)[0], 0)
        # Line ends arrive as the console wrote them; the words and lines are what count.
        self.assertEqual(re.sub(r"[\r\n]+", "\n", text or ""), TEXTS[key])
        wait_until(self.no_dialog, 20, f"the boxes after {key} to close")

    def assert_only_complete_pages(self):
        for name in self.files():
            with Image.open(os.path.join(scan.SCAN_FOLDER, name)) as image:
                self.assertEqual(image.size, scan.A4_150, name)
                image.load()

    def press_and_expect_a_page(self):
        before = len(self.files())
        self.scanctl("press", 4, "--wait", 10000)
        wait_until(lambda: len(self.files()) == before + 1 and self.no_dialog(), 60, "a page after the fault")
        self.assert_only_complete_pages()


class PressFaultTest(FaultCase):
    def test_each_fault_during_a_press(self):
        window = self.start_resident()
        for name, status, key in PRESS_FAULTS:
            with self.subTest(fault=name, status=status):
                self.scanctl("fault", name, status)
                self.scanctl("press", 4, "--wait", 10000)
                self.expect_one_message(key)
                self.assertIsNotNone(send(window, WM_NULL), "Tornel stopped answering")
                self.assert_only_complete_pages()
                self.scanctl("fault", "clear")
                self.press_and_expect_a_page()



    def set_plugged(self, plugged):
        self.scanctl("plug" if plugged else "unplug")

    def test_unplug_during_a_scan_says_so_once(self):
        window = self.start_resident()
        self.addCleanup(self.scanctl, "pace", 0)
        self.scanctl("pace", 200)
        self.scanctl("press", 4, "--wait", 10000)
        wait_until(self.files, 20, "the scan to begin its file")
        self.set_plugged(False)
        self.expect_one_message("MsgDeviceNotConnected")
        self.assertEqual(self.files(), [], "the unfinished page was left")
        self.scanctl("pace", 0)
        self.set_plugged(True)
        self.assertIsNotNone(send(window, WM_NULL), "Tornel stopped answering")
        self.press_and_expect_a_page()


class StartFaultTest(FaultCase):
    def scanner_held(self):
        return self.scanctl("press", 1, "--wait", 5000, check=False).returncode == 0

    def test_each_fault_when_taking_the_scanner(self):
        for name, status, key, held in START_FAULTS:
            with self.subTest(fault=name, status=status):
                self.scanctl("fault", name, status)
                self.start_tornel()
                self.expect_one_message(key)
                window = find_window(TORNEL_NAME, TORNEL_NAME, 20000)
                self.assertIsNotNone(window)
                self.assertIsNotNone(send(window, WM_NULL), "Tornel stopped answering")
                if held is not None:
                    self.assertEqual(self.scanner_held(), held)
                self.scanctl("fault", "clear")
                self._end_processes()

    def test_no_engine_installed(self):
        engine = windows_file("TNENGINE.dll")
        self.own_file(engine)
        os.remove(engine)  # put back by the case's own cleanup
        self.start_tornel()
        self.expect_one_message("MsgLibNotFound")
        window = find_window(TORNEL_NAME, TORNEL_NAME, 20000)
        self.assertIsNotNone(send(window, WM_NULL), "Tornel stopped answering")
        # A press of a launch finds no scanner and says so, once.
        self.start_tornel(*self.sti_launch_args(4))
        self.expect_one_message("MsgLibNotFound")
        self.assertEqual(len(windows_processes("Tornel.exe")), 1)
        self.assertEqual(self.files(), [])


if __name__ == "__main__":
    unittest.main()
