"""Checks that the programs the setups install import only functions that Windows XP
SP3 has: every import in their PE import tables must be in the reviewed list, and so
must every function of the delay-load import libraries they link (whose .def files are
given with --delay; the linker leaves no directory of them in the program).
    check_imports.py REVIEWED_LIST [--delay DEF]... PROGRAM... (@FILE names a file of
    programs, one a line)
A new import fails until someone has checked the oldest Windows that has it and
added it to the list."""

import struct
import sys


class NotPe(Exception):
    pass


def imports_of(path):
    """{(DLL upper-cased, function name or '#ordinal')} from a PE32 file's import table."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"MZ":
        raise NotPe("no MZ header")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise NotPe("no PE signature")
    section_count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    if struct.unpack_from("<H", data, optional)[0] != 0x10B:
        raise NotPe("not a 32-bit image")
    import_rva = struct.unpack_from("<I", data, optional + 96 + 8)[0]
    sections = []
    for index in range(section_count):
        size, rva, raw_size, raw = struct.unpack_from("<4I", data, optional + optional_size + 40 * index + 8)
        sections.append((rva, max(size, raw_size), raw))

    def offset(rva):
        for start, size, raw in sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise NotPe(f"RVA {rva:#x} is in no section")

    def text(rva):
        at = offset(rva)
        return data[at:data.index(b"\0", at)].decode("ascii")

    found = set()
    descriptor = offset(import_rva) if import_rva else None
    while descriptor is not None:
        lookup, _, _, name_rva, address = struct.unpack_from("<5I", data, descriptor)
        if name_rva == 0:
            break
        dll = text(name_rva).upper()
        thunk = offset(lookup or address)
        while True:
            entry = struct.unpack_from("<I", data, thunk)[0]
            if entry == 0:
                break
            found.add((dll, f"#{entry & 0xFFFF}" if entry & 0x80000000 else text(entry + 2)))
            thunk += 4
        descriptor += 20
    return found


def reviewed(path):
    """{(DLL, function)} from the list: "DLL Function  oldest Windows", '#' comments."""
    names = set()
    with open(path) as f:
        for line in f:
            words = line.split("#", 1)[0].split()
            if words:
                names.add((words[0].upper(), words[1]))
    return names


def delay_imports(path):
    """{(DLL upper-cased, function)} from a delay-load import library's .def file."""
    with open(path) as f:
        lines = [words for words in (line.split(";", 1)[0].split() for line in f) if words]
    dll = next(words[1] for words in lines if words[0] == "LIBRARY").upper()
    exports = next(i for i, words in enumerate(lines) if words[0] == "EXPORTS")
    return {(dll, words[0].split("@", 1)[0]) for words in lines[exports + 1:]}


def programs(arguments):
    for argument in arguments:
        if argument.startswith("@"):
            with open(argument[1:]) as f:
                yield from (line.strip() for line in f if line.strip())
        else:
            yield argument


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    allowed = reviewed(argv[1])
    failures = 0
    arguments = argv[2:]
    while len(arguments) >= 2 and arguments[0] == "--delay":
        for dll, function in sorted(delay_imports(arguments[1]) - allowed):
            print(f"{arguments[1]}: delay-imports {dll} {function}, which is not in the list of functions "
                  f"reviewed as present on Windows XP SP3 ({argv[1]})")
            failures += 1
        arguments = arguments[2:]
    for program in programs(arguments):
        try:
            found = imports_of(program)
        except (OSError, NotPe, ValueError, struct.error) as error:
            print(f"{program}: cannot read its imports: {error}")
            failures += 1
            continue
        # Every Windows program imports something; none found means the reader failed.
        if not found:
            print(f"{program}: no imports found")
            failures += 1
        for dll, function in sorted(found - allowed):
            print(f"{program}: imports {dll} {function}, which is not in the list of functions "
                  f"reviewed as present on Windows XP SP3 ({argv[1]})")
            failures += 1
        print(f"{program}: {len(found)} imports")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
