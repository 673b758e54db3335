#!/usr/bin/env python3
"""Checks that every #include follows the layers of the program.

    text <- numeric <- engine          (pure: no pixels, no platform)
    text <- platform <- graphics <- ui <- app <- demo
    eval (the evaluator program) sits on engine, numeric and text

A file under src/<folder>/ (or tests/<folder>/) may include headers of its own
folder, of the folders listed for it below, and files of its own directory by
their bare name. Only the SDL window (src/platform/sdl), its tests and the
Game API stand-in (src/gx) may include SDL. The build enforces the same
arrows through each library's include directories; this check names the
offending line and also catches an arrow added to CMake by mistake.

Usage: check_layers.py [ROOT]      check the tree at ROOT (default: here)
       check_layers.py --self-test plant violations in a scratch tree and
                                   make sure each one is reported
Exit status 0 when clean, 1 when a rule is broken.
"""

import pathlib
import re
import sys
import tempfile

# What each folder may include besides itself.
ALLOWED = {
    "text": set(),
    "numeric": {"text"},
    "engine": {"text", "numeric"},
    "platform": {"text"},
    "gx": {"platform"},  # the binary interface header only, see GX_HEADERS
    "graphics": {"text", "numeric", "platform"},
    "ui": {"text", "numeric", "engine", "platform", "graphics"},
    "app": {"text", "numeric", "engine", "platform", "graphics", "ui"},
    "eval": {"text", "numeric", "engine"},
    "demo": {"text", "numeric", "engine", "platform", "graphics", "ui", "app"},
    # The packed skin checked against the screen layout (tests only).
    "skin": {"text", "numeric", "engine", "platform", "graphics", "ui", "app"},
}
# Headers of other folders that the Game API library may see.
GX_HEADERS = {"platform/gx_abi.h"}
# Folders whose files may include SDL, relative to the root.
SDL_FOLDERS = ("src/platform/sdl", "src/gx", "tests/platform")
# Test support shared by every suite.
TEST_SUPPORT = "support"

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc"}


def layer_of(relative):
    """(kind, folder) of a path relative to the root, or None when unchecked."""
    parts = relative.parts
    if len(parts) >= 3 and parts[0] in ("src", "tests"):
        return parts[0], parts[1]
    return None


def problems_in(root, path):
    relative = path.relative_to(root)
    where = layer_of(relative)
    if where is None:
        return []
    kind, folder = where
    if kind == "tests" and folder == TEST_SUPPORT:
        return []
    if folder not in ALLOWED:
        return [f"{relative}: folder '{folder}' has no place in the layers (add it to {__file__})"]
    allowed = ALLOWED[folder] | {folder}
    if kind == "tests":
        allowed = allowed | {TEST_SUPPORT}
    sdl_ok = any(str(relative).startswith(prefix + "/") for prefix in SDL_FOLDERS)
    found = []
    text = path.read_text(encoding="utf-8", errors="replace")
    for number, line in enumerate(text.splitlines(), 1):
        match = INCLUDE.match(line)
        if not match:
            continue
        quote, name = match.groups()
        spot = f"{relative}:{number}: #include {quote}{name}{'>' if quote == '<' else quote}"
        if name.split("/")[0] in ("SDL.h", "SDL2") or name.startswith("SDL_"):
            if not sdl_ok:
                found.append(f"{spot}: only the SDL window and the Game API stand-in include SDL")
            continue
        if quote == "<" or "/" not in name:
            continue  # system headers; files of the same directory
        target = name.split("/")[0]
        if folder == "gx" and name not in GX_HEADERS:
            found.append(f"{spot}: the Game API library shares only {sorted(GX_HEADERS)}")
        elif target not in allowed and target in ALLOWED:
            found.append(f"{spot}: {folder} must not reach {target}")
    return found


def check(root):
    root = pathlib.Path(root).resolve()
    found = []
    for top in ("src", "tests"):
        for path in sorted((root / top).rglob("*")):
            if path.suffix in SOURCE_SUFFIXES and path.is_file():
                found.extend(problems_in(root, path))
    return found


def self_test():
    """Each planted line must be reported once; the clean lines never."""
    planted = {
        "src/engine/bad.cpp": ['#include "graphics/surface.h"', '#include "app/calc_app.h"'],
        "src/numeric/bad.h": ['#include "platform/platform.h"'],
        "src/text/bad.cpp": ['#include "engine/parser.h"'],
        "src/platform/bad.cpp": ['#include "graphics/display.h"', "#include <SDL.h>"],
        "src/graphics/bad.cpp": ['#include "ui/widget.h"', '#include "app/options.h"'],
        "src/ui/bad.cpp": ['#include "app/calc_app.h"', "#include <SDL2/SDL.h>"],
        "src/gx/bad.cpp": ['#include "platform/platform.h"'],
        "src/mystery/bad.cpp": ['#include "text/utf.h"'],
        "tests/engine/bad_test.cpp": ['#include "graphics/surface.h"'],
    }
    clean = {
        "src/engine/good.cpp": ['#include "engine/parser.h"', '#include "numeric/format.h"',
                                '#include "text/wstring.h"', "#include <vector>"],
        "src/graphics/good.cpp": ['#include "platform/platform.h"', '#include "numeric/trunc_int.h"',
                                  '#include "pixel_ops.h"'],
        "src/platform/sdl/good.cpp": ["#include <SDL.h>", '#include "platform/platform.h"'],
        "src/gx/good.cpp": ['#include "platform/gx_abi.h"'],
        "src/demo/good.cpp": ['#include "app/app_framework.h"'],
        "tests/ui/good_test.cpp": ['#include "support/process.h"', '#include "ui/widget.h"'],
        "tests/platform/good_test.cpp": ["#include <SDL.h>"],
        "bench/pixels/good.cpp": ["#include <SDL2/SDL.h>", '#include "app/app_framework.h"'],
    }
    with tempfile.TemporaryDirectory() as scratch:
        root = pathlib.Path(scratch)
        for files in (planted, clean):
            for name, lines in files.items():
                (root / name).parent.mkdir(parents=True, exist_ok=True)
                (root / name).write_text("\n".join(lines) + "\n")
        found = check(root)
    expected = sum(len(lines) for lines in planted.values())
    missed = [f"{name}: {line}" for name, lines in planted.items() for line in lines
              if not any(report.startswith(name) and line.split()[-1] in report for report in found)
              and "mystery" not in name]
    wrong = [report for report in found if not any(report.startswith(name) for name in planted)]
    mystery = [report for report in found if "mystery" in report]
    if missed or wrong or len(mystery) != 1 or len(found) != expected:
        for line in missed:
            print("not reported:", line)
        for line in wrong:
            print("reported on a clean file:", line)
        print(f"{len(found)} reports for {expected} planted lines")
        return 1
    print(f"self-test: all {expected} planted violations reported, clean files passed")
    return 0


def main(argv):
    if len(argv) > 1 and argv[1] == "--self-test":
        return self_test()
    root = argv[1] if len(argv) > 1 else "."
    found = check(root)
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) against the layers")
        return 1
    print("layers: every include follows the arrows")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
