#!/usr/bin/env bash
# Writes the README's screenshots of the calculator: each of the four
# screens in both keypad layers, with an expression and its answer, and its
# about screen, drawn by the program itself in scripted headless runs.
# Usage: tools/docs_screenshots.sh [BIN_DIR [OUT_DIR]]   (build/bin, docs)
set -eu
bin=${1:-build/bin}
out=${2:-docs}
runtime=$(mktemp -d)  # a private lock: a calculator already running is no obstacle
trap 'rm -rf "$runtime"' EXIT
for screen in 240x320 320x240 480x640 640x480; do
  XDG_RUNTIME_DIR=$runtime "$bin/abacine" --headless --screen "$screen" --script - <<END
type 7.5^2+
press √
press 2nd
press π
press )
screenshot $out/calculator-$screen.png
press 2nd
screenshot $out/calculator-$screen-2nd.png
press 2nd
tap about
screenshot $out/about-$screen.png
END
done
