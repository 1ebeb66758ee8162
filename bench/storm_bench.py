"""A storm of presses: 200 presses through the engine and 50 Still Image launches for a
button while scans run. Prints the presses sent, the scans they made, the files intact
among them, and the resident instance's handles and memory before and after."""

import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from PIL import Image  # noqa: E402

from tornel_e2e import (BIN, DRIVE_C, STI_DEVICE, BUTTON_EVENTS, TORNEL, TORNEL_NAME, WM_DESTROY, WM_NULL,  # noqa: E402
                        find_window, kill_program, send, start, wait_until, wine, windows_file, windows_processes,
                        write_ini)
from tray_bench import linux_memory  # noqa: E402

FOLDER = os.path.join(DRIVE_C, "storm_scans")
ENGINE_PRESSES = 200
LAUNCHES = 50
# Line art at 150 dpi: small files, so the storm measures Tornel rather than the disk.
KMCONFIG = "[Tornel]\nDoc14=2\nRes14=0\nBri14=0\n[MyFolder]\nDocType=7\nNum=1\nFolder1=C:\\storm_scans\\\nDefault=1\n"


def scanctl(*args):
    return wine(os.path.join(BIN, "scanctl.exe"), *[str(a) for a in args], check=False)


def figures(label):
    out = wine(os.path.join(BIN, "tray_memory.exe"), TORNEL_NAME, check=False).stdout.strip()
    pid = windows_processes("Tornel.exe")[0]
    linux = linux_memory(pid)
    print(f"{label}: {out}; Linux private {linux['Private']} KB, RSS {linux['VmRSS']} KB")


def intact(path):
    try:
        with Image.open(path) as image:
            image.load()
            return image.getextrema() != (0, 0)
    except OSError:
        return False


def no_dialog():
    return find_window("#32770", None, 0, visible=True) is None


def main():
    saved = {}
    for name, text in (("kmconfig.ini", KMCONFIG), ("Button.InI", "[Main]\n4=16\n")):
        path = windows_file(name)
        saved[path] = open(path, "rb").read() if os.path.exists(path) else None
        write_ini(path, text)
    shutil.rmtree(FOLDER, ignore_errors=True)
    os.makedirs(FOLDER)
    kill_program("Tornel.exe")
    process = start(TORNEL)
    try:
        window = find_window(TORNEL_NAME, TORNEL_NAME, 20000)
        wait_until(lambda: send(window, WM_NULL) is not None, 20, "Tornel's message loop")
        scanctl("press", 4, "--wait", 10000)  # one scan first: what stays allocated after it is no growth
        wait_until(lambda: os.listdir(FOLDER) and no_dialog(), 60, "the first scan")
        figures("before")

        launch_args = [f"/StiDevice:{STI_DEVICE}", f"/StiEvent:{BUTTON_EVENTS[4]}"]
        begin = time.monotonic()
        launches = []
        for i in range(ENGINE_PRESSES):
            scanctl("press", 4)
            if i % (ENGINE_PRESSES // LAUNCHES) == 0 and len(launches) < LAUNCHES:
                launches.append(start(TORNEL, *launch_args))
        for launch in launches:
            launch.wait(timeout=120)
        wait_until(lambda: no_dialog(), 120, "the last scan")
        time.sleep(2)
        wait_until(lambda: no_dialog(), 120, "the last scan")
        elapsed = time.monotonic() - begin
        figures("after")

        files = sorted(os.listdir(FOLDER))
        good = sum(intact(os.path.join(FOLDER, name)) for name in files)
        alive = len(windows_processes("Tornel.exe"))
        print(f"storm: {ENGINE_PRESSES} engine presses and {len(launches)} launches in {elapsed:.1f} s; "
              f"{len(files)} scans filed, {good} intact; Tornel processes left: {alive}")
        send(window, WM_DESTROY)
        process.wait(timeout=30)
    finally:
        kill_program("Tornel.exe")
        shutil.rmtree(FOLDER, ignore_errors=True)
        for path, content in saved.items():
            if content is None:
                os.remove(path)
            else:
                with open(path, "wb") as f:
                    f.write(content)


if __name__ == "__main__":
    main()
