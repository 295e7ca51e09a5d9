#!/bin/sh
# Installs the build into a scratch prefix and checks what a Linux desktop looks for there: the
# program, its desktop entry and metainfo (both valid), and the icon in every hicolor size.
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
app=io.github.sorvane.Sorvane
fail=0
for f in bin/sorvane share/applications/$app.desktop share/metainfo/$app.metainfo.xml \
         share/icons/hicolor/16x16/apps/sorvane.png share/icons/hicolor/32x32/apps/sorvane.png \
         share/icons/hicolor/48x48/apps/sorvane.png share/icons/hicolor/64x64/apps/sorvane.png \
         share/icons/hicolor/128x128/apps/sorvane.png share/icons/hicolor/256x256/apps/sorvane.png; do
    [ -e "$prefix/$f" ] || { echo "missing: $f"; fail=1; }
done
[ ! -e "$prefix/etc/xdg/autostart" ] || { echo "an autostart entry is installed"; fail=1; }
desktop-file-validate "$prefix/share/applications/$app.desktop" || fail=1
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$app.metainfo.xml" || fail=1
grep -qx 'Exec=sorvane' "$prefix/share/applications/$app.desktop" || { echo "Exec is not sorvane"; fail=1; }
grep -qx 'Icon=sorvane' "$prefix/share/applications/$app.desktop" || { echo "Icon is not sorvane"; fail=1; }
grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" \
    "$prefix/share/metainfo/$app.metainfo.xml" || { echo "metainfo names another desktop entry"; fail=1; }
exit $fail
