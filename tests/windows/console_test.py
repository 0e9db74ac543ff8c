#!/usr/bin/env python3
"""dravik.exe end to end under Wine, as an engineer meets it, seen on the screen.

First run: dravik.ini beside the program names a COM port that is a pseudo-terminal held here.
The test clicks Start and "Запрос состояния (D)" where the control table puts them, reads
01 44 00 at 9600 bit/s 8N1 on the terminal for each, answers FF 01 44 8A 03, and reads from the
screen that both green lights are lit and that the status line is blue; then it closes the
window and reads dravik.ini (CRLF, the three keys). Second run, without dravik.ini, on COM4,
which does not exist: Start shows the box "Невозможно открыть порт." with its cause line (read
by copying the box's text, as Ctrl+C does in any message box), the program carries on after
OK, and closing it creates dravik.ini with CRLF line breaks.

    console_test.py WINE PROGRAM_DIR WORK_DIR     (WINEPREFIX and DISPLAY from the caller)
"""
import os
import re
import select
import shutil
import subprocess
import sys
import termios
import time
import tty

wine, program_dir, work = sys.argv[1:4]
TITLE = "Эмулятор весов"
CLIENT = (594, 496)  # the window's client area
# Client-area rectangles of the control table (left, top, width, height).
START = (228, 8, 23, 22)
GET_STATE = (12 + 420, 40 + 16, 137, 25)
INPUT_GREEN = (12 + 12 + 8, 40 + 204 + 48, 101, 17)
OUTPUT_GREEN = (12 + 164 + 8, 40 + 204 + 48, 101, 17)
STATUS = (12 + 12, 40 + 417, 545, 17)
GREEN, BLUE, AQUA = (0, 128, 0), (0, 0, 255), (0, 255, 255)

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("console_test: FAILED: " + message, flush=True)
    return condition


def run(*command):
    return subprocess.run(command, capture_output=True, text=True).stdout


def wait_for(what, probe, timeout=60):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        result = probe()
        if result:
            return result
        time.sleep(0.2)
    sys.exit("console_test: %s did not happen within %d s" % (what, timeout))


def eventually(probe, timeout=15):
    """Polls what the screen shows until it holds or the time is up: under load Wine paints
    late, and a fixed pause would fail a program that is only slow."""
    deadline = time.monotonic() + timeout
    while not probe():
        if time.monotonic() >= deadline:
            return False
        time.sleep(0.2)
    return True


def find_window(title):
    ids = run("xdotool", "search", "--onlyvisible", "--name", "^%s$" % re.escape(title)).split()
    return ids[-1] if ids else None


def screen():
    """The whole screen as (width, height, RGB bytes), through ImageMagick."""
    ppm = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], capture_output=True,
                         check=True).stdout
    fields = ppm.split(maxsplit=4)  # P6 width height maxval data
    return int(fields[1]), int(fields[2]), fields[4]


def share(picture, origin, rect, colour):
    """How much of the rectangle (client coordinates) shows exactly this colour."""
    width, _, data = picture
    left, top = origin[0] + rect[0], origin[1] + rect[1]
    hits = 0
    for y in range(top, top + rect[3]):
        for x in range(left, left + rect[2]):
            i = 3 * (y * width + x)
            hits += tuple(data[i:i + 3]) == colour
    return hits / (rect[2] * rect[3])


