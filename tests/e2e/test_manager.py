"""The Button manager: the dialog, its pages and what they store, driven from outside
the real Tornel.exe. Tabs are switched with TCM_SETCURFOCUS (a notification sent
from another process does not arrive under Wine); a button that opens a modal
dialog is posted."""

import configparser
import os
import shutil
import unittest

from tornel_e2e import (BIN, DRIVE_C, SOURCE, TORNEL_NAME, TRAY_CALLBACK, TRAY_ICON_ID, WM_COMMAND, WM_DESTROY, WM_LBUTTONDBLCLK,
                        MAKER_DIR, WM_NULL, TornelCase, count_windows, drive, find_window, ini_value, post, read_ini, send,
                        wait_until, window_gone_handle, windows_path, wine)

TITLE = "Button manager..."  # the English localization's MenuPushButton
TABS = 1000
IDOK, IDCANCEL = 1, 2
APPLICATION_TAB, COPY_TAB, MAIL_TAB, FOLDER_TAB = range(4)

APP_DOC_LABEL, APP_LIST, APP_DOC, APP_RES, APP_LANGUAGE, APP_ADD, APP_REMOVE = 1006, 1010, 1011, 1012, 1015, 1016, 1017
ADD_NAME, ADD_PATH = 1024, 1025
FOLDER_LIST, FOLDER_RES, FOLDER_ADD = 149, 151, 157
COPY_RES, COPY_PRINTER, COPY_SETUP = 128, 131, 132
MAIL_LIST = 138
SETUP_PRINTERS = 1136  # the printer list of the system's print setup dialog
NO_PRINTER = "No printer is installed. Please install a printer first."

FOLDER = os.path.join(DRIVE_C, "e2e_manager")
APPLICATIONS = ["Recorder", "Scratch", "Windows Paint", "Microsoft Excel 2000"]
USER_KEYS = r"""
[MyFolder]
Num=1
Folder1=C:\e2e_manager\
Default=1
[Tornel_Application]
NumAp=4
Default=Recorder
ApName0=Recorder
""" + "".join(f"ApName{n}={name}\nApFileName{n}=C:\\windows\\notepad.exe\n"
              for n, name in enumerate(APPLICATIONS, 1))


def installed_config():
    with open(os.path.join(SOURCE, "data", "kmconfig.ini")) as f:
        return f.read()


class ManagerCase(TornelCase):
    """Tornel with the installed configuration and a few user keys, the dialog open."""

    user_keys = USER_KEYS

    def setUp(self):
        super().setUp()
        shutil.rmtree(FOLDER, ignore_errors=True)
        os.makedirs(FOLDER)
        self.addCleanup(shutil.rmtree, FOLDER, True)
        self.write_windows_ini("Button.InI", "[Main]\n")
        self.config = self.write_windows_ini("kmconfig.ini", self.merged_config())

    def merged_config(self):
        """The installed file with the user keys laid over it, one section each."""
        merged = configparser.RawConfigParser(strict=False, interpolation=None)
        merged.optionxform = str
        merged.read_string(installed_config())
        user = configparser.RawConfigParser(strict=False, interpolation=None)
        user.optionxform = str
        user.read_string(self.user_keys)
        for section in user.sections():
            if not merged.has_section(section):
                merged.add_section(section)
            for key, value in user.items(section):
                merged.set(section, key, value)
        return "".join(f"[{s}]\n" + "".join(f"{k}={v}\n" for k, v in merged.items(s)) for s in merged.sections())

    def open_manager(self, *args):
        self.start_tornel("/SHOW", *args)
        dialog = find_window("#32770", TITLE, 20000, visible=True)
        self.assertIsNotNone(dialog, "the Button manager did not open")
        return dialog

    def page(self, dialog, tab, control):
        """The page of a tab, once shown: the visible page that holds the control."""
        self.assertEqual(drive("tab", hex(dialog), TABS, tab)[0], 0)
        status, out = wait_until(lambda: (lambda r: r if r[0] == 0 else None)(drive("page", hex(dialog), control)),
                                 10, f"the page of tab {tab}")
        return int(out, 16)

    def close(self, dialog, button=IDOK):
        self.assertEqual(drive("click", hex(dialog), button)[0], 0)
        window_gone_handle(dialog, 20000)

    def combo(self, page, control):
        """(selected position, entries) of a list."""
        status, out = drive("combo", hex(page), control)
        self.assertEqual(status, 0)
        lines = out.split("\n")
        return int(lines[0]), lines[1:] if len(lines) > 1 and lines[1:] != [""] else []

    def select(self, page, control, position):
        self.assertEqual(drive("select", hex(page), control, position)[0], 0)

    def value(self, section, key):
        return ini_value(self.config, section, key)

    def config_bytes(self):
        with open(self.config, "rb") as f:
            return f.read()


