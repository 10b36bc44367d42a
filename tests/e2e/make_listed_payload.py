#!/usr/bin/python3
"""make_listed_payload.py FOLDER PROGRAM: a payload unlike the stand-in's, and its list.

Writes files of other names and sizes (an empty one, one of 200 KB, a folder three
levels deep) below FOLDER/files and FOLDER/package135.list naming them in package
order, with the five names the setup opens in their places. kvr.exe is PROGRAM
(the stand-in program, which the finish page starts); every other file holds
bytes made here.
"""
import os
import random
import sys

folder, program = sys.argv[1], sys.argv[2]
entries = [
    ("__cdca.lx", 3001),
    ("kvr.exe", None),
    ("engine2.dll", 1),
    ("uninst_kvr.exe", 70000),
    ("Station Editor.exe", 0),
    ("Manual\\index.htm", 517),
    ("Manual\\pics\\wave.bmp", 204800),
    ("Manual\\pics\\deep\\notes.txt", 33),
    ("Manual\\pics\\deep\\er\\x", 9),
    ("Quick Setup\\index.htm", 12),
]
generator = random.Random(19)
lines = []
for name, size in entries:
    if size is None:
        lines.append(f"{name}\t{os.path.abspath(program)}\n")
        continue
    path = os.path.join(folder, "files", *name.split("\\"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(bytes(generator.getrandbits(8) for _ in range(size)))
    lines.append(f"{name}\t{os.path.abspath(path)}\n")
with open(os.path.join(folder, "package135.list"), "w", newline="\n") as out:
    out.writelines(lines)
