#!/usr/bin/env bash
# Can this machine run 32-bit programs? Runs the 32-bit Wine loader once and
# prints one line:
#   runs                  the loader started and answered
#   refused: REASON       the kernel would not execute it ("Exec format error")
#   broken: REASON        anything else: loader missing, not executable, failing
# Exit status 0, 3 and 4 respectively. Only "refused" may turn the 32-bit
# tests into skips; a broken Wine must still fail them.
#
# Usage: tools/probe-32bit.sh [LOADER]   (default: $PARFELLE_WINE32_LOADER or
#        /usr/lib/wine/wine, where Debian's wine32 puts the 32-bit loader)
set -uo pipefail

loader=${1:-${PARFELLE_WINE32_LOADER:-/usr/lib/wine/wine}}

if [ ! -e "$loader" ]; then
    echo "broken: $loader not found (tools/install-deps.sh installs wine32:i386)"
    exit 4
fi

err=$(mktemp) || { echo "broken: cannot make a temporary file"; exit 4; }
trap 'rm -f "$err"' EXIT
# Started by bash's own exec: execvp (timeout's, env's) would hand a file
# the kernel refuses to /bin/sh as a script and hide the refusal.
out=$(timeout 120 env -u DISPLAY -u WAYLAND_DISPLAY WINEDEBUG=-all \
      bash -c 'exec "$0" --version' "$loader" 2>"$err" </dev/null)
rc=$?
first_error=$(grep -m1 -v '^[[:space:]]*$' "$err")

if [ $rc -eq 0 ]; then
    echo "runs${out:+ ($out)}"
    exit 0
fi
# The shell reports a kernel refusal (ENOEXEC on an i386 ELF) as exit 126
# with the system's "Exec format error" text.
if [ $rc -eq 126 ] && grep -q 'Exec format error' "$err"; then
    echo "refused: this kernel does not execute 32-bit programs ($loader: Exec format error)"
    exit 3
fi
echo "broken: $loader --version exited with $rc${first_error:+: $first_error}"
exit 4
