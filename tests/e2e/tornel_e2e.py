"""Harness for the end-to-end tests: the real Tornel.exe under Wine, in the test
prefix, driven from outside with drive.exe and the scanner control tool. The programs
under test are the shipped ones, installed by their setups: the virtual scanner's
first, as a user's machine has the scanner's software before Tornel comes."""

import configparser
import os
import re
import signal
import subprocess
import time
import unittest

BUILD = os.environ["TORNEL_BUILD"]
SOURCE = os.environ.get("TORNEL_SOURCE", os.path.join(os.path.dirname(__file__), "..", ".."))
BIN = os.path.join(BUILD, "bin")
WINE_RUN = os.path.join(BUILD, "wine-run")
# TORNEL_WINE64=1: the 64-bit prefix, where the 32-bit programs run under WoW64.
WOW64 = os.environ.get("TORNEL_WINE64") == "1"
PREFIX = os.path.join(BUILD, "wine64" if WOW64 else "wine", "prefix")
DRIVE_C = os.path.join(PREFIX, "drive_c")
WINDIR = os.path.join(DRIVE_C, "windows")
# The build with debug information, for the benchmarks.
TORNEL = os.path.join(BIN, "Tornel.exe")

# The setups and what they install.
TORNEL_SETUP = os.path.join(BUILD, "TornelSetup.exe")
SCANNER_SETUP = os.path.join(BUILD, "VirtualScannerSetup.exe")
SHIPPED_BIN = os.path.join(BUILD, "shipped", "bin")
SCANNER_FILES_LIST = os.path.join(BUILD, "shipped", "installer", "virtual_scanner_files.nsh")
# Where the 32-bit setups put their programs: the 32-bit program folder.
PROGRAM_FILES = r"C:\Program Files (x86)" if WOW64 else r"C:\Program Files"
INSTALL_DIR = PROGRAM_FILES + r"\TAVEN\Tornel"
INSTALLED_TORNEL = INSTALL_DIR + r"\Tornel.exe"
# The folder of the maker's programs, where the virtual scanner's setup puts its own.
MAKER_DIR = PROGRAM_FILES + r"\TAVEN\Kelmio"
SCANCTL = MAKER_DIR + r"\scanctl.exe"
ENGLISH = "/LANG=1033"
RUN_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"

TORNEL_NAME = "TAVEN Tornel"
WM_DESTROY = 0x0002
WM_COMMAND = 0x0111
WM_NULL = 0x0000

# Still Image event GUIDs of the four buttons.
BUTTON_EVENTS = {
    1: "{7f951c8d-e5bd-4b66-b634-f5b8917a3007}",
    2: "{c2bcf5ad-bbd9-45d5-bfe1-241ac30d5859}",
    3: "{a2c255b3-8b3e-42a3-a026-00a7b6d99338}",
    4: "{9a1d4274-8243-46df-bb09-3f888dc78046}",
}
STI_DEVICE = "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000"


# Where wine() and start() run Windows programs: the build's prefix, as the user who
# runs the tests, unless a test points them at another session (the command, its
# environment and the Unix user, as subprocess takes them).
SESSION = {"command": [WINE_RUN], "env": None, "user": None, "group": None, "extra_groups": None}


def restore_files(saved):
    """Puts back what save_files found: the content, or no file."""
    for path, content in saved.items():
        if content is None:
            if os.path.exists(path):
                os.remove(path)
        else:
            with open(path, "wb") as f:
                f.write(content)


def wine(*args, timeout=60, check=True):
    """Runs a Windows program to its end and returns its completed process. In the
    64-bit prefix `reg` works on the 32-bit view, which the 32-bit programs see (Wine 8
    shares only Software\\Classes), unless a view is named."""
    if WOW64 and args and args[0] == "reg" and not any(str(a).lower().startswith("/reg:") for a in args):
        args = (*args, "/reg:32")
    command, *session = SESSION.values()
    result = subprocess.run([*command, *args], stdin=subprocess.DEVNULL, capture_output=True, text=True,
                            timeout=timeout, **dict(zip(("env", "user", "group", "extra_groups"), session)))
    if check and result.returncode != 0:
        raise AssertionError(f"{args[0]} {args[1:]} exited {result.returncode}: "
                             f"{result.stdout.strip()} {result.stderr.strip()}")
    return result


