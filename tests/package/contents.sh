#!/usr/bin/env bash
# The Debian package holds what an installed program needs, where Debian keeps it, and depends on
# what it plays with:  contents.sh DEB VERSION
set -euo pipefail
deb=$1
version=$2
failed=0
fail() {
  echo "contents.sh: $*" >&2
  failed=1
}

files=$(dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|')
for wanted in \
  /usr/bin/parlevox \
  /usr/share/applications/parlevox.desktop \
  /usr/share/icons/hicolor/scalable/apps/parlevox.svg \
  /usr/share/icons/hicolor/48x48/apps/parlevox.png \
  /usr/share/icons/hicolor/64x64/apps/parlevox.png \
  /usr/share/icons/hicolor/128x128/apps/parlevox.png \
  /usr/share/icons/hicolor/256x256/apps/parlevox.png \
  /usr/share/metainfo/io.github.parlevox.parlevox.metainfo.xml \
  /usr/share/man/man1/parlevox.1.gz \
  /usr/share/doc/parlevox/README.md \
  /usr/share/doc/parlevox/copyright \
  /usr/share/doc/parlevox/changelog.gz \
  /usr/share/doc/parlevox/examples/demo.txt; do
  grep -qx "$wanted" <<<"$files" || fail "no $wanted in the package"
done
# Nothing of the build tree comes along (its portable Saves, the test programs).
if grep -E '/Saves|test' <<<"$files"; then
  fail "the package holds files of the build tree (above)"
fi

# Each PNG is the size its folder names.
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb --extract "$deb" "$root"
for png in "$root"/usr/share/icons/hicolor/*x*/apps/parlevox.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  actual=$(file --brief "$png" | sed -n 's/.*, \([0-9]*\) x \([0-9]*\),.*/\1x\2/p')
  [ "$actual" = "$size" ] || fail "$png is $actual"
done

[ "$(dpkg-deb --field "$deb" Package)" = parlevox ] || fail "the package is not named parlevox"
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
depends=$(dpkg-deb --field "$deb" Depends)
for wanted in libqt6widgets6 libgstreamer1.0-0 libc6 gstreamer1.0-plugins-base \
  gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly; do
  grep -qE "(^|, )$wanted( |,|$)" <<<"$depends" || fail "Depends lacks $wanted: $depends"
done
exit $failed
