#!/usr/bin/env bash
# The Debian package: `cpack -G DEB` of the build, its control fields (the
# name, the programs' own version, dependencies found by dpkg-shlibdeps),
# and its files unpacked into a scratch root, from where both programs run
# from another folder.
# Usage: deb_package_test.sh BUILD_DIR CPACK
set -euo pipefail
build=$(cd "$1" && pwd)
cpack=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "package test: $*" >&2; exit 1; }

"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" > "$scratch/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$scratch/cpack.log")"
version=$("$build/bin/abacine" --version | cut -d' ' -f2)
deb=$scratch/out/abacine_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$scratch/out")"
[ "$(dpkg-deb -f "$deb" Package)" = abacine ] || fail "the package is not named abacine"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc\\+\\+6 libsdl2-2.0-0 libpng16-16 zlib1g; do
  grep -qE "(^|, )$library( |,|$)" <<< "$depends" || fail "Depends lacks $library: $depends"
done
contents=$(dpkg-deb -c "$deb")
for f in './usr/bin/abacine -> ../lib/abacine/abacine' ./usr/bin/abacine-eval ./usr/lib/abacine/gx.so \
         ./usr/lib/abacine/windows.vfs ./usr/share/applications/abacine.desktop \
         ./usr/share/man/man1/abacine.1.gz ./usr/share/icons/hicolor/48x48/apps/abacine.png; do
  grep -qF -- " $f" <<< "$contents" || fail "the package lacks $f"
done

dpkg-deb -x "$deb" "$scratch/root"
mkdir "$scratch/elsewhere" "$scratch/run"
cd "$scratch/elsewhere"
export XDG_RUNTIME_DIR="$scratch/run" ABACINE_REGISTRY="$scratch/settings.reg"
unset DISPLAY WAYLAND_DISPLAY
"$scratch/root/usr/bin/abacine" --headless --frames 1 --screenshot packaged.png ||
  fail "the packaged abacine --headless --frames 1 failed"
"$build/bin/abacine" --headless --frames 1 --screenshot built.png
cmp -s packaged.png built.png || fail "the packaged program draws another screen than the build's"
[ "$("$scratch/root/usr/bin/abacine-eval" "1+1")" = 2 ] || fail "the packaged abacine-eval \"1+1\" did not print 2"
echo "built, unpacked and ran $(basename "$deb")"
