#!/usr/bin/env bash
# Builds the .deb from the build folder given, unpacks it with dpkg -x into a
# clean folder and checks what a user's system would get.
#   deb_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/tabloria-deb.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) \
  || { cat "$work/cpack.log" >&2; exit 1; }
shopt -s nullglob
debs=("$work"/out/tabloria_*_*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "expected one tabloria_VERSION_ARCH.deb, found: ${debs[*]:-none}" >&2; exit 1; }
deb=${debs[0]}
echo "built $(basename "$deb")"

root=$work/root
dpkg -x "$deb" "$root"
for f in usr/bin/tabloria \
         usr/share/applications/tabloria.desktop \
         usr/share/icons/hicolor/scalable/apps/tabloria.svg \
         usr/share/man/man1/tabloria.1.gz; do
  [ -f "$root/$f" ] || fail "$f is missing"
done
[ -x "$root/usr/bin/tabloria" ] || fail "usr/bin/tabloria is not executable"
# Nothing outside /usr, and nothing of the build (tests, tools, libraries).
extra=$(cd "$root" && find . -type f | sed 's|^\./||' | grep -v -E '^usr/(bin/tabloria|share/(applications|icons|man|doc)/)' || true)
[ -z "$extra" ] || fail "unexpected files: $extra"

out=$(desktop-file-validate "$root/usr/share/applications/tabloria.desktop" 2>&1 || echo "(exit status $?)")
[ -z "$out" ] || fail "desktop-file-validate: $out"
icon=$(grep '^Icon=' "$root/usr/share/applications/tabloria.desktop" | cut -d= -f2)
exec=$(grep '^Exec=' "$root/usr/share/applications/tabloria.desktop" | cut -d= -f2 | cut -d' ' -f1)
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "the menu entry's icon $icon is not installed"
[ -f "$root/usr/bin/$exec" ] || fail "the menu entry runs $exec, which is not installed"
python3 -c 'import sys, xml.dom.minidom as m; d = m.parse(sys.argv[1]); sys.exit(d.documentElement.tagName != "svg")' \
  "$root/usr/share/icons/hicolor/scalable/apps/tabloria.svg" || fail "the icon is no SVG document"

warnings=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/tabloria.1.gz" 2>&1 >/dev/null || echo "(exit status $?)")
[ -z "$warnings" ] || fail "man page: $warnings"

# The control data: every dependency is a package this system knows (it was
# built against them), the program's libraries among them.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libqt6widgets6 libmariadb3 fonts-liberation; do
  grep -q -E "(^|, )$needed( |,|$)" <<<"$depends" || fail "Depends lacks $needed"
done
while read -r package; do
  dpkg-query -W "$package" >/dev/null 2>&1 || fail "Depends names $package, which no installed package is"
done < <(tr ',' '\n' <<<"$depends" | sed -E 's/\(.*\)//; s/\|.*//; s/^ +| +$//g' | grep -v '^$')
[ "$(dpkg-deb -f "$deb" Package)" = tabloria ] || fail "the package is not called tabloria"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "the package names no maintainer"

[ "$failures" -eq 0 ] || exit 1
echo "the package is sound"
