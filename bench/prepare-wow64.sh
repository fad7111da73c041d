#!/usr/bin/env bash
# Prepares the 32-bit PE DLLs that wine64 needs to run a 32-bit program in WoW64 mode,
# in a directory of the benchmark's own, installing nothing:
#
#   bash bench/prepare-wow64.sh DIR
#
# DIR gets i386-windows (from Debian's libwine:i386 of the installed libwine's
# version, fetched with a private apt configuration and unpacked) and links to the
# host's x86_64-unix and x86_64-windows; point WINEDLLPATH at DIR.
set -euo pipefail
dir=$1
[ -f "$dir/i386-windows/ntdll.dll" ] && exit 0
version=$(dpkg-query -W -f='${Version}' libwine:amd64)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/state/lists/partial" "$tmp/cache/archives/partial" "$tmp/etc/sources.list.d"
touch "$tmp/state/status"
cp /etc/apt/sources.list.d/*.sources "$tmp/etc/sources.list.d/" 2>/dev/null || true
[ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$tmp/etc/sources.list" || touch "$tmp/etc/sources.list"
cat >"$tmp/apt.conf" <<CONF
Dir::State "$tmp/state";
Dir::State::status "$tmp/state/status";
Dir::Cache "$tmp/cache";
Dir::Etc::sourcelist "$tmp/etc/sources.list";
Dir::Etc::sourceparts "$tmp/etc/sources.list.d";
APT::Architectures { "amd64"; "i386"; };
CONF
export APT_CONFIG="$tmp/apt.conf"
apt-get update -qq >/dev/null
(cd "$tmp" && apt-get download -qq "libwine:i386=$version")
dpkg-deb -x "$tmp"/libwine_*_i386.deb "$tmp/unpacked"
mkdir -p "$dir"
rm -rf "$dir/i386-windows"
cp -a "$tmp/unpacked/usr/lib/i386-linux-gnu/wine/i386-windows" "$dir/i386-windows"
ln -sfn /usr/lib/x86_64-linux-gnu/wine/x86_64-unix "$dir/x86_64-unix"
ln -sfn /usr/lib/x86_64-linux-gnu/wine/x86_64-windows "$dir/x86_64-windows"
