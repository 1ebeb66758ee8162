"""Writes the installer's list of installed settings: one AddMissingKey line for every
key of the data files, so that an upgrade adds the keys a user's files lack and
changes nothing else.
    installed_keys.py OUTPUT FILE=INI_PATH...
where FILE is the file's name in the Windows directory."""

import sys


def keys_of(path):
    """(section, key, value) of every entry, in file order. Like the profile calls,
    the first of two equal keys in a section wins, and comments and lines outside a
    section are skipped."""
    section = None
    seen = set()
    with open(path, encoding="latin-1") as f:
        for number, raw in enumerate(f, 1):
            line = raw.strip()
            if not line or line.startswith(";"):
                continue
            if line.startswith("["):
                if not line.endswith("]") or len(line) < 3:
                    raise ValueError(f"{path}:{number}: not a section header: {line}")
                section = line[1:-1].strip()
            elif "=" in line and section is not None:
                key, value = line.split("=", 1)
                key = key.strip()
                if not key:
                    raise ValueError(f"{path}:{number}: entry without a key")
                if (section.lower(), key.lower()) in seen:
                    continue
                seen.add((section.lower(), key.lower()))
                yield section, key, value.strip()


def nsis_string(text):
    """A double-quoted NSIS string that stands for the text itself: '$' starts a
    variable in NSIS and '$\\"' is its quote."""
    return '"' + text.replace("$", "$$").replace('"', '$\\"') + '"'


def lines_for(name, path):
    target = '"$WINDIR\\' + name + '"'
    for section, key, value in keys_of(path):
        yield "!insertmacro AddMissingKey " + " ".join(
            [target] + [nsis_string(s) for s in (section, key, value)])


def main(argv):
    if len(argv) < 3 or any("=" not in item for item in argv[2:]):
        sys.stderr.write(__doc__)
        return 2
    output, files = argv[1], argv[2:]
    lines = []
    try:
        for item in files:
            name, path = item.split("=", 1)
            lines.extend(lines_for(name, path))
    except (OSError, ValueError) as error:
        sys.stderr.write(f"installed_keys.py: {error}\n")
        return 1
    with open(output, "w", encoding="latin-1", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
