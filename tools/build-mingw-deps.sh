#!/usr/bin/env bash
# Builds the static third-party libraries the Windows targets link, for both
# MinGW-w64 triples, from Debian's own source packages, into a cache outside
# the source tree:
#
#   ${PARFELLE_DEPS:-$HOME/.cache/parfelle-deps}/<triple>/{include,lib,...}
#
# Libraries: libsndfile (WAV/AIFF only: no FLAC/Ogg/Vorbis/Opus/MPEG), libpng
# and FreeType (both against the packaged static zlib; FreeType without
# HarfBuzz, Brotli, bzip2 or PNG), FTGL and GLEW (libglew32.a, GLEW_STATIC).
#
# Each library is rebuilt only when its key changes: this script, the
# project's toolchain file and compiler version, the Debian source version
# and the keys of the libraries it builds on. A warm run does no network
# access and takes well under a second.
#
# Usage: tools/build-mingw-deps.sh [--triple TRIPLE]... [--force] [--jobs N]
set -euo pipefail

say()  { printf '[deps] %s\n' "$*"; }
die()  { printf '[deps] ERROR: %s\n' "$*" >&2; exit 1; }

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
self="$here/$(basename "${BASH_SOURCE[0]}")"

deps=${PARFELLE_DEPS:-$HOME/.cache/parfelle-deps}
triples=()
force=0
jobs=$(nproc 2>/dev/null || echo 2)

while [ $# -gt 0 ]; do
    case $1 in
        --triple) [ $# -ge 2 ] || die "--triple needs a value"; triples+=("$2"); shift 2 ;;
        --force)  force=1; shift ;;
        --jobs)   [ $# -ge 2 ] || die "--jobs needs a value"; jobs=$2; shift 2 ;;
        -h|--help) sed -n '2,17p' "$self" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) die "unknown argument: $1" ;;
    esac
done
[ ${#triples[@]} -gt 0 ] || triples=(i686-w64-mingw32 x86_64-w64-mingw32)

# Debian source package of each library, in build order.
libs=(libsndfile libpng freetype ftgl glew)
declare -A srcpkg=([libsndfile]=libsndfile [libpng]=libpng1.6 [freetype]=freetype [ftgl]=ftgl [glew]=glew)
declare -A needs=([libpng]=zlib [freetype]=zlib [ftgl]=freetype)

toolchain_for() {
    case $1 in
        i686-w64-mingw32)   echo "$root/cmake/mingw-i686.cmake" ;;
        x86_64-w64-mingw32) echo "$root/cmake/mingw-x86_64.cmake" ;;
        *) die "unsupported triple: $1" ;;
    esac
}

for t in "${triples[@]}"; do
    [ -f "$(toolchain_for "$t")" ] || die "toolchain file missing: $(toolchain_for "$t")"
    command -v "$t-gcc-posix" >/dev/null || die "$t-gcc-posix not installed (tools/install-deps.sh)"
    [ -f "/usr/$t/lib/libz.a" ] || die "/usr/$t/lib/libz.a missing (package libz-mingw-w64-dev)"
done
for tool in cmake ninja apt-get apt-cache dpkg-source sha256sum flock; do
    command -v "$tool" >/dev/null || die "$tool not found (tools/install-deps.sh)"
done

mkdir -p "$deps"
deps=$(cd "$deps" && pwd)
# Two builds at once (two checkouts, two terminals) would trample each other.
exec 9>"$deps/.lock"
if ! flock -n 9; then
    say "waiting for another build of the dependencies ($deps/.lock)"
    flock 9
fi

# Content only, so the same script in another checkout has the same key, and
# without whole-line comments, so rewording one rebuilds nothing.
script_hash=$(grep -v '^[[:space:]]*#' "$self" | sha256sum | cut -c1-16)

# The source version apt would fetch now; local lookup, no network.
source_version() {
    local v
    v=$(apt-cache showsrc --only-source "$1" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -V | tail -n1)
    [ -n "$v" ] || die "no source package '$1' known to apt: is there a deb-src line and has 'apt-get update' run? (tools/install-deps.sh adds both)"
    echo "$v"
}

