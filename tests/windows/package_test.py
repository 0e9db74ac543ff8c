#!/usr/bin/env python3
"""Makes the Windows zip with cpack and checks what an engineer downloads: its name, one folder
holding the two programs and the README (Russian and English, CRLF), nothing else. Unpacks it
into package-test/ in the build directory for the tests that run the programs from it.

    package_test.py CPACK BUILD_DIR NAME      (NAME: dravik-<version>-win64)
"""
import os
import shutil
import subprocess
import sys
import zipfile

cpack, build, name = sys.argv[1:4]
archive = os.path.join(build, name + ".zip")
if os.path.exists(archive):
    os.remove(archive)
subprocess.run([cpack, "-G", "ZIP"], cwd=build, check=True, stdout=subprocess.DEVNULL)

failures = []
if not os.path.exists(archive):
    sys.exit("package_test: cpack made no %s" % archive)
with zipfile.ZipFile(archive) as zip_file:
    files = sorted(n for n in zip_file.namelist() if not n.endswith("/"))
    expected = sorted(name + "/" + f for f in ("README.txt", "controller_check.exe", "dravik.exe"))
    if files != expected:
        failures.append("the zip holds %s, not %s" % (files, expected))
    readme = zip_file.read(name + "/README.txt").decode("utf-8")
    target = os.path.join(build, "package-test")
    shutil.rmtree(target, ignore_errors=True)
    zip_file.extractall(target)
lines = readme.split("\n")
if any(not line.endswith("\r") for line in lines[:-1]) or lines[-1] != "":
    failures.append("README.txt does not end every line with CRLF")
for words in ("Диспетчер устройств", "Device Manager", "Невозможно открыть порт.",
              "Связь с портом потеряна.", "controller_check.exe --device COM"):
    if words not in readme:
        failures.append("README.txt does not mention %r" % words)
for failure in failures:
    print("package_test: " + failure)
sys.exit(1 if failures else 0)
