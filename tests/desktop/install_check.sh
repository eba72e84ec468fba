#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks it as a desktop would use it.
# Usage: install_check.sh BUILD_DIR
set -uo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
prefix=$root/usr
share=$prefix/share
status=0
fail() { echo "FAIL: $*"; status=1; }

cmake --install "$build" --prefix "$prefix" > "$root/install.log" || { cat "$root/install.log"; exit 1; }

for f in bin/brindle bin/brindlefax share/brindle/bdl.dct share/applications/brindle.desktop \
         share/metainfo/brindle.metainfo.xml share/mime/packages/brindle.xml \
         share/icons/hicolor/scalable/apps/brindle.svg; do
  [[ -f "$prefix/$f" ]] || fail "$f is not installed"
done
[[ -x "$prefix/bin/brindle" && -x "$prefix/bin/brindlefax" ]] || fail "the programs are not executable"
# The menu entry's icon is in the theme at the sizes menus and panels ask for.
icon=$(sed -n 's/^Icon=//p' "$share/applications/brindle.desktop")
for size in 16x16 32x32 48x48 256x256; do
  [[ -f "$share/icons/hicolor/$size/apps/$icon.png" ]] || fail "no $size icon named $icon"
done

desktop-file-validate "$share/applications/brindle.desktop" || fail "desktop-file-validate"
# The component id follows the desktop file's name, which is not in reverse-domain form.
appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info \
  "$share/metainfo/brindle.metainfo.xml" > "$root/as.log" || { cat "$root/as.log"; fail "appstreamcli"; }

# The BRX type: a fax file is recognised by its contents whatever its name, by its name
# when the contents say nothing, and the menu entry is offered for it.
# (What the package's triggers run on a real system.)
update-mime-database "$share/mime" > /dev/null 2>&1 || fail "update-mime-database"
update-desktop-database "$share/applications" || fail "update-desktop-database"
printf 'BRX10\x1a\x01\x00\x00\x00page data' > "$root/received fax"
printf 'BRX10\x1a' > "$root/fax.bin"
printf '\x00\x01\x02\x03' > "$root/damaged.brx"
type_of() { gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'; }
for f in "$root/received fax" "$root/fax.bin" "$root/damaged.brx"; do
  t=$(XDG_DATA_DIRS=$share:/usr/share XDG_DATA_HOME=$root/nohome type_of "$f")
  [[ "$t" == application/x-brindle-fax ]] || fail "${f##*/} is taken for '$t'"
done
apps=$(PATH=$prefix/bin:$PATH XDG_DATA_DIRS=$share:/usr/share XDG_DATA_HOME=$root/nohome \
  gio mime application/x-brindle-fax)
grep -q 'brindle.desktop' <<< "$apps" || fail "no application registered for BRX files: $apps"

# An installed copy keeps its files in the user's data folder, made on first start, and
# writes nothing beside the program.
home=$root/home
mkdir -p "$home"
HOME=$home QT_QPA_PLATFORM=offscreen "$prefix/bin/brindle" > "$root/run.log" 2>&1 &
pid=$!
data=$home/.local/share/brindle
for _ in $(seq 600); do
  grep -q TMainScreen_Placement "$data/BDL.INI" 2> /dev/null && break
  kill -0 $pid 2> /dev/null || break
  sleep 0.1
done
kill -TERM $pid 2> /dev/null
wait $pid
[[ -f "$data/BDL.INI" ]] || { cat "$root/run.log"; fail "no settings file in $data"; }
ls "$data"/*.DBF > /dev/null 2>&1 || ls "$data"/*.dbf > /dev/null 2>&1 || fail "no tables in $data"
extra=$(ls "$prefix/bin" | grep -v -x -e brindle -e brindlefax)
[[ -z "$extra" ]] || fail "written beside the program: $extra"

((status == 0)) && echo "install layout: ok"
exit $status
