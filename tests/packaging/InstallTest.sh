#!/usr/bin/env bash
# Installs the build into a temporary root, the way the Debian package lays it out, and
# checks what a desktop and a person will find there: every file, a launcher and an
# AppStream entry their validators accept, manual pages man renders without a warning
# that document every option --help lists, the version, the launcher's folder, and the
# installed program finding its own manual when run from an unrelated folder.
#
#   InstallTest.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
id=org.vorkan42.Vorkan42

# Outside the build folder, so the programs take themselves for an installed copy.
root=$(mktemp -d /tmp/vorkan42-install.XXXXXX)
trap 'rm -rf "$root"' EXIT
usr=$root/usr
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

DESTDIR=$root cmake --install "$build" --prefix /usr > "$root/install.log"

files=(bin/vorkan42 bin/vorkan42-script
       share/doc/vorkan42/help/index.html share/doc/vorkan42/help/search.html share/doc/vorkan42/help/howto.html
       share/applications/$id.desktop share/metainfo/$id.metainfo.xml
       share/icons/hicolor/scalable/apps/$id.svg
       share/man/man1/vorkan42.1.gz share/man/man1/vorkan42-script.1.gz)
for size in 16 24 32 48 64 128 256; do files+=("share/icons/hicolor/${size}x$size/apps/$id.png"); done
for f in "${files[@]}"; do
  [ -s "$usr/$f" ] || fail "not installed: $f"
done
[ -x "$usr/bin/vorkan42" ] && [ -x "$usr/bin/vorkan42-script" ] || fail "the programs are not executable"

# Each PNG is a PNG of the size its folder names (width and height from its header).
for size in 16 24 32 48 64 128 256; do
  png=$usr/share/icons/hicolor/${size}x$size/apps/$id.png
  [ -f "$png" ] || continue
  read -r w0 w1 w2 w3 h0 h1 h2 h3 < <(od -An -tu1 -j16 -N8 "$png")
  w=$(( (w0 << 24) | (w1 << 16) | (w2 << 8) | w3 )); h=$(( (h0 << 24) | (h1 << 16) | (h2 << 8) | h3 ))
  [ "$(head -c 4 "$png" | tail -c 3)" = PNG ] && [ "$w" = "$size" ] && [ "$h" = "$size" ] ||
    fail "$png is not a ${size}x$size PNG (${w}x$h)"
done

desktop=$usr/share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the launcher"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli rejects the metainfo"
grep -qx "Icon=$id" "$desktop" || fail "the launcher's icon is not $id"

for page in vorkan42 vorkan42-script; do
  file=$usr/share/man/man1/$page.1.gz
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=200 man --warnings -l "$file" 2>&1 > "$root/$page.txt") || fail "man cannot render $page(1)"
  [ -z "$warnings" ] || fail "man warns on $page(1): $warnings"
  grep -q "^NAME" "$root/$page.txt" || fail "$page(1) has no NAME section"
  grep -q "vorkan42 $version" "$root/$page.txt" || fail "$page(1) does not name version $version"
done

# The programs work without a display.
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY)
[ "$("${no_display[@]}" "$usr/bin/vorkan42" --version)" = "vorkan42 $version" ] ||
  fail "the installed vorkan42 --version does not print 'vorkan42 $version'"
"${no_display[@]}" "$usr/bin/vorkan42" --help > "$root/help.txt" || fail "vorkan42 --help failed"

# Every option and command --help lists is in the manual page.
sed -n '/^Options:/,/^$/p; /^Commands/,/^$/p' "$root/help.txt" | grep -oE '^  (-[a-z], )?[-a-z]+' |
  sed -E 's/^  (-[a-z], )?//' | sort -u > "$root/listed.txt"
grep -qx -- --folder "$root/listed.txt" && grep -qx list "$root/listed.txt" || fail "--help lists no options or commands"
while read -r word; do
  grep -qe "$word" "$root/vorkan42.txt" || fail "vorkan42(1) does not document '$word' (listed by --help)"
done < "$root/listed.txt"

# The launcher's command works in the person's data folder, made when missing; here it
# gets as far as looking for a display, which this test keeps it from finding.
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
mkdir "$root/home"
status=0
(cd "$root/home" && PATH=$usr/bin:$PATH HOME=$root/home XDG_DATA_HOME=$root/data "${no_display[@]}" $exec_line) \
  2> "$root/launcher.err" || status=$?
[ "$status" = 2 ] && grep -q "display" "$root/launcher.err" || fail "the launcher's '$exec_line' ended with $status: $(cat "$root/launcher.err")"
[ -d "$root/data/vorkan42" ] || fail "the launcher did not make \$XDG_DATA_HOME/vorkan42"

# Run from an unrelated folder, the installed program finds its installed manual: every
# Help menu item names a page that is there (a missing one fails the run).
mkdir "$root/work"
cat > "$root/help.vks" <<'STEPS'
wait-window "Application"
menu "Contents"
menu "Search for Help On..."
menu "How to Use Help"
wait-idle
echo "help pages found"
STEPS
(cd "$root/work" && "$usr/bin/vorkan42-script" "$root/help.vks") > "$root/script.out" 2>&1 ||
  fail "vorkan42-script from another folder: $(cat "$root/script.out")"
grep -q "help pages found" "$root/script.out" || fail "the help script did not run to its end"
[ -e "$root/work/Vorkan42.INI" ] || fail "vorkan42-script did not work in the folder it was started in"

# And without its manual it says so, instead of showing another copy.
rm -r "$usr/share/doc/vorkan42/help"
status=0
(cd "$root/work" && "$usr/bin/vorkan42-script" "$root/help.vks") > "$root/script.out" 2>&1 || status=$?
[ "$status" = 1 ] && grep -q "help page not found: $usr/share/doc/vorkan42/help/index.html" "$root/script.out" ||
  fail "a missing manual was not reported (status $status): $(cat "$root/script.out")"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "install layout: all checks passed"
