#!/usr/bin/env bash
# Parfelle inside Ardour 7, headless (the "None (Dummy)" backend), checked
# three ways:
#   1. a render with tempo sync, a filter and saturation equals the command
#      line host's render of the same input and settings, sample for sample,
#      once the start of Ardour's export is found in it;
#   2. a session saved with all 21 parameters changed gives every value back
#      when it is opened again;
#   3. a "Dry Level" ramp written as automation reaches the plug-in and shows
#      in the exported output;
#   4. the LV2 plug-in (when its bundle is given) renders in Ardour what
#      parfelle-host renders through the VST plug-in, tempo sync included.
# Ardour's state stays in the scratch folder. Ardour 7.3's Lua tool is
# sometimes killed by a signal of its own making (heap corruption inside
# Ardour, seen without any plug-in too): such a run is retried at most twice.
# Most of those deaths came from freeing the export formats whose encoder
# Debian's build lacks (3 exports in 10 on an idle machine, none in 10 with
# only the one format used here), so the tool runs as its wrapper starts it
# but with a data folder whose export formats are that one.
#
# Usage: ardour-stage.sh PLUGIN.so PARFELLE-HOST PYTHON SCRATCH-FOLDER [LV2-BUNDLE PARAMETER-HEADER]
set -euo pipefail

plugin=$1
host=$2
python=$3
scratch=$4
lv2_bundle=${5:-}
parameter_header=${6:-}
here=$(cd "$(dirname "$0")" && pwd)
started=$SECONDS

wrapper=$(command -v ardour7-lua) || { echo "ardour7-lua is missing (Debian's package ardour)"; exit 1; }
lua_tool=$(sed -n 's/^exec \([^ ]*\) .*/\1/p' "$wrapper")
[ -x "$lua_tool" ] || { echo "cannot tell which program $wrapper starts"; exit 1; }
scanner=/usr/lib/ardour7/ardour-vst-scanner
[ -x "$scanner" ] || { echo "$scanner is missing (Debian's package ardour)"; exit 1; }

rm -rf "$scratch"
mkdir -p "$scratch/plugins" "$scratch/config/ardour7/scripts" "$scratch/config/ardour7/export" "$scratch/cache"
cp "$plugin" "$scratch/plugins/Parfelle.so"
cp "$here/parfelle_test_signal.lua" "$scratch/config/ardour7/scripts/"
cp "$here/float.preset" "$scratch/config/ardour7/export/"
export XDG_CONFIG_HOME=$scratch/config XDG_CACHE_HOME=$scratch/cache LXVST_PATH=$scratch/plugins
# The LV2 bundle is shown to the LV2 check's own runs only, in front of the
# usual LV2 folders: with the bundle alone on LV2_PATH for every run,
# Ardour crashed at exit in about one run in five; this way none did in 40.
if [ -n "$lv2_bundle" ]; then
    mkdir -p "$scratch/lv2-path"
    ln -s "$lv2_bundle" "$scratch/lv2-path/Parfelle.lv2"