def start(*args):
    """Starts a Windows program detached, so it never holds the test runner's pipes."""
    command, *session = SESSION.values()
    return subprocess.Popen([*command, *args], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, start_new_session=True,
                            **dict(zip(("env", "user", "group", "extra_groups"), session)))


def drive(*args, timeout=60):
    result = wine(os.path.join(BIN, "drive.exe"), *[str(a) for a in args], timeout=timeout, check=False)
    if result.returncode == 2:
        raise AssertionError(f"drive {args}: {result.stderr.strip()}")
    return result.returncode, result.stdout.strip()


def find_window(window_class, title, timeout_ms=0, visible=False):
    args = ["find", window_class or "-", title or "-", timeout_ms]
    if visible:
        args.append("--visible")
    status, out = drive(*args, timeout=timeout_ms / 1000 + 30)
    return int(out, 16) if status == 0 else None


def window_gone(window_class, title, timeout_ms):
    status, _ = drive("gone", window_class or "-", title or "-", timeout_ms, timeout=timeout_ms / 1000 + 30)
    return status == 0


def send(window, message, wparam=0, lparam=0, timeout_ms=5000):
    status, out = drive("send", hex(window), hex(message), wparam, lparam, timeout_ms,
                        timeout=timeout_ms / 1000 + 30)
    return int(out) if status == 0 else None


def windows_processes(name):
    """Unix pids of the Wine processes of this build's prefix running the named program."""
    pids = []
    own_prefix = b"WINEPREFIX=" + PREFIX.encode() + b"\0"
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                cmdline = f.read().replace(b"\0", b" ").decode(errors="replace")
            if name.lower() not in cmdline.lower() or "wine-run" in cmdline:
                continue
            with open(f"/proc/{entry}/environ", "rb") as f:
                if own_prefix not in f.read() + b"\0":
                    continue
        except OSError:
            continue
        pids.append(int(entry))
    return pids


def kill_program(name):
    for pid in windows_processes(name):
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass
    wait_until(lambda: not windows_processes(name), 10, f"{name} to end")


def wait_until(predicate, seconds, what):
    """Polls a condition with a bound; fails the test with a clear message."""
    deadline = time.monotonic() + seconds
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise AssertionError(f"timed out after {seconds} s waiting for {what}")
        time.sleep(0.05)


def windows_file(name):
    return os.path.join(WINDIR, name)


def unix_path(windows_path):
    """The prefix file behind a C: path."""
    assert windows_path[:3].upper() == "C:\\", windows_path
    return os.path.join(DRIVE_C, *windows_path[3:].split("\\"))


def same_file(built, installed):
    if not os.path.exists(installed):
        return False
    with open(built, "rb") as a, open(installed, "rb") as b:
        return a.read() == b.read()


def virtual_scanner_files():
    """(built file, installed file) of everything the virtual scanner's setup installs,
    from the list the build made for the setup."""
    folders = {"$WINDIR": r"C:\windows", "$INSTDIR": MAKER_DIR}
    folder = None
    with open(SCANNER_FILES_LIST) as f:
        for line in f:
            command = re.match(r'(SetOutPath|File) "(.*)"$', line.strip())
            if not command:
                continue
            if command[1] == "SetOutPath":
                variable, rest = (command[2].split("\\", 1) + [""])[:2]
                folder = folders[variable] + ("\\" + rest if rest else "")
            else:
                built = command[2]
                yield built, unix_path(folder + "\\" + os.path.basename(built))


def virtual_scanner_installed():
    """Every file of the virtual scanner's setup is in place, the programs as built."""
    for built, installed in virtual_scanner_files():
        if not os.path.exists(installed):
            return False
        if built.lower().endswith((".exe", ".dll")) and not same_file(built, installed):
            return False
    return True


def tornel_installed():
    """Tornel as built, installed in English."""
    return (same_file(os.path.join(SHIPPED_BIN, "Tornel.exe"), unix_path(INSTALLED_TORNEL))
            and same_file(os.path.join(SOURCE, "data", "Tornel.loc"), windows_file("Tornel.loc")))


def install(setup, *args):
    """Runs a setup silently to its end."""
    code = run_detached(setup, "/S", *args)
    if code != 0:
        raise AssertionError(f"{os.path.basename(setup)} /S {' '.join(args)} exited {code}")


def install_virtual_scanner():
    if not virtual_scanner_installed():
        install(SCANNER_SETUP)


