"""A standard user: Tornel run by a Unix user (tornel-standard, or the non-root user
running the tests) who owns a prefix of their own whose settings files belong to root
(or are read-only): every write of them fails with access denied, as on Windows for a
user whom the setup gave no rights on them."""

import os
import pathlib
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
from test_manager import FOLDER_RES, FOLDER_TAB, IDOK, TABS, TITLE

STANDARD_USER = "tornel-standard"
SESSION_DIR = os.path.join(BUILD, "wine", "standard-user")
PREFIX = os.path.join(SESSION_DIR, "prefix")
WINDIR = os.path.join(PREFIX, "drive_c", "windows")
SCANS = os.path.join(PREFIX, "drive_c", "Scans")
SETTINGS_FILES = ("kmconfig.ini", "Button.InI", "R710Debug.ini")
NOT_SAVED = ("Tornel cannot save its settings in C:\\windows\\kmconfig.ini. "
             "Your changes last only until Tornel ends.")

IDM_BUTTON_MANAGER, IDM_CLOSE = 205, 209


def session():
    """The standard user's session as tornel_e2e.SESSION takes it."""
    env = dict(os.environ, WINEPREFIX=PREFIX, HOME=os.path.join(SESSION_DIR, "home"), WINEARCH="win32",
               WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=")
    with open(os.path.join(BUILD, "wine", "display")) as f:
        env["DISPLAY"] = ":" + f.read().strip()
    user = pwd.getpwnam(STANDARD_USER) if os.getuid() == 0 else None
    return {"command": ["wine"], "env": env, "user": user and user.pw_uid, "group": user and user.pw_gid,
            "extra_groups": [] if user else None}


def run_in_session(*command, timeout=120):
    """A Unix program of Wine's (wineboot, wineserver) in the standard user's session."""
    _, env, user, group, extra_groups = tornel_e2e.SESSION.values()
    subprocess.run(command, env=env, user=user, group=group, extra_groups=extra_groups, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True, timeout=timeout)


class StandardUserTest(unittest.TestCase):
    """A prefix the user made and installed both setups in (the administrator's part),
    then its settings files taken away from the user."""

    @classmethod
    def setUpClass(cls):
        cls.addClassCleanup(cls.end_session, dict(tornel_e2e.SESSION))
        tornel_e2e.SESSION.update(session())
        shutil.rmtree(SESSION_DIR, ignore_errors=True)
        os.makedirs(os.path.join(SESSION_DIR, "home"))
        if tornel_e2e.SESSION["user"] is not None:
            for folder in (SESSION_DIR, os.path.join(SESSION_DIR, "home")):
                os.chown(folder, tornel_e2e.SESSION["user"], tornel_e2e.SESSION["group"])
        run_in_session("wineboot", "-i", timeout=180)
        run_in_session("wineserver", "-w")
        wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f")
        run_in_session("wineserver", "-p")
        install(SCANNER_SETUP)
        install(TORNEL_SETUP, ENGLISH)
        wine("reg", "delete", RUN_KEY, "/v", "Tornel", "/f")
        # The user may read them, not write them; nor the launch trace, which fails silently.
        trace = pathlib.Path(PREFIX, "drive_c", "tmp.txt")
        trace.touch()
        for path in [os.path.join(WINDIR, name) for name in SETTINGS_FILES] + [trace]:
            if os.getuid() == 0:
                os.chown(path, 0, 0)
            os.chmod(path, 0o644 if os.getuid() == 0 else 0o444)

    @staticmethod
    def end_session(saved):
        run_in_session("wineserver", "-k")
        run_in_session("wineserver", "-w", timeout=30)
        tornel_e2e.SESSION.update(saved)
        shutil.rmtree(SESSION_DIR, ignore_errors=True)

    def settings_bytes(self):
        return {name: pathlib.Path(WINDIR, name).read_bytes() for name in SETTINGS_FILES}

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
        dialog = find_window("#32770", TITLE, 20000, visible=True)
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
        """The size of the filed page once it is complete."""
        names = os.listdir(SCANS) if os.path.isdir(SCANS) else []
        try:
            with Image.open(os.path.join(SCANS, next(n for n in names if n.lower().endswith(".bmp")))) as image:
                image.load()
                return image.size
        except (StopIteration, OSError):
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
