#!/usr/bin/env bash
# The Debian package end to end: built by scripts/package.sh, checked by lintian, desktop-file-validate and
# appstreamcli, installed with dpkg -i, the installed program started on a virtual display until its window is
# shown, and removed again. Installing needs root; a mirtal package installed before is left alone.
set -euo pipefail
cd "$(dirname "$0")/../.."
checks=0
failed=0
check() { # check <what> <command...>
    local what="$1"
    shift
    checks=$((checks + 1))
    if "$@"; then
        echo "package: ok: $what"
    else
        failed=$((failed + 1))
        echo "package: FAILED: $what"
    fi
}

deb="$(bash scripts/package.sh -DMIRTAL_WARNINGS_AS_ERRORS=ON | tail -n 1)"
work="$(mktemp -d)"
installed_here=0
cleanup() {
    if [ "$installed_here" = 1 ]; then dpkg -r mirtal >/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

check "file name" test "$(basename "$deb")" = "mirtal_$(dpkg-deb -f "$deb" Version)_amd64.deb"
check "lintian: no errors" lintian --fail-on error --tag-display-limit 0 "$deb"
dpkg-deb -x "$deb" "$work/root"
check "desktop entry" desktop-file-validate "$work"/root/usr/share/applications/*.desktop
check "AppStream metadata" appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml
depends="$(dpkg-deb -f "$deb" Depends)"
check "depends on Qt, its Russian translation and the fonts" \
    bash -c '[[ $0 == *libqt6widgets6* && $0 == *qt6-translations-l10n* && $0 == *fonts-dejavu-core* &&
                $0 == *fonts-liberation2* && $0 == *fonts-sil-andika* ]]' "$depends"
check "stripped program" bash -c 'file -b "$0" | grep -q ", stripped"' "$work/root/usr/bin/mirtal"
for size in 16 32 48; do
    check "icon ${size}x$size" bash -c 'file -b "$0" | grep -q "PNG image data, $1 x $1"' \
        "$work/root/usr/share/icons/hicolor/${size}x$size/apps/example.mirtal.Mirtal.png" "$size"
done

if [ "$(id -u)" -ne 0 ] || dpkg-query -W -f='${Status}' mirtal 2>/dev/null | grep -q 'install ok installed'; then
    echo "package: install not tried (needs root, and no mirtal package installed before)"
else
    installed_here=1
    check "dpkg -i" dpkg -i "$deb"
    # From its menu entry's command, in an empty folder and home; done when its main window is shown.
    mkdir -p "$work/home" "$work/start"
    started() {
        (cd "$work/start" && HOME="$work/home" XDG_DATA_HOME='' xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
            "$0" & program=$!
            for _ in $(seq 300); do
                for window in $(xwininfo -root -tree 2>/dev/null | grep "\"Мирталь" | awk "{print \$1}"); do
                    if xwininfo -id "$window" | grep -q "Map State: IsViewable"; then
                        kill "$program"
                        exit 0
                    fi
                done
                kill -0 "$program" 2>/dev/null || exit 1
                sleep 0.1
            done
            kill "$program"
            exit 1' "$(grep -m1 '^Exec=' /usr/share/applications/example.mirtal.Mirtal.desktop | cut -d= -f2)")
    }
    check "the installed program shows its window" started
    check "dpkg -r" dpkg -r mirtal
    installed_here=0
    check "removed" test ! -e /usr/bin/mirtal -a ! -e /usr/share/applications/example.mirtal.Mirtal.desktop
fi

# In ctest's words, so that scripts/test.sh counts these checks in its total.
echo "$(((checks - failed) * 100 / checks))% tests passed, $failed tests failed out of $checks"
[ "$failed" -eq 0 ]
