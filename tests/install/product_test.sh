#!/usr/bin/env bash
# The product as users get it, in one of two ways:
#   product_test.sh prefix BUILD_DIR CMAKE   `cmake --install` into a scratch
#       prefix;
#   product_test.sh deb BUILD_DIR CPACK      `cpack -G DEB`, its control
#       fields (the name, the programs' own version, dependencies found by
#       dpkg-shlibdeps), then its files unpacked into a scratch root.
# Either way: every file where the desktop, man and the program look for
# it; manual pages that name every option and key --help names; and the
# programs run by name from another folder, with bin/ on PATH, drawing what
# the build's own program draws.
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
tool=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "$mode test: $*" >&2; exit 1; }

install_into_prefix() {
  prefix=$scratch/prefix
  "$tool" --install "$build" --prefix "$prefix" > "$scratch/install.log" ||
    fail "cmake --install failed: $(cat "$scratch/install.log")"
}

build_and_unpack_deb() {
  "$tool" --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" > "$scratch/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$scratch/cpack.log")"
  local version deb depends
  version=$("$build/bin/abacine" --version | cut -d' ' -f2)
  deb=$scratch/out/abacine_${version}_$(dpkg --print-architecture).deb
  [ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$scratch/out")"
  [ "$(dpkg-deb -f "$deb" Package)" = abacine ] || fail "the package is not named abacine"
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
  depends=$(dpkg-deb -f "$deb" Depends)
  for library in libc6 'libstdc\+\+6' libsdl2-2.0-0 libpng16-16 zlib1g; do
    grep -qE "(^|, )$library( |,|$)" <<< "$depends" || fail "Depends lacks $library: $depends"
  done
  dpkg-deb -x "$deb" "$scratch/root"
  prefix=$scratch/root/usr
}

check_files() {
  for f in bin/abacine-eval lib/abacine/abacine lib/abacine/gx.so lib/abacine/windows.vfs \
           share/applications/abacine.desktop share/man/man1/abacine.1.gz \
           share/man/man1/abacine-eval.1.gz share/icons/hicolor/48x48/apps/abacine.png \
           share/icons/hicolor/128x128/apps/abacine.png share/icons/hicolor/256x256/apps/abacine.png; do
    [ -f "$prefix/$f" ] || fail "$f is not installed"
  done
  [ "$(readlink "$prefix/bin/abacine")" = ../lib/abacine/abacine ] ||
    fail "bin/abacine is not a relative link to lib/abacine/abacine"
  local desktop=$prefix/share/applications/abacine.desktop
  grep -qx 'Exec=abacine' "$desktop" || fail "the desktop entry does not start abacine"
  grep -qx 'Icon=abacine' "$desktop" || fail "the desktop entry does not name the icon"
  if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
  fi
}

# Every option and key --help names is in the manual page, and the page
# names no option --help does not. (Whole texts in variables: grep -q
# leaves a pipe early.)
check_manual_pages() {
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
}

case $mode in
  prefix) install_into_prefix ;;
  deb) build_and_unpack_deb ;;
  *) fail "unknown mode (prefix or deb)" ;;
esac
check_files

mkdir "$scratch/elsewhere" "$scratch/run"
cd "$scratch/elsewhere"
export PATH="$prefix/bin:$PATH" XDG_RUNTIME_DIR="$scratch/run" ABACINE_REGISTRY="$scratch/settings.reg"
unset DISPLAY WAYLAND_DISPLAY
[ "$(command -v abacine)" = "$prefix/bin/abacine" ] || fail "abacine is not found on PATH"
# The program finds its skin and Game API library through the link. Both
# are first runs (each with its own settings), so both show the tutorial.
abacine --headless --frames 1 --screenshot product.png || fail "abacine --headless --frames 1 failed"
ABACINE_REGISTRY="$scratch/built.reg" "$build/bin/abacine" --headless --frames 1 --screenshot built.png
cmp -s product.png built.png || fail "abacine draws another screen than the build's"
abacine --headless --fullscreen --frames 1 || fail "abacine --headless --fullscreen failed"
[ "$(abacine-eval "1+1")" = 2 ] || fail "abacine-eval \"1+1\" did not print 2"
check_manual_pages
echo "$mode: ran abacine and abacine-eval from $prefix"
