"""The balloon a finished press shows on the tray icon: its text in the installed
language (English when the localization has none), off by a setting, and a click on a
saved page's balloon opening its folder."""

import os
import shutil
import unittest

from tornel_e2e import (DRIVE_C, SOURCE, WM_CLOSE, TornelCase, drive, find_window, message_box, post, wait_until,
                        windows_file)

SCAN_FOLDER = os.path.join(DRIVE_C, "e2e_balloons")
TRAY_CALLBACK = 0x0400 + 10
BALLOON_CLICK = 0x0400 + 5
KMCONFIG = "[MyFolder]\nNum=1\nFolder1=C:\\e2e_balloons\\\nDefault=1\n[Notification]\nBalloons={}\n"


def shown_balloon(prefix):
    """The visible balloon window whose text begins with prefix, with its text, or None."""
    shown = find_window("tooltips_class32", None, 0, visible=True)
    text = drive("text", hex(shown))[1] if shown else ""
    return (shown, text) if text.startswith(prefix) else None


def localization(name, without_balloon_texts=False):
    with open(os.path.join(SOURCE, "data", name), "rb") as f:
        lines = f.read().splitlines(keepends=True)
    return b"".join(line for line in lines if not (without_balloon_texts and line.startswith(b"TipDone")))


class BalloonTest(TornelCase):
    def setUp(self):
        super().setUp()
        self.write_windows_ini("Button.InI", "[Main]\n4=16\n")
        shutil.rmtree(SCAN_FOLDER, ignore_errors=True)
        os.makedirs(SCAN_FOLDER)
        self.addCleanup(shutil.rmtree, SCAN_FOLDER, True)

    def press_for_balloon(self, loc, balloons, prefix):
        """Starts Tornel with the localization and setting and files a page; returns the
        window and the text of the balloon that begins with prefix, or None when none
        shows within a few seconds (the start-up balloon may show meanwhile)."""
        self.write_windows_ini("kmconfig.ini", KMCONFIG.format(balloons))
        with open(windows_file("Tornel.loc"), "wb") as f:
            f.write(loc)
        window = self.start_resident()
        files = len(os.listdir(SCAN_FOLDER))
        self.scanctl("press", 4, "--wait", 10000)
        wait_until(lambda: len(os.listdir(SCAN_FOLDER)) > files, 30, "the filed page")

        def balloon():
            shown = find_window("tooltips_class32", None, 0, visible=True)
            text = drive("text", hex(shown))[1] if shown else ""
            return text if text.startswith(prefix) else None
        try:
            return window, wait_until(balloon, 5, "the balloon")
        except AssertionError:
            return window, None

    def test_the_balloon_says_what_the_press_did(self):
        folder = "C:\\e2e_balloons\\Dec_"
        cases = [
            ("English", localization("Tornel.loc"), 1, "Saved " + folder, True),
            ("German", localization("Tornel.deu.loc"), 1, "Gespeichert: " + folder, True),
            ("a localization without the texts", localization("Tornel.loc", True), 1, "Saved " + folder, True),
            ("turned off", localization("Tornel.loc"), 0, "Saved", False),
        ]
        for what, loc, balloons, prefix, shown in cases:
            with self.subTest(what):
                _, text = self.press_for_balloon(loc, balloons, prefix)
                self.assertEqual(text is not None, shown, text)
                self._end_processes()

    def test_a_click_on_a_saved_page_opens_its_folder(self):
        window, text = self.press_for_balloon(localization("Tornel.loc"), 1, "Saved")
        self.assertIsNotNone(text)
        post(window, TRAY_CALLBACK, 1, BALLOON_CLICK)
        folder = find_window("ExplorerWClass", "e2e_balloons", 20000, visible=True)
        self.assertIsNotNone(folder, "the folder did not open")
        post(folder, WM_CLOSE)

    def test_a_press_during_a_job_is_told_once_and_the_next_press_works(self):
        self.write_windows_ini("kmconfig.ini", KMCONFIG.format(1))
        self.addCleanup(self.scanctl, "pace", 0)
        self.start_resident()
        self.scanctl("pace", 100)  # an A4 page at 150 dpi takes about 18 s
        # A handed-over press scans on a thread of its own: the engine's button thread is
        # free to bring the press that is refused.
        self.assertEqual(self.start_tornel(*self.sti_launch_args(4)).wait(timeout=30), 0)
        wait_until(lambda: os.listdir(SCAN_FOLDER), 20, "the scan to begin its file")
        self.scanctl("press", 4, "--wait", 10000)
        first, text = wait_until(lambda: shown_balloon("Busy"), 10, "the busy balloon")
        self.assertEqual(text, "Busy: scanning for Folder. Press again when it is done.")
        # Wine shows a balloon given again in a new window, two seconds on.
        self.assertEqual(self.start_tornel(*self.sti_launch_args(4)).wait(timeout=30), 0)
        with self.assertRaises(AssertionError):
            wait_until(lambda: (shown_balloon("Busy") or (first,))[0] != first, 5, "a second busy balloon")
        self.scanctl("pace", 0)
        wait_until(lambda: message_box(0) is None, 30, "the job to end")
        self.scanctl("press", 4, "--wait", 10000)
        wait_until(lambda: len(os.listdir(SCAN_FOLDER)) == 2 and message_box(0) is None, 30, "the next page")


if __name__ == "__main__":
    unittest.main()
