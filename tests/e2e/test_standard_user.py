"""A standard user: Tornel run by a Unix user who is not root and owns a prefix of
their own, where the settings files of the Windows directory belong to root (mode
0644). Every write of them then fails with access denied, as on Windows for a user
whom the setup gave no rights on them. Run as root, the tests use the user
tornel-standard (tools/install-deps makes it); run as another user, they run as that
user with the files made read-only."""

import os
import pwd
import re
import shutil
import subprocess
import unittest

from PIL import Image

import tornel_e2e
from tornel_e2e import (BUILD, ENGLISH, INSTALLED_TORNEL, RUN_KEY, SCANCTL, SCANNER_SETUP, TORNEL_NAME,
                        TORNEL_SETUP, WM_COMMAND, close_message_box, drive, find_window, icon_exists, install,
                        message_box, message_box_text, post, send, wait_until, window_gone, window_gone_handle, wine)

STANDARD_USER = "tornel-standard"
SESSION_DIR = os.path.join(BUILD, "wine", "standard-user")
PREFIX = os.path.join(SESSION_DIR, "prefix")
WINDIR = os.path.join(PREFIX, "drive_c", "windows")
SCANS = os.path.join(PREFIX, "drive_c", "Scans")
SETTINGS_FILES = ("kmconfig.ini", "Button.InI", "R710Debug.ini")
NOT_SAVED = ("Tornel cannot save its settings in C:\\windows\\kmconfig.ini. "
             "Your changes last only until Tornel ends.")

IDM_BUTTON_MANAGER, IDM_CLOSE = 205, 209
MANAGER_TITLE = "Button manager..."
TABS, FOLDER_TAB, FOLDER_RES, IDOK = 1000, 3, 151, 1


def session():
    """The standard user's session as tornel_e2e.SESSION takes it."""
    env = dict(os.environ, WINEPREFIX=PREFIX, HOME=os.path.join(SESSION_DIR, "home"), WINEARCH="win32",
               WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=",
               TMPDIR=os.environ.get("TMPDIR", "/tmp"))
    with open(os.path.join(BUILD, "wine", "display")) as f:
        env["DISPLAY"] = ":" + f.read().strip()
    if os.getuid() != 0:
        return {"command": ["wine"], "env": env, "user": None, "group": None, "extra_groups": None}
    user = pwd.getpwnam(STANDARD_USER)
    return {"command": ["wine"], "env": env, "user": user.pw_uid, "group": user.pw_gid, "extra_groups": []}