class DialogTest(ManagerCase):
    user_keys = USER_KEYS + "[Mail]\nDefaultArea=7\n"

    def test_ok_stores_every_page_and_all_button_settings(self):
        dialog = self.open_manager()
        self.close(dialog, IDOK)
        tornel = read_ini(self.config)["Tornel"]
        for kind in range(15):
            for field in ("Doc", "Res", "Bri", "Org", "Area"):
                self.assertIn(f"{field}{kind}".lower(), tornel, f"{field}{kind} was not written")
        self.assertEqual(tornel["scantopoint"], "0")
        # Each page's own keys, from what it showed: an absent scan area is A4, a
        # stored one beyond the list selects nothing and is stored so; Wine's own mail
        # client is the prefix's default mail program, the one entry of the Mail page.
        expected = [("Application", "DefaultArea", "0"), ("Tornel_Application", "DefaultID", "1"),
                    ("Tornel_Application", "ApName0", "Recorder"), ("Tornel_Application", "Language", "0"),
                    ("Printer", "DefaultArea", "0"), ("Mail", "DefaultArea", "-1"), ("Mail", "DefaultMailSystem", "1"),
                    ("MyFolder", "Default", "1"), ("MyFolder", "DefaultArea", "0")]
        for section, key, value in expected:
            with self.subTest(key=f"{section}/{key}"):
                self.assertEqual(self.value(section, key), value)
        self.assertEqual(tornel["area1"], "-1")
        # Each page's own keys, from what it showed; an absent scan area is A4.
        expected = [("MyFolder", "Default", "1"), ("MyFolder", "DefaultArea", "0")]
        for section, key, value in expected:
            with self.subTest(key=f"{section}/{key}"):
                self.assertEqual(self.value(section, key), value)
        self.assertEqual(tornel["area14"], "0")
        self.assertEqual(tornel["res14"], "2", "the folder's resolution comes from DefRes")

    def test_escape_stores_nothing_and_cancel_puts_the_settings_back(self):
        dialog = self.open_manager()
        before = self.config_bytes()
        drive("keys", hex(dialog), "escape")
        window_gone_handle(dialog, 20000)
        self.assertEqual(self.config_bytes(), before)
        # The Copy page stores its scan settings in memory at every command; Cancel
        # takes them back, so what the program saves when it ends is the old value.
        resident = find_window(TORNEL_NAME, TORNEL_NAME, 5000)
        post(resident, WM_COMMAND, 205, 0)
        dialog = find_window("#32770", TITLE, 20000, visible=True)
        page = self.page(dialog, COPY_TAB, COPY_RES)
        self.select(page, COPY_RES, 3)
        self.close(dialog, IDCANCEL)
        send(resident, WM_DESTROY)
        wait_until(lambda: self.value("Tornel", "Res0"), 20, "the settings saved at the end")
        self.assertEqual(self.value("Tornel", "Res0"), "2", "the Copy section's DefRes")

    def test_a_second_request_brings_the_open_dialog_forward(self):
        self.open_manager()
        resident = find_window(TORNEL_NAME, TORNEL_NAME, 5000)
        # Another instance's "/SHOW" returns at once; a double click on the icon, too.
        second = self.start_tornel("/SHOW")
        self.assertEqual(second.wait(timeout=30), 0)
        post(resident, TRAY_CALLBACK, TRAY_ICON_ID, WM_LBUTTONDBLCLK)
        post(resident, WM_COMMAND, 205, 0)
        self.assertIsNotNone(send(resident, WM_NULL), "Tornel stopped answering")
        self.assertEqual(count_windows("#32770", TITLE, visible=True), 1)


