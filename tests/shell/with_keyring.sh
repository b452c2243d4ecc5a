#!/bin/sh
# Runs a keyring test program twice: against gnome-keyring on a private session
# bus (unlocked with a test password, in a throw-away home), then with no Secret
# Service at all (the fallback pass).
set -eu
prog="$1"
work=$(mktemp -d /tmp/sqlvigil-keyring-XXXXXX)
bus_pid=""
cleanup() {
    [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
    [ -n "${keyring_pid:-}" ] && kill "$keyring_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
export HOME="$work" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
dbus-daemon --session --fork --print-address=3 --print-pid=4 3>"$work/address" 4>"$work/pid"
bus_pid=$(cat "$work/pid")
DBUS_SESSION_BUS_ADDRESS=$(cat "$work/address")
export DBUS_SESSION_BUS_ADDRESS
out=$(printf 'test-password' | gnome-keyring-daemon --unlock --components=secrets)
keyring_pid=$(printf '%s\n' "$out" | sed -n 's/^GNOME_KEYRING_PID=//p')
# Wait until the Secret Service answers on the bus.
i=0
until dbus-send --session --print-reply --dest=org.freedesktop.secrets /org/freedesktop/secrets \
        org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1; do
    i=$((i + 1)); [ $i -gt 50 ] && { echo "no Secret Service on the private bus" >&2; exit 1; }
    sleep 0.1
done
"$prog" --gtest_filter='Keyring.WritesReadsAndForgetsInTheSecretService'
DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus SQLVIGIL_KEYRING_FALLBACK=1 \
    "$prog" --gtest_filter='Keyring.NoSecretServiceMeansNotAvailable'
