"""The setups, run silently in the test prefix: what Tornel's puts where and registers,
that it touches nothing of the scanner maker's, what an upgrade keeps and what an
uninstall leaves; and Tornel on a machine without any scanner software."""

import os
import shutil
import unittest

from tornel_e2e import (DRIVE_C, INSTALL_DIR, INSTALLED_TORNEL, MAKER_DIR, MENU_KELMIO, RUN_KEY, SHIPPED_BIN,
                        SOURCE, TORNEL_NAME, WOW64, TORNEL_SETUP, WM_COMMAND, TornelCase, choose_menu_item,
                        close_message_box, find_window, icon_exists, ini_value, install, install_virtual_scanner,
                        kill_program, message_box, message_box_text, open_tray_menu, process_command_lines,
                        reg_value, run_detached, send, start, unix_path, virtual_scanner_files, wait_until, wine,
                        windows_file, write_ini)

DATA = os.path.join(SOURCE, "data")
STI_APPS_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\StillImage\Registered Applications"
# The Still Image service reads its view: on 64-bit Windows the 64-bit one.
STI_VIEW = ("/reg:64",) if WOW64 else ()
PRODUCT_KEY = r"HKLM\Software\TAVEN\Tornel"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tornel"
START_MENU = os.path.join(DRIVE_C, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "Tornel")
SETTINGS_FILES = ("kmconfig.ini", "Button.InI", "R710Debug.ini")
TRAY_SCANNER_TEST = 204

# Every file Tornel's setup writes, below drive C:, in a prefix without its settings files.
INSTALLED = INSTALL_DIR[3:].replace("\\", "/").lower()
TORNEL_FILES = {
    INSTALLED + "/tornel.exe", INSTALLED + "/uninstall.exe",
    "windows/tornel.loc", "windows/kmconfig.ini", "windows/button.ini", "windows/r710debug.ini",
    "programdata/microsoft/windows/start menu/programs/tornel/tornel.lnk",
    "programdata/microsoft/windows/start menu/programs/tornel/button manager.lnk",
}
# What Wine itself changes while programs run: temporary files and profile state.
VOLATILE = ("users/", "windows/temp/")


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def drive_c_files():
    """Every file below drive C: (lower-cased path relative to it) with its size and time."""
    files = {}
    for folder, _, names in os.walk(DRIVE_C):
        for name in names:
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, DRIVE_C).lower()
            if relative.startswith(VOLATILE) or os.path.islink(path):
                continue
            status = os.stat(path)
            files[relative] = (status.st_size, status.st_mtime_ns)
    return files


def changes(before, after):
    """(added, changed, removed) file sets between two listings of drive C:."""
    added = set(after) - set(before)
    removed = set(before) - set(after)
    changed = {name for name in set(before) & set(after) if before[name] != after[name]}
    return added, changed, removed


class InstallerCase(TornelCase):
    """Each test starts with the virtual scanner installed and Tornel not, and ends with
    no Tornel installation; the settings files of the Windows directory are put back
    as they were."""

    def prepare_installation(self):
        install_virtual_scanner()
        for name in SETTINGS_FILES:
            self.own_file(windows_file(name))
        self.addCleanup(self.remove_installation)
        self.remove_installation()

    def install(self, *args):
        install(TORNEL_SETUP, *args)

    def uninstall(self, install_dir=INSTALL_DIR):
        # "_?=" runs the uninstaller in place and to its end (otherwise it copies itself to
        # a temporary folder and returns at once). It must be the last argument and may not
        # be quoted, so the folder goes as words: Wine joins them with single spaces.
        words = ("_?=" + install_dir).split(" ")
        return run_detached(install_dir + r"\Uninstall.exe", "/S", *words)

    def remove_installation(self):
        kill_program("Tornel.exe")
        kill_program("probe32.exe")
        if os.path.exists(unix_path(INSTALL_DIR + r"\Uninstall.exe")):
            self.uninstall()
        # An in-place uninstaller cannot delete itself.
        shutil.rmtree(unix_path(INSTALL_DIR), ignore_errors=True)
        for key, value, view in ((STI_APPS_KEY, "Tornel", STI_VIEW), (RUN_KEY, "Tornel", ())):
            if reg_value(key, value, *view) is not None:
                wine("reg", "delete", key, "/v", value, "/f", *view)
        for key in (PRODUCT_KEY, UNINSTALL_KEY):
            wine("reg", "delete", key, "/f", check=False)

    def remove_settings(self):
        for name in SETTINGS_FILES:
            if os.path.exists(windows_file(name)):
                os.remove(windows_file(name))

    def start_installed_tornel(self):
        self._processes.append(start(INSTALLED_TORNEL))
        window = find_window(TORNEL_NAME, TORNEL_NAME, 20000)
        self.assertIsNotNone(window, "the installed Tornel did not start")
        return window


