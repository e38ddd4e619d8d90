#!/usr/bin/env bash
# Builds and tests every target: configure, build and ctest for each CMake
# preset, the Windows ones under Wine, all GUI tests on a private Xvfb.
#
# Usage: tools/test-all.sh [--preset P]... [--jobs N]
#   --preset P   run only preset P (repeatable); default: every preset below
#   --jobs N     parallel build and test jobs (default: number of cores)
#
# Ends with a summary table and, as its very last line, "N passed, N failed"
# summed over the presets: ctest's tests, plus one failure for each preset
# that did not configure or build. Exits non-zero if anything failed.
# On a machine whose kernel runs no 32-bit program (tools/probe-32bit.sh),
# windows-x86 is still built and its static checks run, but its Wine-run
# test programs are skipped, each named once with the reason, and the last
# line becomes "N passed, N failed, N skipped".
# PARFELLE_TEST_TIMEOUT (seconds, default 600) bounds each test that sets no
# TIMEOUT of its own, so a hung test fails instead of stalling the run.
set -uo pipefail

# The Linux presets first: they build while the MinGW libraries do.
all_presets=(linux-x64 linux-asan linux-tsan windows-x86 windows-x64)

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)

presets=()
jobs=$(nproc 2>/dev/null || echo 2)
while [ $# -gt 0 ]; do
    case $1 in
        --preset) [ $# -ge 2 ] || { echo "--preset needs a value" >&2; exit 2; }; presets+=("$2"); shift 2 ;;
        --preset=*) presets+=("${1#--preset=}"); shift ;;
        --jobs) [ $# -ge 2 ] || { echo "--jobs needs a value" >&2; exit 2; }; jobs=$2; shift 2 ;;
        -h|--help) sed -n '2,17p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "unknown argument: $1 (see --help)" >&2; exit 2 ;;
    esac
done
[ ${#presets[@]} -gt 0 ] || presets=("${all_presets[@]}")
for p in "${presets[@]}"; do
    case " ${all_presets[*]} " in *" $p "*) ;; *) echo "unknown preset: $p (known: ${all_presets[*]})" >&2; exit 2 ;; esac
done

cd "$root" || exit 2
logs="$root/build/test-logs"
mkdir -p "$logs" || exit 2
export PARFELLE_DEPS=${PARFELLE_DEPS:-$HOME/.cache/parfelle-deps}
timeout_s=${PARFELLE_TEST_TIMEOUT:-600}
run_start=$SECONDS

# Five full builds on two cores: reuse object files across runs and across
# checkouts (paths under the tree are hashed relative to it). Read by CMake
# when a build folder is first configured; PARFELLE_CCACHE=0 turns it off.
if [ "${PARFELLE_CCACHE:-1}" != 0 ] && command -v ccache >/dev/null && [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]; then
    export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
    export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
fi

banner() { printf '\n==== %s ====\n' "$*"; }
elapsed() { local s=$1; printf '%dm%02ds' $((s / 60)) $((s % 60)); }

# Per preset: step results, ctest's counts, GoogleTest's counts, time.
declare -A st_conf=() st_build=() st_tests=() st_cases=() st_time=() n_pass=() n_fail=() n_skip=()
any_failed=0 current="" t0=$SECONDS
done_presets=()
deps_ok=1
exec32_skip=""   # why the 32-bit tests cannot run here, if the kernel refuses them

