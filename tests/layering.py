"""The source folders' house rules, read from the sources: each folder of src/ includes
only folders below it, the profile API is called only in config/, CloseHandle only in
common/ (everything else owns its handles), GetProcAddress only in common/ (every
run-time lookup is typed by BindProc), the settings files' section names only in
config/: the names are config's own section constants and ButtonKind names, and
another folder neither spells one in a string literal (a localized text's fallback,
which follows its IDS_ id, is a text, not a section) nor names those constants; and
no loop sleeps to poll: waits block."""

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
SECTION_CONSTANT = re.compile(r'\b(k\w*Section)(?:\[\])?\s*=\s*"([^"]+)"')
KIND_NAMES = re.compile(r"kButtonKindNames\[\w+\]\[\d+\]\s*=\s*\{([^}]*)\}")
TOKEN = re.compile(r'"((?:[^"\\\n]|\\.)*)"|\'(?:[^\'\\\n]|\\.)*\'|//[^\n]*|/\*.*?\*/', re.S)
FALLBACK = re.compile(r"\bIDS_\w+\s*,\s*$")


def read(path):
    with open(path, encoding="latin-1") as f:
        return f.read()


def section_names(config):
    """The section names (lower case) and the names of the constants that hold them."""
    names, constants = set(), {"kButtonKindNames"}
    for name in os.listdir(config):
        text = read(os.path.join(config, name))
        for constant, section in SECTION_CONSTANT.findall(text):
            constants.add(constant)
            names.add(section.lower())
        for kinds in KIND_NAMES.findall(text):
            names.update(n.lower() for n in re.findall(r'"([^"]+)"', kinds))
    return names, constants


def literals_and_code(text):
    """The string literals outside comments, but for localized texts' fallbacks, and
    the code with comments and literals taken out."""
    found, code, end = [], [], 0
    for token in TOKEN.finditer(text):
        code.append(text[end : token.start()])
        end = token.end()
        if token.group(1) is not None and not FALLBACK.search(text[max(0, token.start() - 80) : token.start()]):
            found.append(token.group(1))
    code.append(text[end:])
    return found, "".join(code)


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
    sections, constants = section_names(os.path.join(src, "config"))
    constant_use = re.compile(r"\b(" + "|".join(sorted(constants)) + r")\b")
    if not sections:
        yield "config/ names no section"
    for folder in sorted(os.listdir(src)):
        if folder not in LAYERS:
            yield f"{folder}/ has no place in the layering"
            continue
        for name in sorted(os.listdir(os.path.join(src, folder))):
            path = os.path.join(src, folder, name)
            text = read(path)
            for used in INCLUDE.findall(text):
                if used in LAYERS and LAYERS.index(used) < LAYERS.index(folder):
                    yield f"{folder}/{name} includes {used}/, which sits above it"
            for owner, what, call in CALLS:
                if folder != owner and call.search(text):
                    yield f"{folder}/{name} calls {what} outside {owner}/"
            if folder != "config":
                found, code = literals_and_code(text)
                for spelled in sorted({t for t in found if t.lower() in sections}):
                    yield f'{folder}/{name} spells the section "{spelled}" outside config/'
                for used in sorted(set(constant_use.findall(code))):
                    yield f"{folder}/{name} names the section constant {used} outside config/"
            for _, sleep in polling_sleeps(text):
                if (f"{folder}/{name}", sleep) not in POLLING_LOOPS:
                    yield f"{folder}/{name} polls with {sleep} in a loop instead of waiting"


if __name__ == "__main__":
    found = list(faults(sys.argv[1]))
    print("\n".join(found) or "layering holds")
    sys.exit(1 if found else 0)
