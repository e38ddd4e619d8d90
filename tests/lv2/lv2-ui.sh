#!/usr/bin/env bash
# The LV2 editor in Debian's GTK LV2 host, on a private X server and JACK
# server of its own:
#   1. without instance-access or a parent window the UI refuses (the host
#      then shows its own controls), with both it opens, and the idle
#      interface is offered;
#   2. in the host the editor's panel is drawn at the editor's size;
#   3. a drag on the Dry knob reaches the host: the start value the host
#      gave the port, moved by the drag, is what the host saves as the
#      port's value;
#   4. the host quits cleanly with the editor open.
#
# Usage: lv2-ui.sh BUNDLE PYTHON SCRATCH-FOLDER
set -euo pipefail

bundle=$1
python=$2
scratch=$3
started=$SECONDS
uri=https://www.haldrane.com/parfelle

for tool in jalv.gtk3 jackd jack_wait Xvfb xwininfo xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (tools/install-deps.sh installs it)"; exit 1; }
done
[ -f "$bundle/Parfelle_lv2.so" ] || { echo "FAIL: no module in $bundle"; exit 1; }

rm -rf "$scratch"
mkdir -p "$scratch/lv2" "$scratch/home"
ln -s "$(cd "$bundle" && pwd)" "$scratch/lv2/Parfelle.lv2"

xvfb_pid="" jackd_pid="" jalv_pid=""
stop() {
    local pid
    for pid in "$jalv_pid" "$jackd_pid" "$xvfb_pid"; do
        [ -n "$pid" ] || continue
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}
trap stop EXIT

failures=0
pass() { echo "PASS: $*"; }
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# A private X server. The host's settings and the editor's preferences stay
# in the scratch folder.
display_file=$scratch/xvfb.display
: > "$display_file"
Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1280x1024x24 3> "$display_file" > "$scratch/xvfb.log" 2>&1 < /dev/null &
xvfb_pid=$!
for _ in $(seq 100); do
    grep -q '^[0-9][0-9]*$' "$display_file" && break
    kill -0 "$xvfb_pid" 2> /dev/null || break
    sleep 0.1