def run_in_session(*command, timeout=120):
    """A Unix program of Wine's (wineboot, wineserver) in the standard user's session."""
    config = tornel_e2e.SESSION
    subprocess.run(command, env=config["env"], user=config["user"], group=config["group"],
                   extra_groups=config["extra_groups"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, start_new_session=True, timeout=timeout, check=False)


def owned_by_root(path):
    """What the user may read and not write."""
    if os.getuid() == 0:
        os.chown(path, 0, 0)
        os.chmod(path, 0o644)
    else:
        os.chmod(path, 0o444)


class StandardUserTest(unittest.TestCase):
    """A prefix the user made and installed both setups in (the administrator's part),
    then its settings files taken away from the user."""

    @classmethod
    def setUpClass(cls):
        cls.saved_session = dict(tornel_e2e.SESSION)
        tornel_e2e.SESSION.update(session())
        shutil.rmtree(SESSION_DIR, ignore_errors=True)
        os.makedirs(os.path.join(SESSION_DIR, "home"))
        if os.getuid() == 0:
            user = pwd.getpwnam(STANDARD_USER)
            for folder in (SESSION_DIR, os.path.join(SESSION_DIR, "home")):
                os.chown(folder, user.pw_uid, user.pw_gid)
        try:
            run_in_session("wineboot", "-i", timeout=180)
            run_in_session("wineserver", "-w")
            wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f")
            run_in_session("wineserver", "-p")
            install(SCANNER_SETUP)
            install(TORNEL_SETUP, ENGLISH)
            wine("reg", "delete", RUN_KEY, "/v", "Tornel", "/f")
        except BaseException:
            cls.tearDownClass()
            raise
        for name in SETTINGS_FILES:
            owned_by_root(os.path.join(WINDIR, name))

    @classmethod
    def tearDownClass(cls):
        run_in_session("wineserver", "-k")
        run_in_session("wineserver", "-w", timeout=30)
        tornel_e2e.SESSION.clear()
        tornel_e2e.SESSION.update(cls.saved_session)
        shutil.rmtree(SESSION_DIR, ignore_errors=True)

    def settings_bytes(self):
        contents = {}
        for name in SETTINGS_FILES:
            with open(os.path.join(WINDIR, name), "rb") as f:
                contents[name] = f.read()
        return contents

    def start_told_once(self):
        """Tornel starts, says once that its settings are not saved, and runs."""
        tornel_e2e.start(INSTALLED_TORNEL)
        box = message_box(30000)
        self.assertIsNotNone(box, "nothing said that the settings are not saved")
        self.assertEqual(message_box_text(box), NOT_SAVED)
        self.assertTrue(close_message_box(box))
        window = find_window(TORNEL_NAME, TORNEL_NAME, 20000)
        self.assertIsNotNone(window, "Tornel did not start")
        wait_until(lambda: icon_exists(window), 20, "the notification icon")
        self.assertIsNone(message_box(1000), "a second message showed")
        return window

    def choose_folder_resolution(self, window):
        """Opens the Button manager, picks another resolution for the folder button and
        confirms; returns the dpi picked."""
        self.assertTrue(post(window, WM_COMMAND, IDM_BUTTON_MANAGER))
        dialog = find_window("#32770", MANAGER_TITLE, 20000, visible=True)
        self.assertIsNotNone(dialog, "the Button manager did not open")
        self.assertEqual(drive("tab", hex(dialog), TABS, FOLDER_TAB)[0], 0)
        _, out = wait_until(lambda: (lambda r: r if r[0] == 0 else None)(drive("page", hex(dialog), FOLDER_RES)),
                            10, "the Folder page")
        page = int(out, 16)
        status, out = drive("combo", hex(page), FOLDER_RES)
        self.assertEqual(status, 0)
        selected, *entries = out.split("\n")
        position = 0 if int(selected) != 0 else 1
        self.assertEqual(drive("select", hex(page), FOLDER_RES, position)[0], 0)
        self.assertEqual(drive("click", hex(dialog), IDOK)[0], 0)
        window_gone_handle(dialog, 20000)
        return int(re.match(r"\d+", entries[position])[0])

    def scanned_page(self):
        names = [n for n in os.listdir(SCANS) if n.lower().endswith(".bmp")] if os.path.isdir(SCANS) else []
        if not names:
            return None
        try:
            with Image.open(os.path.join(SCANS, names[0])) as image:
                image.load()
                return image.size
        except OSError:
            return None

    def test_settings_live_in_memory_and_the_files_stay_as_they_were(self):
        before = self.settings_bytes()
        window = self.start_told_once()

        dpi = self.choose_folder_resolution(window)
        self.assertIsNone(message_box(1000), "the Button manager's OK brought a second message")

        # The press scans at the resolution just chosen, which lives in memory only.
        wine(SCANCTL, "press", "4")
        width, _ = wait_until(self.scanned_page, 60, "the filed page")
        self.assertLessEqual(abs(width - 8.26 * dpi), 1, f"the page was not scanned at {dpi} dpi")

        send(window, WM_COMMAND, IDM_CLOSE)
        self.assertTrue(window_gone(TORNEL_NAME, TORNEL_NAME, 20000), "Tornel did not end")
        self.assertEqual(self.settings_bytes(), before)

        # The next start finds the files as they were and starts as before.
        self.start_told_once()
        self.assertEqual(self.settings_bytes(), before)


if __name__ == "__main__":
    unittest.main()
