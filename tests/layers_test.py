#!/usr/bin/env python3
"""Includes point down: programs, the front end, the engine level
(engine/copy), the search, the evaluation, the board. engine/engine.h and
engine/platform.h lie under all of them. Lists every include of the source
tree that reaches up a layer and fails when there is one.

    tests/layers_test.py SOURCE_DIR
"""
import pathlib
import re
import sys

# Lowest layer first; a file may include its own layer and those below.
LAYERS = [
    ("engine/engine.h", "engine/checks.h", "engine/platform.h", "engine/platform.cpp"),
    ("engine/board/",),
    ("engine/eval/",),
    ("engine/search/",),
    ("engine/copy.h", "engine/copy.cpp"),
    ("frontend/",),
    ("programs/",),
]


def layer(path):
    for index, prefixes in enumerate(LAYERS):
        if any(path == p or (p.endswith("/") and path.startswith(p)) for p in prefixes):
            return index
    return None


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    upward = []
    files = 0
    for source in sorted(root.glob("engine/**/*")) + sorted(root.glob("frontend/*")) + sorted(root.glob("programs/*")):
        if source.suffix not in (".h", ".cpp"):
            continue
        name = source.relative_to(root).as_posix()
        own = layer(name)
        if own is None:
            upward.append(f"{name}: in no layer")
            continue
        files += 1
        for number, line in enumerate(source.read_text().splitlines(), 1):
            match = re.match(r'\s*#include "([^"]+)"', line)
            if not match:
                continue
            target = layer(match.group(1))
            if target is not None and target > own:
                upward.append(f"{name}:{number}: includes {match.group(1)}, a layer above")
    for fault in upward:
        print(fault)
    print(f"{files} files, {len(upward)} includes reaching up")
    return 1 if upward else 0


if __name__ == "__main__":
    sys.exit(main())
