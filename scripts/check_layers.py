#!/usr/bin/env python3
"""Checks that no include in src/ points up a layer.

Layers, lowest first: the desktop contract (src/platform/*, top level);
engine and delivery, side by side; the platform backends (src/platform/X/);
session; window; app. A file may include its own layer and the layers
below. Within a layer, siblings stay apart: a backend folder includes only
itself and the shared D-Bus folder, and the window's core includes neither
of its views.
"""
import pathlib
import re
import subprocess
import sys

RANK = {"contract": 0, "engine": 1, "delivery": 1, "backend": 2,
        "session": 3, "window": 4, "app": 5}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def place(path):
    """(layer, folder) of a path below src/, or None for other headers."""
    parts = pathlib.PurePosixPath(path).parts
    if not parts or parts[0] not in ("engine", "delivery", "platform",
                                     "session", "window", "app"):
        return None
    if parts[0] == "platform":
        if len(parts) == 2:
            return "contract", "platform"
        return "backend", "platform/" + parts[1]
    if parts[0] == "window" and len(parts) > 2:
        return "window", "window/" + parts[1]
    return parts[0], parts[0]


def allowed(source, target):
    (s_layer, s_folder), (t_layer, t_folder) = source, target
    if s_layer == t_layer:
        if s_layer == "backend":
            return t_folder in (s_folder, "platform/dbus")
        if s_layer == "window" and s_folder == "window/core":
            return t_folder in ("window", "window/core")
        if s_layer == "window" and t_folder not in ("window", "window/core"):
            return t_folder == s_folder
        return True
    return RANK[t_layer] < RANK[s_layer]


def main():
    files = subprocess.run(["git", "ls-files", "src/*.cpp", "src/*.h"],
                           capture_output=True, text=True, check=True).stdout.split()
    problems = []
    for name in files:
        source = place(name[len("src/"):])
        if source is None:
            continue
        for number, line in enumerate(open(name, encoding="utf-8"), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            target = place(match.group(1))
            if target is not None and not allowed(source, target):
                problems.append(f"{name}:{number}: {source[1]} includes "
                                f"{match.group(1)}, which is {target[1]}")
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print("layers: includes point up a layer (see above)", file=sys.stderr)
        return 1
    print(f"layers: {len(files)} files, no include points up")
    return 0


if __name__ == "__main__":
    sys.exit(main())