# ---- summary -----------------------------------------------------------------
print_summary() {
    local p sum_pass=0 sum_fail=0 sum_skip=0
    banner "summary"
    printf '%-12s %-10s %-8s %-28s %-24s %s\n' preset configure build "tests (ctest)" "GoogleTest cases" time
    for p in "${done_presets[@]}"; do
        printf '%-12s %-10s %-8s %-28s %-24s %s\n' "$p" "${st_conf[$p]}" "${st_build[$p]}" \
            "${st_tests[$p]}" "${st_cases[$p]}" "$(elapsed "${st_time[$p]:-0}")"
        sum_pass=$((sum_pass + n_pass[$p])); sum_fail=$((sum_fail + n_fail[$p]))
        sum_skip=$((sum_skip + ${n_skip[$p]:-0}))
    done
    [ -z "$exec32_skip" ] || echo "windows-x86: Wine-run tests skipped: $exec32_skip"
    [ $deps_ok -eq 1 ] || echo "MinGW libraries: FAILED (tools/build-mingw-deps.sh)"
    echo "logs: $logs; total time $(elapsed $((SECONDS - run_start)))"
    if [ "$sum_skip" -gt 0 ]; then
        echo "$sum_pass passed, $sum_fail failed, $sum_skip skipped"
    else
        echo "$sum_pass passed, $sum_fail failed"
    fi
}

xvfb_pid=""
deps_pid=""
cleanup() {
    if [ -n "$deps_pid" ]; then
        kill "$deps_pid" 2>/dev/null
        wait "$deps_pid" 2>/dev/null
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
}
trap cleanup EXIT
# Stopped from outside: still say how far it got, and count the stop.
interrupted() {
    echo "test-all.sh: stopped by SIG$1 during ${current:-set-up}" >&2
    if [ -n "${current:-}" ]; then
        st_tests[$current]="stopped (SIG$1)"; n_fail[$current]=1
        st_time[$current]=$((SECONDS - t0))
    fi
    print_summary
    exit "$2"
}
trap 'interrupted INT 130' INT
trap 'interrupted TERM 143' TERM

# ---- dependencies of the Windows targets ----------------------------------
# Built in the background (from Debian's sources the first time: minutes)
# while the Linux presets build and test; the Windows presets wait for them.
deps_log="$logs/mingw-deps.log"
case " ${presets[*]} " in
    *" windows-"*)
        banner "MinGW libraries: building in the background (log: $deps_log)"
        "$root/tools/build-mingw-deps.sh" </dev/null >"$deps_log" 2>&1 &
        deps_pid=$!
        ;;
esac
wait_for_deps() {
    [ -n "$deps_pid" ] || return 0
    banner "MinGW libraries"
    wait "$deps_pid" || deps_ok=0
    deps_pid=""
    tail -n 15 "$deps_log"
}