class InstallTest(InstallerCase):
    def test_silent_install_puts_only_tornels_files_in_place_and_registers_for_the_buttons(self):
        self.remove_settings()
        before = drive_c_files()
        self.install()
        added, changed, removed = changes(before, drive_c_files())

        # Tornel's files and nothing else: no file of the maker's written, replaced or deleted.
        self.assertEqual(added, TORNEL_FILES)
        self.assertEqual(changed, set())
        self.assertEqual(removed, set())
        self.assertEqual(read_bytes(unix_path(INSTALLED_TORNEL)), read_bytes(os.path.join(SHIPPED_BIN, "Tornel.exe")))
        # A first installation gets the data files as they come.
        for name in ("Tornel.loc", "kmconfig.ini", "Button.InI"):
            self.assertEqual(read_bytes(windows_file(name)), read_bytes(os.path.join(DATA, name)), name)

        self.assertEqual(reg_value(STI_APPS_KEY, "Tornel", *STI_VIEW),
                         f'"{INSTALLED_TORNEL}" /StiDevice:%1 /StiEvent:%2')
        self.assertEqual(reg_value(RUN_KEY, "Tornel"), f'"{INSTALLED_TORNEL}"')
        self.assertEqual(reg_value(UNINSTALL_KEY, "UninstallString"), f'"{INSTALL_DIR}\\Uninstall.exe"')
        shortcut = read_bytes(os.path.join(START_MENU, "Button manager.lnk"))
        self.assertIn("/SHOW".encode("utf-16-le"), shortcut)

        # The pieces find each other: the installed Tornel starts the scanner test program
        # of the scanner's software from the folder that kelmio32.ini names.
        window = self.start_installed_tornel()
        send(window, WM_COMMAND, TRAY_SCANNER_TEST)
        self.assertIsNotNone(find_window(None, "TAVEN Scanner Test Program", 20000),
                             "the scanner test program did not start")
        self.assertIn(MAKER_DIR.lower(), " ".join(process_command_lines("probe32.exe").values()).lower())

    def test_german_installation_and_its_upgrade_and_uninstall(self):
        self.install("/LANG=1031")
        self.assertEqual(read_bytes(windows_file("Tornel.loc")), read_bytes(os.path.join(DATA, "Tornel.deu.loc")))
        self.assertEqual(sorted(os.listdir(START_MENU)), ["Tastenverwaltung.lnk", "Tornel.lnk"])
        # A silent upgrade without a choice keeps the installed language.
        self.install()
        self.assertEqual(read_bytes(windows_file("Tornel.loc")), read_bytes(os.path.join(DATA, "Tornel.deu.loc")))
        self.assertEqual(self.uninstall(), 0)
        self.assertFalse(os.path.exists(START_MENU))


class UpgradeTest(InstallerCase):
    def test_upgrade_keeps_changed_settings_and_adds_missing_keys(self):
        self.remove_settings()
        self.install()
        kmconfig, button_ini = windows_file("kmconfig.ini"), windows_file("Button.InI")
        write_ini(kmconfig, "[MyFolder]\nDefRes=5\nNum=1\nFolder1=C:\\Mine\\\nDefault=1\n"
                            "[Copy]\nDefDoc=3\n")
        write_ini(button_ini, "[Main]\n1=16\n")
        self.install()

        # What the user chose stays.
        self.assertEqual(ini_value(kmconfig, "MyFolder", "DefRes"), "5")
        self.assertEqual(ini_value(kmconfig, "MyFolder", "Folder1"), "C:\\Mine\\")
        self.assertEqual(ini_value(kmconfig, "Copy", "DefDoc"), "3")
        self.assertEqual(ini_value(button_ini, "Main", "1"), "16")
        # What was missing comes back with its installed value, in a kept or a new section.
        self.assertEqual(ini_value(kmconfig, "Copy", "Component"), "8")
        self.assertEqual(ini_value(kmconfig, "MyFolder", "DocType"), "7")
        self.assertEqual(ini_value(kmconfig, "Debug", "DeleteOcrImage"), "1")
        self.assertEqual(ini_value(kmconfig, "Tornel_OcrDestination", "OcrDesName2"), "Windows WordPad")
        self.assertEqual(ini_value(button_ini, "Main", "4"), "16")
        self.assertEqual(ini_value(button_ini, "Mail", "Progress2"), "ScanMail2.bmp")

    def test_upgrade_ends_a_running_tornel_and_starts_the_new_one(self):
        self.install()
        self.start_installed_tornel()
        before = set(process_command_lines("Tornel.exe"))
        self.install()
        wait_until(lambda: set(process_command_lines("Tornel.exe")) - before, 20,
                   "the upgrade to start Tornel again")
        self.assertFalse(before & set(process_command_lines("Tornel.exe")), "the old Tornel still runs")
        self.assertIsNotNone(find_window(TORNEL_NAME, TORNEL_NAME, 20000))
        for command_line in process_command_lines("Tornel.exe").values():
            self.assertIn(INSTALLED_TORNEL, command_line)


