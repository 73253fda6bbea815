#!/usr/bin/env python3
# A TCP listener on loopback that accepts every connection and never answers: a server or an X
# display that hangs. Prints its port (with --display, the display number N of port 6000 + N),
# then holds what it accepted until its standard input ends.
import socket
import sys
import threading

listener = socket.socket()
if "--display" in sys.argv[1:]:
    for number in range(50, 500):
        try:
            listener.bind(("127.0.0.1", 6000 + number))
            break
        except OSError:
            continue
    shown = listener.getsockname()[1] - 6000
else:
    listener.bind(("127.0.0.1", 0))
    shown = listener.getsockname()[1]
listener.listen(64)
held = []


def accept():
    while True:
        held.append(listener.accept()[0])


threading.Thread(target=accept, daemon=True).start()
print(shown, flush=True)
sys.stdin.read()
