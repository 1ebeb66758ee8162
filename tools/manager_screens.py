#!/usr/bin/python3
"""Pictures of the Button manager's four pages, in English and in German, for the
README: docs/manager/<language>-<page>.png. Runs Tornel.exe as its setup installs it,
in a Wine session of a complete build (as tools/test makes it), with a few
applications, a printer and a mail client so that every page shows its lists:

  tools/wine-session start build
  TORNEL_BUILD=$PWD/build /usr/bin/python3 tools/manager_screens.py
  tools/wine-session stop build
"""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from tornel_e2e import (BIN, BUILD, INSTALLED_TORNEL, SOURCE, WM_NULL, drive, find_window,  # noqa: E402
                        install_tornel, install_virtual_scanner, kill_program, send, start, windows_file, wine,
                        write_ini)

# A mail client and a printer discovery finds, so the Mail and Copy pages show them.
MAIL_CLIENT = r"HKLM\Software\Clients\Mail\Eudora"
PRINTER = "Office Printer"
LANGUAGES = (("english", "Tornel.loc", "Button manager..."), ("german", "Tornel.deu.loc", "Tastenverwaltung..."))
PAGES = ("application", "copy", "mail", "folder")
TABS = 1000
USER_KEYS = r"""
[Tornel_Application]
NumAp=3
ApName1=Windows Paint
ApFileName1=C:\windows\notepad.exe
ApName2=Microsoft Word 2000
ApFileName2=C:\windows\notepad.exe
ApName3=Photo Viewer
ApFileName3=C:\windows\notepad.exe
ApName0=Windows Paint
Default=Windows Paint
[MyFolder]
Num=1
Folder1=C:\Scans\
Default=1
"""


def x_env():
    return dict(os.environ, DISPLAY=":" + open(os.path.join(BUILD, "wine", "display")).read().strip())


def picture(title, path):
    """The dialog's own X window, as the user sees it."""
    env = x_env()
    window = subprocess.run(["xdotool", "search", "--name", "^" + title.replace(".", r"\.") + "$"], env=env,
                            capture_output=True, text=True).stdout.split()
    subprocess.run(["import", "-window", window[-1], path], env=env, check=True)


def main():
    out = os.path.join(SOURCE, "docs", "manager")
    os.makedirs(out, exist_ok=True)
    # The pointer rests in the screen's corner, where it raises no tooltip.
    subprocess.run(["xdotool", "mousemove", "0", "0"], env=x_env(), check=True)
    wine("reg", "add", MAIL_CLIENT + r"\shell\open\command", "/ve", "/d", r"C:\windows\notepad.exe", "/f")
    printers = os.path.join(BIN, "add_test_printer.exe")
    wine(printers, "add", PRINTER, r"C:\windows\temp\office.ps", "/default")
    install_virtual_scanner()
    install_tornel()
    saved = {name: open(windows_file(name), "rb").read() if os.path.exists(windows_file(name)) else None
             for name in ("Tornel.loc", "kmconfig.ini")}
    try:
        for language, loc, title in LANGUAGES:
            shutil.copy(os.path.join(SOURCE, "data", loc), windows_file("Tornel.loc"))
            with open(os.path.join(SOURCE, "data", "kmconfig.ini")) as f:
                write_ini(windows_file("kmconfig.ini"), f.read() + USER_KEYS)
            kill_program("Tornel.exe")
            start(INSTALLED_TORNEL, "/SHOW")
            dialog = find_window("#32770", title, 20000, visible=True)
            if dialog is None:
                sys.exit(f"manager_screens: the {language} Button manager did not open")
            for index, page in enumerate(PAGES):
                drive("tab", hex(dialog), TABS, index)
                send(dialog, WM_NULL)
                time.sleep(0.5)  # for the paint that follows the switch
                picture(title, os.path.join(out, f"{language}-{page}.png"))
            kill_program("Tornel.exe")
    finally:
        wine("reg", "delete", MAIL_CLIENT, "/f", check=False)
        wine(printers, "delete", PRINTER, check=False)
        for name, content in saved.items():
            if content is not None:
                with open(windows_file(name), "wb") as f:
                    f.write(content)


if __name__ == "__main__":
    main()
