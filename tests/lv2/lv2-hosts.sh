#!/usr/bin/env bash
# The LV2 bundle in Debian's LV2 tools:
#   1. its data is valid against the LV2 schemas (sord_validate);
#   2. lv2info lists every port with the name, range, default, properties and
#      scale points of its row in the parameter table;
#   3. lv2apply renders through it exactly what parfelle-host renders through
#      the VST plug-in for the same input and settings: the defaults, and
#      settings that change every part of the sound (host tempo on, which
#      without a transport falls back to the delay time in both).
# lv2apply runs one frame per call, parfelle-host 512: the settings leave the
# LFO still, so the sound does not depend on the block size.
#
# Usage: lv2-hosts.sh BUNDLE PARFELLE-HOST PYTHON PARAMETER-HEADER SCRATCH
set -euo pipefail

bundle=$1
host=$2
python=$3
header=$4
scratch=$5
here=$(cd "$(dirname "$0")" && pwd)
uri=https://www.haldrane.com/parfelle
check="$python $here/lv2_check.py"

for tool in sord_validate lv2info lv2apply; do
    command -v $tool >/dev/null || { echo "$tool is missing (tools/install-deps.sh installs it)"; exit 1; }
done

rm -rf "$scratch"
mkdir -p "$scratch/lv2"
ln -s "$bundle" "$scratch/lv2/Parfelle.lv2"
export LV2_PATH=$scratch/lv2
failures=0
pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# 1. The schemas are the data of the installed bundles that hold no binary:
# the LV2 vocabularies themselves, not plug-ins.
schemas=()
for vocabulary in /usr/lib/lv2/*.lv2; do
    compgen -G "$vocabulary/*.so" >/dev/null || schemas+=("$vocabulary"/*.ttl)
done
[ ${#schemas[@]} -gt 20 ] || { echo "LV2 schemas not found under /usr/lib/lv2 (package lv2-dev)"; exit 1; }
if sord_validate "${schemas[@]}" "$bundle"/*.ttl > "$scratch/validate.log" 2>&1 &&
    grep -q "Found 0 errors" "$scratch/validate.log" && ! grep -qi "warning" "$scratch/validate.log"; then
    pass "$(tail -n 1 "$scratch/validate.log")"
else
    cat "$scratch/validate.log"
    fail "sord_validate found faults in the bundle's data"
fi

# 2. Ports against the table.
lv2info "$uri" > "$scratch/lv2info.txt" 2>&1 || { cat "$scratch/lv2info.txt"; echo "FAIL: lv2info"; exit 1; }
if $check ports "$header" "$scratch/lv2info.txt"; then pass "lv2info's ports match the parameter table"
else fail "lv2info's ports differ from the parameter table"; fi
presets=$(grep -c "^	         [0-9] Defaults" "$scratch/lv2info.txt" || true)
if [ "$presets" -eq 8 ]; then pass "8 presets"; else fail "$presets presets listed, not 8"; fi

# 3. Renders.
"$python" "$here/../ardour/stage_audio.py" signal "$scratch/in.wav" 4
render() {  # NAME SYMBOL=UNITS...
    local name=$1
    shift
    local -a lv2_args=() vst_args=()
    local setting
    for setting in "$@"; do lv2_args+=(-c "${setting%%=*}" "${setting#*=}"); done
    [ $# -eq 0 ] || mapfile -t vst_args < <($check normalised "$header" "$@")
    lv2apply -i "$scratch/in.wav" -o "$scratch/$name-lv2.wav" "${lv2_args[@]}" "$uri" > "$scratch/$name-lv2.log" 2>&1 ||
        { cat "$scratch/$name-lv2.log"; fail "lv2apply ($name)"; return; }
    "$host" render "$scratch/in.wav" "$scratch/$name-vst.wav" --tail 0 "${vst_args[@]}" > "$scratch/$name-vst.log" 2>&1 ||
        { cat "$scratch/$name-vst.log"; fail "parfelle-host render ($name)"; return; }
    if $check same "$scratch/$name-lv2.wav" "$scratch/$name-vst.wav"; then pass "lv2apply equals parfelle-host ($name)"
    else fail "lv2apply differs from parfelle-host ($name)"; fi
}
render defaults
render changed delay_time=0.3 feedback=85 dry_level=0.6 effect_level=0.9 host_tempo=1 beats=3 beat_divisor=3 \
    filter_cutoff=1800 filter_q=0.35 filter_type=2.5 saturation_amount=4.5 saturation_shape=0.25 \
    filter_lfo_speed=3 lfo_host_tempo=1 lfo_beats=7

echo "LV2 hosts: $failures failed"
[ $failures -eq 0 ]
