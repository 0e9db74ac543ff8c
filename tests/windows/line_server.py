#!/usr/bin/env python3
"""Holds pseudo-terminal lines for Windows tests that run under Wine.

A Windows process cannot hold a pseudo-terminal's master, so this server does it for the
window tests' far end (tests/app/pseudo_terminal_win32.cpp): each TCP connection asks for one
line, which the server makes and shows to Wine as a COM port in $WINEPREFIX/dosdevices, and
then reads, writes and inspects it on the test's behalf, one request line and one answer line
at a time. Closing the connection drops the line.

    line_server.py COMMAND...   runs COMMAND with DRAVIK_LINE_SERVER=<port>, exits as it does
"""
import errno
import os
import select
import socketserver
import subprocess
import sys
import termios
import threading
import time
import tty

SPEEDS = {termios.B9600: 9600, termios.B19200: 19200, termios.B38400: 38400,
          termios.B57600: 57600, termios.B115200: 115200}
FIRST_COM, LAST_COM = 50, 250  # away from the numbers the other Wine tests use

dosdevices = os.path.join(os.environ["WINEPREFIX"], "dosdevices")
numbers = threading.Lock()
next_number = [FIRST_COM]


def new_link(target):
    with numbers:
        while True:
            number = next_number[0]
            next_number[0] = FIRST_COM if number == LAST_COM else number + 1
            link = os.path.join(dosdevices, "com%d" % number)
            if not os.path.lexists(link):
                os.symlink(target, link)
                return number, link


class Line(socketserver.StreamRequestHandler):
    master = slave = -1
    link = None

    def handle(self):
        try:
            for request in self.rfile:
                words = request.decode().split()
                if not words:
                    break
                answer = getattr(self, "do_" + words[0])(*words[1:])
                self.wfile.write((answer + "\n").encode())
                self.wfile.flush()
        finally:
            for fd in (self.master, self.slave):
                if fd >= 0:
                    os.close(fd)
            if self.link:
                os.unlink(self.link)

    def do_open(self, keep, raw):
        self.master, self.slave = os.openpty()
        if raw == "1":
            tty.setraw(self.slave)  # no echo before the console has set the line up
        number, self.link = new_link(os.ttyname(self.slave))
        if keep != "1":
            os.close(self.slave)
            self.slave = -1
        return "COM%d" % number

    def do_write(self, hex_bytes):
        data = b"" if hex_bytes == "-" else bytes.fromhex(hex_bytes)
        try:
            while data:
                data = data[os.write(self.master, data):]
        except OSError:
            return "failed"
        return "ok"

    def do_read(self, want, milliseconds):
        want = int(want)
        data = b""
        deadline = time.monotonic() + int(milliseconds) / 1000
        while want < 0 or len(data) < want:
            left = deadline - time.monotonic()
            if left <= 0 or self.master < 0:
                break
            if not select.select([self.master], [], [], left)[0]:
                continue
            try:
                chunk = os.read(self.master, 65536 if want < 0 else want - len(data))
            except OSError as error:  # EIO: the console hung up
                if error.errno != errno.EIO:
                    raise
                break
            if not chunk:
                break
            data += chunk
        return data.hex() or "-"

    def do_close(self):
        if self.master >= 0:
            os.close(self.master)
            self.master = -1
        return "ok"

    def do_hungup(self):
        if self.master < 0:
            return "0"
        poller = select.poll()
        poller.register(self.master, select.POLLIN)
        return "1" if any(e & select.POLLHUP for _, e in poller.poll(0)) else "0"

    def do_baud(self):
        if self.slave < 0:
            return "0"
        return str(SPEEDS.get(termios.tcgetattr(self.slave)[5], 0))


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True


def main():
    server = Server(("127.0.0.1", 0), Line)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    environment = dict(os.environ, DRAVIK_LINE_SERVER=str(server.server_address[1]))
    status = subprocess.call(sys.argv[1:], env=environment)
    server.shutdown()
    return status


if __name__ == "__main__":
    sys.exit(main())
