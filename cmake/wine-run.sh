#!/usr/bin/env bash
# Runs a Windows program under Wine: the CMAKE_CROSSCOMPILING_EMULATOR of the
# MinGW toolchain files, so ctest runs the cross-built tests through it.
#
#   wine-run.sh win32|win64 PROGRAM [ARGS...]
#
# Each architecture has a private prefix, ${PARFELLE_WINE_PREFIXES:-
# $HOME/.cache/parfelle-wine}/<arch>, created on first use under a lock, so
# tests started together share one prefix safely. Exits with the program's
# exit code. Needs no X display for console programs; GUI programs use
# whatever DISPLAY is set. WINEDEBUG is -all unless PARFELLE_WINEDEBUG says
# otherwise.
set -uo pipefail

die() { printf 'wine-run.sh: %s\n' "$*" >&2; exit 125; }

[ $# -ge 2 ] || die "usage: wine-run.sh win32|win64 PROGRAM [ARGS...]"
arch=$1; shift

# Debian keeps both loaders in /usr/lib/wine; the plain `wine` on PATH falls
# back to the 64-bit loader when wine32 is missing, which must not pass
# silently for a 32-bit test.
find_loader() {
    local name=$1
    if [ -x "/usr/lib/wine/$name" ]; then echo "/usr/lib/wine/$name"; return; fi
    command -v "$name" || die "no '$name' loader found (tools/install-deps.sh installs wine32:i386 and wine64)"
}
case $arch in
    win32) loader=$(find_loader wine) || exit 125 ;;
    win64) loader=$(find_loader wine64) || exit 125 ;;
    *) die "unknown architecture '$arch' (win32 or win64)" ;;
esac

prefixes=${PARFELLE_WINE_PREFIXES:-$HOME/.cache/parfelle-wine}
export WINEARCH=$arch
export WINEPREFIX=$prefixes/$arch
export WINEDEBUG=${PARFELLE_WINEDEBUG:--all}
ready=$WINEPREFIX/.parfelle-ready

wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver) || die "no wineserver found"

# Runs one step of the prefix's creation, without a display (nothing to show,
# and a dead DISPLAY must not stall it) and without the lock's descriptor.
setup_step() {
    env -u DISPLAY -u WAYLAND_DISPLAY "$@" 9>&- </dev/null >>"$WINEPREFIX.log" 2>&1 ||
        { echo "wine-run.sh: '$*' failed; log: $WINEPREFIX.log" >&2; tail -n 20 "$WINEPREFIX.log" >&2; return 1; }
}

create_prefix() {
    echo "wine-run.sh: creating the $arch Wine prefix in $WINEPREFIX" >&2
    local t0=$SECONDS
    rm -rf "$WINEPREFIX"
    : >"$WINEPREFIX.log"
    # No Mono or Gecko: nothing here needs them and their installers prompt.
    WINEDLLOVERRIDES="mscoree,mshtml=" setup_step "$loader" wineboot -i || return 1
    setup_step "$wineserver" -w || return 1
    # No window manager runs here: unmanaged windows start much faster.
    setup_step "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f || return 1
    # A crashing test must fail, not wait for someone to close a dialog.
    setup_step "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f || return 1
    setup_step "$wineserver" -w || return 1
    touch "$ready"
    echo "wine-run.sh: $arch prefix ready in $((SECONDS - t0)) s" >&2
}

# The editor looks for %WINDIR%\fonts\tahoma.ttf as on Windows, where it
# always exists; a prefix has only Wine's built-in fonts, kept elsewhere.
add_system_font() {
    local fonts=$WINEPREFIX/drive_c/windows/Fonts
    [ -f "$fonts/tahoma.ttf" ] || { mkdir -p "$fonts" && cp -f /usr/share/wine/fonts/tahoma*.ttf "$fonts/"; } 2>/dev/null || true
}

if [ ! -f "$ready" ]; then
    mkdir -p "$prefixes" || die "cannot create $prefixes"
    (
        flock 9 || exit 1
        # Whoever held the lock before us may have made it already.
        [ -f "$ready" ] || create_prefix
    ) 9>"$prefixes/$arch.lock" || die "could not create the $arch Wine prefix"
fi
add_system_font

exec "$loader" "$@"
