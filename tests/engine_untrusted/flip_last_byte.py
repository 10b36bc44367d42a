#!/usr/bin/python3
"""flip_last_byte.py IN OUT: OUT is IN with the lowest bit of its last byte inverted."""
import sys

data = bytearray(open(sys.argv[1], "rb").read())
data[-1] ^= 1
open(sys.argv[2], "wb").write(data)
