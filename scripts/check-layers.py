#!/usr/bin/env python3
"""Checks that the source folders include each other only downwards, in the
order docs/ARCHITECTURE.md draws, without a cycle, and that the folders which
only report never reach the user.

Every `#include "folder/..."` in src/<folder>/ is an edge from that folder to
the named one. Each edge must go to a folder drawn below (BELOW holds the
drawing's lines; a folder reaches everything below the ones it reaches): an
include of a folder not below is named with its file, and a folder without a
row in BELOW is named too. When any set of folders reaches itself through its
includes, the check names the cycle and the files that make each step of it.
Either exits with status 1. A folder listed in
REPORTS_ONLY must not include the headers listed for it (the dialogs
interface): it returns what it found, and the front ends talk to the user.
Run it from anywhere:
    scripts/check-layers.py [SRC_DIR]
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([A-Za-z0-9_]+)/[^"]+"', re.MULTILINE)
ANY_INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)

# The drawing: each folder with the folders drawn right below it.
BELOW = {
    "platform": [],
    "slot": ["platform"],
    "devices": ["slot"],
    "image": ["devices"],
    "link": ["image"],
    "sim": ["link"],
    "oplog": ["platform"],
    "model": ["link", "oplog"],
    "firmware": ["model", "sim"],
    "operations": ["firmware"],
    "frontend": ["operations"],
    "cli": ["frontend"],
    "ui": ["frontend"],
    "app": ["ui"],
}

# Folders that report to their callers, with the headers they must not use.
REPORTS_ONLY = {
    "image": ["platform/Dialogs.h", "platform/ScriptedDialogs.h"],
    "link": ["platform/Dialogs.h", "platform/ScriptedDialogs.h"],
}


def folder_edges(src):
    """{folder: {included folder: [files making the include]}}"""
    edges = {}
    for folder in sorted(os.listdir(src)):
        root = os.path.join(src, folder)
        if not os.path.isdir(root):
            continue
        edges.setdefault(folder, {})
        for dirpath, _, files in os.walk(root):
            for name in sorted(files):
                if not name.endswith((".h", ".hpp", ".cpp", ".cc")):
                    continue
                path = os.path.join(dirpath, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                for target in INCLUDE.findall(text):
                    if target != folder and os.path.isdir(os.path.join(src, target)):
                        edges[folder].setdefault(target, []).append(os.path.relpath(path, src))
    return edges


def user_contacts(src):
    """[(file, header)] for every include REPORTS_ONLY forbids."""
    found = []
    for folder, headers in sorted(REPORTS_ONLY.items()):
        for dirpath, _, files in os.walk(os.path.join(src, folder)):
            for name in sorted(files):
                path = os.path.join(dirpath, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for header in ANY_INCLUDE.findall(f.read()):
                        if header in headers:
                            found.append((os.path.relpath(path, src), header))
    return found


def reachable(folder):
    """Every folder drawn below `folder`, directly or through others."""
    seen, todo = set(), list(BELOW.get(folder, []))
    while todo:
        nxt = todo.pop()
        if nxt not in seen:
            seen.add(nxt)
            todo.extend(BELOW.get(nxt, []))
    return seen


def order_faults(edges):
    """Lines naming every folder without a row and every include upwards."""
    faults = []
    for folder in sorted(edges):
        if folder not in BELOW:
            faults.append("%s/ has no row in the layer table (BELOW in scripts/check-layers.py)" % folder)
            continue
        allowed = reachable(folder)
        for target, files in sorted(edges[folder].items()):
            if target in BELOW and target not in allowed:
                for path in files:
                    faults.append("%s includes %s/: %s is not drawn below %s" % (path, target, target, folder))
    return faults


def find_cycle(edges):
    """One cycle as a list of folders (first == last), or None."""
    state = {}  # folder -> 1 on the current path, 2 done
    path = []

    def visit(node):
        state[node] = 1
        path.append(node)
        for nxt in sorted(edges.get(node, {})):
            if state.get(nxt) == 1:
                return path[path.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        path.pop()
        state[node] = 2
        return None

    for node in sorted(edges):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src")
    edges = folder_edges(src)
    contacts = user_contacts(src)
    for path, header in contacts:
        print("%s includes %s: this folder reports to its caller and never asks the user" % (path, header),
              file=sys.stderr)
    cycle = find_cycle(edges)
    if cycle is not None:
        print("folder include cycle: " + " -> ".join(cycle), file=sys.stderr)
        for a, b in zip(cycle, cycle[1:]):
            files = edges[a][b]
            more = " and %d more" % (len(files) - 3) if len(files) > 3 else ""
            print("  %s -> %s: %s%s" % (a, b, ", ".join(files[:3]), more), file=sys.stderr)
    faults = order_faults(edges)
    for line in faults:
        print(line, file=sys.stderr)
    if cycle is not None or faults or contacts:
        return 1
    print("folder includes follow the drawn layers and form no cycle (%d folders)" % len(edges))
    return 0


if __name__ == "__main__":
    sys.exit(main())
