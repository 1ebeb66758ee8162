"""A soak of presses: 1,000 presses through the engine and 100 Still Image launches for
a button while scans run, on the release build. Prints the scans they made, the files
intact among them, the Tornel processes left, and the resident instance's private
memory every 100 presses; the figure is its growth after the first 100 presses.
Then a shorter storm on the debug build, whose Tornel reports its own GDI and USER
object counts to tray_memory.exe (the release build has no such report)."""

import os
import shutil
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from PIL import Image  # noqa: E402

from tornel_e2e import (DRIVE_C, STI_DEVICE, BUTTON_EVENTS, TORNEL_NAME, WM_DESTROY, WM_NULL,  # noqa: E402
                        find_window, kill_program, send, start, wait_until, wine, windows_file, windows_processes,
                        write_ini)
from tornel_e2e import restore_files  # noqa: E402
from figures import DEBUG_BIN, RELEASE_BIN, RELEASE_TORNEL, figure  # noqa: E402
from tray_bench import linux_memory  # noqa: E402

FOLDER = os.path.join(DRIVE_C, "storm_scans")
ENGINE_PRESSES = 1000
LAUNCHES = 100
WARM_UP = 100
SAMPLE_EVERY = 100
DEBUG_PRESSES = 100
# Line art at 150 dpi: small files, so the soak measures Tornel rather than the disk.
KMCONFIG = "[Tornel]\nDoc14=2\nRes14=0\nBri14=0\n[MyFolder]\nDocType=7\nNum=1\nFolder1=C:\\storm_scans\\\nDefault=1\n"


def scanctl(*args):
    return wine(os.path.join(RELEASE_BIN, "scanctl.exe"), *[str(a) for a in args], check=False)


def private_kb():
    pids = windows_processes("Tornel.exe")
    return linux_memory(pids[0])["Private"] if pids else 0


def threads_and_files():
    """The resident process's threads and open Linux files: a press or a launch that
    leaves a thread or a file behind shows here, where Wine counts no handles."""
    pids = windows_processes("Tornel.exe")
    if not pids:
        return 0, 0
    with open(f"/proc/{pids[0]}/status") as f:
        threads = next((int(line.split()[1]) for line in f if line.startswith("Threads:")), 0)
    return threads, len(os.listdir(f"/proc/{pids[0]}/fd"))


def per_press(samples, first, last):
    """KB of growth per press between two samples."""
    return (samples[last] - samples[first]) / (last - first)


def report(label):
    out = wine(os.path.join(RELEASE_BIN, "tray_memory.exe"), TORNEL_NAME, check=False).stdout.strip()
    print(f"{label}: {out}; Linux private {private_kb()} KB", flush=True)


def intact(path):
    try:
        with Image.open(path) as image:
            image.load()
            return image.getextrema() != (0, 0)
    except OSError:
        return False


def no_dialog():
    return find_window("#32770", None, 0, visible=True) is None


def settle():
    """Waits for the scan still running to end (a launch may start one more)."""
    wait_until(no_dialog, 120, "the last scan")
    time.sleep(1)
    wait_until(no_dialog, 120, "the last scan")


def storm(tornel, presses, launches, on_sample):
    """Presses and launches interleaved; on_sample(done) every SAMPLE_EVERY presses,
    once the scans have settled. Returns the launches' processes and the seconds."""
    launch_args = [f"/StiDevice:{STI_DEVICE}", f"/StiEvent:{BUTTON_EVENTS[4]}"]
    begin = time.monotonic()
    started = []
    for i in range(presses):
        scanctl("press", 4)
        if i % (presses // launches) == 0 and len(started) < launches:
            started.append(start(tornel, *launch_args))
        if (i + 1) % SAMPLE_EVERY == 0:
            for launch in started:
                launch.wait(timeout=120)
            settle()
            on_sample(i + 1)
    for launch in started:
        launch.wait(timeout=120)
    settle()
    return started, time.monotonic() - begin


def resident(tornel):
    process = start(tornel)
    window = find_window(TORNEL_NAME, TORNEL_NAME, 20000)
    wait_until(lambda: send(window, WM_NULL) is not None, 20, "Tornel's message loop")
    scanctl("press", 4, "--wait", 10000)  # one scan first: what stays allocated after it is no growth
    wait_until(lambda: os.listdir(FOLDER) and no_dialog(), 60, "the first scan")
    return process, window


def end(process, window):
    send(window, WM_DESTROY)
    process.wait(timeout=30)


def soak():
    process, window = resident(RELEASE_TORNEL)
    report("after the first scan")
    samples = {}

    def sample(done):
        # At rest: a scan that a late press started would count its own buffers.
        time.sleep(2)
        settle()
        samples[done] = private_kb()
        threads, files = threads_and_files()
        print(f"  after {done} presses: private {samples[done]} KB, {threads} threads, {files} open files",
              flush=True)

    launches, elapsed = storm(RELEASE_TORNEL, ENGINE_PRESSES, LAUNCHES, sample)
    report("after the soak")
    files = sorted(os.listdir(FOLDER))
    good = sum(intact(os.path.join(FOLDER, name)) for name in files)
    alive = len(windows_processes("Tornel.exe"))
    print(f"soak: {ENGINE_PRESSES} engine presses and {len(launches)} launches in {elapsed:.1f} s; "
          f"{len(files)} scans filed, {good} intact; Tornel processes left: {alive}")
    end(process, window)
    growth = (max(v for k, v in samples.items() if k >= WARM_UP) - samples[WARM_UP]) / 1024
    # A leak grows by the same amount per press in a short soak and a long one; a heap
    # that finds its size grows at first and then stops.
    half = ENGINE_PRESSES // 2
    print(f"growth per press: {per_press(samples, WARM_UP, half):.2f} KB over presses {WARM_UP}-{half}, "
          f"{per_press(samples, half, ENGINE_PRESSES):.2f} KB over presses {half}-{ENGINE_PRESSES}")
    # Memory that stays flat means nothing when a scan was lost or a process stayed.
    figure("soak-memory", growth, 1, "MB", met=growth <= 1 and good == len(files) and alive == 1)


def debug_counts():
    """The debug build's Tornel answers tray_memory.exe with its GDI and USER counts."""
    shutil.rmtree(FOLDER, ignore_errors=True)
    os.makedirs(FOLDER)
    tornel = os.path.join(DEBUG_BIN, "Tornel.exe")
    process, window = resident(tornel)
    counts = os.path.join(RELEASE_BIN, "tray_memory.exe")
    print("debug build, before:", wine(counts, TORNEL_NAME, check=False).stdout.strip())
    storm(tornel, DEBUG_PRESSES, DEBUG_PRESSES // 10, lambda done: None)
    print(f"debug build, after {DEBUG_PRESSES} presses:", wine(counts, TORNEL_NAME, check=False).stdout.strip())
    end(process, window)


def main():
    saved = {}
    for name, text in (("kmconfig.ini", KMCONFIG), ("Button.InI", "[Main]\n4=16\n")):
        path = windows_file(name)
        saved[path] = open(path, "rb").read() if os.path.exists(path) else None
        write_ini(path, text)
    shutil.rmtree(FOLDER, ignore_errors=True)
    os.makedirs(FOLDER)
    kill_program("Tornel.exe")
    try:
        soak()
        debug_counts()
    finally:
        kill_program("Tornel.exe")
        shutil.rmtree(FOLDER, ignore_errors=True)
        restore_files(saved)


if __name__ == "__main__":
    main()