# ---- can this machine run the 32-bit tests? ------------------------------------
# Asked once. Only the kernel's refusal turns them into skips: a Wine that is
# missing or broken in any other way still fails them.
case " ${presets[*]} " in
    *" windows-x86 "*)
        banner "32-bit programs"
        exec32=$("$root/tools/probe-32bit.sh")
        echo "$exec32"
        [[ $exec32 == refused:* ]] && exec32_skip=${exec32#refused: }
        ;;
esac

# ---- private X server ------------------------------------------------------
command -v Xvfb >/dev/null || { echo "Xvfb not found (tools/install-deps.sh installs it)" >&2; exit 2; }
display_file="$logs/xvfb.display"
: >"$display_file"
# -displayfd: Xvfb picks a free display and writes its number once it is ready.
Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1920x1200x24 3>"$display_file" \
    >"$logs/xvfb.log" 2>&1 </dev/null &
xvfb_pid=$!
for _ in $(seq 100); do
    grep -q '^[0-9][0-9]*$' "$display_file" 2>/dev/null && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
display_no=$(head -n1 "$display_file" 2>/dev/null)
if ! [[ $display_no =~ ^[0-9]+$ ]] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "Xvfb did not start; its log:" >&2
    cat "$logs/xvfb.log" >&2
    exit 2
fi
export DISPLAY=":$display_no"
export LIBGL_ALWAYS_SOFTWARE=1
echo "Xvfb on $DISPLAY (pid $xvfb_pid)"

# ---- the presets -------------------------------------------------------------

# GoogleTest's own closing lines, from the output ctest keeps of every test.
count_cases() {
    local junit=$1 kind=$2
    [ -f "$junit" ] || { echo 0; return; }
    grep -oE "\[  $kind  \] [0-9]+ tests?" "$junit" | awk '{s += $(NF-1)} END {print s + 0}'
}

for p in "${presets[@]}"; do
    t0=$SECONDS current=$p
    done_presets+=("$p")
    st_conf[$p]="-"; st_build[$p]="-"; st_tests[$p]="-"; st_cases[$p]="-"
    n_pass[$p]=0; n_fail[$p]=0; n_skip[$p]=0

    [[ $p != windows-* ]] || wait_for_deps
    banner "$p: configure"
    if [[ $p == windows-* ]] && [ $deps_ok -eq 0 ]; then
        echo "skipped: the MinGW libraries did not build"
        st_conf[$p]="no deps"; n_fail[$p]=1; any_failed=1
        st_time[$p]=$((SECONDS - t0)); continue
    fi
    if cmake --preset "$p" >"$logs/$p-configure.log" 2>&1; then
        st_conf[$p]=ok
        tail -n 3 "$logs/$p-configure.log"
    else
        st_conf[$p]=FAILED; n_fail[$p]=1; any_failed=1
        tail -n 60 "$logs/$p-configure.log"
        echo "configure failed; full log: $logs/$p-configure.log"
        st_time[$p]=$((SECONDS - t0)); continue
    fi

    banner "$p: build"
    if cmake --build --preset "$p" --parallel "$jobs" 2>&1 | tee "$logs/$p-build.log"; then
        st_build[$p]=ok
    else
        st_build[$p]=FAILED; n_fail[$p]=1; any_failed=1
        echo "build failed; full log: $logs/$p-build.log"
        st_time[$p]=$((SECONDS - t0)); continue
    fi

    banner "$p: test"
    junit="$logs/$p-junit.xml"
    rm -f "$junit"
    select=()
    if [ "$p" = windows-x86 ] && [ -n "$exec32_skip" ]; then
        # The test programs themselves are 32-bit: name each, run the rest.
        mapfile -t skipped < <(ctest --preset "$p" -N -L '^wine$' | sed -n 's/^ *Test *#[0-9]*: //p')
        for t in "${skipped[@]}"; do echo "skipped: $t ($exec32_skip)"; done
        n_skip[$p]=${#skipped[@]}
        select=(-LE '^wine$')
    fi
    # Keep the end of every test's output (GoogleTest's totals are there).
    ctest --preset "$p" "${select[@]}" -j "$jobs" --timeout "$timeout_s" --no-tests=error \
        --output-junit "$junit" \
        --test-output-size-passed 4000000 --test-output-size-failed 4000000 \
        --test-output-truncation head \
        2>&1 | tee "$logs/$p-test.log"
    ctest_rc=${PIPESTATUS[0]}
    line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$logs/$p-test.log" | tail -n1)
    if [[ $line =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
        failed=${BASH_REMATCH[1]} total=${BASH_REMATCH[2]}
        n_pass[$p]=$((total - failed)); n_fail[$p]=$failed
        st_tests[$p]="$((total - failed))/$total passed"
        [ "${n_skip[$p]}" -eq 0 ] || st_tests[$p]+=", ${n_skip[$p]} skipped"
    else
        # No closing line: no tests, or ctest itself failed.
        n_fail[$p]=1
        st_tests[$p]="no result"
    fi
    if [ "$ctest_rc" -ne 0 ] || [ "${n_fail[$p]}" -ne 0 ]; then
        any_failed=1
        [ "${n_fail[$p]}" -ne 0 ] || n_fail[$p]=1
        st_tests[$p]+=" (ctest exit $ctest_rc)"
    fi
    cp="$(count_cases "$junit" PASSED)" cf="$(count_cases "$junit" FAILED)"
    if [ $((cp + cf)) -gt 0 ]; then st_cases[$p]="$cp passed, $cf failed"; fi
    st_time[$p]=$((SECONDS - t0))
done

current=""
print_summary
[ $any_failed -eq 0 ] && [ $deps_ok -eq 1 ]