# Downloads and unpacks one source package once; prints the tree's path.
# Sources are shared by both triples and keyed by version.
unpack_source() {
    local pkg=$1 version=$2
    local dir="$deps/src/$pkg-$version"
    if [ -f "$dir/.unpacked" ]; then echo "$dir"; return; fi
    local dl="$deps/src/download/$pkg-$version"
    rm -rf "$dir" "$dl"
    mkdir -p "$dl"
    say "fetching source package $pkg $version" >&2
    local sandbox=()
    [ "$(id -u)" -eq 0 ] && sandbox=(-o APT::Sandbox::User=root)
    local upstream="${version#*:}"; upstream="${upstream%-*}"
    local dsc="$dl/${pkg}_${version#*:}.dsc"
    if ! (cd "$dl" && apt-get "${sandbox[@]}" -qq source --download-only "$pkg=$version") >&2; then
        # The mirror has been seen to lack a package's Debian tarball while
        # its upstream tarball is there: fall back to the upstream one alone.
        [ -f "$dsc" ] || die "could not download $pkg $version"
        say "WARNING: $pkg $version incomplete on the mirror; using its upstream tarball without Debian's changes" >&2
    fi
    [ -f "$dsc" ] || die "no .dsc for $pkg $version in $dl"
    mkdir -p "$deps/src/x"
    local x="$deps/src/x/$pkg-$version"
    rm -rf "$x"
    if [ "$(ls "$dl" | grep -c '\.debian\.tar\|\.diff\.gz')" -gt 0 ]; then
        dpkg-source --no-check -x "$dsc" "$x" >/dev/null || die "dpkg-source failed on $dsc"
    else
        # Check the upstream tarball against the checksum the .dsc gives.
        local orig
        orig=$(cd "$dl" && ls "${pkg}_${upstream}".orig.tar.* | grep -v '\.asc$' | head -n1) || die "no upstream tarball for $pkg"
        local want
        want=$(awk -v f="$orig" '/^Checksums-Sha256:/ {s=1; next} /^[^ ]/ {s=0} s && $3 == f {print $1}' "$dsc")
        [ -n "$want" ] || die "$orig is not listed in $dsc"
        echo "$want  $dl/$orig" | sha256sum -c --quiet - || die "checksum mismatch on $orig"
        mkdir -p "$x"
        tar -xf "$dl/$orig" -C "$x" --strip-components=1 || die "could not unpack $orig"
    fi
    mv "$x" "$dir"
    touch "$dir/.unpacked"
    rm -rf "$dl"
    echo "$dir"
}

# Runs a build step with its output in a log; on failure shows the log's end.
run_logged() {
    local log=$1; shift
    if ! "$@" >>"$log" 2>&1; then
        echo "----- last lines of $log -----" >&2
        tail -n 40 "$log" >&2
        die "failed: $*"
    fi
}

# Configures, builds and installs a CMake project into the triple's prefix.
cmake_build() {
    local triple=$1 name=$2 srcdir=$3; shift 3
    local prefix="$deps/$triple"
    local bdir="$deps/build/$triple/$name"
    local log="$deps/build/$triple/$name.log"
    rm -rf "$bdir"; mkdir -p "$bdir"; : >"$log"
    run_logged "$log" cmake -S "$srcdir" -B "$bdir" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$deps/$triple/toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_INSTALL_LIBDIR=lib \
        -DBUILD_SHARED_LIBS=OFF \
        "$@"
    run_logged "$log" cmake --build "$bdir" -j "$jobs"
    run_logged "$log" cmake --install "$bdir"
    rm -rf "$bdir"
}

build_libsndfile() {
    cmake_build "$1" libsndfile "$2" \
        -DENABLE_EXTERNAL_LIBS=OFF -DENABLE_MPEG=OFF \
        -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF \
        -DENABLE_CPACK=OFF -DINSTALL_MANPAGES=OFF \
        -DCMAKE_DISABLE_FIND_PACKAGE_ALSA=ON -DCMAKE_DISABLE_FIND_PACKAGE_SQLite3=ON
}

# The packaged static zlib, named outright: find_package would prefer the
# DLL's import library, and FreeType's private copy of zlib clashes with it
# at link time (both define inflateValidate).
zlib_args() { echo "-DZLIB_LIBRARY=/usr/$1/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$1/include"; }

build_libpng() {
    cmake_build "$1" libpng "$2" \
        -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
        $(zlib_args "$1")
}

build_freetype() {
    cmake_build "$1" freetype "$2" \
        -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON -DFT_DISABLE_BZIP2=ON \
        -DFT_DISABLE_PNG=ON -DFT_REQUIRE_ZLIB=ON $(zlib_args "$1")
}

build_ftgl() {
    # src/CMakeLists.txt lists a header FTLibrary.h beside FTLibrary.cpp that
    # the release does not ship (the public FTGL/FTLibrary.h is fine).
    sed -i '/^[[:space:]]*FTLibrary\.h[[:space:]]*$/d' "$2/src/CMakeLists.txt"
    # On Windows it puts its CMake package in <prefix>/cmake; use lib/cmake
    # like the others. Its imported target carries neither the include
    # folder nor the static-linking define a user needs: add both.
    sed -i 's|set(cmakedir cmake)|set(cmakedir lib/cmake/FTGL)|' "$2/CMakeLists.txt"
    cat >>"$2/FTGLConfig-install.cmake.in" <<'CMAKE'
set_property(TARGET ftgl APPEND PROPERTY INTERFACE_INCLUDE_DIRECTORIES "${FTGL_INCLUDE_DIR}")
set_property(TARGET ftgl APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS FTGL_LIBRARY_STATIC)
CMAKE
    cmake_build "$1" ftgl "$2" -DCMAKE_DISABLE_FIND_PACKAGE_Doxygen=ON -DCMAKE_DISABLE_FIND_PACKAGE_CxxTest=ON
}

