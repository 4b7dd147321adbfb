#!/usr/bin/env bash
# Builds the .deb from a build folder, has Debian's own checker judge it, unpacks it into a
# scratch root and checks that what a user needs is there and works: the programs,
# launchers, desktop entries, AppStream entry, icon, data-file type, udev rule, manual
# pages, copyright, changelog and samples. (Installing it for real is install_test.sh.)
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$1
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/out" > "$work/cpack.log") || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/kelmor-desktop_*.deb)
root=$work/root
dpkg -x "$deb" "$root"
fail() { echo "FAIL: $*" >&2; exit 1; }

# Debian's standard: no error and no warning. Informational tags are shown; one judged
# wrong would go, with its reason, into an override file in usr/share/lintian/overrides.
lintian_status=0
lintian --fail-on error,warning --display-info --tag-display-limit 0 "$deb" > "$work/lintian.log" 2>&1 ||
  lintian_status=$?
grep -v '^running with root privileges' "$work/lintian.log" || true
[ "$lintian_status" -eq 0 ] || fail "lintian finds errors or warnings (above)"

for f in usr/bin/kelmor usr/bin/kelmor-demo usr/bin/kelmor-cli \
         usr/lib/kelmor/kelmor usr/lib/kelmor/kelmor-demo \
         usr/share/applications/org.kelmor.Desktop.desktop \
         usr/share/applications/org.kelmor.Desktop.Demo.desktop \
         usr/share/metainfo/org.kelmor.Desktop.metainfo.xml \
         usr/share/icons/hicolor/256x256/apps/org.kelmor.Desktop.png \
         usr/share/mime/packages/org.kelmor.Desktop.xml \
         usr/lib/udev/rules.d/60-kelmor.rules \
         usr/share/man/man1/kelmor.1.gz usr/share/man/man1/kelmor-demo.1.gz \
         usr/share/man/man1/kelmor-cli.1.gz \
         usr/share/doc/kelmor-desktop/copyright usr/share/doc/kelmor-desktop/changelog.Debian.gz \
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
for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 > /dev/null) ||
    fail "$(basename "$page") does not format"
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

# The licence: the project's and, named beside it, that of the chart library it links.
copyright=$root/usr/share/doc/kelmor-desktop/copyright
grep -q '^License: GPL-3+$' "$copyright" || fail "copyright does not license the project GPL-3+"
grep -q 'QCustomPlot' "$copyright" || fail "copyright does not name QCustomPlot's licence"
cmp -s "$source_dir/LICENSE" /usr/share/common-licenses/GPL-3 || fail "LICENSE is not the GPL-3 text"

# The version is written in several places that lintian does not compare: the package's
# (from the changelog), the AppStream release list and the manual pages must agree.
version=$(dpkg-deb -f "$deb" Version)
upstream=${version%-*}
zcat "$root/usr/share/doc/kelmor-desktop/changelog.Debian.gz" | sed -n 1p |
  grep -q "^kelmor-desktop ($version) " || fail "changelog.Debian.gz does not start with $version"
metainfo=$root/usr/share/metainfo/org.kelmor.Desktop.metainfo.xml
appstreamcli validate --no-net "$metainfo" > "$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log"; fail "the AppStream entry does not validate"; }
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | sed -n 1p | cut -d'"' -f2)
[ "$newest" = "$upstream" ] || fail "the newest AppStream release is $newest, the package $upstream"
for page in "$root"/usr/share/man/man1/*.1.gz; do
  zcat "$page" | sed -n 1p | grep -q "\"Kelmor Desktop $upstream\"" ||
    fail "$(basename "$page") is not for Kelmor Desktop $upstream"
done

# Software centres offer the program for exactly the USB bridges that the udev rule opens.
rule_ids=$(grep -o 'ATTRS{idProduct}=="[0-9a-f]*"' "$root/usr/lib/udev/rules.d/60-kelmor.rules" |
  cut -d'"' -f2 | sort)
alias_ids=$(grep -o '<modalias>usb:v0403p[0-9A-Fa-f]*d\*</modalias>' "$metainfo" |
  sed 's/.*p\([0-9A-Fa-f]*\)d.*/\1/' | tr 'A-F' 'a-f' | sort)
[ -n "$rule_ids" ] && [ "$rule_ids" = "$alias_ids" ] ||
  fail "udev rule products ($(echo $rule_ids)) differ from the AppStream modaliases ($(echo $alias_ids))"

info=$(dpkg-deb -I "$deb")
echo "$info" | grep -q 'Depends:.*libqt6widgets6' || fail "no dependency on Qt Widgets"
echo "$info" | grep -q 'Depends:.*libftdi1' || fail "no dependency on libftdi1"
echo "$info" | grep -q 'Depends:.*libqt6sql6-sqlite' || fail "no dependency on the SQLite driver of Qt SQL"
echo "$info" | grep -q 'Depends:.*libqt6sql6-psql' || fail "no dependency on the PostgreSQL driver of Qt SQL"
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
