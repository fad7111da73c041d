#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (idempotent).
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev
          g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64 wine64 xvfb
          x11-apps imagemagick python3 mscompress)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

# The shipped SETUP.EXE is 32-bit. wine64 runs a 32-bit Windows program in Wine's
# WoW64 mode by itself and lacks only the 32-bit Windows DLLs: they come from
# Debian's libwine:i386 of the installed libwine's version, fetched under a private
# apt configuration and unpacked, never installed (no i386 architecture for dpkg,
# no wine32: 32-bit Linux programs cannot run here). WINEDLLPATH names the
# directory below: i386-windows plus links to the host's 64-bit directories
# (without them ws2_32.dll fails to start).
wow64=${SETUP_WOW64_DIR:-/opt/setup-wine-wow64}
wine_version=$(dpkg-query -W -f='${Version}' libwine)
if [ "$(cat "$wow64/libwine-version" 2>/dev/null)" != "$wine_version" ]; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/state/lists/partial" "$work/cache/archives/partial" "$work/sources.list.d" "$work/deb"
    : >"$work/state/status"
    for f in /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list; do
        if [ -e "$f" ]; then cp "$f" "$work/sources.list.d/"; fi
    done
    sourcelist=/etc/apt/sources.list
    [ -e "$sourcelist" ] || sourcelist=/dev/null
    cat >"$work/apt.conf" <<CONF
Dir::State "$work/state";
Dir::State::status "$work/state/status";
Dir::Cache "$work/cache";
Dir::Etc::sourcelist "$sourcelist";
Dir::Etc::sourceparts "$work/sources.list.d";
APT::Architectures { "amd64"; "i386"; };
APT::Sandbox::User "root";
CONF
    APT_CONFIG=$work/apt.conf apt-get update -qq
    (cd "$work/deb" && APT_CONFIG=$work/apt.conf apt-get download -qq "libwine:i386=$wine_version")
    dpkg-deb -x "$work"/deb/libwine_*_i386.deb "$work/root"
    $SUDO rm -rf "$wow64.new"
    $SUDO mkdir -p "$wow64.new"
    $SUDO cp -a "$work/root/usr/lib/i386-linux-gnu/wine/i386-windows" "$wow64.new/"
    $SUDO ln -s /usr/lib/x86_64-linux-gnu/wine/x86_64-unix "$wow64.new/x86_64-unix"
    $SUDO ln -s /usr/lib/x86_64-linux-gnu/wine/x86_64-windows "$wow64.new/x86_64-windows"
    echo "$wine_version" | $SUDO tee "$wow64.new/libwine-version" >/dev/null
    $SUDO rm -rf "$wow64"
    $SUDO mv "$wow64.new" "$wow64"
    rm -rf "$work"
    trap - EXIT
    echo "32-bit Windows DLLs for WoW64: $wow64 (libwine:i386 $wine_version)"
fi
