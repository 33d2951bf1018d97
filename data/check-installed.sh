#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what lands there: the programs in their places and
# the desktop files valid by the desktop's own validators.
set -euo pipefail
build=$1
fixtures=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null

app=org.kernwick.Kernwick
for file in bin/kernwick-check libexec/kernwick/kernwick-fontmeta \
            share/applications/$app.desktop share/metainfo/$app.metainfo.xml \
            share/icons/hicolor/scalable/apps/$app.svg share/mime/packages/$app.mime.xml; do
  [ -e "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done
if [ -e "$build/bin/kernwick" ]; then
  [ -x "$prefix/bin/kernwick" ] || { echo "not installed: bin/kernwick"; exit 1; }
fi

# The installed programs find the installed helper, wherever the installation went.
verdict=$("$prefix/bin/kernwick-check" "$fixtures/ppt/plain.ppt" || true)
grep -q 'Calibri Light' <<< "$verdict" || { echo "the installed kernwick-check does not find its helper"; exit 1; }

desktop-file-validate "$prefix/share/applications/$app.desktop"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$app.metainfo.xml"
xmllint --noout "$prefix/share/mime/packages/$app.mime.xml"
update-mime-database "$prefix/share/mime" > /dev/null
grep -q '^application/vnd.apple.keynote' "$prefix/share/mime/types"
echo "installed layout checked"
