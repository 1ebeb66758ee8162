#!/usr/bin/python3
"""Pictures of the Button manager's four pages, in English and in German, for the
README: docs/manager/<language>-<page>.png. Runs Tornel.exe as its setup installs it,
in a Wine session of a complete build (as tools/test makes it), with a few
applications, a printer and a mail client so that every page shows its lists. For
checking that every text fits, it also leaves the Copy page without a printer, the
Application page with the OCR languages, every entry of the scan lists and the
Add-application dialog of each language in build/manager_checks/:

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
LANGUAGES = (("english", "Tornel.loc", "Button manager...", "Add application"),
             ("german", "Tornel.deu.loc", "Tastenverwaltung...", "Anwendung hinzuf\u00fcgen"))
PAGES = ("application", "copy", "mail", "folder")
TABS = 1000
APP_PAGE_LIST, APP_LANGUAGE, APP_ADD, IDCANCEL = 1010, 1015, 1016, 2
FOLDER_LISTS = (150, 151, 152, 153)  # document type, resolution, brightness, scan area
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


def open_manager(language, loc, title):
    shutil.copy(os.path.join(SOURCE, "data", loc), windows_file("Tornel.loc"))
    with open(os.path.join(SOURCE, "data", "kmconfig.ini")) as f:
        write_ini(windows_file("kmconfig.ini"), f.read() + USER_KEYS)
    kill_program("Tornel.exe")
    start(INSTALLED_TORNEL, "/SHOW")
    dialog = find_window("#32770", title, 20000, visible=True)
    if dialog is None:
        sys.exit(f"manager_screens: the {language} Button manager did not open")
    return dialog


def show_page(dialog, index):
    drive("tab", hex(dialog), TABS, index)
    send(dialog, WM_NULL)
    time.sleep(0.5)  # for the paint that follows the switch


def take_checks(checks, printers):
    """The Add-application dialog, then the Copy page of a system without printers."""
    for language, loc, title, add_title in LANGUAGES:
        dialog = open_manager(language, loc, title)
        show_page(dialog, PAGES.index("application"))
        _, page = drive("page", hex(dialog), APP_PAGE_LIST)
        drive("click", page.strip(), APP_ADD)
        add = find_window("#32770", add_title, 20000, visible=True)
        if add is None:
            sys.exit(f"manager_screens: the {language} Add-application dialog did not open")
        time.sleep(0.5)
        picture(add_title, os.path.join(checks, f"{language}-add-application.png"))
        drive("click", hex(add), IDCANCEL)
        # Word's pages go through OCR: the language list, with its two longest names.
        drive("select", page.strip(), APP_PAGE_LIST, 1)
        for name, position in (("traditional", 4), ("simplified", 5)):
            drive("select", page.strip(), APP_LANGUAGE, position)
            time.sleep(0.5)
            picture(title, os.path.join(checks, f"{language}-ocr-{name}.png"))
        kill_program("Tornel.exe")
        # Every entry of the Folder page's scan lists: entry n of each list in picture n
        # (a list shorter than that shows nothing).
        dialog = open_manager(language, loc, title)
        show_page(dialog, PAGES.index("folder"))
        _, page = drive("page", hex(dialog), FOLDER_LISTS[0])
        for position in range(4):
            for control in FOLDER_LISTS:
                drive("select", page.strip(), control, position)
            time.sleep(0.5)
            picture(title, os.path.join(checks, f"{language}-entries-{position + 1}.png"))
        kill_program("Tornel.exe")
    wine(printers, "delete", PRINTER, check=False)
    for language, loc, title, _ in LANGUAGES:
        dialog = open_manager(language, loc, title)
        show_page(dialog, PAGES.index("copy"))
        picture(title, os.path.join(checks, f"{language}-copy-no-printer.png"))
        kill_program("Tornel.exe")


def main():
    out = os.path.join(SOURCE, "docs", "manager")
    checks = os.path.join(BUILD, "manager_checks")
    os.makedirs(out, exist_ok=True)
    os.makedirs(checks, exist_ok=True)
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
        for language, loc, title, _ in LANGUAGES:
            dialog = open_manager(language, loc, title)
            for index, page in enumerate(PAGES):
                show_page(dialog, index)
                picture(title, os.path.join(out, f"{language}-{page}.png"))
            kill_program("Tornel.exe")
        take_checks(checks, printers)
    finally:
        wine("reg", "delete", MAIL_CLIENT, "/f", check=False)
        wine(printers, "delete", PRINTER, check=False)
        for name, content in saved.items():
            if content is not None:
                with open(windows_file(name), "wb") as f:
                    f.write(content)


if __name__ == "__main__":
    main()
