#!/usr/bin/env python3
"""Capture an instrument's lines into a file, the way one would with pyserial.

Usage: capture_pyserial.py DEVICE OUTPUT-FILE
"""
import sys

import serial

with serial.Serial(sys.argv[1], 38400) as port, open(sys.argv[2], "wb") as out:
    while True:
        line = port.readline()
        out.write(line)
        if b"End" in line:
            break
