#!/usr/bin/env python3
"""Proves that the layers of src/ hold in the build trees given as arguments.

Each library exports only its own folder as an include root, to the libraries that link it.
This probes that rule where it matters: a file of a layer, compiled with its own flags, must
fail on a header of each layer above it. A tree that put every folder on one include path
would pass every build and fail here. Qt may be included only by src/qt and src/app.

    tools/layers.py BUILD_DIR...   (trees configured with CMAKE_EXPORT_COMPILE_COMMANDS)
"""
import json
import os
import pathlib
import re
import shlex
import subprocess
import sys
import tempfile

SRC = pathlib.Path(__file__).resolve().parent.parent / "src"

# Bottom to top: a layer, one of its files and one header that stands for it.
LAYERS = [
    ("core", "core/dialogue/link_engine.cpp", "dialogue/link_engine.h"),
    ("line", "line/link/line.cpp", "link/line.h"),
    ("ui", "ui/form/frm_terminal.cpp", "form/frm_terminal.h"),
    ("batch", "batch/session/session.cpp", "session/session.h"),
    ("qt", "qt/adapters/text_file.cpp", "adapters/text_file.h"),
    ("app/window", "app/window/program/programmer.cpp", "program/programmer.h"),
    ("app/cli", "app/cli/cli/cli_app.cpp", "cli/cli_app.h"),
]
# What each layer may include besides itself.
BELOW = {
    "core": set(),
    "line": {"core"},
    "ui": {"core", "line"},
    "batch": {"core", "line"},
    "qt": {"core"},
    "app/window": {"core", "line", "ui", "qt"},
    "app/cli": {"core", "line", "batch", "qt"},
}


def qt_leaks():
    allowed = (SRC / "qt", SRC / "app")
    leaks = []
    for path in sorted(SRC.rglob("*")):
        if path.suffix not in (".h", ".cpp") or any(a in path.parents for a in allowed):
            continue
        if re.search(r"^\s*#\s*include\s*<Q", path.read_text(), re.M):
            leaks.append(str(path.relative_to(SRC)))
    return leaks


def compiles(entry, header):
    """Whether `#include "header"` compiles with the flags of the file of `entry`."""
    args = shlex.split(entry["command"])
    source = entry["file"]
    keep = []
    skip = False
    for arg in args:
        if skip:
            skip = False
            continue
        if arg in ("-o", "-c", "-MF", "-MT", "-MQ"):
            skip = True
            continue
        if arg == source:
            continue
        keep.append(arg)
    with tempfile.NamedTemporaryFile("w", suffix=".cpp") as probe:
        probe.write(f'#include "{header}"\n')
        probe.flush()
        result = subprocess.run(keep + ["-fsyntax-only", probe.name], cwd=entry["directory"],
                                capture_output=True, text=True)
    return result.returncode == 0


def main(trees):
    failures = [f"Qt included below the Qt side: {leak}" for leak in qt_leaks()]
    probed = 0
    for tree in trees:
        database = json.loads((pathlib.Path(tree) / "compile_commands.json").read_text())
        entries = {os.path.realpath(e["file"]): e for e in database}
        present = [l for l in LAYERS if os.path.realpath(SRC / l[1]) in entries]
        for layer, source, own in present:
            entry = entries[os.path.realpath(SRC / source)]
            if not compiles(entry, own):
                failures.append(f"{tree}: {source} does not compile its own layer's {own}")
            for other, _, header in present:
                if other == layer or other in BELOW[layer]:
                    continue
                probed += 1
                if compiles(entry, header):
                    failures.append(f"{tree}: {layer} reaches up to {other}: {header} compiles "
                                    f"in {source}")
    for failure in failures:
        print(failure, file=sys.stderr)
    if not failures:
        print(f"layers hold: {probed} upward includes probed, none compiles")
    return 1 if failures or probed == 0 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