class ApplicationPageTest(ManagerCase):
    def reopen(self):
        post(find_window(TORNEL_NAME, TORNEL_NAME, 5000), WM_COMMAND, 205, 0)
        dialog = find_window("#32770", TITLE, 20000, visible=True)
        self.assertIsNotNone(dialog, "the Button manager did not open again")
        return dialog

    def layout(self, page):
        """(document list shown, language list shown, resolution enabled, resolution position)"""
        return (drive("visible", hex(page), APP_DOC)[1] == "1", drive("visible", hex(page), APP_LANGUAGE)[1] == "1",
                drive("enabled", hex(page), APP_RES)[1] == "1", self.combo(page, APP_RES)[0])

    def error_box(self):
        box = find_window("#32770", "Error", 20000, visible=True)
        self.assertIsNotNone(box, "no message appeared")
        text = drive("text", hex(box), 0xFFFF)[1]
        self.assertEqual(drive("click", hex(box), IDOK)[0], 0)
        window_gone_handle(box, 10000)
        return text

    def test_add_needs_both_fields_and_stays_after_cancel(self):
        dialog = self.open_manager()
        page = self.page(dialog, APPLICATION_TAB, APP_LIST)
        self.assertEqual(drive("click", hex(page), APP_ADD)[0], 0)
        add = find_window("#32770", "Add application", 20000, visible=True)
        self.assertIsNotNone(add, "the Add-application dialog did not open")
        drive("settext", hex(add), ADD_NAME, "Editor")
        drive("click", hex(add), IDOK)
        self.assertEqual(self.error_box(), "Please choose the program file of the application.")
        drive("settext", hex(add), ADD_PATH, r"C:\windows\regedit.exe")
        drive("click", hex(add), IDOK)
        window_gone_handle(add, 20000)
        self.assertEqual(self.combo(page, APP_LIST), (4, APPLICATIONS + ["Editor"]))
        self.close(dialog, IDCANCEL)
        for key, value in (("NumAp", "5"), ("ApName5", "Editor"), ("ApFileName5", r"C:\windows\regedit.exe")):
            self.assertEqual(self.value("Tornel_Application", key), value)

    def test_remove_keeps_the_default_and_excel_takes_the_ocr_layout(self):
        dialog = self.open_manager()
        page = self.page(dialog, APPLICATION_TAB, APP_LIST)
        self.assertEqual(self.layout(page), (True, False, True, 0))
        # Excel's pages go through OCR: the language list, fixed at 300 dpi.
        self.select(page, APP_LIST, 3)
        self.assertEqual(self.layout(page), (False, True, False, 2))
        self.assertEqual(drive("text", hex(page), APP_DOC_LABEL)[1], "Language:")
        self.close(dialog, IDOK)
        self.assertEqual((self.value("Tornel_Application", "DefaultID"), self.value("Tornel", "Res5")), ("4", "2"))
        # Opened on the same default, the same rule gives the same layout.
        dialog = self.reopen()
        page = self.page(dialog, APPLICATION_TAB, APP_LIST)
        self.assertEqual(self.layout(page), (False, True, False, 2))
        self.select(page, APP_LIST, 2)
        self.assertEqual(self.layout(page), (True, False, True, 2))
        self.assertEqual(drive("click", hex(page), APP_REMOVE)[0], 0)
        self.assertEqual(self.error_box(), "This entry cannot be removed.")
        # Removing the second entry moves the later ones down; the default follows Excel.
        self.select(page, APP_LIST, 1)
        self.assertEqual(drive("click", hex(page), APP_REMOVE)[0], 0)
        remaining = [APPLICATIONS[0]] + APPLICATIONS[2:]
        wait_until(lambda: self.combo(page, APP_LIST)[1] == remaining, 10, "the entry to leave the list")
        self.assertEqual(self.combo(page, APP_LIST), (2, remaining))
        self.close(dialog, IDCANCEL)
        stored = {key: self.value("Tornel_Application", key)
                  for key in ("NumAp", "ApName2", "ApName3", "ApName4", "ApFileName4", "DefaultID", "ApName0")}
        self.assertEqual(stored, {"NumAp": "3", "ApName2": "Windows Paint", "ApName3": "Microsoft Excel 2000",
                                  "ApName4": None, "ApFileName4": None, "DefaultID": "3",
                                  "ApName0": "Microsoft Excel 2000"})


class FolderPageTest(ManagerCase):
    def test_added_folder_is_appended_selected_and_kept(self):
        dialog = self.open_manager()
        page = self.page(dialog, FOLDER_TAB, FOLDER_LIST)
        self.assertEqual(drive("click", hex(page), FOLDER_ADD)[0], 0)
        browser = find_window("#32770", "Browse for Folder", 20000, visible=True)
        self.assertIsNotNone(browser, "the folder browser did not open")
        # It opens on the current default folder: OK adds that folder a second time.
        self.assertEqual(drive("click", hex(browser), IDOK)[0], 0)
        window_gone_handle(browser, 20000)
        self.assertEqual(self.combo(page, FOLDER_LIST), (1, ["C:\\e2e_manager\\", "C:\\e2e_manager\\"]))
        # Written at once: Cancel keeps it, and it is the default.
        self.close(dialog, IDCANCEL)
        for key, value in (("Num", "2"), ("Default", "2"), ("Folder2", "C:\\e2e_manager\\")):
            self.assertEqual(self.value("MyFolder", key), value)