done
display_no=$(head -n1 "$display_file")
[[ $display_no =~ ^[0-9]+$ ]] || { cat "$scratch/xvfb.log"; echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=:$display_no LIBGL_ALWAYS_SOFTWARE=1 HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/config
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 LV2_PATH=$scratch/lv2
# 1. The refusals, through the module's own entry points, with a real
# window where one is given.
root=$(xwininfo -root | awk '/Window id:/ { print $4 }')
if "$python" - "$bundle/Parfelle_lv2.so" "$bundle" "$uri" "$root" <<'EOF'; then pass "the UI opens only with instance-access and a parent"; else fail "the UI's refusals"; fi
import ctypes as c, sys

module, bundle, uri = sys.argv[1], sys.argv[2].encode(), sys.argv[3].encode()
root = int(sys.argv[4], 16)

class Feature(c.Structure):
    _fields_ = [("URI", c.c_char_p), ("data", c.c_void_p)]

Features = c.POINTER(c.POINTER(Feature))
PluginInstantiate = c.CFUNCTYPE(c.c_void_p, c.c_void_p, c.c_double, c.c_char_p, Features)
PluginCleanup = c.CFUNCTYPE(None, c.c_void_p)
Write = c.CFUNCTYPE(None, c.c_void_p, c.c_uint32, c.c_uint32, c.c_uint32, c.c_void_p)
UiInstantiate = c.CFUNCTYPE(c.c_void_p, c.c_void_p, c.c_char_p, c.c_char_p, Write, c.c_void_p,
                            c.POINTER(c.c_void_p), Features)
ExtensionData = c.CFUNCTYPE(c.c_void_p, c.c_char_p)
UiCleanup = c.CFUNCTYPE(None, c.c_void_p)

class Plugin(c.Structure):
    _fields_ = [("URI", c.c_char_p), ("instantiate", PluginInstantiate), ("connect_port", c.c_void_p),
                ("activate", c.c_void_p), ("run", c.c_void_p), ("deactivate", c.c_void_p),
                ("cleanup", PluginCleanup), ("extension_data", c.c_void_p)]

class Ui(c.Structure):
    _fields_ = [("URI", c.c_char_p), ("instantiate", UiInstantiate), ("cleanup", UiCleanup),
                ("port_event", c.c_void_p), ("extension_data", ExtensionData)]

def features(*pairs):
    items = [c.pointer(Feature(name, data)) for name, data in pairs]
    array = (c.POINTER(Feature) * (len(items) + 1))(*items)
    return c.cast(array, Features)

lib = c.CDLL(module)
lib.lv2_descriptor.restype = c.POINTER(Plugin)
lib.lv2ui_descriptor.restype = c.POINTER(Ui)
plugin = lib.lv2_descriptor(0).contents
ui_pointer = lib.lv2ui_descriptor(0)
ui = ui_pointer.contents
ok = not lib.lv2ui_descriptor(1)

instance = plugin.instantiate(lib.lv2_descriptor(0), 48000.0, bundle, features())
ok = ok and bool(instance)
no_write = Write()
instance_access = (b"http://lv2plug.in/ns/ext/instance-access", instance)
parent = (b"http://lv2plug.in/ns/extensions/ui#parent", root)
cases = [
    ("no features", uri, features()),
    ("no parent", uri, features(instance_access)),
    ("no instance", uri, features(parent)),
    ("another plug-in's URI", b"urn:elsewhere", features(instance_access, parent)),
]
for what, plugin_uri, given in cases:
    widget = c.c_void_p(0)
    handle = ui.instantiate(ui_pointer, plugin_uri, bundle, no_write, None, c.byref(widget), given)
    if handle:
        print("a UI was made with", what)
        ok = False
# Both given: the editor's own window is the widget.
widget = c.c_void_p(0)
handle = ui.instantiate(ui_pointer, uri, bundle, no_write, None, c.byref(widget), features(instance_access, parent))
if not handle or not widget.value or widget.value == root:
    print("no UI with instance-access and a parent")
    ok = False
if handle:
    ui.cleanup(handle)
# The GTK host pumps the editor only through the idle interface.
if not ui.extension_data(b"http://lv2plug.in/ns/extensions/ui#idleInterface"):
    print("no idle interface")
    ok = False
if ui.extension_data(b"urn:elsewhere"):
    print("extension data for an unknown URI")
    ok = False
plugin.cleanup(instance)
sys.exit(0 if ok else 1)
EOF

# 2. The host with the editor.
# A server of our own name; clients never start one by themselves.
export JACK_DEFAULT_SERVER=parfelle-lv2-ui-$$ JACK_NO_START_SERVER=1
jackd -n "$JACK_DEFAULT_SERVER" --no-realtime -d dummy -r 48000 -p 512 > "$scratch/jackd.log" 2>&1 < /dev/null &
jackd_pid=$!
jack_wait -w -t 20 > /dev/null 2>&1 || { cat "$scratch/jackd.log"; echo "FAIL: jackd did not start"; exit 1; }

# The start value reaches the knob through the running effect.
jalv.gtk3 -c dry_level=0.25 "$uri" > "$scratch/jalv.out" 2> "$scratch/jalv.err" < /dev/null &
jalv_pid=$!

# wait_for SECONDS COMMAND...: polls until the command succeeds.
wait_for() {
    local tries=$(($1 * 10))
    shift
    while ! "$@" 2> /dev/null; do
        kill -0 "$jalv_pid" 2> /dev/null || { cat "$scratch/jalv.err"; echo "FAIL: the host ended"; exit 1; }
        tries=$((tries - 1))
        [ $tries -gt 0 ] || return 1
        sleep 0.1
    done
}

top_window() { xdotool search --onlyvisible --name '^Parfelle$' | head -n1 | grep -q .; }
wait_for 30 top_window || { cat "$scratch/jalv.err"; echo "FAIL: the host's window did not appear"; exit 1; }
top=$(xdotool search --onlyvisible --name '^Parfelle$' | head -n1)
# The editor's window is the innermost one of its size in the host's tree.
editor=$(xwininfo -tree -id "$top" | awk '/ 770x315\+/ { id = $1 } END { print id }')
[ -n "$editor" ] || { xwininfo -tree -id "$top"; echo "FAIL: no 770 x 315 editor window in the host's"; exit 1; }
pass "the editor's window is 770 x 315 inside the host's"
editor_x=$(xwininfo -id "$editor" | awk '/Absolute upper-left X/ { print $NF }')
editor_y=$(xwininfo -id "$editor" | awk '/Absolute upper-left Y/ { print $NF }')

# probe_panel: the editor's picture against places of the panel (the same
# places the VST editor's screenshot test reads, y counted up from the
# panel's bottom edge: between the groups, under them, right of the
# waveform, the status band and just under it); says what differs.
probe_panel() {
    import -window root -crop "770x315+$editor_x+$editor_y" +repage "$scratch/editor.png" || return 1
    local place x y want got wrong=0
    for place in "111 40 51,51,0" "220 40 51,51,0" "461 40 51,51,0" "300 72 51,51,0" "300 4 51,51,0" \
        "764 200 51,51,0" "30 292 69,69,23" "30 286 51,51,0"; do
        read -r x y want <<< "$place"
        got=$(convert "$scratch/editor.png" -format \
            "%[fx:round(255*p{$x,$((314 - y))}.r)],%[fx:round(255*p{$x,$((314 - y))}.g)],%[fx:round(255*p{$x,$((314 - y))}.b)]" info:)
        if ! awk -v got="$got" -v want="$want" 'BEGIN { split(got, g, ","); split(want, w, ",")
                for (i = 1; i <= 3; ++i) if (g[i] - w[i] > 2 || w[i] - g[i] > 2) exit 1 }'; then
            echo "($x, $y) is $got, not $want"
            wrong=1
        fi
    done
    return $wrong
}
if wait_for 30 probe_panel > /dev/null; then
    pass "the panel is drawn in the host"
