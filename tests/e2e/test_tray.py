"""The tray window: its icon and menu, the sibling programs it starts, and when it
holds the scanner. Whether Tornel holds the scanner shows from outside: the virtual
scanner's engine listens for presses only between Tornel taking the scanner and
releasing it, so a press with --wait succeeds only then."""

import os
import shutil
import unittest

from tornel_e2e import (DRIVE_C, MAKER_DIR, drive, MENU_CLOSE, MENU_COPIER, MENU_KELMIO, MENU_SCANNER_TEST,
                        REACQUIRE_SCANNER, RELEASE_SCANNER, TORNEL_NAME, TRAY_CALLBACK, TRAY_ICON_ID,
                        WM_CLOSE, WM_COMMAND, WM_LBUTTONDBLCLK, WM_NULL, TornelCase, choose_menu_item,
                        close_message_box, count_windows, delete_icon, dismiss_menu, find_window, icon_exists,
                        kill_program, message_box, menu_closed, message_box_text, open_tray_menu, post,
                        registered_message, right_click_icon, send, start, tray_menu, wait_until, window_gone,
                        windows_processes)

# Button 1 runs nothing, so a press is only the proof that the engine listens;
# button 4 scans to a folder and shows the progress dialog.
BUTTON_INI = """[Main]
1=0
4=16
"""

SCAN_FOLDER = os.path.join(DRIVE_C, "e2e_tray_scans")
KMCONFIG = r"""[MyFolder]
Num=1
Folder1=C:\e2e_tray_scans\
Default=1
"""

# (window class, title, executable) of the sibling stand-ins.
KELMIO = ("UI_MAIN_WND", None, "kelmio.exe")
COPIER = ("Copier", "Copier", "replic32.exe")
SCANNER_TEST = (None, "TAVEN Scanner Test Program", "probe32.exe")
SIBLINGS = (KELMIO, COPIER, SCANNER_TEST)

FILE_ERROR = "File Error! Please reinstall your driver"
# The engine status -20 that the scanner's choice can be made to fail with, and its message.
CHOSEN_DEVICE_NOT_FOUND = -20
CHOSEN_DEVICE_NOT_FOUND_TEXT = "The chosen scanner was not found."
PROGRESS_TITLE = "Scan to folder"

# Lines per second that make an A4 page at 150 dpi take about three and a half
# seconds: long enough to act while the progress dialog shows.
SLOW_PACE = 500


class TrayCase(TornelCase):
    def setUp(self):
        super().setUp()
        self.write_windows_ini("Button.InI", BUTTON_INI)
        self.write_windows_ini("kmconfig.ini", KMCONFIG)
        self.use_user_path(MAKER_DIR + "\\")
        for _, _, executable in SIBLINGS:
            self.addCleanup(kill_program, executable)

    def use_user_path(self, folder):
        text = "[Kelmio]\n" if folder is None else f"[Kelmio]\nUserPath={folder}\n"
        self.write_windows_ini("kelmio32.ini", text)

    def scanner_held(self):
        """True when Tornel has the scanner: its button callback is entered."""
        result = self.scanctl("press", 1, "--wait", 10000, check=False)
        return result.returncode == 0

    def set_plugged(self, plugged):
        """Plugs or unplugs the virtual scanner; scanctl tells every window."""
        self.scanctl("plug" if plugged else "unplug")

    def prepare_slow_scan(self):
        """An empty scan folder for button 4 and a scanner slow enough to act during a scan."""
        shutil.rmtree(SCAN_FOLDER, ignore_errors=True)
        os.makedirs(SCAN_FOLDER)
        self.addCleanup(shutil.rmtree, SCAN_FOLDER, True)
        self.scanctl("pace", SLOW_PACE)

    def wait_scanner_released(self):
        wait_until(lambda: not self.scanner_held(), 20, "Tornel to release the scanner")

    def start_sibling(self, sibling):
        window_class, title, executable = sibling
        self._processes.append(start(MAKER_DIR + "\\" + executable))
        window = find_window(window_class, title, 20000)
        self.assertIsNotNone(window, f"{executable} did not show its window")
        return window

    def sibling_window(self, sibling, timeout_ms=0, visible=False):
        window_class, title, _ = sibling
        return find_window(window_class, title, timeout_ms, visible)

    def running(self, sibling):
        return len(windows_processes(sibling[2]))

    def settle(self, window):
        """Returns once the window procedure has handled everything posted before."""
        self.assertIsNotNone(send(window, WM_NULL), "Tornel stopped answering")

    def expect_no_new_program(self, sibling, before):
        # A started program would be in the process list as soon as CreateProcess returned.
        self.assertEqual(self.running(sibling), before, f"{sibling[2]} was started")


