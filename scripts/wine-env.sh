#!/usr/bin/env bash
# Sourced: mirtal_wine_start PREFIX makes Wine ready to run the Windows programs of the build, as on a Russian
# Windows without a display, and stops its server when the calling script ends.
mirtal_wine_start() {
    # Wine takes its ANSI code page from the locale's name and its file-name encoding from the C library, so the
    # locale must exist on this machine, not only be named.
    if ! grep -qix 'ru_RU\.utf-\?8' <<<"$(locale -a 2>/dev/null || true)"; then
        sudo_cmd=()
        [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
        "${sudo_cmd[@]}" localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
    fi

    export WINEPREFIX="$1"
    export WINEARCH=win64
    export WINEDEBUG=-all
    export LC_ALL=ru_RU.UTF-8
    # No Mono or Gecko installer while the prefix is made; the tests need neither.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    unset DISPLAY WAYLAND_DISPLAY

    # One server for the whole run, and the prefix booted before the first test: otherwise every test program waits
    # seconds for Wine to start its helpers and stop them again.
    mkdir -p "$WINEPREFIX"
    wineserver -p 2>/dev/null || true  # already running for this prefix: keep it
    trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
    wineboot -i >/dev/null 2>&1 || return 1
    # Windows without a display: the dialogs are real windows that nobody sees. The desktop process picks its driver
    # when it starts, so a change needs a fresh boot.
    driver=$(wine reg query 'HKCU\Software\Wine\Drivers' /v Graphics 2>/dev/null || true)
    if ! grep -q null <<<"$driver"; then
        wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
        wineserver -k
        wineserver -w
        wineserver -p
        wineboot >/dev/null 2>&1
    fi
}