def client_origin(window):
    """The client area's top-left corner on the screen: the window's outer rectangle less its
    frame, which is as wide at the bottom and the sides."""
    geometry = dict(line.split("=") for line in
                    run("xdotool", "getwindowgeometry", "--shell", window).split())
    x, y, w, h = (int(geometry[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
    border = (w - CLIENT[0]) // 2
    return x + border, y + h - border - CLIENT[1]


def click(origin, rect):
    x, y = origin[0] + rect[0] + rect[2] // 2, origin[1] + rect[1] + rect[3] // 2
    subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"], check=True)


def read_exact(fd, n, timeout=10):
    data = b""
    deadline = time.monotonic() + timeout
    while len(data) < n and select.select([fd], [], [], max(0, deadline - time.monotonic()))[0]:
        data += os.read(fd, n - len(data))
    return data


def close_program(program):
    """Closes the window as the system does at a click on its close box (WM_CLOSE)."""
    subprocess.run([wine, "taskkill", "/im", "dravik.exe"], capture_output=True)
    try:
        return program.wait(60)
    except subprocess.TimeoutExpired:
        program.kill()
        return None


shutil.rmtree(work, ignore_errors=True)
shutil.copytree(program_dir, work)
exe = os.path.join(work, "dravik.exe")
ini = os.path.join(work, "dravik.ini")
dosdevices = os.path.join(os.environ["WINEPREFIX"], "dosdevices")

# --- first run: a pseudo-terminal as COM41 ---------------------------------------------------
master, slave = os.openpty()
tty.setraw(slave)  # nothing echoed before the console has set the line up
link = os.path.join(dosdevices, "com41")
if os.path.lexists(link):
    os.unlink(link)
os.symlink(os.ttyname(slave), link)
with open(ini, "wb") as f:
    f.write(b"[Main]\r\nPort=COM41\r\nSpeed=0\r\n5byte=1\r\n")

program = subprocess.Popen([wine, exe], cwd=work)
window = wait_for("the console's window", lambda: find_window(TITLE))
start_image = (START[0] + 3, START[1] + 3, 17, 16)
check(eventually(lambda: share(screen(), client_origin(window), start_image, AQUA) > 0.05),
      "the start button's image is not where the control table puts it (origin %s)"
      % (client_origin(window),))
origin = client_origin(window)

for what, control in (("Start", START), ("Запрос состояния (D)", GET_STATE)):
    click(origin, control)
    command = read_exact(master, 3)
    check(command == b"\x01D\x00", "%s sent %s, not 01 44 00" % (what, command.hex(" ")))
    attributes = termios.tcgetattr(slave)
    cflag, speed = attributes[2], attributes[5]
    check(speed == termios.B9600 and cflag & termios.CSIZE == termios.CS8 and
          not cflag & (termios.PARENB | termios.CSTOPB),
          "the line is not at 9600 bit/s 8N1 after %s" % what)
    os.write(master, b"\xff\x01D\x8a\x03")

eventually(lambda: share(screen(), origin, OUTPUT_GREEN, GREEN) > 0.3 and
           share(screen(), origin, STATUS, BLUE) > 0.01)
picture = screen()
check(share(picture, origin, INPUT_GREEN, GREEN) > 0.3, "the entry light does not show green")
check(share(picture, origin, OUTPUT_GREEN, GREEN) > 0.3, "the exit light does not show green")
check(share(picture, origin, STATUS, BLUE) > 0.01, "the status line is not blue")
shot = os.path.join(work, "dravik-after-D.png")
subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (
    CLIENT[0] + 16, CLIENT[1] + 40, origin[0] - 8, origin[1] - 32), shot])
print("console_test: screenshot after the D reply in " + shot, flush=True)

check(close_program(program) == 0, "the first run did not end when its window was closed")
with open(ini, "rb") as f:
    written = f.read()
check(written == b"[Main]\r\nPort=COM41\r\nSpeed=0\r\n5byte=1\r\n",
      "dravik.ini after the first run is %r" % written)
os.unlink(link)
os.close(master)
os.close(slave)

# --- second run: no dravik.ini, so COM4, which does not exist ------------------------------
os.unlink(ini)
program = subprocess.Popen([wine, exe], cwd=work)
window = wait_for("the console's window", lambda: find_window(TITLE))
eventually(lambda: share(screen(), client_origin(window), start_image, AQUA) > 0.05)
origin = client_origin(window)
click(origin, START)
box = wait_for("the error box", lambda: find_window("dravik"), 30)
subprocess.run(["xdotool", "windowfocus", "--sync", box, "key", "ctrl+c"])
copied = wait_for("the box's text on the clipboard", lambda: run(
    "xclip", "-o", "-selection", "clipboard"), 10)
check("Невозможно открыть порт.\nУстройство COM4 не существует." in copied.replace("\r", ""),
      "the box says %r" % copied)
subprocess.run(["xdotool", "key", "Return"])
wait_for("the box closed", lambda: not find_window("dravik"), 10)
check(program.poll() is None and find_window(TITLE), "the program did not carry on")
check(close_program(program) == 0, "the second run did not end when its window was closed")
with open(ini, "rb") as f:
    written = f.read()
check(written == b"[Main]\r\nPort=COM4\r\nSpeed=0\r\n5byte=1\r\n",
      "dravik.ini made by the second run is %r" % written)

print("console_test: %s" % ("failed" if failures else "passed"))
sys.exit(1 if failures else 0)
