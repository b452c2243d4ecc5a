#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when missing.
# Runs apt-get directly as root, otherwise through sudo.
set -euo pipefail
packages=(
  cmake ninja-build g++ ccache pkg-config make
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev libqscintilla2-qt6-dev
  libsqlite3-dev nettle-dev libgtest-dev
  xvfb xauth mawk gawk python3 poppler-utils sqlite3 libmuparser-dev
  qtkeychain-qt6-dev gnome-keyring dbus dbus-x11 libsecret-tools
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then SUDO=(); else SUDO=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq "${missing[@]}"
