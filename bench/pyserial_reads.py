#!/usr/bin/python3
"""Baseline: the parameter reads a user would script with pyserial.

Usage: pyserial_reads.py DEVICE BAUD COUNT
Prints the elapsed seconds of COUNT reads (MAD then MDA, each echoed and answered).
"""
import sys
import time

import serial

device, baud, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
port = serial.Serial(device, baud, timeout=1)
port.reset_input_buffer()


def transact(command):
    port.write(command)
    echo = port.readline()
    answer = port.readline()
    if echo != command or not answer.upper().startswith(b"OKY"):
        raise SystemExit("unexpected exchange: %r %r %r" % (command, echo, answer))
    return answer[3:].strip()


start = time.perf_counter()
for i in range(count):
    address = i % 100
    if int(transact(b"MAD%d\r\n" % address)) != address:
        raise SystemExit("address not confirmed")
    transact(b"MDA\r\n")
print("%.6f" % (time.perf_counter() - start))