class MenuTest(TrayCase):
    def test_each_entry_starts_its_program(self):
        window = self.start_resident()
        self.assertTrue(icon_exists(window), "the icon was not added")
        for position, sibling in ((MENU_KELMIO, KELMIO), (MENU_COPIER, COPIER), (MENU_SCANNER_TEST, SCANNER_TEST)):
            with self.subTest(program=sibling[2]):
                self.pick_entry(window, position)
                # Shown, so its activation can no longer close the next menu.
                self.assertIsNotNone(self.sibling_window(sibling, 20000, visible=True), f"{sibling[2]} did not start")
                self.assertEqual(self.running(sibling), 1)

    def pick_entry(self, window, position):
        """Opens the menu and picks an entry. A menu that closed before all the keys
        reached it (a window of the program started before took the focus) picked
        nothing, so it is opened again."""
        for _ in range(3):
            menu = open_tray_menu(window)
            self.assertIsNotNone(menu, "the menu did not open")
            if choose_menu_item(menu, position):
                return
        self.fail("the menu closed before an entry could be picked")

    def test_close_entry_ends_tornel(self):
        process = self.start_tornel()
        window = find_window(TORNEL_NAME, TORNEL_NAME, 20000)
        self.settle(window)
        menu = open_tray_menu(window)
        self.assertIsNotNone(menu, "the menu did not open")
        self.assertTrue(choose_menu_item(menu, MENU_CLOSE))
        self.assertEqual(process.wait(timeout=30), 0)
        self.assertIsNone(find_window(TORNEL_NAME, TORNEL_NAME, 0))
        # The scanner was given back: no engine listens.
        self.assertFalse(self.scanner_held())

    def test_dismissed_menu_leaves_tornel_as_it_was(self):
        window = self.start_resident()
        menu = open_tray_menu(window)
        self.assertIsNotNone(menu, "the menu did not open")
        dismiss_menu(menu)
        self.assertTrue(menu_closed())
        self.settle(window)
        self.assertTrue(self.scanner_held())
        self.assertEqual(sum(self.running(sibling) for sibling in SIBLINGS), 0)
        # It opens again.
        menu = open_tray_menu(window)
        self.assertIsNotNone(menu, "the menu did not open a second time")
        dismiss_menu(menu)

    def test_no_menu_while_a_scan_runs(self):
        self.prepare_slow_scan()
        window = self.start_resident()
        self.scanctl("press", 4, "--wait", 10000)
        dialog = message_box(20000)
        self.assertIsNotNone(dialog, "the progress dialog did not show")
        right_click_icon(window)
        self.settle(window)
        self.assertIsNone(tray_menu(1000), "the menu opened during a scan")
        self.assertTrue(window_gone("#32770", None, 60000), "the scan did not end")
        # Once the job is over the menu opens again; the job clears its busy flag
        # a moment after its dialog closed, so ask until it does.
        menu = wait_until(lambda: open_tray_menu(window, 1000), 20, "the menu after the scan")
        dismiss_menu(menu)
        self.assertEqual(len(os.listdir(SCAN_FOLDER)), 1)

    def test_no_menu_while_the_button_manager_is_open(self):
        window = self.start_resident()
        post(window, TRAY_CALLBACK, TRAY_ICON_ID, WM_LBUTTONDBLCLK)
        dialog = find_window("#32770", "Button manager...", 20000, visible=True)
        self.assertIsNotNone(dialog, "a double click did not open the Button manager")
        right_click_icon(window)
        self.settle(window)
        self.assertIsNone(tray_menu(500), "the menu opened over the Button manager")
        self.assertEqual(drive("click", hex(dialog), 2)[0], 0)
        self.assertTrue(window_gone("#32770", "Button manager...", 20000))
        menu = open_tray_menu(window)
        self.assertIsNotNone(menu, "the menu stayed suppressed after the Button manager closed")
        dismiss_menu(menu)

    def test_icon_comes_back_when_the_taskbar_starts_again(self):
        window = self.start_resident()
        self.assertTrue(icon_exists(window))
        # As after a restart of the shell: the icon is gone and TaskbarCreated is broadcast.
        self.assertTrue(delete_icon(window))
        self.assertFalse(icon_exists(window))
        self.assertIsNotNone(send(window, registered_message("TaskbarCreated")))
        self.assertTrue(icon_exists(window), "the icon was not added again")
        # The callback still reaches the window.
        menu = open_tray_menu(window)
        self.assertIsNotNone(menu)
        dismiss_menu(menu)


