#!/bin/sh
# Builds the .deb from the build tree (cpack, into a scratch folder) and runs lintian on it: any
# error or warning fails. Informational and pedantic tags are shown, not failed on.
set -eu
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/sorvane_*.deb)
# lintian warns that it should not run as root; the tests do. Exit 1 is lintian failing to
# check at all, which must not pass for a clean package.
status=0
lintian --fail-on error,warning --info --pedantic --display-experimental "$deb" \
    >"$out/lintian.txt" 2>&1 || status=$?
grep -v 'running with root privileges' "$out/lintian.txt" || true
if [ "$status" -ne 0 ] && [ "$status" -ne 2 ]; then
    echo "lintian could not check $(basename "$deb") (exit $status)"
    exit 1
fi
if [ "$status" -eq 2 ] || grep -q '^[EW]: ' "$out/lintian.txt"; then
    echo "lintian found errors or warnings in $(basename "$deb")"
    exit 1
fi
# Some hardening tags are only informational; the programs must carry every flag.
if grep -q ' hardening-' "$out/lintian.txt"; then
    echo "the programs miss hardening flags"
    exit 1
fi
# What the package must carry beyond lintian's checks.
contents=$(dpkg-deb --contents "$deb")
for f in ./usr/share/man/man1/sorvane.1.gz ./usr/share/man/man1/sorvane-power.1.gz \
         ./usr/share/doc/sorvane/changelog.gz ./usr/share/doc/sorvane/copyright; do
    echo "$contents" | grep -q " $f\$" || { echo "missing from the package: $f"; exit 1; }
done
echo "lintian: no errors or warnings"