build_glew() {
    # GLEW's own build is a Makefile for the host; all we need is one file.
    # The package config makes find_package(GLEW) give GLEW::GLEW, static.
    local gdir="$deps/build/$1/glew-project"
    rm -rf "$gdir"; mkdir -p "$gdir"
    cat >"$gdir/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(glew C)
find_package(OpenGL REQUIRED)
add_library(GLEW STATIC "${GLEW_SRC}/src/glew.c")
set_target_properties(GLEW PROPERTIES OUTPUT_NAME glew32)
target_compile_definitions(GLEW PUBLIC GLEW_STATIC)
target_include_directories(GLEW PUBLIC "$<BUILD_INTERFACE:${GLEW_SRC}/include>" "$<INSTALL_INTERFACE:include>")
target_link_libraries(GLEW PUBLIC OpenGL::GL)
install(TARGETS GLEW EXPORT GLEWTargets ARCHIVE DESTINATION lib)
install(EXPORT GLEWTargets NAMESPACE GLEW:: DESTINATION lib/cmake/GLEW)
file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/GLEWConfig.cmake" [[
include(CMakeFindDependencyMacro)
find_dependency(OpenGL)
include("${CMAKE_CURRENT_LIST_DIR}/GLEWTargets.cmake")
]])
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/GLEWConfig.cmake" DESTINATION lib/cmake/GLEW)
install(DIRECTORY "${GLEW_SRC}/include/GL" DESTINATION include)
CMAKE
    cmake_build "$1" glew "$gdir" -DGLEW_SRC="$2"
    rm -rf "$gdir"
}

start=$(date +%s)
declare -A version=() key=() srcdir=()
for lib in "${libs[@]}"; do version[$lib]=$(source_version "${srcpkg[$lib]}"); done
zlib_version=$(dpkg-query -W -f='${Version}' libz-mingw-w64-dev 2>/dev/null) || die "libz-mingw-w64-dev not installed"

# What is out of date, per triple.
declare -A todo=()
for triple in "${triples[@]}"; do
    prefix="$deps/$triple"
    mkdir -p "$prefix/.stamps"
    tc=$(toolchain_for "$triple")
    # The project's own toolchain (compilers, SSE maths on i686), plus our
    # prefix as a search root; no emulator: nothing here runs target code.
    cat >"$prefix/toolchain.cmake" <<EOF
include("$tc")
unset(CMAKE_CROSSCOMPILING_EMULATOR)
list(APPEND CMAKE_FIND_ROOT_PATH "$prefix")
EOF
    # A new compiler or new flags rebuild everything for that triple.
    tc_hash=$( { cat "$tc"; "$triple-gcc-posix" -dumpfullversion; } | sha256sum | cut -c1-16)
    key[$triple/zlib]=$zlib_version
    for lib in "${libs[@]}"; do
        dep=${needs[$lib]:-}
        key[$triple/$lib]="$lib ${version[$lib]} script=$script_hash toolchain=$tc_hash${dep:+ $dep=[${key[$triple/$dep]}]}"
        stamp="$prefix/.stamps/$lib"
        if [ $force -eq 0 ] && [ -f "$stamp" ] && [ "$(cat "$stamp")" = "${key[$triple/$lib]}" ]; then
            say "$triple: $lib ${version[$lib]} up to date"
        else
            todo[$triple]+=" $lib"
            srcdir[$lib]=pending
        fi
    done
done

# Sources: fetched and unpacked once for both triples.
for lib in "${libs[@]}"; do
    [ "${srcdir[$lib]:-}" = pending ] || continue
    srcdir[$lib]=$(unpack_source "${srcpkg[$lib]}" "${version[$lib]}")
done

build_triple() {
    local triple=$1 lib t0 work
    for lib in ${todo[$triple]}; do
        t0=$(date +%s)
        rm -f "$deps/$triple/.stamps/$lib"
        # Build from a private copy: the FTGL fixes edit the tree.
        work="$deps/build/$triple/$lib-src"
        rm -rf "$work"; mkdir -p "$(dirname "$work")"
        cp -a "${srcdir[$lib]}" "$work"
        say "$triple: building $lib ${version[$lib]} (log: $deps/build/$triple/$lib.log)"
        "build_$lib" "$triple" "$work"
        rm -rf "$work"
        printf '%s\n' "${key[$triple/$lib]}" >"$deps/$triple/.stamps/$lib"
        say "$triple: $lib done in $(( $(date +%s) - t0 )) s"
    done
}

# The triples build side by side: most of the time goes into configure
# checks, which run one at a time.
pids=() built=0
for triple in "${triples[@]}"; do
    [ -n "${todo[$triple]:-}" ] || continue
    set -- ${todo[$triple]}; built=$((built + $#))
    build_triple "$triple" & pids+=($!)
done
failed=0
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
[ $failed -eq 0 ] || die "building the dependencies failed (see the logs named above)"
say "dependencies ready in $deps ($built built, $(( $(date +%s) - start )) s)"
