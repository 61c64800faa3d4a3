-- One step of ardour_test.sh in Ardour's headless Lua session tool, on the
-- dummy audio engine (no sound card):
--   ardour7-lua ardour_session.lua create DIR   a new session DIR/s with a track
--       "T" holding Kestrelon; a second of the dummy engine's impulses is
--       recorded on it, the preset "big editor" goes through the plug-in's
--       state restore, Attack is set to 6.5, the session is saved
--   ardour7-lua ardour_session.lua reopen DIR   opens DIR/s in a new process
--       and has the plug-in save its state as the user preset "reopened"
-- Both print what Ardour sees; the shell script judges it.
local mode, dir = arg[1], arg[2]
local engine = AudioEngine:set_backend("None (Dummy)", "", "")
engine:set_sample_rate(44100)
engine:set_device_name("Impulses")  -- what every input records
assert(AudioEngine:start(false) == 0, "the dummy engine did not start")

-- Rolls the transport for a second with the track armed, and waits for the
-- take to land on the track's playlist.
local function record(track)
  track:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup)
  Session:maybe_enable_record(false)
  Session:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
  ARDOUR.LuaAPI.usleep(1000000)
  Session:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
  for _ = 1, 1000 do
    if not Session:transport_rolling() and track:playlist():n_regions() > 0 then
      return
    end
    ARDOUR.LuaAPI.usleep(10000)
  end
  error("no take was recorded")
end

local insert
if mode == "create" then
  assert(create_session(dir, "s", 44100), "no new session in " .. dir)
  local track = Session:new_audio_track(2, 2, nil, 1, "T", ARDOUR.PresentationInfo.max_order,
                                        ARDOUR.TrackMode.Normal, true):front()
  insert = ARDOUR.LuaAPI.new_plugin(Session, "urn:lumenpathway:kestrelon", ARDOUR.PluginType.LV2, "")
  assert(not insert:isnil(), "Ardour does not know Kestrelon")
  assert(track:add_processor_by_index(insert, 0, nil, true) == 0, "Kestrelon did not go on the track")
  record(track)
  local plugin = insert:to_insert():plugin(0)
  local preset = plugin:preset_by_label("big editor")
  assert(preset and plugin:load_preset(preset), "the preset did not load")
  ARDOUR.LuaAPI.set_processor_param(insert, 0, 6.5)
else
  assert(load_session(dir, "s"), "the session in " .. dir .. " did not open")
  insert = Session:route_by_name("T"):nth_plugin(0)
  assert(not insert:isnil(), "the reopened track holds no plug-in")
end

local plugin = insert:to_insert():plugin(0)
local names = {}
for i = 0, plugin:parameter_count() - 1 do
  if plugin:parameter_is_input(i) and plugin:parameter_is_control(i) then
    names[#names + 1] = plugin:parameter_label(i)
  end
end
print("parameters: " .. table.concat(names, ", "))
print("latency: " .. insert:to_insert():signal_latency())
print("attack: " .. ARDOUR.LuaAPI.get_processor_param(insert, 0, true))

if mode == "create" then
  Session:save_state("", false, false, false, false, false)
else
  assert(plugin:save_preset("reopened"), "the preset was not saved")
end
close_session()
