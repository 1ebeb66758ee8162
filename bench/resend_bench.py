"""Re-send: from the pick of "Send last scan to" > Copy or E-mail to the hand-off done
(the job printed, the mail client's call made), beside the same hand-off after a press
(press to done, less the engine's own scan, as press_bench measures it), on the release
build. The pick is the menu's WM_COMMAND, posted by the tests' driver; the driver's own
start is measured with a post of WM_NULL and taken off."""

import os
import shutil
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
import press_bench  # noqa: E402
from press_bench import APP, PRINTER, SCANS, forget_mail, mailed, now_qpc, one, printed  # noqa: E402

from tornel_e2e import (TORNEL_NAME, WM_COMMAND, WM_DESTROY, WM_NULL, drive, find_window, kill_program,  # noqa: E402
                        run_detached, send, start, wait_until, windows_path)
from tornel_e2e import restore_files  # noqa: E402
from figures import RELEASE_BIN, RELEASE_TORNEL, figure  # noqa: E402

RUNS = 5
# A pick that answers within a tenth of a second feels immediate.
GOAL_MS = 100
IDM_RESEND_COPY, IDM_RESEND_MAIL = 212, 213
BUTTON_INI = "[Main]\n2=2\n3=4\n"


def post_seconds(window, message, wparam, done=lambda: True):
    """Seconds from before the driver's start to done() answering."""
    started = now_qpc()
    if drive("post", hex(window), hex(message), wparam, 0)[0] != 0:
        raise AssertionError("the driver could not post")
    deadline = time.monotonic() + 60
    while not done():
        if time.monotonic() > deadline:
            raise AssertionError("the re-send was not done")
        time.sleep(0.002)
    return (now_qpc() - started) / 1e7


def median_ms(values):
    return statistics.median(values) * 1000


def measure(window, output):
    def forget_copy():
        if os.path.exists(output):
            os.remove(output)

    forget_copy()
    forget_mail()
    rows = []
    for name, button, command, done, forget in (("copy (job printed)", 2, IDM_RESEND_COPY, printed(output), forget_copy),
                                                ("e-mail (client called)", 3, IDM_RESEND_MAIL, mailed, forget_mail)):
        presses = []
        for _ in range(RUNS):
            presses.append(one(button, done)[0])
            forget()
        # The last press's page stays: it is the one re-sent. Each pick is paired with a
        # post of WM_NULL just before it, whose time is the driver's own start.
        launches, resends = [], []
        for _ in range(RUNS):
            launches.append(post_seconds(window, WM_NULL, 0))
            resends.append(post_seconds(window, WM_COMMAND, command, done) - launches[-1])
            wait_until(lambda: find_window("#32770", None, 0, visible=True) is None, 10, "no message")
            forget()
        resend = median_ms(resends)
        print(f"  {name}: re-send pick to done {resend:.1f} ms (less the driver's {median_ms(launches):.0f} ms "
              f"start); after a press, press to done less the scan {median_ms(presses):.1f} ms (medians of {RUNS})",
              flush=True)
        rows.append(resend)
    return max(rows)


def main():
    saved = press_bench.prepare(press_bench.KMCONFIG, BUTTON_INI)
    restore_mail = press_bench.register_mail_client()
    output = os.path.join(APP, "copy.ps")
    printer_tool = os.path.join(RELEASE_BIN, "add_test_printer.exe")
    run_detached(printer_tool, "delete", PRINTER)
    if run_detached(printer_tool, "add", PRINTER, windows_path(output)) != 0:
        print("re-send: the bench printer could not be added; no figure")
        restore_mail()
        restore_files(saved)
        return
    run_detached(printer_tool, "default", PRINTER)
    kill_program("Tornel.exe")
    start(RELEASE_TORNEL)
    try:
        window = find_window(TORNEL_NAME, TORNEL_NAME, 20000)
        wait_until(lambda: send(window, WM_NULL) is not None, 20, "Tornel's message loop")
        print("re-send of the last page beside the same hand-off after a press (line art, 150 dpi):")
        figure("resend-handoff", measure(window, output), GOAL_MS, "ms")
        send(window, WM_DESTROY)
    finally:
        kill_program("Tornel.exe")
        run_detached(printer_tool, "delete", PRINTER)
        restore_mail()
        for folder in (SCANS, APP):
            shutil.rmtree(folder, ignore_errors=True)
        restore_files(saved)


if __name__ == "__main__":
    main()
