#!/usr/bin/env bash
# Writes the README's screenshots of the calculator: each of the four
# screens in both keypad layers, with stored answers (locked), an
# expression and its answer, and in the second layer the mode switches
# with degrees chosen; its about screen; and the tutorial of a first run
# at its step on the angle mode; drawn by the program itself in scripted
# headless runs, each with settings of its own.
# Usage: tools/docs_screenshots.sh [BIN_DIR [OUT_DIR]]   (build/bin, docs)
set -eu
bin=${1:-build/bin}
out=${2:-docs}
runtime=$(mktemp -d)  # a private lock: a calculator already running is no obstacle
trap 'rm -rf "$runtime"' EXIT
for screen in 240x320 320x240 480x640 640x480; do
  # Past the first run, whose tutorial would take the taps.
  printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Velmora\\Abacine]\n"ShowTutorial"=dword:00000000\n' \
    >"$runtime/$screen.reg"
  XDG_RUNTIME_DIR=$runtime "$bin/abacine" --headless --screen "$screen" \
    --registry "$runtime/$screen.reg" --script - <<END
type 12
tap answer
type 1/8
tap answer
type 123456.7
tap answer
tap lock
type 7.5^2+
press √
press 2nd
press π
press )
screenshot $out/calculator-$screen.png
press 2nd
tap slot 2
screenshot $out/calculator-$screen-2nd.png
press 2nd
tap about
screenshot $out/about-$screen.png
END
  XDG_RUNTIME_DIR=$runtime "$bin/abacine" --headless --screen "$screen" \
    --registry "$runtime/first-$screen.reg" --script - <<END
tap target
press 1
press 2
tap target
tap target
tap target
tap target
tap target
tap target
frames 1
screenshot $out/tutorial-$screen.png
END
done
