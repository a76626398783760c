#!/usr/bin/env bash
# The real-peer check: a throw-away smbd on 127.0.0.1 shares a folder, the program applies and removes its settings
# there (tst_hardening_realfs --once, the real window over the real file system), and smbclient's allinfo says what a
# Windows client sees: after apply the settings file hidden + system (under the lower-case name it already had) and
# the folder system, and the background picture, which lies inside the shared folder, is named relative to it and
# can be fetched by that name; after removal the file gone. Needs the packages of scripts/packages/samba.txt and root (smbd
# serves the share as the connecting user). Skips loudly only when smbd cannot start.
set -euo pipefail
cd "$(dirname "$0")/../.."
build_dir="${MIRTAL_BUILD_DIR:-build}"
driver="$build_dir/tests/hardening/tst_hardening_realfs"
skip() { echo "samba: SKIPPED: $*" >&2; echo "100% tests passed, 0 tests failed out of 0"; exit 0; }
for tool in smbd smbpasswd smbclient; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh)"
done
[ "$(id -u)" -eq 0 ] || skip "smbd serves the share as the connecting user, which needs root"
[ -x "$driver" ] || { echo "samba: $driver is not built" >&2; exit 1; }

root="$(mktemp -d)"
smbd_pid=
cleanup() { [ -n "$smbd_pid" ] && kill "$smbd_pid" 2>/dev/null; wait 2>/dev/null || true; rm -rf "$root"; }
trap cleanup EXIT
mkdir -p "$root"/{private,lock,state,cache,pid,ncalrpc,share}
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$root/smb.conf" <<CONF
[global]
server role = standalone server
interfaces = 127.0.0.1
bind interfaces only = yes
smb ports = $port
disable netbios = yes
private dir = $root/private
lock directory = $root/lock
state directory = $root/state
cache directory = $root/cache
pid directory = $root/pid
ncalrpc dir = $root/ncalrpc
log file = $root/smbd.log
passdb backend = tdbsam:$root/private/passdb.tdb
load printers = no
printcap name = /dev/null
disable spoolss = yes
unix charset = UTF-8
store dos attributes = yes
map archive = no
map hidden = no
map system = no
map readonly = no
[share]
path = $root/share
read only = no
CONF
printf 'mirtal-peer\nmirtal-peer\n' | smbpasswd -c "$root/smb.conf" -a -s root >/dev/null
# A session of its own: smbd ends by signalling its whole process group, which must not be this script's callers.
setsid smbd --foreground --no-process-group --configfile="$root/smb.conf" </dev/null >"$root/smbd.out" 2>&1 &
smbd_pid=$!
for _ in $(seq 150); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    kill -0 "$smbd_pid" 2>/dev/null || break
    sleep 0.1
done
(exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null ||
    skip "smbd did not listen on 127.0.0.1:$port: $(tail -c 600 "$root/smbd.log" "$root/smbd.out" 2>/dev/null)"

# The letters of "attributes: HS (26)" for a name relative to the share, or the client's error.
attributes() {
    smbclient //127.0.0.1/share -p "$port" -s "$root/smb.conf" -U root%mirtal-peer -c "allinfo \"$1\"" 2>&1 |
        sed -n -e 's/^attributes: \([A-Z]*\) .*/\1/p' -e 's/.*\(NT_STATUS_OBJECT_NAME_NOT_FOUND\).*/gone/p'
}
has() { [[ "$1" == *"$2"* && "$1" == *"$3"* ]]; }

folder="$root/share/Мои фото"
mkdir "$folder"
printf '[.ShellClassInfo]\r\nInfoTip=x\r\n' >"$folder/desktop.ini"
# The picture the driver chooses, "Мои картинки/море.jpg" in its program folder, which is the shared folder here:
# a 1 x 1 GIF, which the picture readers take whatever its name says.
mkdir "$folder/Мои картинки"
printf 'GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;' \
    >"$folder/Мои картинки/море.jpg"
failed=0
check() {
    local what="$1"
    shift
    if "$@"; then echo "samba: ok: $what"; else echo "samba: FAILED: $what" >&2; failed=$((failed + 1)); fi
}
run() { QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$root" "$driver" --once "$1" "$folder" 2>>"$root/driver.err"; }

shown=$(run apply)
check "apply confirmed ($shown)" [ "$shown" = "Файл настройки отредактирован" ]
check "rewritten under its own name, no second file" [ "$(ls -A "$folder" | grep -ic '^desktop\.ini$')" = 1 ]
# The path the file names, as a Windows client of the share follows it: from the folder, backslashes kept.
image=$(tr -d '\r' <"$folder/desktop.ini" | sed -n 's/^IconArea_Image=//p' | iconv -f CP1251 -t UTF-8)
check "the picture named relative to the folder ($image)" [ "$image" = '.\Мои картинки\море.jpg' ]
rm -f "$root/fetched"
smbclient //127.0.0.1/share -p "$port" -s "$root/smb.conf" -U root%mirtal-peer \
    -c "get \"Мои фото\\${image:2}\" \"$root/fetched\"" >/dev/null 2>&1 || true
check "the client fetches the picture by that path" cmp -s "$root/fetched" "$folder/Мои картинки/море.jpg"
file_bits=$(attributes 'Мои фото\Desktop.ini') folder_bits=$(attributes 'Мои фото')
check "the client sees the file hidden and system ($file_bits)" has "$file_bits" H S
check "the client sees the folder system ($folder_bits)" has "$folder_bits" S D
shown=$(run remove)
check "removal confirmed (${shown//|/, })" [ "$shown" = "Вы уверены?|Файл настройки удалён" ]
check "the client sees the file gone" [ "$(attributes 'Мои фото\Desktop.ini')" = gone ]
[ "$failed" -eq 0 ] || cat "$root/driver.err" >&2
echo "$(( (8 - failed) * 100 / 8 ))% tests passed, $failed tests failed out of 8"
[ "$failed" -eq 0 ]
