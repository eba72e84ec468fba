#!/usr/bin/env bash
# Builds the Debian package and checks what it holds and what it depends on.
# Usage: package_check.sh BUILD_DIR
set -uo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

(cd "$build" && cpack -G DEB -B "$out" > "$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/*.deb 2> /dev/null | head -1)
[[ -n "$deb" ]] || { cat "$out/cpack.log"; exit 1; }
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/brindle ./usr/bin/brindlefax ./usr/share/brindle/bdl.dct \
         ./usr/share/applications/brindle.desktop ./usr/share/metainfo/brindle.metainfo.xml \
         ./usr/share/mime/packages/brindle.xml ./usr/share/icons/hicolor/scalable/apps/brindle.svg \
         ./usr/share/icons/hicolor/48x48/apps/brindle.png ./usr/lib/cups/backend/brindle; do
  grep -q -x -F "$f" <<< "$contents" || fail "$f is not in the package"
done
# Nothing built for testing goes along.
grep -E 'test_|bench_|dictbuild' <<< "$contents" && fail "test or build tools in the package"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libqt6widgets6 libqt6dbus6 qt6-qpa-plugins; do
  grep -q "$lib" <<< "$depends" || fail "Depends lacks $lib: $depends"
done
[[ $(dpkg-deb -f "$deb" Package) == brindle ]] || fail "package name"
echo "package: $(basename "$deb")"
echo "Depends: $depends"
((status == 0)) && echo "package: ok"
exit $status
