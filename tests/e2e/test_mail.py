"""A mail press: the page scanned, handed to the mail service library, and reaching the
chosen mail client through the system's MAPI as an unsent draft with the page attached;
the system's default mail program under a name of today; and no mail program at all."""

import email
import email.policy
import glob
import os
import shutil
import unittest

from tornel_e2e import (BIN, DRIVE_C, MAIL_KEY, MAKER_DIR, TornelCase, default_mail_client, ini_value, unix_path,
                        wait_until, wine, windows_file)

CLIENT_KEY = MAIL_KEY + r"\Netscape Messenger"
SCAN_FOLDER = os.path.join(DRIVE_C, "e2e_mail")
# The virtual scanner's setup installs the mail service library and a mail program's
# MAPI library, which keeps each mail as a draft.
CLIENT = MAKER_DIR + r"\Virtual Mail"
CLIENT_DIR = unix_path(CLIENT)

KMCONFIG = r"""[Tornel]
Doc1=0
Res1=0
Bri1=0
[MyFolder]
Num=1
Folder1=C:\e2e_mail\
Default=1
[EmailSystem]
Default=NetscapeMessenger
"""


def drafts():
    return set(glob.glob(os.path.join(CLIENT_DIR, "Outbox", "*.eml")))


class MailPressTest(TornelCase):
    def setUp(self):
        super().setUp()
        self.write_windows_ini("Button.InI", "[Main]\n3=4\n")
        self.write_windows_ini("kmconfig.ini", KMCONFIG)
        shutil.rmtree(SCAN_FOLDER, ignore_errors=True)
        os.makedirs(SCAN_FOLDER)
        self.addCleanup(shutil.rmtree, SCAN_FOLDER, True)
        self.log = os.path.join(CLIENT_DIR, "mapi_calls.log")
        self.own_file(self.log)
        if os.path.exists(self.log):
            os.remove(self.log)
        earlier_drafts = drafts()
        self.addCleanup(lambda: [os.remove(path) for path in drafts() - earlier_drafts])
        # The mail program registers itself as its own setup would: its mail command,
        # found by the discovery, and its MAPI library.
        wine("reg", "add", CLIENT_KEY + r"\protocols\mailto\shell\open\command", "/ve", "/d",
             r'C:\windows\system32\winebrowser.exe "%1"', "/f")
        wine("reg", "add", CLIENT_KEY, "/v", "DLLPath", "/d", CLIENT + r"\SimMail.dll", "/f")
        self.addCleanup(wine, "reg", "delete", CLIENT_KEY, "/f", check=False)
        self.use_mail_client("Tornel Earlier Client")

    def call_record(self):
        log = self.log
        wait_until(lambda: os.path.exists(log) and open(log).read().endswith("\n"), 60, "the mail client's call")
        with open(log) as f:
            return dict(field.split("=", 1) for field in f.read().strip().split("\t"))

    def assert_draft_holds_the_scan(self, draft):
        scans = glob.glob(os.path.join(SCAN_FOLDER, "*.bmp"))
        self.assertEqual(len(scans), 1)
        with open(draft, "rb") as f:
            message = email.message_from_binary_file(f, policy=email.policy.default)
        self.assertEqual(message["X-Unsent"], "1")
        attachments = list(message.iter_attachments())
        self.assertEqual([a.get_filename() for a in attachments], [os.path.basename(scans[0])])
        self.assertEqual(attachments[0].get_content_type(), "image/bmp")
        with open(scans[0], "rb") as f:
            self.assertEqual(attachments[0].get_content(), f.read(), "the attachment is the scanned file")
        return scans[0]

    def test_the_client_gets_the_page_as_an_unsent_draft(self):
        self.start_resident()
        before = drafts()
        self.scanctl("press", 3, "--wait", 10000)
        fields = self.call_record()
        self.assertEqual(fields["default"], "NetScape Messenger", "the chosen client is the default during the call")
        self.assertEqual(int(fields["flags"]) & 8, 8, "the compose window is asked for")
        self.assertEqual(fields["status"], "0")
        self.assertEqual(default_mail_client(), "Tornel Earlier Client", "the earlier default is back")
        new_drafts = list(drafts() - before)
        self.assertEqual(len(new_drafts), 1)
        scan = self.assert_draft_holds_the_scan(new_drafts[0])
        self.assertTrue(fields["file"].endswith("\\" + os.path.basename(scan)), fields["file"])

    def test_the_default_program_of_today_is_found_and_gets_the_page(self):
        wine("reg", "delete", CLIENT_KEY, "/f")
        self.write_windows_ini("kmconfig.ini", KMCONFIG.replace("Default=NetscapeMessenger", ""))
        self.use_mail_client("Tornel Modern Mail", CLIENT + r"\SimMail.dll")
        self.start_resident()
        self.assertEqual(ini_value(windows_file("kmconfig.ini"), "EmailSystem", "Default"), "SystemDefaultMail")
        before = drafts()
        self.scanctl("press", 3, "--wait", 10000)
        self.assertEqual(self.call_record()["default"], "Tornel Modern Mail", "no default was switched")
        self.assert_draft_holds_the_scan((drafts() - before).pop())

    def test_without_any_mail_program_the_page_goes_out_as_a_draft(self):
        # Nothing answers Simple MAPI; what opens mail files records the draft it got.
        wine("reg", "delete", CLIENT_KEY, "/f")
        self.use_mail_client(None)
        shutil.copy(os.path.join(BIN, "record_args.exe"), SCAN_FOLDER)
        handler = r"HKLM\Software\Classes\TornelTest.Draft"
        wine("reg", "add", handler + r"\shell\open\command", "/ve", "/d", r'C:\e2e_mail\record_args.exe "%1"', "/f")
        self.addCleanup(wine, "reg", "delete", handler, "/f", check=False)
        wine("reg", "add", r"HKLM\Software\Classes\.eml", "/ve", "/d", "TornelTest.Draft", "/f")
        self.addCleanup(wine, "reg", "delete", r"HKLM\Software\Classes\.eml", "/f", check=False)
        self.start_resident()
        self.scanctl("press", 3, "--wait", 10000)
        opened = os.path.join(SCAN_FOLDER, "record_args.log")
        wait_until(lambda: os.path.exists(opened) and open(opened).read().endswith("\n"), 60, "the draft opened")
        with open(opened) as f:
            draft = f.read().strip().strip('"')
        self.assertTrue(draft.lower().startswith("c:\\e2e_mail\\") and draft.endswith(".eml"), draft)
        self.assert_draft_holds_the_scan(unix_path(draft))


if __name__ == "__main__":
    unittest.main()
