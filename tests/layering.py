"""The source folders' house rules, read from the sources: each folder of src/ includes
only folders below it, the profile API is called only in config/, CloseHandle only in
common/ (everything else owns its handles), GetProcAddress only in common/ (every
run-time lookup is typed by BindProc), and no loop sleeps to poll: waits block."""

import os
import re
import sys

# Top to bottom: a folder may include itself and the folders after it.
LAYERS = ["shell", "settings", "dispatch", "destinations", "scan", "i18n", "config", "common"]
# (folder, what, call): the only folder where the call may appear.
CALLS = [
    ("config", "the profile API", re.compile(r"\b(Get|Write)(Private)?Profile\w*\(")),
    ("common", "CloseHandle", re.compile(r"\bCloseHandle\(")),
    ("common", "GetProcAddress", re.compile(r"\bGetProcAddress\(")),
]
INCLUDE = re.compile(r'#include "(\w+)/')
LOOP = re.compile(r"\b(?:while|for)\s*\(|\bdo\s*\{")
SLEEP = re.compile(r"\bSleep\([^)]*\)")
# The loops that must poll, named by their sleep: what they wait for gives no signal.
POLLING_LOOPS = {
    # Another process's window, which this process can only look for.
    ("shell/launch.cpp", "Sleep(kResidentWindowPollMs)"),
    # A document another program writes: its size is looked at once a second.
    ("destinations/ocr_support.cpp", "Sleep(kDocumentCheckMs)"),
}


def closing(text, i, opening, closer):
    """The index after the bracket that closes the one opened just before i."""
    depth = 1
    while depth and i < len(text):
        depth += (text[i] == opening) - (text[i] == closer)
        i += 1
    return i


def polling_sleeps(text):
    """The sleeps inside the body of a while, for or do loop."""
    text = re.sub(r"//[^\n]*", "", text)
    found = set()
    for loop in LOOP.finditer(text):
        i = loop.end() if text[loop.end() - 1] == "{" else closing(text, loop.end(), "(", ")")
        while i < len(text) and text[i].isspace():
            i += 1
        if text[loop.end() - 1] == "{" or text[i : i + 1] == "{":
            end = closing(text, i + (text[i : i + 1] == "{"), "{", "}")
        else:
            end = text.find(";", i) + 1
        found.update((m.start(), m.group()) for m in SLEEP.finditer(text, i, end))
    return sorted(found)


def faults(src):
    for folder in sorted(os.listdir(src)):
        if folder not in LAYERS:
            yield f"{folder}/ has no place in the layering"
            continue
        for name in sorted(os.listdir(os.path.join(src, folder))):
            path = os.path.join(src, folder, name)
            with open(path, encoding="latin-1") as f:
                text = f.read()
            for used in INCLUDE.findall(text):
                if used in LAYERS and LAYERS.index(used) < LAYERS.index(folder):
                    yield f"{folder}/{name} includes {used}/, which sits above it"
            for owner, what, call in CALLS:
                if folder != owner and call.search(text):
                    yield f"{folder}/{name} calls {what} outside {owner}/"
            for _, sleep in polling_sleeps(text):
                if (f"{folder}/{name}", sleep) not in POLLING_LOOPS:
                    yield f"{folder}/{name} polls with {sleep} in a loop instead of waiting"


if __name__ == "__main__":
    found = list(faults(sys.argv[1]))
    print("\n".join(found) or "layering holds")
    sys.exit(1 if found else 0)
