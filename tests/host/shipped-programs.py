#!/usr/bin/python3
"""Reads each shipped program as Windows reads it, and fails on anything Windows would refuse or
show wrong. Wine checks none of this, so it is checked on the files themselves:
- the machine type of the build, and a manifest whose processorArchitecture names the same one
  (Windows refuses to start a program whose manifest names another) with the intended
  execution level;
- a version resource with the fields Explorer and deployment tools read;
- the image marked for address space layout randomisation, no-execute data and terminal servers;
- the usual import table naming KERNEL32.dll and msvcrt.dll only: every other system library is
  delay-loaded, after the program has limited the library search to the system folder.
Prints what it read, the oldest Windows the subsystem version allows among it.

Usage: shipped-programs.py <i686|x86-64> <version> <program.exe>=<execution level>...
"""
import os
import sys
import xml.etree.ElementTree as ElementTree

import pefile

BUILDS = {
    "i686": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"], "x86"),
    "x86-64": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"], "amd64"),
}
IMAGE_FLAGS = ("IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE", "IMAGE_DLLCHARACTERISTICS_NX_COMPAT",
               "IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE")
USUAL_IMPORTS = ["KERNEL32.DLL", "MSVCRT.DLL"]
VERSION_FIELDS = ("CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
                  "OriginalFilename", "ProductName", "ProductVersion")
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"


def manifest_of(pe):
    """The text of resource RT_MANIFEST 1, or None."""
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return None
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != pefile.RESOURCE_TYPE["RT_MANIFEST"]:
            continue
        for name in kind.directory.entries:
            if name.id == 1:
                data = name.directory.entries[0].data.struct
                return pe.get_data(data.OffsetToData, data.Size)
    return None


def version_strings(pe):
    """Every value of the version resource's string tables."""
    values = {}
    for info in getattr(pe, "FileInfo", []):
        for block in info:
            for table in getattr(block, "StringTable", []):
                values.update({k.decode(): v.decode() for k, v in table.entries.items()})
    return values


def check_manifest(pe, architecture, level):
    text = manifest_of(pe)
    if text is None:
        return ["no manifest"]
    root = ElementTree.fromstring(text)
    identity = root.find(ASM_V1 + "assemblyIdentity")
    found_arch = identity.get("processorArchitecture") if identity is not None else None
    found_level = None
    for element in root.iter(ASM_V3 + "requestedExecutionLevel"):
        found_level = element.get("level")
    print(f"  manifest: processorArchitecture={found_arch}, execution level {found_level}")
    problems = []
    if found_arch != architecture:
        problems.append(f"the manifest names processorArchitecture {found_arch}, the image is {architecture}")
    if found_level != level:
        problems.append(f"the manifest asks for {found_level}, expected {level}")
    return problems


def check_version(pe, program, version):
    values = version_strings(pe)
    print("  version: " + ", ".join(f"{k}={values[k]!r}" for k in VERSION_FIELDS if k in values))
    problems = [f"the version resource has no {k}" for k in VERSION_FIELDS if not values.get(k)]
    expected = {"FileVersion": version, "ProductVersion": version, "ProductName": "Quorindo",
                "OriginalFilename": os.path.basename(program)}
    problems += [f"{k} is {values[k]!r}, expected {v!r}" for k, v in expected.items()
                 if values.get(k) and values[k] != v]
    return problems


def check_image(pe):
    header = pe.OPTIONAL_HEADER
    subsystem = f"{header.MajorSubsystemVersion}.{header.MinorSubsystemVersion}"
    print(f"  subsystem version {subsystem}, operating system version "
          f"{header.MajorOperatingSystemVersion}.{header.MinorOperatingSystemVersion}")
    flags = pefile.retrieve_flags(pefile.DLL_CHARACTERISTICS, "IMAGE_DLLCHARACTERISTICS_")
    set_flags = {name for name, value in flags if header.DllCharacteristics & value}
    problems = [f"the image is not marked {f[len('IMAGE_DLLCHARACTERISTICS_'):]}" for f in IMAGE_FLAGS
                if f not in set_flags]
    imports = sorted(entry.dll.decode().upper() for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
    print(f"  imports: {' '.join(imports) or 'nothing'}")
    if imports != USUAL_IMPORTS:
        problems.append(f"imports {' '.join(imports)}, expected {' '.join(USUAL_IMPORTS)} only")
    return problems


def check_program(program, level, build, version):
    machine, architecture = BUILDS[build]
    print(os.path.basename(program))
    pe = pefile.PE(program)
    problems = []
    if pe.FILE_HEADER.Machine != machine:
        problems.append(f"machine type 0x{pe.FILE_HEADER.Machine:04x}, expected 0x{machine:04x} ({build})")
    problems += check_manifest(pe, architecture, level)
    problems += check_version(pe, program, version)
    problems += check_image(pe)
    for problem in problems:
        print(f"{program}: {problem}")
    return not problems


def main(args):
    if len(args) < 3 or args[0] not in BUILDS or any("=" not in a for a in args[2:]):
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    build, version = args[0], args[1]
    results = [check_program(*a.rsplit("=", 1), build, version) for a in args[2:]]
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
