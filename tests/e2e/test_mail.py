"""A mail press: the page scanned, handed to the mail service library, and reaching the
chosen mail client through the system's MAPI as an unsent draft with the page attached."""

import email
import email.policy
import glob
import os
import shutil
import unittest

from tornel_e2e import DRIVE_C, MAKER_DIR, TornelCase, unix_path, wait_until, wine

MAIL_KEY = r"HKLM\Software\Clients\Mail"
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


def default_client():
    """The system's default mail client, or None when the value is absent."""
    result = wine("reg", "query", MAIL_KEY, "/ve", check=False)
    for line in result.stdout.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[0] == "(Default)" and parts[1].startswith("REG_"):
            return parts[2] if len(parts) == 3 else ""
    return None


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
        earlier = default_client()
        self.addCleanup(self.set_default_client, earlier)
        self.set_default_client("Tornel Earlier Client")

    def set_default_client(self, name):
        if name is None:
            wine("reg", "delete", MAIL_KEY, "/ve", "/f", check=False)
        else:
            wine("reg", "add", MAIL_KEY, "/ve", "/d", name, "/f")

    def test_the_client_gets_the_page_as_an_unsent_draft(self):
        self.start_resident()
        before = drafts()
        self.scanctl("press", 3, "--wait", 10000)
        log = self.log
        wait_until(lambda: os.path.exists(log) and open(log).read().endswith("\n"), 60, "the mail client's call")
        with open(log) as f:
            fields = dict(field.split("=", 1) for field in f.read().strip().split("\t"))
        self.assertEqual(fields["default"], "NetScape Messenger", "the chosen client is the default during the call")
        self.assertEqual(int(fields["flags"]) & 8, 8, "the compose window is asked for")
        self.assertEqual(fields["status"], "0")
        self.assertEqual(default_client(), "Tornel Earlier Client", "the earlier default is back")

        scans = glob.glob(os.path.join(SCAN_FOLDER, "*.bmp"))
        self.assertEqual(len(scans), 1)
        self.assertTrue(fields["file"].endswith("\\" + os.path.basename(scans[0])), fields["file"])
        new_drafts = list(drafts() - before)
        self.assertEqual(len(new_drafts), 1)
        with open(new_drafts[0], "rb") as f:
            message = email.message_from_binary_file(f, policy=email.policy.default)
        self.assertEqual(message["X-Unsent"], "1")
        attachments = list(message.iter_attachments())
        self.assertEqual([a.get_filename() for a in attachments], [os.path.basename(scans[0])])
        self.assertEqual(attachments[0].get_content_type(), "image/bmp")
        with open(scans[0], "rb") as f:
            self.assertEqual(attachments[0].get_content(), f.read(), "the attachment is the scanned file")


if __name__ == "__main__":
    unittest.main()