def install_tornel():
    if not tornel_installed():
        kill_program("Tornel.exe")
        install(TORNEL_SETUP, ENGLISH)
        # Wine starts the log-on programs with each session: a kept prefix would have a
        # Tornel running under the next session's unit tests.
        wine("reg", "delete", RUN_KEY, "/v", "Tornel", "/f")


def write_ini(path, text):
    with open(path, "w", newline="\r\n") as f:
        f.write(text)


def read_ini(path):
    parser = configparser.RawConfigParser(strict=False, interpolation=None)
    with open(path, encoding="latin-1") as f:
        parser.read_string(f.read())
    return parser


def ini_value(path, section, key, default=None):
    if not os.path.exists(path):
        return default
    parser = read_ini(path)
    for name in parser.sections():
        if name.lower() == section.lower():
            return parser[name].get(key, default)
    return default


class TornelCase(unittest.TestCase):
    """Each test starts with no Tornel running, the virtual scanner and Tornel installed
    by their setups (a test that changed an installation leaves it to the next one to
    install again), and restores the files it changed."""

    def setUp(self):
        kill_program("Tornel.exe")
        self._saved = {}
        self.prepare_installation()
        # The virtual scanner starts plugged in, instant and without faults.
        self.own_file(windows_file("TNSim.ini"))
        if os.path.exists(windows_file("TNSim.ini")):
            os.remove(windows_file("TNSim.ini"))
        self._processes = []
        self.addCleanup(self._restore_files)
        self.addCleanup(self._end_processes)

    def prepare_installation(self):
        install_virtual_scanner()
        install_tornel()

    def own_file(self, path):
        """Remembers a file's content so that it is put back after the test."""
        if path not in self._saved:
            self._saved[path] = None
            if os.path.exists(path):
                with open(path, "rb") as f:
                    self._saved[path] = f.read()

    def use_mail_client(self, name, dll_path=None):
        """Makes a mail client the system's default (None: no default at all) for the
        test, registered with its Simple MAPI library when one is given."""
        if dll_path:
            key = MAIL_KEY + "\\" + name
            wine("reg", "add", key, "/v", "DLLPath", "/d", dll_path, "/f")
            self.addCleanup(wine, "reg", "delete", key, "/f", check=False)
        self.addCleanup(set_default_mail_client, default_mail_client())
        set_default_mail_client(name)

    def write_windows_ini(self, name, text):
        path = windows_file(name)
        self.own_file(path)
        write_ini(path, text)
        return path

    def _restore_files(self):
        restore_files(self._saved)

    def start_tornel(self, *args):
        process = start(INSTALLED_TORNEL, *args)
        self._processes.append(process)
        return process

    def _end_processes(self):
        kill_program("Tornel.exe")
        for process in self._processes:
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def start_resident(self):
        self.start_tornel()
        return self.wait_for_message_loop()

    def wait_for_message_loop(self):
        """The resident window once it answers: its message loop runs only after the
        start-up, which has set off the launch's press by then."""
        window = find_window(TORNEL_NAME, TORNEL_NAME, 20000)
        self.assertIsNotNone(window, "the resident Tornel window did not appear")
        wait_until(lambda: send(window, WM_NULL) is not None, 20, "Tornel's message loop")
        return window

    def scanctl(self, *args, check=True):
        return wine(SCANCTL, *[str(a) for a in args], check=check)

    def sti_launch_args(self, button, upper=False):
        guid = BUTTON_EVENTS[button]
        return [f"/StiDevice:{STI_DEVICE}", f"/StiEvent:{guid.upper() if upper else guid}"]


# ---- The tray window, its menu and the boxes it shows ------------------------------

WM_CLOSE = 0x0010
WM_LBUTTONDBLCLK = 0x0203
WM_RBUTTONDOWN = 0x0204
TRAY_CALLBACK = 0x0400 + 10
RELEASE_SCANNER = 0x0400 + 21
REACQUIRE_SCANNER = 0x0400 + 22
TRAY_ICON_ID = 1
IDOK = 1
MESSAGE_BOX_TEXT = 0xFFFF

# Positions of the menu's string items, from the top (separators are skipped by the keys).
MENU_KELMIO, MENU_COPIER, MENU_SCANNER_TEST, MENU_BUTTON_MANAGER, MENU_CLOSE = range(5)


def post(window, message, wparam=0, lparam=0):
    status, _ = drive("post", hex(window), hex(message), wparam, lparam)
    return status == 0


