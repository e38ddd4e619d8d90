#!/usr/bin/env bash
# The main job: set up what is missing, build the Linux plug-in and its host,
# and render audio through the plug-in.
#
#   tools/demo.sh                  the built-in demo, into parfelle-demo.wav
#   tools/demo.sh [render args]    anything parfelle-host render takes, e.g.
#   tools/demo.sh song.wav out.wav --set "Delay Time=0.5"
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

# First run on a fresh machine: install the build dependencies.
if ! command -v cmake >/dev/null || ! command -v ninja >/dev/null || ! pkg-config --exists sndfile 2>/dev/null; then
    echo "Installing build dependencies (tools/install-deps.sh)..."
    tools/install-deps.sh
fi

cmake --preset linux-x64 >/dev/null
cmake --build --preset linux-x64 --target parfelle-host Parfelle

if [ $# -eq 0 ]; then set -- parfelle-demo.wav; fi
exec build/linux-x64/parfelle-host render "$@"
