#!/usr/bin/env bash
# Installs the package on this machine as a user would, with apt-get so that its
# dependencies resolve; checks that the installed programs, data-file type, desktop
# entries and AppStream entry work from where they were installed; purges the package
# and checks that it left nothing behind: no file, no package, no data-file type.
# It changes the system (as root, through sudo otherwise): CI runs it on a throwaway
# machine, ctest does not run it.
#   install_test.sh PACKAGE.deb
set -euo pipefail
[ $# -eq 1 ] && [ -f "$1" ] || { echo "usage: $0 PACKAGE.deb" >&2; exit 1; }
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
package=kelmor-desktop
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
fail() { echo "FAIL: $*" >&2; exit 1; }

dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok' &&
  fail "$package is installed already: this test needs a machine without it"

# A folder apt's unprivileged download user can read, so that apt takes the file as it is.
work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
deb=$work/$(basename "$1")
cp "$1" "$deb"
chmod 644 "$deb"

# What the system holds: every package with its state, and every path under the folders
# a package installs into, leaving out the package manager's own records.
snapshot() {
  dpkg-query -W -f='${Package}:${Architecture} ${Version} ${Status}\n' | sort > "$1.packages"
  find /usr /etc /opt /srv /var/lib -xdev \
    \( -path /var/lib/dpkg -o -path /var/lib/apt -o -path /var/lib/systemd -o -path /var/lib/ucf \) -prune \
    -o -print 2> /dev/null | sort > "$1.files"
}
snapshot "$work/before"

"${as_root[@]}" apt-get install -y --no-install-recommends "$deb" > "$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "apt-get could not install the package"; }
dpkg-query -W -f='${Status}' "$package" | grep -q 'install ok installed' || fail "$package is not installed"

# The converter, found on the PATH, reads the installed sample as it reads the one in the
# source tree: the same list as the reference output.
[ "$(command -v kelmor-cli)" = /usr/bin/kelmor-cli ] || fail "kelmor-cli is not /usr/bin/kelmor-cli"
LC_ALL=C.UTF-8 kelmor-cli list /usr/share/kelmor/samples/kelmor-v7.Rn --date-separator / \
  --time-separator : --now 2026-12-08T12:00:00 > "$work/list.txt" || fail "kelmor-cli list failed"
diff -u "$source_dir/tests/cli/reference/v7-list.txt" "$work/list.txt" ||
  fail "kelmor-cli lists the installed sample differently"

# The MIME database knows the data-file type, and the window program is registered for it.
cp /usr/share/kelmor/samples/kelmor-v5.Rn "$work/cellar.Rn"
content_type() { gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'; }
[ "$(content_type "$work/cellar.Rn")" = application/x-kelmor-measurements ] ||
  fail ".Rn is $(content_type "$work/cellar.Rn") to the MIME database"
# Taken whole before it is searched: a search that stops at the first match would end gio
# with a broken pipe, and the pipeline would fail under pipefail.
registered=$(gio mime application/x-kelmor-measurements)
grep -q 'org\.kelmor\.Desktop\.desktop' <<< "$registered" ||
  fail "no program is registered for .Rn files"

desktop-file-validate /usr/share/applications/org.kelmor.Desktop.desktop \
  /usr/share/applications/org.kelmor.Desktop.Demo.desktop || fail "an installed desktop entry does not validate"
appstreamcli validate --no-net /usr/share/metainfo/org.kelmor.Desktop.metainfo.xml > "$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log"; fail "the installed AppStream entry does not validate"; }
for page in kelmor kelmor-demo kelmor-cli; do
  MANPAGER=cat man "$page" > /dev/null 2>&1 || fail "man $page finds no manual page"
done

# The installed converter reaches a PostgreSQL server through the driver the package
# brings: a server that is not there is named as such, not a driver that is missing.
if LC_ALL=C.UTF-8 kelmor-cli archive --archive postgresql://kelmor@127.0.0.1:1/radon runs \
  2> "$work/server.log"; then
  fail "kelmor-cli found an archive where no server is"
fi
grep -q 'refused the connection' "$work/server.log" ||
  { cat "$work/server.log"; fail "kelmor-cli cannot use a PostgreSQL server"; }

# The installed window program starts from its launcher on an X display, opens the data
# file given to it in the user's data folder and decodes it there: its sample list file
# is the converter's list of the same file.
home=$work/home
mkdir -p "$home"
cat > "$work/start-window.sh" <<'PROBE'
#!/bin/sh
# Starts kelmor-demo with a data file, waits up to 60 s for its sample list, ends it.
kelmor-demo "$1" > "$HOME/window.log" 2>&1 &
program=$!
list=$HOME/.local/share/kelmor/v5dat.tmp
tries=0
while [ ! -s "$list" ] && kill -0 "$program" 2> /dev/null && [ $tries -lt 120 ]; do
  sleep 0.5
  tries=$((tries + 1))
done
# Still running with the list written: the program came up and opened the file.
kill -0 "$program" 2> /dev/null && [ -s "$list" ] && ok=yes
kill "$program" 2> /dev/null
wait "$program" 2> /dev/null
[ "$ok" = yes ]
PROBE
chmod +x "$work/start-window.sh"
(cd "$work" && HOME=$home XDG_DATA_HOME= LC_ALL=C.UTF-8 xvfb-run -a -s "-screen 0 1280x800x24" \
  "$work/start-window.sh" cellar.Rn) || { cat "$home/window.log"; fail "kelmor-demo did not open the data file"; }
LC_ALL=C.UTF-8 kelmor-cli samples "$work/cellar.Rn" > "$work/samples.txt"
tr -d '\r' < "$home/.local/share/kelmor/v5dat.tmp" | diff -u "$work/samples.txt" - ||
  fail "the window program's sample list differs from kelmor-cli's"

# The package goes, with whatever apt pulled in for it and nothing else.
names() { cut -d' ' -f1 "$1"; }
snapshot "$work/installed"
pulled_in=$(comm -13 <(names "$work/before.packages") <(names "$work/installed.packages") |
  grep -v "^$package:" || true)
# shellcheck disable=SC2086
"${as_root[@]}" apt-get purge -y "$package" $pulled_in > "$work/purge.log" 2>&1 ||
  { cat "$work/purge.log"; fail "apt-get could not purge the package"; }

snapshot "$work/after"
diff -u "$work/before.packages" "$work/after.packages" || fail "the purge changed the installed packages"
diff -u "$work/before.files" "$work/after.files" || fail "the purge left files behind, or took some"
[ "$(content_type "$work/cellar.Rn")" != application/x-kelmor-measurements ] ||
  fail "the MIME database still knows .Rn after the purge"
! grep -rqs 'kelmor' /usr/share/applications/mimeinfo.cache ||
  fail "the desktop database still names kelmor after the purge"
echo "install ok: $(basename "$deb") installed, checked and purged without a trace"
