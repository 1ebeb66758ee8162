"""Writes the installer's list of installed settings: one AddMissingKey line for every
key of the data files, so that an upgrade adds the keys a user's files lack and
changes nothing else.
    installed_keys.py OUTPUT FILE=INI_PATH...
where FILE is the file's name in the Windows directory."""

import sys


def keys_of(path):
    section = None
    with open(path, encoding="latin-1") as f:
        for raw in f:
            line = raw.strip()
            if not line or line.startswith(";"):
                continue
            if line.startswith("[") and line.endswith("]"):
                section = line[1:-1]
            elif "=" in line and section is not None:
                key, value = line.split("=", 1)
                yield section, key.strip(), value.strip()


def nsis_string(text):
    return '"' + text.replace("$", "$$").replace('"', '$\\"') + '"'


def main():
    output, files = sys.argv[1], sys.argv[2:]
    lines = []
    for item in files:
        name, path = item.split("=", 1)
        for section, key, value in keys_of(path):
            target = '"$WINDIR\\' + name + '"'
            lines.append("!insertmacro AddMissingKey " + " ".join(
                [target] + [nsis_string(s) for s in (section, key, value)]))
    with open(output, "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