fi
mkdir -p "$scratch/data/export"
for entry in /usr/share/ardour7/*; do
    [ "$(basename "$entry")" = export ] || ln -s "$entry" "$scratch/data/"
done
cp "/usr/share/ardour7/export/BWAV 32float Export.format" "$scratch/data/export/"
# What the wrapper sets, with the data folder above.
export LD_LIBRARY_PATH=/usr/lib/ardour7${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH} ARDOUR_DATA_PATH=$scratch/data \
    ARDOUR_CONFIG_PATH=/etc/ardour7 ARDOUR_DLL_PATH=/usr/lib/ardour7 VAMP_PATH=/usr/lib/ardour7/vamp

# Headless, Ardour finds Linux plug-ins only in its scan cache, keyed by the
# plug-in's full path; it ignores an entry not newer than the plug-in file,
# comparing whole seconds, so the copy is dated back.
touch -d "5 seconds ago" "$scratch/plugins/Parfelle.so"
"$scanner" -f "$scratch/plugins/Parfelle.so" > "$scratch/scan.log" 2>&1 ||
    { cat "$scratch/scan.log"; echo "FAIL: Ardour's scanner refused the plug-in"; exit 1; }

# ardour_run LOG NAME=VALUE...: one step of stage.lua.
ardour_run() {
    local log=$1
    shift
    local attempt rc
    for attempt in 1 2 3; do
        set +e
        env "$@" "$lua_tool" "$here/stage.lua" > "$log" 2>&1
        rc=$?
        set -e
        if [ $rc -lt 128 ]; then
            if [ $rc -ne 0 ]; then
                cat "$log"
                echo "FAIL: Ardour's step ended with status $rc"
                exit 1
            fi
            return 0
        fi
        if [ $attempt -lt 3 ]; then
            echo "Ardour was killed by signal $((rc - 128)) (run $attempt of $*); retrying"
        fi
    done
    tail -n 20 "$log"
    echo "FAIL: Ardour was killed by a signal three times running"
    exit 1
}

# The parameters Ardour reports after opening a session, as --set options.
host_settings() {
    awk '/^param / { printf "--set\n#%d=%sn\n", $2, $3 }' "$1"
}

failures=0

# 1. Render. Beats 5 of 1/8 at 120 BPM (1.25 s), low-pass at about 775 Hz,
# saturation 2.75; the LFO's own settings changed but its amount left at 0:
# the filter's sweep is computed once per block, so with it the sound
# depends on the host's block sizes, which Ardour and the render do not share.
render_params="1=0.5 2=0.5 3=0.75 5=1 6=0.25 7=0.5 9=0.5 10=0.5 11=0.25 12=0.25 13=0.5 14=0.25 17=1 18=0.5 19=0.25 20=1"
ardour_run "$scratch/render-build.log" PARFELLE_STEP=build PARFELLE_SESSION="$scratch/render" \
    PARFELLE_PARAMS="$render_params"
mkdir -p "$scratch/render-out"
ardour_run "$scratch/render-export.log" PARFELLE_STEP=export PARFELLE_SESSION="$scratch/render" \
    PARFELLE_OUT="$scratch/render-out" PARFELLE_SECONDS=3
# Ardour runs the bus for a few seconds before its export begins: the input
# is long enough to hold that and the export.
"$python" "$here/stage_audio.py" signal "$scratch/signal.wav" 12
mapfile -t settings < <(host_settings "$scratch/render-export.log")
"$host" render "$scratch/signal.wav" "$scratch/host-render.wav" --tempo 120 --tail 0 "${settings[@]}" \
    > "$scratch/host-render.log" 2>&1 || { cat "$scratch/host-render.log"; echo "FAIL: parfelle-host render"; exit 1; }
if "$python" "$here/stage_audio.py" match "$scratch/host-render.wav" "$scratch/render-out/export.wav"; then
    echo "PASS: Ardour's render equals parfelle-host's"
else
    echo "FAIL: Ardour's render differs from parfelle-host's"
    failures=$((failures + 1))
fi

# 2. Every parameter changed, saved, opened again. The two re-sync triggers
# act once and the plug-in sets them back to 0 itself, so 0 is what was saved.
all_params="0=0.25 1=0.5 2=0.25 3=0.75 4=1 5=1 6=0.4 7=0.8 8=1 9=0.5 10=0.5 11=0.5 12=0.25 13=0.25 14=0.75 15=0.25 16=1 17=1 18=0.6 19=0.2 20=1"
expected="0=0.25 1=0.5 2=0.25 3=0.75 4=0 5=1 6=0.4 7=0.8 8=1 9=0.5 10=0.5 11=0.5 12=0.25 13=0.25 14=0.75 15=0.25 16=0 17=1 18=0.6 19=0.2 20=1"
ardour_run "$scratch/session-build.log" PARFELLE_STEP=build PARFELLE_SESSION="$scratch/session" PARFELLE_PARAMS="$all_params"
mkdir -p "$scratch/session-out"
ardour_run "$scratch/session-export.log" PARFELLE_STEP=export PARFELLE_SESSION="$scratch/session" \
    PARFELLE_OUT="$scratch/session-out" PARFELLE_SECONDS=0.1
if awk -v expected="$expected" '
    BEGIN { n = split(expected, pairs, " "); for (i = 1; i <= n; ++i) { split(pairs[i], kv, "="); want[kv[1]] = kv[2] } }
    /^param / { got[$2] = $3 }
    END {
        bad = 0
        for (i = 0; i <= 20; ++i) {
            d = got[i] - want[i]
            if (!(i in got) || d > 1e-6 || d < -1e-6) { printf "parameter %d: %s after reopening, %s expected\n", i, got[i], want[i]; bad = 1 }
        }
        exit bad
    }' "$scratch/session-export.log"; then
    echo "PASS: all 21 parameters came back from the saved session"
else
    echo "FAIL: the saved session lost parameter values"
    failures=$((failures + 1))
fi

# 3. Automation: no echo, no feedback, "Dry Level" from 0 to 1 over the
# export's 2 seconds.
ardour_run "$scratch/ramp-build.log" PARFELLE_STEP=build PARFELLE_SESSION="$scratch/ramp" PARFELLE_PARAMS="1=0 3=0" \
    PARFELLE_RAMP="0 1 2"
mkdir -p "$scratch/ramp-out"
ardour_run "$scratch/ramp-export.log" PARFELLE_STEP=export PARFELLE_SESSION="$scratch/ramp" \
    PARFELLE_OUT="$scratch/ramp-out" PARFELLE_SECONDS=2
if "$python" "$here/stage_audio.py" ramp "$scratch/ramp-out/export.wav"; then
    echo "PASS: the Dry Level automation reached the plug-in"
else
    echo "FAIL: the Dry Level automation did not show"
    failures=$((failures + 1))
fi

checks=3
# 4. The LV2 plug-in: the same sound as check 1 asks of the VST plug-in, its
# settings given in units; the values Ardour reports back become the VST
# render's settings through the same mapping the LV2 plug-in applies.
if [ -n "$lv2_bundle" ]; then
    checks=4
    lv2_params="1=50 2=0.5 3=0.75 5=1 6=5 7=3 9=775 10=0.505 11=1 12=2.75 13=0.5 14=3 17=1 18=8 19=1 20=1"
    lv2_path=$scratch/lv2-path:${LV2_PATH:-$HOME/.lv2:/usr/local/lib/lv2:/usr/lib/lv2}
    ardour_run "$scratch/lv2-build.log" PARFELLE_STEP=build PARFELLE_SESSION="$scratch/lv2" \
        PARFELLE_PARAMS="$lv2_params" PARFELLE_LV2=https://www.haldrane.com/parfelle LV2_PATH="$lv2_path"
    mkdir -p "$scratch/lv2-out"
    ardour_run "$scratch/lv2-export.log" PARFELLE_STEP=export PARFELLE_SESSION="$scratch/lv2" \
        PARFELLE_OUT="$scratch/lv2-out" PARFELLE_SECONDS=3 LV2_PATH="$lv2_path"
    mapfile -t settings < <(awk '/^param / { printf "#%d=%s\n", $2, $3 }' "$scratch/lv2-export.log" |
        xargs "$python" "$here/../lv2/lv2_check.py" normalised "$parameter_header")
    "$host" render "$scratch/signal.wav" "$scratch/lv2-host-render.wav" --tempo 120 --tail 0 "${settings[@]}" \
        > "$scratch/lv2-host-render.log" 2>&1 ||
        { cat "$scratch/lv2-host-render.log"; echo "FAIL: parfelle-host render"; exit 1; }
    if "$python" "$here/stage_audio.py" match "$scratch/lv2-host-render.wav" "$scratch/lv2-out/export.wav"; then
        echo "PASS: Ardour's render through the LV2 plug-in equals parfelle-host's through the VST plug-in"
    else
        echo "FAIL: Ardour's LV2 render differs from parfelle-host's"
        failures=$((failures + 1))
    fi
fi

echo "Ardour stage: $((checks - failures)) of $checks checks passed in $((SECONDS - started)) s"
[ $failures -eq 0 ]
