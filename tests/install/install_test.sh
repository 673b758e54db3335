#!/usr/bin/env bash
# The installed product: `cmake --install` of the build into a scratch
# prefix, then the programs started by name from another folder with the
# prefix's bin/ on PATH, as a user starts them; the desktop entry, icons and
# manual pages where the desktop and man look for them, the manual pages
# naming every option and key that --help names.
# Usage: install_test.sh BUILD_DIR CMAKE
set -euo pipefail
build=$(cd "$1" && pwd)
cmake=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }

prefix=$scratch/prefix
"$cmake" --install "$build" --prefix "$prefix" > "$scratch/install.log" ||
  fail "cmake --install failed: $(cat "$scratch/install.log")"
for f in bin/abacine-eval lib/abacine/abacine lib/abacine/gx.so lib/abacine/windows.vfs \
         share/applications/abacine.desktop share/man/man1/abacine.1.gz \
         share/man/man1/abacine-eval.1.gz share/icons/hicolor/48x48/apps/abacine.png \
         share/icons/hicolor/128x128/apps/abacine.png share/icons/hicolor/256x256/apps/abacine.png; do
  [ -f "$prefix/$f" ] || fail "$f is not installed"
done
[ "$(readlink "$prefix/bin/abacine")" = ../lib/abacine/abacine ] ||
  fail "bin/abacine is not a relative link to lib/abacine/abacine"

mkdir "$scratch/elsewhere" "$scratch/run"
cd "$scratch/elsewhere"
export PATH="$prefix/bin:$PATH" XDG_RUNTIME_DIR="$scratch/run" ABACINE_REGISTRY="$scratch/settings.reg"
unset DISPLAY WAYLAND_DISPLAY
[ "$(command -v abacine)" = "$prefix/bin/abacine" ] || fail "abacine is not found on PATH"
# The installed program finds its skin and Game API library through the
# link: it draws what the build's own program draws.
abacine --headless --frames 1 --screenshot installed.png || fail "abacine --headless --frames 1 failed"
"$build/bin/abacine" --headless --frames 1 --screenshot built.png
cmp -s installed.png built.png || fail "the installed program draws another screen than the build's"
abacine --headless --fullscreen --frames 1 || fail "abacine --headless --fullscreen failed"
[ "$(abacine-eval "1+1")" = 2 ] || fail "abacine-eval \"1+1\" did not print 2"

# Every option and key --help names is in the manual page, and the page
# names no option --help does not.
options() { grep -oE -- '--[a-z][a-z-]*[a-z]' | sort -u; }
page_text() { gzip -dc "$prefix/share/man/man1/$1.1.gz" | sed 's/\\-/-/g'; }
for program in abacine abacine-eval; do
  help_options=$("$program" --help | options)
  page_options=$(page_text "$program" | options)
  [ "$help_options" = "$page_options" ] ||
    fail "$program.1 and $program --help differ: $(diff <(echo "$help_options") <(echo "$page_options") | grep '^[<>]' | tr '\n' ' ')"
  if command -v groff > /dev/null; then
    warnings=$(gzip -dc "$prefix/share/man/man1/$program.1.gz" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "$program.1: $warnings"
  fi
done
# (Whole texts in variables: grep -q leaves a pipe early.)
help=$(abacine --help)
page=$(page_text abacine)
keys=$(echo "$help" | grep -oE 'F[0-9]+|Ctrl\+(Shift\+)?[A-Z0-9,]|Num Lock|Backspace|Delete' | sort -u)
while read -r key; do
  grep -qF -- "$key" <<< "$page" || fail "abacine.1 does not name the key $key"
done <<< "$keys"
[ "$(echo "$keys" | wc -l)" -ge 10 ] || fail "abacine --help names too few keys: $keys"
for path in ABACINE_REGISTRY XDG_CONFIG_HOME/abacine/settings.reg .config/abacine/settings.reg; do
  grep -qF "$path" <<< "$help" || fail "abacine --help does not say $path"
  grep -qF "$path" <<< "$page" || fail "abacine.1 does not say $path"
done

desktop=$prefix/share/applications/abacine.desktop
grep -qx 'Exec=abacine' "$desktop" || fail "the desktop entry does not start abacine"
grep -qx 'Icon=abacine' "$desktop" || fail "the desktop entry does not name the icon"
if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
fi
echo "installed and ran from $prefix"
