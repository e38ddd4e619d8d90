-- One step of the Ardour stage, chosen by PARFELLE_STEP:
--   build:  a new session with a stereo bus holding the test signal and
--           Parfelle (the LV2 plug-in of URI PARFELLE_LV2 when set, else the
--           VST plug-in), the parameters of PARFELLE_PARAMS ("index=value ...",
--           normalised for VST, in units for LV2), a "Dry Level" ramp when
--           PARFELLE_RAMP is "from to seconds"; saved and closed.
--   export: the session loaded again; every parameter printed ("param INDEX
--           VALUE"); the master bus from 0 to PARFELLE_SECONDS exported as
--           32-bit float WAV to PARFELLE_OUT.
local function say (...)
	local t = {}
	for i = 1, select ("#", ...) do t[#t + 1] = tostring (select (i, ...)) end
	io.stdout:write (table.concat (t, " ") .. "\n")
	io.stdout:flush ()
end

local function fail (text)
	say ("stage error: " .. text)
	os.exit (1)
end

local step = os.getenv ("PARFELLE_STEP")
local folder = os.getenv ("PARFELLE_SESSION")
local name = "stage"

AudioEngine:set_backend ("None (Dummy)", "", "")

if step == "build" then
	if not create_session (folder, name, 48000) then fail ("no session") end
	local routes = Session:new_audio_route (2, 2, nil, 1, "Parfelle", ARDOUR.PresentationInfo.Flag.AudioBus,
	                                        ARDOUR.PresentationInfo.max_order)
	local bus = routes:front ()
	local signal = ARDOUR.LuaAPI.new_luaproc (Session, "Parfelle Test Signal")
	local fx
	if os.getenv ("PARFELLE_LV2") then
		fx = ARDOUR.LuaAPI.new_plugin (Session, os.getenv ("PARFELLE_LV2"), ARDOUR.PluginType.LV2, "")
	else
		fx = ARDOUR.LuaAPI.new_plugin (Session, "Parfelle", ARDOUR.PluginType.LXVST, "")
	end
	if signal:isnil () then fail ("no test signal processor") end
	if fx:isnil () then fail ("Parfelle not found (scan it first)") end
	bus:add_processor_by_index (signal, 0, nil, true)
	bus:add_processor_by_index (fx, 1, nil, true)
	-- The bus straight to the master: no panning.
	bus:panner_shell ():set_bypassed (true)
	for index, value in string.gmatch (os.getenv ("PARFELLE_PARAMS") or "", "(%d+)=([%d.]+)") do
		if not ARDOUR.LuaAPI.set_processor_param (fx, tonumber (index), tonumber (value)) then
			fail ("parameter " .. index .. " refused")
		end
	end
	local ramp = os.getenv ("PARFELLE_RAMP")
	if ramp and ramp ~= "" then
		local from, to, seconds = string.match (ramp, "([%d.]+) ([%d.]+) ([%d.]+)")
		local list, control = ARDOUR.LuaAPI.plugin_automation (fx, 2)
		if list:isnil () then fail ("no automation for Dry Level") end
		local rate = Session:nominal_sample_rate ()
		control:add (Temporal.timepos_t (0), tonumber (from), false, false)
		control:add (Temporal.timepos_t (math.floor (tonumber (seconds) * rate)), tonumber (to), false, false)
		local automated = fx:to_automatable ():automation_control (
			Evoral.Parameter (ARDOUR.AutomationType.PluginAutomation, 0, 2), false)
		if automated:isnil () then fail ("no Dry Level control") end
		automated:set_automation_state (ARDOUR.AutoState.Play)
		list = nil control = nil automated = nil
	end
	Session:save_state ("", false, false, false, false, false)
	say ("built")
	-- Lua must hold nothing of the session when it closes.
	routes = nil bus = nil signal = nil fx = nil
	collectgarbage ()
	close_session ()
elseif step == "export" then
	if not load_session (folder, name) then fail ("session did not load") end
	local bus = Session:route_by_name ("Parfelle")
	if bus:isnil () then fail ("no bus") end
	local fx = nil
	for i = 0, 3 do
		local p = bus:nth_plugin (i)
		if not p:isnil () and p:name () == "Parfelle" then fx = p end
	end
	if not fx then fail ("Parfelle is not on the bus") end
	for i = 0, 20 do
		local value = ARDOUR.LuaAPI.get_processor_param (fx, i)
		say (string.format ("param %d %.9g", i, value))
	end
	local rate = Session:nominal_sample_rate ()
	local export = Session:simple_export ()
	export:set_folder (os.getenv ("PARFELLE_OUT"))
	export:set_range (0, math.floor (tonumber (os.getenv ("PARFELLE_SECONDS")) * rate))
	if not export:set_preset ("0d5a1b2c-7e3f-4a9b-8c6d-5e4f3a2b1c0d") then fail ("no export preset") end
	if not export:run_export () then fail ("export failed") end
	say ("exported")
	export = nil bus = nil fx = nil p = nil
	collectgarbage ()
	close_session ()
else
	fail ("PARFELLE_STEP must be build or export")
end
