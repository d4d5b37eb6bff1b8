-- Makes an Ardour session for the QUAR2 host check: a stereo bus carrying the test voice
-- generator and then QUAR2 (the VST3 or the VST 2.4 build), with the same settings in either,
-- and saves it. Prints the plug-in's latency as Ardour sees it right after inserting it.
-- Usage: ardour7-lua session.lua DIR NAME vst3|vst2
local dir, name, format = arg[1], arg[2], arg[3]
local ids = {
  vst3 = { "CCD26D83C4E349F181DE158F5FDB8009", ARDOUR.PluginType.VST3 },
  vst2 = { "1364541778", ARDOUR.PluginType.LXVST },
}
-- Normalised settings by parameter: Pull Up 12, Push Down -12, LF filter 80 Hz with the
-- side-chain filter on, attack 5 ms, emphasis 5, recovery -3, output +3 dB.
local settings = { [0] = 1.0, 0.375, 4 / 11, 0.6, 0.4, 0.7, 0.5, 0.575 }

AudioEngine:set_backend("None (Dummy)", "", "")
assert(create_session(dir, name, 44100), "no session")
local bus = Session:new_audio_route(2, 2, nil, 1, "Voice", ARDOUR.PresentationInfo.Flag.AudioBus,
                                    ARDOUR.PresentationInfo.max_order):front()
local voice = ARDOUR.LuaAPI.new_luaproc(Session, "QUAR2 test voice")
assert(not voice:isnil(), "no test voice generator")
bus:add_processor_by_index(voice, 0, nil, true)
local proc = ARDOUR.LuaAPI.new_plugin(Session, ids[format][1], ids[format][2], "")
assert(not proc:isnil(), "Ardour has no " .. format .. " QUAR2")
bus:add_processor_by_index(proc, 1, nil, true)
print("latency " .. proc:to_latent():effective_latency())
-- Ardour sets plug-in parameters in their plain range: the VST3 parameters' own, 0..1 for VST 2.4.
local plugin = proc:to_insert():plugin(0)
for index, value in pairs(settings) do
  local _, pd = plugin:get_parameter_descriptor(index, ARDOUR.ParameterDescriptor())
  local d = pd[2]
  ARDOUR.LuaAPI.set_processor_param(proc, index, d.lower + value * (d.upper - d.lower))
  print("parameter " .. index .. " " .. plugin:parameter_label(index))
end
Session:save_state("", false, false, false, false, false)
close_session()
print("saved")
