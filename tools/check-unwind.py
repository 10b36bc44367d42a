#!/usr/bin/python3
"""Checks that the one caught exception of the 32-bit setup can reach its catch.

usage: check-unwind.py OBJDUMP LIBRARY STAMP

The 32-bit builds compile most units without unwind tables (CMakeLists.txt);
a DWARF unwinder that meets a frame without them ends the process. So every
function between a catch and a throw must carry its unwind records. This reads
LIBRARY (a static library built with -ffunction-sections, one function per code
section) with OBJDUMP and follows the calls of each catching function (a code
section that calls __cxa_begin_catch) through the library's functions to the
ones that throw; each function on such a path needs a frame description in its
object's .eh_frame. It fails when one lacks it, and when it finds no catch or
no path at all (the check would then prove nothing). On success it writes
STAMP, so that a failure is reported again on every build.
"""
import re
import subprocess
import sys

CATCH = "___cxa_begin_catch"
# The throws themselves, and the allocations that throw std::bad_alloc (operator
# new and new[] of the 32-bit ABI, and libstdc++'s __throw_ helpers).
THROWS = {"___cxa_throw", "___cxa_rethrow", "__Znwj", "__Znaj"}
THROW_HELPER = re.compile(r"^__ZSt\d+__throw_")
MEMBER = re.compile(r"^(\S+?):\s+file format")
SECTION = re.compile(r"^\s*(\d+)\s+(\S+)\s+([0-9a-f]+)\s")
RELOCATIONS_FOR = re.compile(r"^RELOCATION RECORDS FOR \[(.+)\]:")
RELOCATION = re.compile(r"^[0-9a-f]+\s+\S+\s+(\S+)")
SYMBOL = re.compile(r"^\[\s*\d+\]\(sec\s+(-?\d+)\).*\s(\S+)$")


def read_library(objdump, library):
    """Per member: its sections by index, each section's relocation targets, and
    the symbols it defines (name -> section name)."""
    output = subprocess.run([objdump, "-h", "-r", "-t", library], check=True,
                            capture_output=True, text=True).stdout
    members = {}
    member = None
    relocations = None
    for line in output.splitlines():
        match = MEMBER.match(line)
        if match:
            member = {"sections": {}, "relocations": {}, "symbols": {}}
            members[match.group(1)] = member
            relocations = None
            continue
        if member is None:
            continue
        match = RELOCATIONS_FOR.match(line)
        if match:
            relocations = member["relocations"].setdefault(match.group(1), [])
            continue
        match = SYMBOL.match(line)
        if match:
            index = int(match.group(1))
            if index > 0 and index - 1 in member["sections"]:
                member["symbols"][match.group(2)] = member["sections"][index - 1][0]
            continue
        match = SECTION.match(line)
        if match and relocations is None:
            member["sections"][int(match.group(1))] = (match.group(2), int(match.group(3), 16))
            continue
        match = RELOCATION.match(line)
        if match and relocations is not None:
            relocations.append(match.group(1))
    return members


def check(members):
    """The problems found: a list of texts, empty when every path is covered."""
    definitions = {}  # symbol -> [(member, section)]
    for name, member in members.items():
        for symbol, section in member["symbols"].items():
            if section.startswith(".text"):
                definitions.setdefault(symbol, []).append((name, section))

    def callees(node):
        name, section = node
        member = members[name]
        found = []
        for target in member["relocations"].get(section, []):
            if target.startswith(".text"):
                found.append((name, target))
            else:
                found.extend(definitions.get(target, []))
        return found

    def throws(node):
        name, section = node
        return any(target in THROWS or THROW_HELPER.match(target)
                   for target in members[name]["relocations"].get(section, []))

    def described(node):
        name, section = node
        member = members[name]
        return any(section in targets for frames, targets in member["relocations"].items()
                   if frames.startswith(".eh_frame"))

    nodes = [(name, section) for name, member in members.items()
             for section, _ in member["sections"].values() if section.startswith(".text")]
    reaches_throw = {node for node in nodes if throws(node)}
    changed = True
    while changed:
        changed = False
        for node in nodes:
            if node not in reaches_throw and any(c in reaches_throw for c in callees(node)):
                reaches_throw.add(node)
                changed = True

    catchers = [node for node in nodes
                if CATCH in members[node[0]]["relocations"].get(node[1], [])]
    if not catchers:
        return ["no function calls %s: the catch is gone, or the check cannot see it" % CATCH]
    problems = []
    on_path = set()
    for catcher in catchers:
        if not described(catcher):
            problems.append("%s %s catches but has no unwind records" % catcher)
        pending = [c for c in callees(catcher) if c in reaches_throw]
        while pending:
            node = pending.pop()
            if node in on_path:
                continue
            on_path.add(node)
            pending.extend(c for c in callees(node) if c in reaches_throw)
    if not on_path:
        problems.append("no catching function calls anything that throws: nothing was checked")
    for node in sorted(on_path):
        if not described(node):
            problems.append("%s %s lies between a throw and its catch but has no unwind "
                            "records" % node)
    return problems


def main():
    objdump, library, stamp = sys.argv[1:4]
    problems = check(read_library(objdump, library))
    for problem in problems:
        print("check-unwind: %s" % problem)
    if problems:
        return 1
    open(stamp, "w").close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
