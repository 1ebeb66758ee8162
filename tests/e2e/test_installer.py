"""The installer, TornelSetup.exe, run silently in the test prefix: where it puts the
files, what it registers, what an upgrade keeps and what an uninstall leaves."""

import os
import shutil
import unittest

from tornel_e2e import (BIN, BUILD, DRIVE_C, SOURCE, TORNEL_NAME, WM_COMMAND, TornelCase,
                        find_window, ini_value, kill_program, process_command_lines, reg_value,
                        run_detached, send, start, wait_until, wine, windows_file, write_ini)

SETUP = os.path.join(BUILD, "TornelSetup.exe")
DATA = os.path.join(SOURCE, "data")

INSTALL_DIR = r"C:\Program Files\TAVEN\Tornel"
KELMIO_DIR = r"C:\Program Files\TAVEN\Kelmio"
INSTALLED_TORNEL = INSTALL_DIR + r"\Tornel.exe"
STI_APPS_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\StillImage\Registered Applications"
RUN_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"
PRODUCT_KEY = r"HKLM\Software\TAVEN\Tornel"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tornel"
START_MENU = os.path.join(DRIVE_C, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs",
                          "Tornel")
SETTINGS_FILES = ("kmconfig.ini", "Button.InI", "kelmio32.ini")
SIBLINGS = ("kelmio.exe", "replic32.exe", "probe32.exe", "scanctl.exe")
TRAY_SCANNER_TEST = 204


def unix_path(windows_path):
    """The prefix file behind a C: path."""
    assert windows_path[:3].upper() == "C:\\", windows_path
    return os.path.join(DRIVE_C, *windows_path[3:].split("\\"))


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class InstallerCase(TornelCase):
    """Each test starts without an installation and ends with none; the settings files
    of the Windows directory are put back as they were."""

    def setUp(self):
        super().setUp()
        self.assertTrue(os.path.exists(SETUP), f"{SETUP} was not built")
        for name in SETTINGS_FILES:
            self.own_file(windows_file(name))
        self.addCleanup(self.remove_installation)
        self.remove_installation()

    def install(self, *args):
        self.assertEqual(run_detached(SETUP, "/S", *args), 0, "the silent install failed")

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
        shutil.rmtree(unix_path(r"C:\Program Files\TAVEN"), ignore_errors=True)
        for key, value in ((STI_APPS_KEY, "Tornel"), (RUN_KEY, "Tornel")):
            if reg_value(key, value) is not None:
                wine("reg", "delete", key, "/v", value, "/f")
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
    def test_silent_install_puts_every_file_in_place_and_registers_for_the_buttons(self):
        self.remove_settings()
        self.install()

        self.assertEqual(read_bytes(unix_path(INSTALLED_TORNEL)), read_bytes(os.path.join(BIN, "Tornel.exe")))
        for name in SIBLINGS:
            self.assertEqual(read_bytes(unix_path(KELMIO_DIR + "\\" + name)), read_bytes(os.path.join(BIN, name)),
                             name)
        for name in ("TNENGINE.dll", "TNLocalChooser.dll"):
            self.assertEqual(read_bytes(windows_file(name)), read_bytes(os.path.join(BIN, name)), name)
        # A first installation gets the data files as they come.
        for name in ("Tornel.loc", "kmconfig.ini", "Button.InI"):
            self.assertEqual(read_bytes(windows_file(name)), read_bytes(os.path.join(DATA, name)), name)
        self.assertEqual(ini_value(windows_file("kelmio32.ini"), "Kelmio", "UserPath"), KELMIO_DIR + "\\")

        self.assertEqual(reg_value(STI_APPS_KEY, "Tornel"),
                         f'"{INSTALLED_TORNEL}" /StiDevice:%1 /StiEvent:%2')
        self.assertEqual(reg_value(RUN_KEY, "Tornel"), f'"{INSTALLED_TORNEL}"')
        self.assertEqual(reg_value(UNINSTALL_KEY, "UninstallString"), f'"{INSTALL_DIR}\\Uninstall.exe"')

        self.assertEqual(sorted(os.listdir(START_MENU)), ["Button manager.lnk", "Tornel.lnk"])
        shortcut = read_bytes(os.path.join(START_MENU, "Button manager.lnk"))
        self.assertIn("/SHOW".encode("utf-16-le"), shortcut)

        # The pieces find each other: the installed Tornel starts the installed scanner
        # test program from the folder that kelmio32.ini names.
        window = self.start_installed_tornel()
        send(window, WM_COMMAND, TRAY_SCANNER_TEST)
        self.assertIsNotNone(find_window(None, "TAVEN Scanner Test Program", 20000),
                             "the installed scanner test program did not start")

    def test_the_folder_named_by_the_scanners_installation_is_kept(self):
        own_folder = r"C:\Scanner Tools\Kelmio"
        self.addCleanup(shutil.rmtree, unix_path(r"C:\Scanner Tools"), True)
        write_ini(windows_file("kelmio32.ini"), f"[Kelmio]\nUserPath={own_folder}\\\n")
        self.install()
        for name in SIBLINGS:
            self.assertTrue(os.path.exists(unix_path(own_folder + "\\" + name)), name)
        self.assertFalse(os.path.exists(unix_path(KELMIO_DIR)))
        self.assertEqual(ini_value(windows_file("kelmio32.ini"), "Kelmio", "UserPath"), own_folder + "\\")
        # The uninstall takes the programs from there again.
        self.uninstall()
        self.assertFalse(os.path.exists(unix_path(own_folder)))

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
    def test_uninstall_removes_the_program_and_keeps_the_settings(self):
        self.install()
        kmconfig = windows_file("kmconfig.ini")
        write_ini(kmconfig, "[MyFolder]\nNum=1\nFolder1=C:\\Mine\\\n")
        self.start_installed_tornel()

        self.assertEqual(self.uninstall(), 0)

        # A running Tornel is ended first.
        self.assertIsNone(find_window(TORNEL_NAME, TORNEL_NAME, 0))
        wait_until(lambda: not process_command_lines("Tornel.exe"), 10, "Tornel to end")
        self.assertFalse(os.path.exists(unix_path(INSTALLED_TORNEL)))
        self.assertFalse(os.path.exists(unix_path(KELMIO_DIR)))
        for name in ("TNENGINE.dll", "TNLocalChooser.dll", "Tornel.loc"):
            self.assertFalse(os.path.exists(windows_file(name)), name)
        self.assertFalse(os.path.exists(START_MENU))
        self.assertIsNone(reg_value(STI_APPS_KEY, "Tornel"))
        self.assertIsNone(reg_value(RUN_KEY, "Tornel"))
        self.assertIsNone(reg_value(UNINSTALL_KEY, "UninstallString"))
        self.assertIsNone(reg_value(PRODUCT_KEY, "InstallDir"))
        # The user's settings stay, as Tornel saved them when it ended.
        self.assertEqual(ini_value(kmconfig, "MyFolder", "Folder1"), "C:\\Mine\\")
        self.assertTrue(os.path.exists(windows_file("Button.InI")))


if __name__ == "__main__":
    unittest.main()
