"""What each part of Setup.exe costs, read from the link map the Windows build writes.

    python3 tools/size_table.py <Setup.map> <Setup.exe>

Prints a Markdown table: the bytes each part brings into the file's sections (the sizes the
linker gives each piece it placed), and the rest up to the file's size (headers and the padding
of each section to the file alignment). The README's size table is this output.
"""
import os
import re
import sys

# The sections that take room in the file (.bss takes none).
FILE_SECTIONS = {".text", ".data", ".rdata", ".eh_frame", ".idata", ".CRT", ".tls", ".rsrc",
                 ".reloc"}

# (part, test on the output section and the input file's name), the first match wins.
PARTS = [
    ("import tables", lambda section, name: section == ".idata"),
    ("relocations (for ASLR)", lambda section, name: section == ".reloc"),
    ("version information and manifest", lambda section, name: section == ".rsrc"),
    ("the program's own code, optimised as one (app, support, setup, uninstall, the runtime "
     "stand-ins, the `std::string` members it uses)",
     lambda section, name: ".ltrans" in name or name.endswith(".obj")
     or re.search(r"libkest_\w+\.a\(|objects\.a\(", name) is not None),
    ("the DWARF unwinder (libgcc_eh)", lambda section, name: "libgcc_eh.a(" in name),
    ("the C++ runtime: exception handling, type information, `new`/`delete` (libstdc++)",
     lambda section, name: "libstdc++.a(" in name),
    ("MinGW start-up, C runtime glue, import thunks",
     lambda section, name: re.search(r"crt\w*\.o$|libmingw\w*\.a\(|libgcc\.a\(|\.a\(lib", name)
     is not None),
    ("padding between parts", lambda section, name: name == "*fill*"),
]

HEADERS = "headers and the padding of each section to the file alignment"


def pieces(map_text):
    """(output section, input file, bytes) for each piece the linker placed."""
    text = map_text.split("Linker script and memory map", 1)[-1]
    section = None
    pending = None  # an input section whose address and size are on the next line
    for line in text.splitlines():
        head = re.match(r"^(\.[\w$.]+)\s", line + " ")
        if head and not line.startswith(" "):
            section = head.group(1)
            pending = None
            continue
        piece = re.match(r"^ (\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)(?:\s+(\S.*))?$", line)
        if piece and (piece.group(4) or piece.group(1) == "*fill*"):
            yield section, piece.group(4) or "*fill*", int(piece.group(3), 16)
            pending = None
            continue
        if re.match(r"^ [.\w$]\S*$", line):
            pending = True
            continue
        wrapped = re.match(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if pending and wrapped:
            yield section, wrapped.group(3), int(wrapped.group(2), 16)
        pending = None


def table(map_text, file_size):
    totals = {part: 0 for part, _ in PARTS}
    unknown = {}
    for section, name, size in pieces(map_text):
        if section not in FILE_SECTIONS or size == 0:
            continue
        for part, belongs in PARTS:
            if belongs(section, name):
                totals[part] += size
                break
        else:
            unknown[name] = unknown.get(name, 0) + size
    if unknown:
        raise ValueError("pieces of no known part: %s" % sorted(unknown))
    rows = sorted(((size, part) for part, size in totals.items() if size), reverse=True)
    rows.append((file_size - sum(size for size, _ in rows), HEADERS))
    lines = ["| part | bytes |", "|---|---:|"]
    lines += ["| %s | %s |" % (part, format(size, ",")) for size, part in rows]
    lines.append("| **Setup.exe** | **%s** |" % format(file_size, ","))
    return "\n".join(lines)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: size_table.py <Setup.map> <Setup.exe>")
    with open(sys.argv[1]) as f:
        print(table(f.read(), os.path.getsize(sys.argv[2])))


if __name__ == "__main__":
    main()