class SiblingStartTest(TrayCase):
    def test_scanning_application_is_not_started_twice(self):
        window = self.start_resident()
        self.start_sibling(KELMIO)
        post(window, WM_COMMAND, 11202, 0)
        self.settle(window)
        self.expect_no_new_program(KELMIO, 1)
        self.assertEqual(count_windows("UI_MAIN_WND", None), 1)

    def test_scanning_application_starts_when_its_window_is_absent(self):
        window = self.start_resident()
        post(window, WM_COMMAND, 11202, 0)
        self.assertIsNotNone(self.sibling_window(KELMIO, 20000), "kelmio.exe did not start")
        self.assertEqual(self.running(KELMIO), 1)

    def test_copier_and_scanner_test_are_not_started_twice(self):
        window = self.start_resident()
        for command, sibling in ((203, COPIER), (204, SCANNER_TEST)):
            with self.subTest(program=sibling[2]):
                self.start_sibling(sibling)
                post(window, WM_COMMAND, command, 0)
                self.settle(window)
                self.expect_no_new_program(sibling, 1)

    def test_only_the_whole_command_word_counts(self):
        # A notification code in the high word makes it another command.
        window = self.start_resident()
        post(window, WM_COMMAND, (1 << 16) | 203, 0)
        self.settle(window)
        self.expect_no_new_program(COPIER, 0)
        self.assertIsNone(message_box(500))

    def test_missing_or_too_short_folder_says_reinstall_and_starts_nothing(self):
        window = self.start_resident()
        for folder in (None, "C:"):
            with self.subTest(user_path=folder):
                self.use_user_path(folder)
                post(window, WM_COMMAND, 203, 0)
                box = message_box(10000)
                self.assertIsNotNone(box, "no message appeared")
                self.assertEqual(message_box_text(box), FILE_ERROR)
                close_message_box(box)
                self.settle(window)
                self.expect_no_new_program(COPIER, 0)

    def test_folder_without_the_program_names_the_path(self):
        empty = os.path.join(DRIVE_C, "e2e_no_programs")
        os.makedirs(empty, exist_ok=True)
        self.addCleanup(shutil.rmtree, empty, True)
        window = self.start_resident()
        self.use_user_path("C:\\e2e_no_programs")
        post(window, WM_COMMAND, 204, 0)
        box = message_box(10000)
        self.assertIsNotNone(box, "no message appeared")
        self.assertIn("C:\\e2e_no_programs\\probe32.exe", message_box_text(box))
        close_message_box(box)
        self.expect_no_new_program(SCANNER_TEST, 0)
        # Tornel goes on.
        self.assertTrue(self.scanner_held())


