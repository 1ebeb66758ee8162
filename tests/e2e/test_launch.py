"""Launch decoding and the single-instance rule, with the real Tornel.exe."""

import os
import unittest

from tornel_e2e import (DRIVE_C, TORNEL_NAME, TornelCase, drive, find_window, ini_value, wait_until,
                        windows_file)

BUTTON_INI = """[Main]
1=1
2=2
3=4
4=16
[Image]
Progress1=image-1.bmp
Progress2=image-2.bmp
[Copy]
Progress1=copy-1.bmp
Progress2=copy-2.bmp
[Mail]
Progress1=mail-1.bmp
Progress2=mail-2.bmp
"""


class LaunchTest(TornelCase):
    def setUp(self):
        super().setUp()
        self.button_ini = self.write_windows_ini("Button.InI", BUTTON_INI)
        self.own_file(os.path.join(DRIVE_C, "tmp.txt"))

    def progress(self, key):
        return ini_value(self.button_ini, "Progress", key)

    def test_still_image_launch_dispatches_its_button_and_stays_resident(self):
        process = self.start_tornel(*self.sti_launch_args(2, upper=True))
        # The entries are written one after the other: both are waited for.
        wait_until(lambda: self.progress("ScanTo_Image1") == "copy-1.bmp" and
                   self.progress("ScanTo_Image2") == "copy-2.bmp", 20,
                   "button 2's copy function to publish its progress entries")
        with open(os.path.join(DRIVE_C, "tmp.txt")) as f:
            self.assertEqual(f.read(), "{c2bcf5ad-bbd9-45d5-bfe1-241ac30d5859}")
        self.assertIsNotNone(find_window(TORNEL_NAME, TORNEL_NAME, 5000))
        self.assertIsNone(process.poll(), "the launched instance should stay resident")

    def test_plain_launch_dispatches_nothing(self):
        process = self.start_resident_process()
        self.assertIsNone(self.progress("ScanTo_Image1"))
        with open(os.path.join(DRIVE_C, "tmp.txt")) as f:
            self.assertEqual(f.read(), "")
        self.assertIsNone(process.poll())

    def test_button_launch_hands_the_press_to_the_resident_instance(self):
        resident = self.start_resident_process()
        second = self.start_tornel(*self.sti_launch_args(3))
        # The launched process ends; the resident one runs button 3 (mail) and stays.
        self.assertEqual(second.wait(timeout=30), 0)
        wait_until(lambda: self.progress("ScanTo_Image1") == "mail-1.bmp", 20, "button 3 to run in the resident instance")
        self.assertIsNone(resident.poll(), "the resident instance must keep running")
        self.assertIsNotNone(find_window(TORNEL_NAME, TORNEL_NAME, 0))

    def test_show_is_forwarded_and_the_second_process_ends(self):
        resident = self.start_resident_process()
        second = self.start_tornel("/SHOW")
        # The resident instance shows the Button manager; the second process waits
        # until it is closed.
        dialog = find_window("#32770", "Button manager...", 20000, visible=True)
        self.assertIsNotNone(dialog, "the resident instance did not open the Button manager")
        self.assertIsNone(second.poll())
        drive("click", hex(dialog), 2)
        self.assertEqual(second.wait(timeout=30), 0)
        self.assertIsNone(resident.poll(), "the resident instance must keep running")

    def test_unknown_event_dispatches_nothing(self):
        process = self.start_tornel("/StiDevice:x", "/StiEvent:{00000000-0000-0000-0000-000000000000}")
        self.wait_for_message_loop()
        self.assertIsNone(self.progress("ScanTo_Image1"))
        self.assertIsNone(process.poll())

    def start_resident_process(self):
        process = self.start_tornel()
        self.wait_for_message_loop()
        return process


if __name__ == "__main__":
    unittest.main()
