"""Sending the last scan again from the tray menu: after a folder press each function
gets the filed page without a scan (the printer at its natural size, mail with the
very file attached, the folder under a new name); nothing is offered before a scan,
and a page that is gone is refused."""

import email
import email.policy
import glob
import os
import shutil
import subprocess
import tempfile
import unittest

from PIL import Image

from test_copy import add_printer, delete_printer, printer_tool
from test_mail import CLIENT, CLIENT_KEY, drafts
from tornel_e2e import (BIN, DRIVE_C, TornelCase, drive, find_window, menu_closed, message_box_text,
                        open_tray_menu, post, wait_until, wine)

FOLDER = os.path.join(DRIVE_C, "e2e_resend")
PRINTER = "Tornel Resend"
WM_COMMAND = 0x0111
# The submenu's commands and their places in it; the submenu is the tray menu's sixth item.
APPLICATION, COPY, MAIL, FOLDER_ITEM = (211, 0), (212, 1), (213, 2), (214, 3)
KMCONFIG = rf"""[MyFolder]
Num=1
Folder1=C:\e2e_resend\
Default=1
[Tornel_Printer]
PrinterName0={PRINTER}
[EmailSystem]
Default=NetscapeMessenger
[Tornel_Application]
NumAp=1
DefaultID=1
ApName1=Recorder
ApFileName1=C:\e2e_resend\record_args.exe
"""


class ResendTest(TornelCase):
    def setUp(self):
        super().setUp()
        self.write_windows_ini("Button.InI", "[Main]\n4=16\n")
        self.write_windows_ini("kmconfig.ini", KMCONFIG)
        shutil.rmtree(FOLDER, ignore_errors=True)
        os.makedirs(FOLDER)
        self.addCleanup(shutil.rmtree, FOLDER, True)
        shutil.copy(os.path.join(BIN, "record_args.exe"), FOLDER)
        self.spool = tempfile.mkdtemp(prefix="tornel_resend_")
        self.addCleanup(shutil.rmtree, self.spool, True)
        add_printer(PRINTER, os.path.join(self.spool, "page.ps"))
        self.addCleanup(delete_printer, PRINTER)
        printer_tool("default", PRINTER)
        wine("reg", "add", CLIENT_KEY + r"\protocols\mailto\shell\open\command", "/ve", "/d",
             r'C:\windows\system32\winebrowser.exe "%1"', "/f")
        wine("reg", "add", CLIENT_KEY, "/v", "DLLPath", "/d", CLIENT + r"\SimMail.dll", "/f")
        self.addCleanup(wine, "reg", "delete", CLIENT_KEY, "/f", check=False)
        self.use_mail_client("Tornel Earlier Client")
        earlier_drafts = drafts()
        self.addCleanup(lambda: [os.remove(path) for path in drafts() - earlier_drafts])

    def pick(self, window, item):
        """Picks the item with the keys a user would press; a disabled item leaves the
        menu open, which then closes."""
        menu = open_tray_menu(window)
        self.assertIsNotNone(menu, "no tray menu")
        keys = ["home"] + ["down"] * 5 + ["right", "home"] + ["down"] * item[1] + ["return"]
        self.assertEqual(drive("keys", hex(menu), *keys)[0], 0)
        if not menu_closed(1000):
            drive("keys", hex(menu), "escape", "escape")
        self.assertTrue(menu_closed())

    def assert_nothing_sent(self, what):
        self.assertIsNone(find_window("#32770", None, 2000, visible=True), what)
        self.assertEqual(len(self.bmps()), len(self.pages), what)

    def balloon(self, prefix):
        def shown():
            tip = find_window("tooltips_class32", None, 0, visible=True)
            return tip and drive("text", hex(tip))[1].startswith(prefix)
        wait_until(shown, 30, "the balloon " + prefix)

    def bmps(self):
        return sorted(glob.glob(os.path.join(FOLDER, "*.bmp")))

    def test_the_last_page_goes_to_each_function_without_a_scan(self):
        window = self.start_resident()
        self.pages = []
        self.pick(window, FOLDER_ITEM)
        self.assert_nothing_sent("before any scan")
        self.scanctl("press", 4, "--wait", 10000)
        wait_until(lambda: len(self.bmps()) == 1, 30, "the filed page")
        self.pages = self.bmps()
        self.balloon("Saved C:\\e2e_resend\\" + os.path.basename(self.pages[0]))
        page = self.pages[0]
        with open(page, "rb") as f:
            page_bytes = f.read()
        resolution = round(Image.open(page).info["dpi"][0])

        with self.subTest("application"):
            self.pick(window, APPLICATION)
            log = os.path.join(FOLDER, "record_args.log")
            wait_until(lambda: os.path.exists(log) and open(log).read().endswith("\n"), 30, "the application")
            self.assertEqual(open(log).read().strip().strip('"').rsplit("\\", 1)[-1], os.path.basename(page))
        with self.subTest("copy at natural size"):
            self.pick(window, COPY)
            spooled = os.path.join(self.spool, "page.ps")
            wait_until(lambda: os.path.exists(spooled) and os.path.getsize(spooled), 60, "the printed copy")
            pdf = os.path.join(self.spool, "page.pdf")
            subprocess.run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pdfwrite",
                            f"-sOutputFile={pdf}", spooled], check=True, timeout=120)
            listing = subprocess.run(["pdfimages", "-list", pdf], check=True, capture_output=True, text=True).stdout
            ppi = {int(line.split()[12]) for line in listing.splitlines()[2:]}
            self.assertEqual(ppi, {resolution}, listing)
        with self.subTest("mail"):
            before = drafts()
            self.pick(window, MAIL)
            wait_until(lambda: drafts() - before, 60, "the mail draft")
            with open((drafts() - before).pop(), "rb") as f:
                message = email.message_from_binary_file(f, policy=email.policy.default)
            attachment = next(message.iter_attachments())
            self.assertEqual(attachment.get_content(), page_bytes, "the attachment is the filed page")
        with self.subTest("folder"):
            self.pick(window, FOLDER_ITEM)
            wait_until(lambda: len(self.bmps()) == 2, 30, "the copy in the folder")
            copy = [path for path in self.bmps() if path != page][0]
            self.balloon("Saved C:\\e2e_resend\\" + os.path.basename(copy))
            self.assertTrue(os.path.basename(copy).startswith(os.path.basename(page)[:4]), copy)
            with open(copy, "rb") as f:
                self.assertEqual(f.read(), page_bytes)

        # The folder's copy is no new scan: the last scan is still the page, now deleted.
        os.remove(page)
        self.pages = self.bmps()
        self.pick(window, MAIL)
        self.assert_nothing_sent("offered for a page that is gone")
        # Picked while the menu showed it, before the page went.
        post(window, WM_COMMAND, MAIL[0])
        box = find_window("#32770", None, 20000, visible=True)
        self.assertIsNotNone(box, "no message for the page that is gone")
        self.assertIn("is no longer there", message_box_text(box))


if __name__ == "__main__":
    unittest.main()
