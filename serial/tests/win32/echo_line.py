#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# The far side of a line for the serial layer's Windows tests: a raw pseudo-terminal that sends
# back every byte it receives. Links LINK to it, prints "ready", runs until stdin closes.
import fcntl
import os
import pty
import select
import sys
import termios
import tty

link = sys.argv[1]
os.setsid()
master, slave = pty.openpty()
tty.setraw(slave)
# The line becomes this session's controlling terminal, so no other program (the wineserver) can
# take it and be hung up when it ends.
fcntl.ioctl(slave, termios.TIOCSCTTY, 0)
if os.path.lexists(link):
    os.unlink(link)
os.symlink(os.ttyname(slave), link)
print("ready", flush=True)
try:
    while True:
        ready, _, _ = select.select([master, sys.stdin], [], [])
        if sys.stdin in ready and not os.read(sys.stdin.fileno(), 1):
            break
        if master in ready:
            data = os.read(master, 4096)
            os.write(master, data)
finally:
    os.unlink(link)