class UninstallTest(InstallerCase):
    def test_uninstall_removes_what_tornel_installed_and_keeps_the_settings(self):
        self.remove_settings()
        before = drive_c_files()
        self.install()
        kmconfig = windows_file("kmconfig.ini")
        write_ini(kmconfig, "[MyFolder]\nNum=1\nFolder1=C:\\Mine\\\n")
        self.start_installed_tornel()

        self.assertEqual(self.uninstall(), 0)

        # A running Tornel is ended first.
        self.assertIsNone(find_window(TORNEL_NAME, TORNEL_NAME, 0))
        wait_until(lambda: not process_command_lines("Tornel.exe"), 10, "Tornel to end")
        # Only the settings remain of what it installed (and the in-place uninstaller,
        # which cannot delete itself); the maker's files are as they were. Tornel itself
        # keeps the record of its launch.
        added, changed, removed = changes(before, drive_c_files())
        self.assertEqual(added - {"tmp.txt"},
                         {INSTALLED + "/uninstall.exe", "windows/kmconfig.ini", "windows/button.ini",
                          "windows/r710debug.ini"})
        self.assertEqual(changed - {"tmp.txt"}, set())
        self.assertEqual(removed, set())
        self.assertIsNone(reg_value(STI_APPS_KEY, "Tornel", *STI_VIEW))
        self.assertIsNone(reg_value(RUN_KEY, "Tornel"))
        self.assertIsNone(reg_value(UNINSTALL_KEY, "UninstallString"))
        self.assertIsNone(reg_value(PRODUCT_KEY, "InstallDir"))
        # The user's settings stay, as Tornel saved them when it ended.
        self.assertEqual(ini_value(kmconfig, "MyFolder", "Folder1"), "C:\\Mine\\")


class WithoutScannerTest(InstallerCase):
    def test_tornel_installs_and_starts_where_no_scanner_software_is(self):
        self.assertEqual(run_detached(MAKER_DIR + r"\UninstallVirtualScanner.exe", "/S",
                                      *("_?=" + MAKER_DIR).split(" ")), 0)
        shutil.rmtree(unix_path(MAKER_DIR), ignore_errors=True)
        for _, installed in virtual_scanner_files():
            self.assertFalse(os.path.exists(installed), f"the virtual scanner left {installed}")

        self.install()
        # Nothing of the scanner's software came with Tornel.
        maker_files = {os.path.basename(installed).lower() for _, installed in virtual_scanner_files()}
        for folder, _, names in os.walk(DRIVE_C):
            self.assertFalse(maker_files & {name.lower() for name in names}, folder)

        # Tornel runs without a scanner: its icon shows, no message comes, and the
        # maker's programs it cannot find are reported as a missing driver.
        window = self.start_installed_tornel()
        wait_until(lambda: icon_exists(window), 20, "the notification icon")
        self.assertIsNone(message_box(1000), "a message showed at start-up")
        menu = open_tray_menu(window)
        self.assertIsNotNone(menu, "the menu did not open")
        self.assertTrue(choose_menu_item(menu, MENU_KELMIO))
        box = message_box(20000)
        self.assertIsNotNone(box, "no message for the missing scanner software")
        self.assertEqual(message_box_text(box), "File Error! Please reinstall your driver")
        self.assertTrue(close_message_box(box))
        self.assertEqual(len(process_command_lines("Tornel.exe")), 1, "Tornel did not stay")
        kill_program("Tornel.exe")


if __name__ == "__main__":
    unittest.main()
