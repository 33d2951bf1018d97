#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks it: its control fields, its contents under
# /usr, computed library dependencies, and that the packaged kernwick-check finds its packaged helper.
set -euo pipefail
build=$1
fixtures=$2
version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" > "$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/kernwick_"$version"_*.deb)
fail() { echo "$*"; exit 1; }

info=$(dpkg-deb -I "$deb")
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kernwick ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
grep -q '^ Description: .\+' <<< "$info" || fail "no Description"
depends=$(field Depends)
# Computed from the programs, not typed: the libraries they link and Qt's platform plugins.
for library in libqt6core6 libqt6widgets6 libqt6dbus6 libfontconfig1 libzip4 libgsf-1-114 libc6 qt6-qpa-plugins; do
  grep -q "\b$library\b" <<< "$depends" || fail "Depends lacks $library: $depends"
done

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
app=org.kernwick.Kernwick
for file in usr/bin/kernwick usr/bin/kernwick-check usr/libexec/kernwick/kernwick-fontmeta \
            usr/share/applications/$app.desktop usr/share/metainfo/$app.metainfo.xml \
            usr/share/icons/hicolor/scalable/apps/$app.svg usr/share/mime/packages/$app.mime.xml \
            usr/share/doc/kernwick/copyright usr/share/doc/kernwick/changelog.gz usr/share/doc/kernwick/README.md \
            usr/share/man/man1/kernwick.1.gz usr/share/man/man1/kernwick-check.1.gz; do
  grep -qx "\./$file" <<< "$contents" || fail "not in the package: $file"
done
outside=$(grep -v -E '^\./(usr/)?$|^\./usr/' <<< "$contents" || true)
[ -z "$outside" ] || fail "outside /usr: $outside"

# The packaged programs work where they land, finding their helper.
dpkg-deb -x "$deb" "$work/root"
verdict=$("$work/root/usr/bin/kernwick-check" "$fixtures/key/package-keynote6.key" || true)
grep -q 'MarkerFelt-Thin' <<< "$verdict" || fail "the packaged kernwick-check does not read a Keynote document: $verdict"
echo "Debian package checked: $(basename "$deb")"
