#!/usr/bin/env python3
"""Null-modem cable of two pseudo-terminals for the serial tests of the Windows build under wine.

Usage: pty_relay.py CONTROL_DIR. Writes the two slave paths, one a line, to CONTROL_DIR/ports,
then copies bytes between the two masters until CONTROL_DIR/stop appears or the parent goes
away. When CONTROL_DIR/hangup appears, the first pseudo-terminal is closed on this side: the port
vanishes under whoever has its slave open.

The relay makes itself a session leader with the first slave as its controlling terminal and
ignores SIGHUP, so that wine opening and closing the slaves can neither hang it up nor take the
terminal over.
"""
import fcntl
import os
import pty
import select
import signal
import sys
import termios
import tty


def main():
    control = sys.argv[1]
    signal.signal(signal.SIGHUP, signal.SIG_IGN)
    parent = os.getppid()
    try:
        os.setsid()
    except OSError:
        pass
    pairs = [list(pty.openpty()) for _ in range(2)]
    for master, slave in pairs:
        tty.setraw(slave)
        # Bytes for an end nobody reads are dropped, never waited for.
        os.set_blocking(master, False)
    try:
        fcntl.ioctl(pairs[0][1], termios.TIOCSCTTY, 0)
    except OSError:
        pass
    with open(os.path.join(control, "ports.tmp"), "w") as f:
        for master, slave in pairs:
            f.write(os.ttyname(slave) + "\n")
    os.rename(os.path.join(control, "ports.tmp"), os.path.join(control, "ports"))

    while not os.path.exists(os.path.join(control, "stop")) and os.getppid() == parent:
        if pairs[0][0] >= 0 and os.path.exists(os.path.join(control, "hangup")):
            os.close(pairs[0][0])
            os.close(pairs[0][1])
            pairs[0] = [-1, -1]
        masters = [m for m, _ in pairs if m >= 0]
        ready, _, _ = select.select(masters, [], [], 0.05)
        for m in ready:
            try:
                data = os.read(m, 4096)
            except OSError:
                continue
            other = pairs[1][0] if m == pairs[0][0] else pairs[0][0]
            if other >= 0 and data:
                try:
                    os.write(other, data)
                except OSError:
                    pass


if __name__ == "__main__":
    main()
