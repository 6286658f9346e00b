#!/usr/bin/env python3
# Pointer and keyboard for sway's headless output, whose seat has no devices: an RFB client
# of wayvnc (which gives the seat a virtual pointer and keyboard). Commands, one a line,
# from the FIFO given: move X Y | click BUTTON [COUNT] | key KEYSYM...
# Usage: vnc-input.py VNC_SOCKET FIFO
import socket
import struct
import sys
import time

vnc = socket.socket(socket.AF_UNIX)
vnc.connect(sys.argv[1])


def receive(count):
    data = b''
    while len(data) < count:
        chunk = vnc.recv(count - len(data))
        if not chunk:
            sys.exit('vnc-input: the server closed the connection')
        data += chunk
    return data


receive(12)  # the server's version
vnc.sendall(b'RFB 003.008\n')
receive(receive(1)[0])  # security types: wayvnc without a configuration offers None (1)
vnc.sendall(b'\x01')
receive(4)  # security result
vnc.sendall(b'\x01')  # shared
receive(20)  # size and pixel format
receive(struct.unpack('>I', receive(4))[0])  # the desktop's name
print('ready', flush=True)

x = y = 0


def pointer(mask):
    vnc.sendall(struct.pack('>BBHH', 5, mask, x, y))


def key(keysym):
    for down in (1, 0):
        vnc.sendall(struct.pack('>BBxxI', 4, down, keysym))
    time.sleep(0.04)


while True:
    with open(sys.argv[2]) as commands:
        for line in commands:
            words = line.split()
            if words[0] == 'move':
                x, y = int(words[1]), int(words[2])
                pointer(0)
            elif words[0] == 'click':
                for _ in range(int(words[2]) if len(words) > 2 else 1):
                    pointer(1 << (int(words[1]) - 1))
                    time.sleep(0.05)
                    pointer(0)
                    time.sleep(0.08)
            elif words[0] == 'key':
                for keysym in words[1:]:
                    key(int(keysym))
            print('done', line.strip(), flush=True)
