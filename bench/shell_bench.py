"""Figures of the resident monitor: start to message loop against a minimal program,
CPU time of an idle resident instance, latency from a button press to the dispatch."""

import os
import re
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from tornel_e2e import (TORNEL_NAME, WM_NULL, find_window, kill_program, send, start,  # noqa: E402
                        wait_until, wine, windows_file, windows_processes, write_ini)
from figures import RELEASE_BIN as BIN, RELEASE_TORNEL as TORNEL, figure  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def start_resident():
    process = start(TORNEL)
    window = find_window(TORNEL_NAME, TORNEL_NAME, 20000)
    wait_until(lambda: send(window, WM_NULL) is not None, 20, "Tornel's message loop")
    return process


def start_to_message_loop():
    result = wine(os.path.join(BIN, "start_probe.exe"), TORNEL, os.path.join(BIN, "minimal_window.exe"), "10",
                  timeout=300)
    print(result.stdout.strip())


def idle_cpu(seconds=30):
    start_resident()
    time.sleep(2)
    pid = windows_processes("Tornel.exe")[0]
    before = cpu_seconds(pid)
    time.sleep(seconds)
    used = cpu_seconds(pid) - before
    print(f"idle resident instance: {used:.2f} s CPU over {seconds} s ({100 * used / seconds:.2f}% of one core)")
    # Nothing polls: the only CPU an idle instance may show is the clock tick's rounding.
    figure("idle-cpu", 100 * used / seconds, 0.1, "%-core")
    kill_program("Tornel.exe")


def press_latency(presses=20):
    scanctl = os.path.join(BIN, "scanctl.exe")
    # A button that runs nothing: the figure is the way from the press to the dispatch.
    write_ini(windows_file("Button.InI"), "[Main]\n1=0\n")
    start_resident()
    samples = []
    for _ in range(presses):
        out = wine(scanctl, "press", "1", "--wait", "5000").stdout
        match = re.search(r"callback-entered-us (\d+)", out)
        if match:
            samples.append(int(match.group(1)) / 1000)
        time.sleep(0.05)
    kill_program("Tornel.exe")
    if not samples:
        print("press latency: no press reached the dispatch")
        return
    print(f"press to dispatch, median of {len(samples)}: {statistics.median(samples):.2f} ms "
          f"(min {min(samples):.2f}, max {max(samples):.2f})")
    figure("press-to-dispatch", statistics.median(samples), 5, "ms")


def scan_cpu(seconds=10):
    """CPU share of Tornel.exe while the virtual scanner takes about ten seconds for
    an A4 page at 150 dpi (1753 lines). The engine stand-in renders the page inside
    the same process, so the figure includes that work too."""
    scanctl = os.path.join(BIN, "scanctl.exe")
    folder = os.path.join(os.path.dirname(windows_file("x")), "..", "bench_scans")
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        os.remove(os.path.join(folder, name))
    write_ini(windows_file("Button.InI"), "[Main]\n4=16\n")
    write_ini(windows_file("kmconfig.ini"),
              "[Tornel]\nDoc14=0\nRes14=0\n[MyFolder]\nNum=1\nFolder1=C:\\bench_scans\\\nDefault=1\n")
    start_resident()
    pid = windows_processes("Tornel.exe")[0]
    wine(scanctl, "pace", str(1753 // seconds))
    before, start_time = cpu_seconds(pid), time.monotonic()
    wine(scanctl, "press", "4", "--wait", "10000")
    # The engine creates the file as it starts: the scan has ended once its progress
    # dialog, which shows while it runs, has gone again.
    find_window("#32770", None, 20000, visible=True)
    wait_until(lambda: find_window("#32770", None, 0, visible=True) is None and os.listdir(folder), 120,
               "the slow scan to end")
    elapsed = time.monotonic() - start_time
    used = cpu_seconds(pid) - before
    wine(scanctl, "pace", "0")
    kill_program("Tornel.exe")
    print(f"during a {elapsed:.1f} s scan: {used:.2f} s CPU, {100 * used / elapsed:.1f}% of one core")
    figure("scan-cpu", 100 * used / elapsed, 5, "%-core")


def main():
    kill_program("Tornel.exe")
    start_to_message_loop()
    idle_cpu()
    press_latency()
    scan_cpu()


if __name__ == "__main__":
    main()