class CopyPageTest(ManagerCase):
    def printers(self, *args):
        return wine(os.path.join(BIN, "add_test_printer.exe"), *args).stdout.split()

    def add_printer(self, name, *flags):
        self.printers("add", name, windows_path(os.path.join(FOLDER, name + ".ps")), *flags)
        self.addCleanup(self.printers, "delete", name)

    def test_without_printers_a_command_stores_no_printer_name(self):
        self.assertEqual(self.printers("list"), [], "the test prefix should have no printers")
        dialog = self.open_manager()
        page = self.page(dialog, COPY_TAB, COPY_RES)
        self.assertEqual(drive("text", hex(page), COPY_PRINTER), (0, NO_PRINTER))
        self.assertEqual(drive("visible", hex(page), COPY_SETUP), (0, "0"))
        self.select(page, COPY_RES, 3)
        # The command stored the page at once, but the message is no printer's name.
        self.assertEqual(self.value("Printer", "DefaultArea"), "0")
        self.assertIsNone(self.value("Tornel_Printer", "PrinterName0"))
        self.close(dialog, IDCANCEL)

    def test_printer_chosen_in_setup_is_stored_at_once_and_kept(self):
        self.add_printer("ManagerFirst", "/default")
        self.add_printer("ManagerSecond")
        dialog = self.open_manager()
        page = self.page(dialog, COPY_TAB, COPY_SETUP)
        self.assertEqual(drive("text", hex(page), COPY_PRINTER), (0, "ManagerFirst"))
        self.assertEqual(drive("click", hex(page), COPY_SETUP)[0], 0)
        setup = find_window("#32770", "Print Setup", 20000, visible=True)
        self.assertIsNotNone(setup, "the print setup dialog did not open")
        _, names = self.combo(setup, SETUP_PRINTERS)
        self.select(setup, SETUP_PRINTERS, names.index("ManagerSecond"))
        self.assertEqual(drive("click", hex(setup), IDOK)[0], 0)
        window_gone_handle(setup, 30000)
        self.assertEqual(drive("text", hex(page), COPY_PRINTER), (0, "ManagerSecond"))
        self.close(dialog, IDCANCEL)
        self.assertEqual(self.value("Tornel_Printer", "PrinterName0"), "ManagerSecond")
        # Opened again, the setup starts on the page's printer, not on the system's default.
        dialog = self.open_manager()
        page = self.page(dialog, COPY_TAB, COPY_SETUP)
        self.assertEqual(drive("click", hex(page), COPY_SETUP)[0], 0)
        setup = find_window("#32770", "Print Setup", 20000, visible=True)
        self.assertIsNotNone(setup, "the print setup dialog did not open again")
        selected, names = self.combo(setup, SETUP_PRINTERS)
        self.assertEqual(names[selected], "ManagerSecond")
        self.assertEqual(drive("click", hex(setup), IDOK)[0], 0)
        window_gone_handle(setup, 30000)
        self.close(dialog, IDCANCEL)
        self.assertEqual(self.value("Tornel_Printer", "PrinterName0"), "ManagerSecond")


# Mail clients as discovery finds them: (client key, command key, a command naming an
# existing program).
MAIL_CLIENTS = (
    (r"HKLM\Software\Clients\Mail\Eudora", r"shell\open\command", r"C:\windows\notepad.exe"),
    (r"HKLM\Software\Clients\Mail\Netscape Messenger", r"protocols\mailto\shell\open\command",
     r'C:\windows\notepad.exe "%1"'),
)


class MailPageTest(ManagerCase):
    # The stored position names the first system; the identifier names Netscape.
    user_keys = USER_KEYS + """
[Mail]
DefaultMailSystem=1
[EmailSystem]
Default=NetscapeMessenger
"""

    def setUp(self):
        super().setUp()
        for client, command_key, command in MAIL_CLIENTS:
            wine("reg", "add", client + "\\" + command_key, "/ve", "/d", command, "/f")
            self.addCleanup(wine, "reg", "delete", client, "/f", check=False)
        # The system's own default, a Simple MAPI program of a name no table knows.
        self.use_mail_client("Tornel Modern Mail", MAKER_DIR + r"\Virtual Mail\SimMail.dll")

    def test_chosen_by_identifier_and_stored_both_ways(self):
        dialog = self.open_manager()
        page = self.page(dialog, MAIL_TAB, MAIL_LIST)
        self.assertEqual(self.combo(page, MAIL_LIST), (1, ["Eudora", "Netscape", "Default mail program"]))
        self.select(page, MAIL_LIST, 0)
        self.close(dialog, IDOK)
        self.assertEqual(self.value("EmailSystem", "Default"), "QUALCOMMEudoraPro")
        self.assertEqual(self.value("Mail", "DefaultMailSystem"), "1")


if __name__ == "__main__":
    unittest.main()
