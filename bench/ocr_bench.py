"""Figures of application discovery and OCR to document:
- application discovery (discovery_probe.exe, in-process) against Tornel's whole
  start-up (start_probe.exe: process start to message loop), since it runs at every start;
- a press of button 1 with WordPad as the default application, to the WordPad process
  holding the recognised document and to its window, with the time inside the OCR
  application (Sprint.exe, Tesseract included) shown apart. Processes are seen in /proc,
  polled every few milliseconds; the press time is taken just before scanctl starts."""

import os
import re
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from tornel_e2e import (TORNEL_NAME, WM_NULL, find_window, kill_program, process_command_lines, send, start,  # noqa: E402
                        wait_until, wine, windows_file, windows_path, windows_processes, write_ini)
from tornel_e2e import restore_files  # noqa: E402
from figures import RELEASE_BIN as BIN, RELEASE_TORNEL as TORNEL, figure  # noqa: E402

APP_PATHS = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths"
PRESSES = 3


def discovery_against_start_up():
    out = wine(os.path.join(BIN, "discovery_probe.exe"), timeout=300).stdout
    print(out.strip().replace("\r", ""))
    discovery = float(re.search(r"discovery-ms ([\d.]+)", out).group(1))
    probe = wine(os.path.join(BIN, "start_probe.exe"), TORNEL, os.path.join(BIN, "minimal_window.exe"), "10",
                 timeout=300).stdout
    # start_probe prints Tornel's median first.
    total = float(re.search(r"([\d.]+) ms", probe).group(1))
    print(f"start-up of Tornel (process start to message loop, median): {total:.1f} ms; application discovery "
          f"of a usual start is {discovery:.2f} ms of it ({100 * discovery / total:.1f}%)")
    figure("discovery-share", 100 * discovery / total, 2, "%-start-up")


def first_seen(name, limit):
    """Monotonic time at which a process of that name first shows in /proc, polled."""
    while time.monotonic() < limit:
        if windows_processes(name):
            return time.monotonic()
        time.sleep(0.003)
    raise AssertionError(f"{name} did not start")


def gone(name, limit):
    while time.monotonic() < limit:
        if not windows_processes(name):
            return time.monotonic()
        time.sleep(0.003)
    raise AssertionError(f"{name} did not end")


def one_press():
    scanctl = os.path.join(BIN, "scanctl.exe")
    pressed = time.monotonic()
    subprocess.Popen([os.path.join(os.environ["TORNEL_BUILD"], "wine-run"), scanctl, "press", "1"],
                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    limit = pressed + 120
    ocr_start = first_seen("Sprint.exe", limit)
    ocr_end = gone("Sprint.exe", limit)
    opened = first_seen("wordpad.exe", limit)
    shown = find_window("WORDPADTOP", None, 60000, visible=True)
    window = time.monotonic()
    documents = re.findall(r"(\S+\.rtf)", " ".join(process_command_lines("wordpad.exe").values()))
    kill_program("wordpad.exe")
    for document in documents:
        path = wine("winepath", "-u", document).stdout.strip()
        if os.path.exists(path):
            os.remove(path)
    if not shown:
        raise AssertionError("no WordPad window")
    return {"scan": ocr_start - pressed, "ocr": ocr_end - ocr_start, "opened": opened - pressed,
            "window": window - pressed}


def press_to_document():
    saved = {}
    for name in ("kmconfig.ini", "Button.InI"):
        path = windows_file(name)
        saved[path] = open(path, "rb").read() if os.path.exists(path) else None
    registered = {APP_PATHS + r"\WORDPAD.EXE": ("REG_EXPAND_SZ", r'"%ProgramFiles%\Windows NT\Accessories\WORDPAD.EXE"'),
                  APP_PATHS + r"\Sprint.exe": ("REG_SZ", windows_path(os.path.join(BIN, "Sprint.exe")))}
    before = {key: wine("reg", "query", key, "/ve", check=False) for key in registered}
    try:
        for key, (kind, value) in registered.items():
            wine("reg", "add", key, "/ve", "/t", kind, "/d", value, "/f")
        write_ini(windows_file("Button.InI"), "[Main]\n1=1\n")
        write_ini(windows_file("kmconfig.ini"), "[Tornel]\nDoc5=0\nRes5=0\nBri5=0\n[Image]\nDocType=7\n"
                  "[MyFolder]\nNum=1\nFolder1=C:\\bench_ocr\\\nDefault=1\n")
        wine(os.path.join(BIN, "scanctl.exe"), "page", "text")
        start(TORNEL)
        window = find_window(TORNEL_NAME, TORNEL_NAME, 20000)
        wait_until(lambda: send(window, WM_NULL) is not None, 20, "Tornel's message loop")
        runs = [one_press() for _ in range(PRESSES)]
        median = {key: statistics.median(run[key] for run in runs) * 1000 for key in runs[0]}
        print(f"button 1 to the OCR document in WordPad (A4 colour at 150 dpi, median of {PRESSES}):")
        print(f"  press to the OCR application's start (scan to TIFF): {median['scan']:.0f} ms")
        print(f"  inside the OCR application (recognition, RTF written): {median['ocr']:.0f} ms")
        print(f"  press to WordPad started on the document: {median['opened']:.0f} ms")
        print(f"  press to WordPad's window: {median['window']:.0f} ms")
    finally:
        kill_program("Tornel.exe")
        wine(os.path.join(BIN, "scanctl.exe"), "page", "test", check=False)
        for key, query in before.items():
            old = re.search(r"\(Default\)\s+(REG_\w+)\s+(.*)", query.stdout) if query.returncode == 0 else None
            if old:
                wine("reg", "add", key, "/ve", "/t", old.group(1), "/d", old.group(2).strip(), "/f")
            else:
                wine("reg", "delete", key, "/f", check=False)
        restore_files(saved)


def main():
    kill_program("Tornel.exe")
    discovery_against_start_up()
    press_to_document()


if __name__ == "__main__":
    main()
