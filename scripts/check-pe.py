#!/usr/bin/python3
"""Checks a built Windows program without running it, so that a machine that cannot start it
(a 32-bit program where the kernel runs no 32-bit code) still checks what it can:

    scripts/check-pe.py BITS VERSION PROGRAM...

For each program: the machine type is BITS (32 or 64); it imports only DLLs that every Windows
from 7 to 11 ships (a mingw runtime DLL would mean a program that does not start on a clean
system); its version resource names it, Halvorn and VERSION; its manifest asks for the rights of
whoever starts it; and Trelk.exe exports the link control as FIRELINK. Prints one line per
program, or what is wrong; exits 1 when anything is.
"""
import os
import sys

import pefile

MACHINES = {32: pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"], 64: pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]}
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll",
    "oleaut32.dll", "shell32.dll", "shfolder.dll", "shlwapi.dll", "user32.dll", "uxtheme.dll", "version.dll",
}
RT_MANIFEST = 24


def version_strings(pe):
    strings = {}
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    return strings


def manifests(pe):
    resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in resources.entries if resources else []:
        if kind.id != RT_MANIFEST:
            continue
        for name in kind.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                yield pe.get_data(data.OffsetToData, data.Size).decode("utf-8", "replace")


def problems(path, bits, version):
    name = os.path.basename(path)
    stem = os.path.splitext(name)[0]
    pe = pefile.PE(path)
    if pe.FILE_HEADER.Machine != MACHINES[bits]:
        yield f"not a {bits}-bit program (machine {pe.FILE_HEADER.Machine:#x})"
    imports = sorted(entry.dll.decode().lower() for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
    foreign = [dll for dll in imports if dll not in SYSTEM_DLLS]
    if foreign:
        yield f"imports DLLs that Windows does not ship: {', '.join(foreign)}"
    wanted = {"CompanyName": "Halvorn", "ProductName": "Trelk", "InternalName": stem, "OriginalFilename": name,
              "FileVersion": version, "ProductVersion": version}
    found = version_strings(pe)
    for key, value in wanted.items():
        if found.get(key) != value:
            yield f"version resource {key} is {found.get(key)!r}, not {value!r}"
    if not any('level="asInvoker"' in text for text in manifests(pe)):
        yield "no manifest asking for asInvoker"
    if name == "Trelk.exe":
        exports = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
        exported = [s.name.decode() for s in exports.symbols if s.name] if exports else []
        if "FIRELINK" not in exported:
            yield "FIRELINK is missing from the export table"


def main():
    if len(sys.argv) < 4 or sys.argv[1] not in ("32", "64"):
        print(__doc__.strip().splitlines()[3].strip(), file=sys.stderr)
        return 2
    bits, version = int(sys.argv[1]), sys.argv[2]
    failed = False
    for path in sys.argv[3:]:
        found = list(problems(path, bits, version))
        if found:
            failed = True
            for problem in found:
                print(f"   FAILED: {path}: {problem}")
        else:
            print(f"   ok: {os.path.basename(path)} ({bits}-bit): imports, version resource, manifest"
                  + (", FIRELINK" if os.path.basename(path) == "Trelk.exe" else ""))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
