#!/usr/bin/env bash
# Installs everything a fresh Debian 12 machine lacks to build and test all
# three targets. Safe to run again: apt-get skips what is already there.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# wine32 needs the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi

# Source packages: the MinGW libraries are built from Debian's own sources.
if ! grep -rqs '^Types: *deb-src' /etc/apt/sources.list.d/ && \
   ! grep -qs '^deb-src' /etc/apt/sources.list; then
    uri=$(grep -hm1 '^URIs:' /etc/apt/sources.list.d/debian.sources 2>/dev/null | awk '{print $2}')
    uri=${uri:-http://deb.debian.org/debian}
    $SUDO tee /etc/apt/sources.list.d/parfelle-src.sources >/dev/null <<SRC
Types: deb-src
URIs: $uri
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
fi

$SUDO apt-get update -qq

pkgs=(
    # native build and test
    build-essential cmake ninja-build pkg-config dpkg-dev ccache
    libgtest-dev libgmock-dev libbenchmark-dev
    libsndfile1-dev
    libx11-dev libgl-dev libglu1-mesa-dev libglew-dev libftgl-dev
    libfreetype-dev libpng-dev zlib1g-dev libfontconfig-dev fonts-wine
    xvfb xauth x11-utils imagemagick libxtst-dev xdotool
    # cross builds
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    libz-mingw-w64-dev
    # running the DLLs
    wine wine32:i386 wine64
    libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386 libosmesa6:i386
    libxcomposite1:i386 libxrender1:i386 libxi6:i386 libxrandr2:i386
    libxinerama1:i386 libxcursor1:i386 libosmesa6
    # third-party plug-ins the host is tested against
    lsp-plugins-vst dpf-plugins-vst
    # checking rendered audio by hand
    sox
    # the plug-in inside a real host: Ardour 7 headless, and the stage's checks
    ardour python3
    # the LV2 bundle: its headers and schemas, and the hosts it is tested in
    lv2-dev lilv-utils sordi jalv jackd2
)
$SUDO apt-get install -y -qq --no-install-recommends "${pkgs[@]}"
