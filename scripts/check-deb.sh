#!/usr/bin/env bash
# Installs the .deb made by `cpack -G DEB` into a clean Debian 12 root and starts
# `sqlvigil --demo` there under Xvfb, saving a screenshot of the main window.
#   scripts/check-deb.sh PACKAGE.deb ROOT_DIR SCREENSHOT.png
# ROOT_DIR is made with debootstrap (minbase) when it does not exist yet; a root
# made earlier is reused only if the package has never been installed in it.
# Needs root, debootstrap and network access to a Debian mirror. Not part of the
# test suite: run it by hand after building the package.
set -euo pipefail
deb=$(readlink -f "$1")
root=$2
shot=$3
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

if [ ! -x "$root/bin/sh" ]; then
    debootstrap --variant=minbase bookworm "$root" "$mirror"
fi
if chroot "$root" dpkg-query -W sqlvigil >/dev/null 2>&1; then
    echo "check-deb: $root already has sqlvigil installed; use a fresh root" >&2
    exit 1
fi
mounted=()
cleanup() {
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[$i]}" 2>/dev/null || true; done
}
trap cleanup EXIT
for fs in proc sys dev dev/pts; do
    mount --bind "/$fs" "$root/$fs"
    mounted+=("$root/$fs")
done
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/sqlvigil.deb"
export DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8
chroot "$root" apt-get update -qq
# The package and what it declares, nothing else; then only what this check needs
# to show a screen (Xvfb).
chroot "$root" apt-get install -y -qq /tmp/sqlvigil.deb
chroot "$root" dpkg -s sqlvigil | sed -n '/^Depends:/p'
chroot "$root" apt-get install -y -qq --no-install-recommends xvfb xauth
chroot "$root" sh -c 'rm -rf /tmp/demo-home && mkdir -p /tmp/demo-home && \
    HOME=/tmp/demo-home SQLVIGIL_NO_KEYRING=1 xvfb-run -a -s "-screen 0 1366x900x24" \
    sqlvigil --demo /tmp/demo-home/demo --screenshot /tmp/sqlvigil-deb.png'
cp "$root/tmp/sqlvigil-deb.png" "$shot"
ls -l "$shot"
