"""The source folders' house rules, read from the sources: each folder of src/ includes
only folders below it, the profile API is called only in config/, CloseHandle only in
common/ (everything else owns its handles), and GetProcAddress only in common/ (every
run-time lookup is typed by BindProc)."""

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


if __name__ == "__main__":
    found = list(faults(sys.argv[1]))
    print("\n".join(found) or "layering holds")
    sys.exit(1 if found else 0)