else
    probe_panel || true
    fail "the panel is not drawn in the host (last picture: $scratch/editor.png)"
fi

# 3. The Dry knob's centre, 40 pixels up at 0.005 per pixel: 0.25 + 0.2.
knob_x=$((editor_x + 145)) knob_y=$((editor_y + 275))
xdotool mousemove "$knob_x" "$knob_y" mousedown 1
for step in 1 2 3 4; do xdotool mousemove "$knob_x" $((knob_y - 10 * step)); done
xdotool mouseup 1

# The host says what it holds for each port in the state it saves: Ctrl+S,
# a folder's name, Return (again once the name's completion list closes).
# The drag's writes reach the port within a few idle calls and audio
# blocks, long before the name is typed.
xdotool windowfocus --sync "$top" key ctrl+s
save_dialog() { xdotool search --onlyvisible --name '^Save State$' | head -n1 | grep -q .; }
wait_for 20 save_dialog || { echo "FAIL: the host's save dialog did not open"; exit 1; }
xdotool windowfocus --sync "$(xdotool search --onlyvisible --name '^Save State$' | head -n1)"
xdotool type --delay 10 "$scratch/saved"
saved() { [ -s "$scratch/saved/state.ttl" ] && [ -s "$scratch/saved/manifest.ttl" ]; }
for _ in 1 2 3 4 5; do
    xdotool key Return
    ! wait_for 2 saved || break
done
if saved; then
    dry=$(awk '/lv2:symbol "dry_level"/ { found = 1; next } found && /pset:value/ { print $2; exit }' \
        "$scratch/saved/state.ttl")
    if awk -v v="$dry" 'BEGIN { exit !(v > 0.449 && v < 0.451) }'; then
        pass "the drag reached the host: Dry Level $dry"
    else
        fail "the host holds Dry Level '${dry}' after the drag, not 0.45"
    fi
else
    fail "the host saved no state"
fi

# 4. Quit from the host's menu, the editor open.
xdotool windowfocus --sync "$top" key ctrl+q
for _ in $(seq 100); do
    kill -0 "$jalv_pid" 2> /dev/null || break
    sleep 0.1
done
if kill -0 "$jalv_pid" 2> /dev/null; then
    fail "the host did not quit"
else
    set +e
    wait "$jalv_pid"
    status=$?
    set -e
    jalv_pid=""
    if [ $status -eq 0 ]; then pass "the host quit"; else fail "the host ended with status $status"; fi
fi

echo "$((SECONDS - started)) s"
if [ $failures -ne 0 ]; then
    grep -v dconf "$scratch/jalv.err" | grep . || true
    exit 1
fi
