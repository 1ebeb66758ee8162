"""Front-panel presses while Tornel is resident: the virtual scanner's engine calls
Tornel's button callback, and the dispatch runs the function "Button.InI" assigns."""

import unittest

from tornel_e2e import (TORNEL_NAME, WM_NULL, TornelCase, close_message_box, find_window, ini_value, message_box,
                        send, wait_until)

# Copy finds no printer in the test prefix: a press is its dispatch and the
# destination's message, which the test closes. The scanning
# functions have their own tests.
BUTTON_INI = """[Main]
1=4
2=2
3=4
4=8
[Copy]
Progress1=copy-1.bmp
Progress2=copy-2.bmp
[Mail]
Progress1=mail-1.bmp
"""


class ButtonPressTest(TornelCase):
    def setUp(self):
        super().setUp()
        self.button_ini = self.write_windows_ini("Button.InI", BUTTON_INI)
        self.window = self.start_resident()

    def progress(self):
        return (ini_value(self.button_ini, "Progress", "ScanTo_Image1"),
                ini_value(self.button_ini, "Progress", "ScanTo_Image2"))

    def press(self, button):
        result = self.scanctl("press", button, "--wait", 10000)
        self.assertIn("callback-entered-us", result.stdout)

    def close_destination_message(self):
        box = message_box(20000)
        self.assertIsNotNone(box, "the destination showed no message")
        close_message_box(box)

    def test_each_press_runs_its_buttons_function(self):
        self.press(2)
        wait_until(lambda: self.progress() == ("copy-1.bmp", "copy-2.bmp"), 10, "button 2's entries")
        self.close_destination_message()
        # Mail has no second entry: it is published empty.
        self.press(3)
        wait_until(lambda: self.progress() == ("mail-1.bmp", ""), 10, "button 3's entries")

    def test_a_button_without_a_function_changes_nothing(self):
        self.press(4)
        self.assertEqual(self.progress(), (None, None))
        # The window still answers: nothing went wrong in the dispatch.
        self.assertIsNotNone(send(self.window, WM_NULL))

    def test_codes_that_are_not_a_single_button_are_ignored(self):
        for code in (0, 3, 16, 255):
            self.scanctl("press-code", code, "--wait", 10000)
        self.assertEqual(self.progress(), (None, None))
        # A real press still works afterwards.
        self.press(2)
        wait_until(lambda: self.progress() == ("copy-1.bmp", "copy-2.bmp"), 10, "button 2's entries")

    def test_presses_keep_coming_after_a_second_button_launch(self):
        # A button launch hands its press to this instance and ends.
        second = self.start_tornel(*self.sti_launch_args(2))
        self.close_destination_message()
        self.assertEqual(second.wait(timeout=30), 0)
        wait_until(lambda: self.progress() == ("copy-1.bmp", "copy-2.bmp"), 10, "button 2's entries")
        self.assertEqual(find_window(TORNEL_NAME, TORNEL_NAME, 0), self.window)
        # The engine still reports presses to the same instance.
        self.press(3)
        wait_until(lambda: self.progress() == ("mail-1.bmp", ""), 10, "button 3's entries")

if __name__ == "__main__":
    unittest.main()
