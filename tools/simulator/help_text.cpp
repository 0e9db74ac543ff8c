#include "tools/simulator/settings.h"

namespace sim {

std::string HelpText(const char* program) {
    return std::string("Usage: ") + program + R"( [options]

A simulated traffic-light controller for the scale console. It opens a pseudo-terminal
pair and prints, as the first line on stdout, the device the console is to open; or it
serves a given serial device (a null-modem cable). Every command received and every reply
sent is then printed in hex with a time stamp ("<-" received, "->" sent). Replies leave
byte after byte at the controller's own line speed (--baud, then H and C), as a real
controller's do. On a pseudo-terminal whose console end is set to another speed, each side
reads what a UART at its speed makes of the other's bits: commands are read as other bytes
(mostly dropped as incomplete or for another address) and replies arrive garbled, never as
valid frames; bytes with framing errors are kept as read, breaks dropped. On a real device
the hardware does this. It runs until SIGINT or SIGTERM.

To watch a real controller instead, put controller_tap between it and the console.

Line:
  --link PATH           keep a symbolic link PATH to the device (removed on exit)
  --device PATH         serve this serial device instead of a pseudo-terminal; when it
                        disappears, it is opened again every 500 ms
  --baud N              the controller's line speed until H or C changes it: 9600
                        (default), 19200, 38400, 57600 or 115200
  --format 3|5          reply format: addr letter data, or FF addr letter data 03 (default 5)
  --gap MS              silence that drops an incomplete command, error 1 (default 20)
  --instant             write each reply at once instead of at the line's speed

Controller:
  --address N           the controller's address, 1..255 (default 1)
  --timeout N           the stored timeout in units of 100 ms, 0..255 (default 10)
  --input1, --input2    report input 1 / input 2 as active

Faults (also switchable at run time, see below):
  --split MS            send each reply as its first byte, a pause of MS, then the rest
  --delay MS            answer each command only after MS
  --wrong-address N     put address N in every reply
  --broken-markers      five-byte replies with wrong start and end markers (FE .. .. .. 02)
  --silent              obey commands but answer none

Control:
  --control FIFO        also read control lines from FIFO (created when missing)
  --exit-on-eof         stop when stdin ends (by default stdin's end is ignored)
  --list-ports          list the serial devices present (for --device) and exit
  -h, --help            show this text

Control lines, on stdin or the FIFO, one per line:
  split MS                     the --split fault; 0 turns it off
  delay MS                     the --delay fault; 0 turns it off
  wrong-address N|off          the --wrong-address fault, or no longer
  broken-markers on|off        the --broken-markers fault
  silent on|off                the --silent fault
  normal                       all faults off
  format 3|5                   the reply format from the next reply on
  input1 on|off                input 1 active or not
  input2 on|off                input 2 active or not
  ready on|off                 the ready bit of the status byte
  error N                      set the error code (0 clears it)
  state                        print the controller's state
  help                         list these lines

Commands answered:
  A, B 1|2                     entry (A) or exit (B) light red (1) or green (2); other
                               data: error 3
  C                            reset: lights dark, error cleared, line speed back to
                               9600 after the reply
  D                            status
  E                            the error code, which it then clears
  F, G                         write, read the timeout
  H 9|19|38|57|115             the line speed code: answered at the old speed, then
                               switched; other codes: error 3
  I, J                         write, read the address (address byte 0 accepted)
  K                            entry green, exit red
  L                            entry red, exit green
  M                            both red
  N                            both dark
  O                            both green
  any other letter             answered with data 0, error 2
A command for another address is ignored.
)";
}

}  // namespace sim