class ScannerHoldTest(TrayCase):
    def test_unplug_releases_and_plug_takes_the_scanner_back(self):
        process = self.start_tornel()
        window = find_window(TORNEL_NAME, TORNEL_NAME, 20000)
        self.settle(window)
        self.assertTrue(self.scanner_held())
        self.set_plugged(False)
        self.assertFalse(self.scanner_held(), "the engine still listens after the scanner left")
        self.set_plugged(True)
        self.assertTrue(self.scanner_held(), "the scanner was not taken back")
        # Another round, then the menu built again after the unplug still ends Tornel.
        self.set_plugged(False)
        self.assertFalse(self.scanner_held())
        menu = open_tray_menu(window)
        self.assertIsNotNone(menu, "no menu after the scanner left")
        self.assertTrue(choose_menu_item(menu, MENU_CLOSE))
        self.assertEqual(process.wait(timeout=30), 0)

    def expect_scanner_opened_again(self, timeout_ms):
        """The box of the failing choice that opening the scanner again shows."""
        box = find_window("#32770", "Error", timeout_ms, visible=True)
        self.assertIsNotNone(box, "the device change did not open the scanner again")
        self.assertEqual(message_box_text(box), CHOSEN_DEVICE_NOT_FOUND_TEXT)
        close_message_box(box)

    def test_device_change_while_plugged_opens_the_scanner_again(self):
        self.start_resident()
        self.addCleanup(self.scanctl, "fault", "clear")
        self.scanctl("fault", "TNeChooseScanner", CHOSEN_DEVICE_NOT_FOUND)
        self.scanctl("plug")
        self.expect_scanner_opened_again(10000)

    def test_device_change_during_a_scan_waits_for_its_end(self):
        self.prepare_slow_scan()
        self.scanctl("pace", SLOW_PACE // 2)
        self.start_resident()
        self.addCleanup(self.scanctl, "fault", "clear")
        self.scanctl("press", 4, "--wait", 10000)
        self.assertIsNotNone(find_window("#32770", PROGRESS_TITLE, 20000, visible=True), "no progress dialog")
        self.scanctl("fault", "TNeChooseScanner", CHOSEN_DEVICE_NOT_FOUND)
        self.scanctl("plug")
        self.assertIsNone(find_window("#32770", "Error", 2000, visible=True), "the scanner was opened during the scan")
        self.assertIsNotNone(find_window("#32770", PROGRESS_TITLE, 0, visible=True), "the scan ended too soon to tell")
        self.expect_scanner_opened_again(60000)
        self.assertIsNone(find_window("#32770", PROGRESS_TITLE, 0), "handled before the progress dialog closed")

    def test_release_and_reacquire_on_request(self):
        window = self.start_resident()
        # Twice: taking the scanner back must not depend on whether it was done before.
        for round_number in (1, 2):
            with self.subTest(round=round_number):
                self.assertIsNotNone(send(window, RELEASE_SCANNER))
                self.assertFalse(self.scanner_held())
                self.assertIsNotNone(send(window, REACQUIRE_SCANNER))
                self.assertTrue(self.scanner_held())

    def test_no_reacquire_while_the_scanner_test_program_is_open(self):
        window = self.start_resident()
        # The stand-in asks Tornel to give the scanner up when it starts.
        self.start_sibling(SCANNER_TEST)
        self.wait_scanner_released()
        send(window, RELEASE_SCANNER)
        send(window, REACQUIRE_SCANNER)
        self.assertFalse(self.scanner_held(), "the scanner was taken while the test program runs")
        # Ended without its own goodbye (which would ask for the scanner back itself).
        kill_program("probe32.exe")
        self.assertTrue(window_gone(None, SCANNER_TEST[1], 10000), "the test program's window stayed")
        self.assertFalse(self.scanner_held())
        send(window, REACQUIRE_SCANNER)
        self.assertTrue(self.scanner_held(), "the scanner was not taken back")

    def test_no_reacquire_while_a_copier_window_is_open(self):
        window = self.start_resident()
        self.start_sibling(COPIER)
        self.wait_scanner_released()
        send(window, REACQUIRE_SCANNER)
        self.assertFalse(self.scanner_held())
        # Closed normally, the copier asks for the scanner to be taken back.
        copier = self.sibling_window(COPIER)
        post(copier, WM_CLOSE)
        wait_until(self.scanner_held, 20, "Tornel to take the scanner back after the copier ended")

    def test_sibling_started_twice_gives_the_scanner_back_each_time(self):
        self.start_resident()
        for round_number in (1, 2):
            with self.subTest(round=round_number):
                self.start_sibling(COPIER)
                self.wait_scanner_released()
                post(self.sibling_window(COPIER), WM_CLOSE)
                wait_until(self.scanner_held, 20, "Tornel to take the scanner back")
                wait_until(lambda: self.running(COPIER) == 0, 20, "the copier to end")

    def test_release_during_a_scan_keeps_the_engine(self):
        self.prepare_slow_scan()
        window = self.start_resident()
        self.scanctl("press", 4, "--wait", 10000)
        dialog = message_box(20000)
        self.assertIsNotNone(dialog, "the progress dialog did not show")
        post(window, RELEASE_SCANNER)
        box = find_window("#32770", "Error", 10000, visible=True)
        self.assertIsNotNone(box, "no message about the scanner in use")
        self.assertEqual(message_box_text(box), "Scanner is in use")
        close_message_box(box)
        self.assertTrue(window_gone("#32770", None, 60000), "the scan did not end")
        wait_until(lambda: os.listdir(SCAN_FOLDER), 10, "the scanned page")
        self.assertTrue(self.scanner_held(), "the engine was released during the scan")


class StartUpTest(TrayCase):
    def test_scanner_not_taken_while_a_sibling_runs(self):
        for sibling in SIBLINGS:
            with self.subTest(program=sibling[2]):
                self.start_sibling(sibling)
                window = self.start_resident()
                self.assertTrue(icon_exists(window), "the icon was not added")
                self.assertFalse(self.scanner_held(), "Tornel took the scanner from a sibling")
                kill_program("Tornel.exe")
                kill_program(sibling[2])

    def test_scanner_taken_back_when_the_scanning_application_ends(self):
        self.start_sibling(KELMIO)
        self.start_resident()
        self.assertFalse(self.scanner_held())
        post(self.sibling_window(KELMIO), WM_CLOSE)
        wait_until(self.scanner_held, 20, "Tornel to take the scanner after the scanning application ended")

    def test_scanner_taken_when_no_sibling_runs(self):
        self.start_resident()
        self.assertTrue(self.scanner_held())


if __name__ == "__main__":
    unittest.main()