def windows_path(path):
    """The Wine drive-Z path of a folder of this machine."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def count_windows(window_class, title, visible=False):
    args = ["count", window_class or "-", title or "-"]
    if visible:
        args.append("--visible")
    _, out = drive(*args)
    return int(out)


def tray_menu(timeout_ms):
    """The visible popup menu window, or None."""
    return find_window("#32768", None, timeout_ms, visible=True)


def right_click_icon(window):
    """What Wine's tray tells the owner when the user presses the right button on the icon."""
    return post(window, TRAY_CALLBACK, TRAY_ICON_ID, WM_RBUTTONDOWN)


def menu_closed(timeout_ms=5000):
    """True once no popup menu shows any more: a closing menu's window lingers a moment."""
    deadline = time.monotonic() + timeout_ms / 1000
    while tray_menu(0) is not None:
        if time.monotonic() >= deadline:
            return False
        time.sleep(0.05)
    return True


def open_tray_menu(window, timeout_ms=5000):
    """Opens the tray menu and returns its window. The menu of an earlier pick may still
    be on its way out; its window must not be taken for the new one."""
    if not menu_closed(timeout_ms):
        return None
    right_click_icon(window)
    return tray_menu(timeout_ms)


def choose_menu_item(menu, position):
    """Picks a string item of an open popup menu with the keys a user would press, and
    returns once the menu has closed."""
    keys = ["home"] + ["down"] * position + ["return"]
    status, _ = drive("keys", hex(menu), *keys)
    return status == 0 and menu_closed()


def dismiss_menu(menu):
    drive("keys", hex(menu), "escape")


def icon_exists(window, icon_id=TRAY_ICON_ID):
    status, _ = drive("icon", hex(window), icon_id)
    return status == 0


def delete_icon(window, icon_id=TRAY_ICON_ID):
    status, _ = drive("icon-delete", hex(window), icon_id)
    return status == 0


def registered_message(name):
    status, out = drive("register", name)
    if status != 0:
        raise AssertionError(f"cannot register the message {name}")
    return int(out)


def message_box(timeout_ms):
    """A visible message box (or other dialog), or None."""
    return find_window("#32770", None, timeout_ms, visible=True)


def message_box_text(box):
    status, text = drive("text", hex(box), MESSAGE_BOX_TEXT)
    return text if status == 0 else None


def close_message_box(box):
    drive("click", hex(box), IDOK)
    return window_gone_handle(box, 10000)


def window_gone_handle(window, timeout_ms):
    """Waits until a window handle no longer names a window (its text can't be read)."""
    return wait_until(lambda: drive("text", hex(window))[0] != 0, timeout_ms / 1000, "the window to close")


MAIL_KEY = r"HKLM\Software\Clients\Mail"


def default_mail_client():
    """The system's default mail client, or None when the value is absent."""
    result = wine("reg", "query", MAIL_KEY, "/ve", check=False)
    for line in result.stdout.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[0] == "(Default)" and parts[1].startswith("REG_"):
            return parts[2] if len(parts) == 3 else ""
    return None


def set_default_mail_client(name):
    if name is None:
        wine("reg", "delete", MAIL_KEY, "/ve", "/f", check=False)
    else:
        wine("reg", "add", MAIL_KEY, "/ve", "/d", name, "/f")


def reg_value(key, name, *view):
    """The data of a registry value as `reg query` shows it (in the view given, such
    as "/reg:64"), or None when the key or the value does not exist."""
    result = wine("reg", "query", key, "/v", name, *view, check=False)
    if result.returncode != 0:
        return None
    for line in result.stdout.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[0].lower() == name.lower() and parts[1].startswith("REG_"):
            return parts[2] if len(parts) == 3 else ""
    return None


def run_detached(*args, timeout=120):
    """Runs a Windows program to its end without lending it the test runner's pipes
    (what it starts in turn may outlive it) and returns its exit code."""
    process = start(*args)
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        raise AssertionError(f"{args[0]} did not end within {timeout} s")


def process_command_lines(name):
    """The command lines of the named program's processes in this build's prefix, by pid
    (other builds on the machine may run their own)."""
    lines = {}
    for pid in windows_processes(name):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                lines[pid] = f.read().replace(b"\0", b" ").decode(errors="replace").strip()
        except OSError:
            pass
    return lines
