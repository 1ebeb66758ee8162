"""Tray figures: process start to the notification icon, Tornel against a minimal
tray program of the same build (both add one icon in WM_CREATE, with the same data
and flags), and the memory of the idle resident instance against that program,
as Windows reports it and as Linux sees the Wine process."""

import os
import re
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from tornel_e2e import (TORNEL_NAME, WM_DESTROY, WM_NULL, find_window, send, start, windows_processes,  # noqa: E402
                        wait_until, wine, windows_path)
from figures import RELEASE_BIN as BIN, RELEASE_TORNEL as TORNEL, figure  # noqa: E402

MINIMAL = os.path.join(BIN, "tray_minimal.exe")
MINIMAL_NAME = "Tornel Bench Tray"
IDLE_SECONDS = 5


def linux_memory(pid):
    """VmRSS and the private pages of the process, in KB: those it wrote (anonymous or
    copied on write), what Windows counts as private bytes. Clean pages of a mapped file
    count as private only while no other process on the machine maps the file, so they
    are left out."""
    figures = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, value = line.partition(":")
            if key in ("VmRSS", "RssAnon", "RssFile"):
                figures[key] = int(value.split()[0])
    private = 0
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            key, _, value = line.partition(":")
            if key == "Private_Dirty":
                private += int(value.split()[0])
    figures["Private"] = private
    return figures


def private_by_mapping(pid):
    """Written private pages (KB) per mapped file of the process, anonymous memory apart."""
    table = {}
    name = None
    with open(f"/proc/{pid}/smaps") as f:
        for line in f:
            fields = line.split()
            if fields and "-" in fields[0] and len(fields) >= 5 and not fields[0].endswith(":"):
                path = fields[5] if len(fields) > 5 else ""
                if path.startswith("/"):
                    name = os.path.basename(path)
                elif path == "[heap]":
                    name = "[heap]: malloc of the Linux side (Wine, CUPS)"
                else:
                    name = path or "anonymous: Windows heaps and stacks"
            elif fields and fields[0] == "Private_Dirty:" and name:
                table[name] = table.get(name, 0) + int(fields[1])
    return table


def print_memory_table(tornel, minimal, rows=14):
    """Where Tornel's private pages go, beside the minimal tray program's."""
    names = sorted(set(tornel) | set(minimal), key=lambda n: tornel.get(n, 0) - minimal.get(n, 0), reverse=True)
    print(f"  {'mapping':44} {'Tornel KB':>10} {'minimal KB':>10} {'more KB':>8}")
    for name in names[:rows]:
        print(f"  {name[:44]:44} {tornel.get(name, 0):10} {minimal.get(name, 0):10} "
              f"{tornel.get(name, 0) - minimal.get(name, 0):8}")
    rest = names[rows:]
    print(f"  {'the other ' + str(len(rest)) + ' mappings':44} {sum(tornel.get(n, 0) for n in rest):10} "
          f"{sum(minimal.get(n, 0) for n in rest):10} "
          f"{sum(tornel.get(n, 0) - minimal.get(n, 0) for n in rest):8}")


def start_to_icon():
    result = wine(os.path.join(BIN, "tray_probe.exe"), windows_path(TORNEL), windows_path(MINIMAL), "15",
                  timeout=300)
    print(result.stdout.strip())
    ratio = re.search(r"start to tray icon.*ratio ([\d.]+)", result.stdout)
    if ratio:
        figure("start-to-icon", float(ratio.group(1)), 1.25, "x-minimal-tray")


def resident(executable, name):
    process = start(executable)
    window = find_window(name, name, 20000)
    wait_until(lambda: window and send(window, WM_NULL) is not None, 20, f"{name}'s message loop")
    return process, window


def idle_memory():
    figures = {}
    tables = {}
    for executable, name in ((TORNEL, TORNEL_NAME), (MINIMAL, MINIMAL_NAME)):
        process, window = resident(executable, name)
        time.sleep(IDLE_SECONDS)
        print(wine(os.path.join(BIN, "tray_memory.exe"), name).stdout.strip())
        pids = windows_processes(os.path.basename(executable))
        pid = pids[0] if pids else None
        figures[name] = linux_memory(pid) if pid else None
        tables[name] = private_by_mapping(pid) if pid else {}
        send(window, WM_DESTROY)
        process.wait(timeout=30)
    for name, linux in figures.items():
        if linux:
            print(f"{name} (Linux view): VmRSS {linux['VmRSS']} KB (anonymous {linux['RssAnon']} KB, "
                  f"file {linux['RssFile']} KB), private pages {linux['Private']} KB")
    tornel, minimal = figures[TORNEL_NAME], figures[MINIMAL_NAME]
    if tornel and minimal:
        print(f"Tornel over the minimal tray program: VmRSS +{tornel['VmRSS'] - minimal['VmRSS']} KB "
              f"(ratio {tornel['VmRSS'] / minimal['VmRSS']:.2f}), private +{tornel['Private'] - minimal['Private']} KB "
              f"(ratio {tornel['Private'] / minimal['Private']:.2f})")
        figure("idle-memory", tornel['Private'] / minimal['Private'], 2, "x-minimal-tray")
        print("where the private pages of the idle instances go (Linux view, by mapping):")
        print_memory_table(tables[TORNEL_NAME], tables[MINIMAL_NAME])


def main():
    if find_window(TORNEL_NAME, TORNEL_NAME, 0):
        sys.exit("tray_bench: a Tornel instance is already running in this prefix; end it first")
    start_to_icon()
    idle_memory()


if __name__ == "__main__":
    main()
