#!/usr/bin/env python3
"""Checks that each shipped Windows program runs on a bare Windows 10 or 11: it imports only
DLLs that every such system has (no MinGW, C++ runtime or Qt DLL beside it), and it is of the
right subsystem: dravik.exe a window program with its icon and version information,
controller_check.exe a console program.

    imports_test.py OBJDUMP PROGRAM.exe...
"""
import os
import re
import struct
import subprocess
import sys

# Part of every Windows 10 and 11 installation, in System32, and the API sets that the system's
# loader maps to its own DLLs there.
SYSTEM_DLLS = {
    "advapi32.dll", "authz.dll", "bcrypt.dll", "comctl32.dll", "comdlg32.dll", "d2d1.dll",
    "d3d9.dll", "d3d11.dll", "d3d12.dll", "dwmapi.dll", "dwrite.dll", "dxgi.dll", "gdi32.dll",
    "imm32.dll", "kernel32.dll", "msvcrt.dll", "netapi32.dll", "ole32.dll", "oleaut32.dll",
    "setupapi.dll", "shcore.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "userenv.dll",
    "uxtheme.dll", "version.dll", "winmm.dll", "ws2_32.dll", "wtsapi32.dll",
    "api-ms-win-core-synch-l1-2-0.dll", "api-ms-win-core-winrt-l1-1-0.dll",
    "api-ms-win-core-winrt-string-l1-1-0.dll",
}
SUBSYSTEM = {"dravik.exe": "Windows GUI", "controller_check.exe": "Windows CUI"}
RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16


def resource_types(image):
    """The numbered types at the root of a PE32+ image's resource directory."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    rva, size = struct.unpack_from("<II", image, optional + 112 + 2 * 8)
    if size == 0:
        return set()
    for i in range(sections):
        _, virtual_size, address, raw_size, raw = struct.unpack_from(
            "<8sIIII", image, optional + optional_size + 40 * i)
        if address <= rva < address + max(virtual_size, raw_size):
            root = raw + rva - address
            named, numbered = struct.unpack_from("<HH", image, root + 12)
            return {struct.unpack_from("<I", image, root + 16 + 8 * j)[0]
                    for j in range(named, named + numbered)}
    return set()


objdump = sys.argv[1]
failures = []
for program in sys.argv[2:]:
    name = os.path.basename(program)
    headers = subprocess.run([objdump, "-p", program], check=True, capture_output=True,
                             text=True).stdout
    dlls = sorted(set(d.lower() for d in re.findall(r"DLL Name: (\S+)", headers)))
    foreign = [d for d in dlls if d not in SYSTEM_DLLS]
    print("%s imports %s" % (name, " ".join(dlls)))
    if not dlls:
        failures.append("%s: no import table found" % name)
    if foreign:
        failures.append("%s needs DLLs that Windows does not have: %s" % (name, " ".join(foreign)))
    subsystem = re.search(r"^Subsystem\s+\S+\s+\((.*)\)", headers, re.M)
    if not subsystem or subsystem.group(1) != SUBSYSTEM[name]:
        failures.append("%s: subsystem %s, not %s" % (
            name, subsystem.group(1) if subsystem else "unknown", SUBSYSTEM[name]))
    if name == "dravik.exe":
        image = open(program, "rb").read()
        for what, text in (("product name", "Эмулятор весов"), ("version", "0.")):
            if text.encode("utf-16-le") not in image:
                failures.append("dravik.exe: no %s in its version information" % what)
        types = resource_types(image)
        for what, wanted in (("icon", {RT_ICON, RT_GROUP_ICON}), ("version resource", {RT_VERSION})):
            if not wanted <= types:
                failures.append("dravik.exe has no %s among its resources" % what)
for failure in failures:
    print("imports_test: " + failure)
sys.exit(1 if failures else 0)
