#!/usr/bin/env bash
# Builds the .deb from a build folder, unpacks it into a scratch root and checks that what
# a user needs is there and works: the programs, launchers, desktop entries, icon,
# data-file type, udev rule, man page and samples.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/out" > "$work/cpack.log") || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/kelmor-desktop_*.deb)
root=$work/root
dpkg -x "$deb" "$root"
fail() { echo "FAIL: $*" >&2; exit 1; }

for f in usr/bin/kelmor usr/bin/kelmor-demo usr/bin/kelmor-cli \
         usr/lib/kelmor/kelmor usr/lib/kelmor/kelmor-demo \
         usr/share/applications/org.kelmor.Desktop.desktop \
         usr/share/applications/org.kelmor.Desktop.Demo.desktop \
         usr/share/icons/hicolor/256x256/apps/org.kelmor.Desktop.png \
         usr/share/mime/packages/org.kelmor.Desktop.xml \
         usr/lib/udev/rules.d/60-kelmor.rules \
         usr/share/man/man1/kelmor-cli.1 \
         usr/share/kelmor/samples/kelmor-v7.Rn; do
  [ -e "$root/$f" ] || fail "$f is missing"
done
for f in usr/bin/kelmor usr/bin/kelmor-demo usr/bin/kelmor-cli usr/lib/kelmor/kelmor; do
  [ -x "$root/$f" ] || fail "$f is not executable"
done

desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "a desktop entry does not validate"
grep -q '^MimeType=application/x-kelmor-measurements;$' "$root/usr/share/applications/org.kelmor.Desktop.desktop" ||
  fail "the desktop entry does not open data files"
grep -q 'glob pattern="\*.Rn"' "$root/usr/share/mime/packages/org.kelmor.Desktop.xml" || fail "no *.Rn glob"
file "$root/usr/share/icons/hicolor/256x256/apps/org.kelmor.Desktop.png" | grep -q '256 x 256' || fail "icon is not 256 x 256"
man -l "$root/usr/share/man/man1/kelmor-cli.1" > /dev/null 2>&1 || fail "the man page does not format"

info=$(dpkg-deb -I "$deb")
echo "$info" | grep -q 'Depends:.*libqt6widgets6' || fail "no dependency on Qt Widgets"
echo "$info" | grep -q 'Depends:.*libftdi1' || fail "no dependency on libftdi1"
echo "$info" | grep -q 'postinst' || fail "no postinst"

# The packaged converter works on the packaged sample.
"$root/usr/bin/kelmor-cli" list "$root/usr/share/kelmor/samples/kelmor-v7.Rn" --now 2026-12-08T12:00:00 |
  tail -n 1 | grep -qx 'All measurements' || fail "kelmor-cli does not read the sample"

# The launcher starts the program in the user's data folder, with a data file made absolute.
mkdir -p "$work/lib/kelmor" "$work/bin" "$work/home"
cat > "$work/lib/kelmor/kelmor" <<'PROBE'
#!/bin/sh
pwd > "$HOME/started-in"
printf '%s\n' "$@" > "$HOME/arguments"
PROBE
chmod +x "$work/lib/kelmor/kelmor"
sed "s|/usr/lib/kelmor/|$work/lib/kelmor/|" "$root/usr/bin/kelmor" > "$work/bin/kelmor"
chmod +x "$work/bin/kelmor"
(cd "$root/usr/share/kelmor" && HOME=$work/home XDG_DATA_HOME= "$work/bin/kelmor" samples/kelmor-v5.Rn)
[ "$(cat "$work/home/started-in")" = "$work/home/.local/share/kelmor" ] || fail "launcher folder: $(cat "$work/home/started-in")"
[ "$(cat "$work/home/arguments")" = "$root/usr/share/kelmor/samples/kelmor-v5.Rn" ] || fail "launcher argument: $(cat "$work/home/arguments")"
echo "package ok: $(basename "$deb")"
