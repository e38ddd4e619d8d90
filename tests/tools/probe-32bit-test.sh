#!/usr/bin/env bash
# The 32-bit probe's three answers, through stand-in loaders made here:
# one that answers, a file the kernel refuses to execute, and loaders that
# fail in other ways, which must never pass for a refusal.
#   probe-32bit-test.sh PROBE
set -uo pipefail
probe=$1
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
passed=0 failed=0

# expect NAME STATUS PATTERN LOADER: the probe's exit status and first word.
expect() {
    local name=$1 want_rc=$2 pattern=$3 loader=$4 out rc
    out=$("$probe" "$loader" 2>&1); rc=$?
    if [ "$rc" -eq "$want_rc" ] && grep -qE "$pattern" <<<"$out"; then
        passed=$((passed + 1)); echo "ok: $name -> $out"
    else
        failed=$((failed + 1)); echo "FAILED: $name: exit $rc (want $want_rc), said: $out (want /$pattern/)"
    fi
}

printf '#!/bin/sh\necho "wine-8.0 (stand-in)"\n' >"$dir/answers"
# An ELF header the kernel cannot load: execve fails with ENOEXEC, exactly
# as for an i386 program on a kernel without 32-bit support.
{ printf '\177ELF\001\001\001'; head -c 57 /dev/zero; } >"$dir/refused"
printf '#!/bin/sh\necho "wine: could not load kernel32.dll, status c0000135" >&2\nexit 1\n' >"$dir/fails"
printf '#!/bin/sh\necho "$0: Exec format error" >&2\nexit 2\n' >"$dir/says-format-error"
printf '#!/bin/sh\necho "never run"\n' >"$dir/not-executable"
chmod +x "$dir/answers" "$dir/refused" "$dir/fails" "$dir/says-format-error"

expect "a loader that answers" 0 '^runs \(wine-8\.0 \(stand-in\)\)$' "$dir/answers"
expect "a file the kernel refuses" 3 '^refused: .*Exec format error' "$dir/refused"
expect "a loader that fails" 4 '^broken: .*exited with 1: wine: could not load kernel32' "$dir/fails"
# The refusal is told by the kernel's answer, not by words in the output.
expect "a loader that only prints the words" 4 '^broken: .*exited with 2' "$dir/says-format-error"
expect "a loader without execute permission" 4 '^broken: .*exited with 126' "$dir/not-executable"
expect "no loader at all" 4 '^broken: .* not found' "$dir/missing"
# Without an argument the environment names the loader.
out=$(PARFELLE_WINE32_LOADER="$dir/refused" "$probe" 2>&1); rc=$?
if [ $rc -eq 3 ]; then passed=$((passed + 1)); echo "ok: PARFELLE_WINE32_LOADER -> $out"
else failed=$((failed + 1)); echo "FAILED: PARFELLE_WINE32_LOADER: exit $rc, said: $out"; fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
