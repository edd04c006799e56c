-- Builds, renders and reloads the Ardour sessions of the DAW test. Run by Ardour's
-- headless Lua interpreter (Dummy audio backend):
--
--   ardour7-lua session.lua discover SESSION-DIR PLUGIN-FILE-OR-URI
--   ardour7-lua session.lua create SESSION-DIR NAME SCENARIO
--   ardour7-lua session.lua render SESSION-DIR NAME
--
-- Scenarios of create:
--   play    default settings; renders "play"; not saved
--   edit    Fantasy, then an Attack and a Vibrato edit, Volume, Balance and Tempo;
--           renders "before", then saves
--   insert  saves right after inserting the plug-in, before any block can have run
--   program a region whose MIDI program change (Violin, at 0.25 s) the plug-in
--           plays; renders "before", then saves with the transport stopped
--   automation  Program in Write and Sound in Touch mode, the transport rolled over the
--           region's program change and stopped; saves
--   roll    the transport rolled over the region's program change and stopped, then
--           about 3 s with no call into the plug-in, as with no plug-in window open;
--           saves (marks "roll", "stopped" and "save" tell when each step began)
--   preset  the host's preset "Violin" chosen from the plug-in's preset list, then an
--           Attack edit; renders "before", then saves
--
-- ZINTRA_PLUGIN_TYPE chooses the plug-in's format: LXVST (the default) or LV2.
-- render loads a saved session and renders it as "after" without saving.
--
-- Every session holds one MIDI track with the plug-in and one region: C4 from 0.5 s
-- to 2.5 s, then controllers 80 = 4 (rhythm pattern) and 81 = 0 (start) at 3.0 s,
-- on MIDI channel 1, in an 8-second session at 48 kHz (120 bpm: a beat is 0.5 s).
-- Results are printed as lines that start with "ZINTRA ".

io.stdout:setvbuf("no")

local RATE = 48000
local SECONDS = 8
local TICKS_PER_BEAT = 1920

-- Parameter indexes of the plug-in.
local PROGRAM, VOLUME, BALANCE, SOUND, ATTACK, VIBRATO, TEMPO = 0, 2, 3, 6, 7, 12, 14
-- The MIDI program (Violin) of the region's program change, by scenario.
local REGION_PROGRAM = {program = 2, automation = 2, roll = 2}
local PLUGIN_TYPE = ARDOUR.PluginType[os.getenv("ZINTRA_PLUGIN_TYPE") or "LXVST"]
assert(PLUGIN_TYPE, "unknown plug-in type " .. tostring(os.getenv("ZINTRA_PLUGIN_TYPE")))

local function report(...)
    print("ZINTRA " .. table.concat({...}, " "))
end

local function waitForBlocks(count)
    assert(ARDOUR.LuaAPI.wait_for_process_callback(count, 5000), "the engine does not process")
end

-- Ardour's objects must be gone before their session: Lua references that outlive
-- close_session() make Ardour 7.3 read freed memory when they are collected.
local function closeSession()
    collectgarbage()
    close_session()
end

-- Lists, in a new empty session, what Ardour knows of the plug-in: a VST 2 plug-in
-- by its file, an LV2 plug-in by its URI.
local function discover(dir, pluginFileOrUri)
    assert(create_session(dir, "discover", RATE), "cannot create the session " .. dir)
    for p in ARDOUR.LuaAPI.list_plugins():iter() do
        if p.type == PLUGIN_TYPE and (p.path == pluginFileOrUri or p.unique_id == pluginFileOrUri) then
            report("plugin", "type=" .. ARDOUR.PluginType.name(p.type), "name=" .. p.name,
                   "maker=" .. p.creator, "category=" .. (p.category:gsub(" ", "_")),
                   "audio_inputs=" .. p.n_inputs:n_audio(), "audio_outputs=" .. p.n_outputs:n_audio(),
                   "midi_inputs=" .. p.n_inputs:n_midi(), "instrument=" .. tostring(p:is_instrument()))
        end
    end
    closeSession()
end

-- A MIDI track without instrument; the plug-in comes later. Ardour 7.3 aborts now
-- and then ("Port already exists: Zintra/audio_out 1") when an instrument joins a
-- track, with new_midi_track or add_processor_by_index, before the engine has run a
-- few cycles with the new track; so wait for them.
local function newTrack()
    local tracks = Session:new_midi_track(ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1),
        ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2), true, ARDOUR.PluginInfo(), nil, nil, 1, "Zintra",
        ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
    waitForBlocks(8)
    for track in tracks:iter() do
        return track
    end
    error("no track created")
end

local function addController(region, beat, controller, value)
    local list = region:control(Evoral.Parameter(ARDOUR.AutomationType.MidiCCAutomation, 0, controller), true):list()
    list:set_interpolation(Evoral.InterpolationStyle.Discrete)
    list:add(Temporal.timepos_t.from_ticks(beat * TICKS_PER_BEAT), value, false, false)
end

-- Ardour 7's Lua has no call that makes a MIDI region, so bounce the still empty
-- MIDI track into a short one, write the notes into its model, place it, and
-- lengthen it. Lengthening creates the session range, which is then set to the
-- whole 8 seconds, so that ardour7-export renders a kept session as the test does.
-- The region's MIDI program change, at beat 0.5 (0.25 s).
local function addProgramChange(region, program)
    local parameter = Evoral.Parameter(ARDOUR.AutomationType.MidiPgmChangeAutomation, 0, 0)
    local list = region:control(parameter, true):list()
    list:set_interpolation(Evoral.InterpolationStyle.Discrete)
    list:add(Temporal.timepos_t.from_ticks(TICKS_PER_BEAT // 2), program, false, false)
end

local function addRegion(track, program)
    local region = track:bounce_range(0, RATE, ARDOUR.InterThreadInfo(), ARDOUR.LuaAPI.nil_proc(), false, "notes")
    assert(not region:isnil() and region:data_type():to_string() == "midi", "no MIDI region")
    local model = region:to_midiregion():model()
    local notes = model:new_note_diff_command("C4")
    notes:add(ARDOUR.LuaAPI.new_noteptr(0, Temporal.Beats(1, 0), Temporal.Beats(4, 0), 60, 100))
    model:apply_command(Session, notes)
    addController(region, 6, 80, 4)
    addController(region, 6, 81, 0)
    if program then
        addProgramChange(region, program)
    end
    track:playlist():add_region(region, Temporal.timepos_t(0), 1, false)
    for placed in track:playlist():region_list():iter() do
        placed:set_length(Temporal.timecnt_t(RATE * SECONDS))
    end
    local range = Session:locations():session_range_location()
    assert(range, "no session range")
    range:set(Temporal.timepos_t(0), Temporal.timepos_t(RATE * SECONDS))
end

local function addZintra(track)
    local processor = ARDOUR.LuaAPI.new_plugin(Session, "Zintra", PLUGIN_TYPE, "")
    assert(not processor:isnil(), "cannot instantiate Zintra")
    assert(track:add_processor_by_index(processor, 0, nil, true) == 0, "cannot insert Zintra")
    return processor
end

local function reportParameters(processor)
    for index = 0, 14 do
        report("param", index, string.format("%.6f", ARDOUR.LuaAPI.get_processor_param(processor, index)))
    end
end

-- Renders the whole session through the track's plug-in, as Ardour's "bounce with
-- processing" does, into two mono float WAV files in the session folder. The bounce
-- runs in this thread while Ardour holds its process thread back, which has proved
-- sturdier in Ardour 7.3 than a freewheeling export.
local function render(track, name)
    local region = track:bounce_range(0, RATE * SECONDS, ARDOUR.InterThreadInfo(), track:the_instrument(), true, name)
    assert(not region:isnil() and region:data_type():to_string() == "audio", "the bounce made no audio")
    report("rendered", region:source(0):to_filesource():path(), region:source(1):to_filesource():path())
end

local function save()
    assert(Session:save_state("", false, false, false, false, false) == 0, "cannot save the session")
    report("saved")
end

-- The plug-in's control of a parameter, as Ardour's generic controls show it.
local function control(processor, index)
    local parameter = Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, index)
    return processor:to_automatable():automation_control(parameter, false)
end

-- A request of Ardour's user-interface thread to the plug-in (a parameter's
-- properties, which Ardour asks through the dispatcher), as its plug-in windows make
-- them all the time; headless Ardour makes none by itself.
local function hostRequest(processor)
    processor:to_insert():plugin(0):get_parameter_descriptor(PROGRAM, ARDOUR.ParameterDescriptor())
end

local scenarios = {}

function scenarios.play(track)
    local zintra = addZintra(track)
    waitForBlocks(4)
    reportParameters(zintra)
    render(track, "play")
end

-- As a musician does it: choose the program, then edit its sound and the mix.
function scenarios.edit(track)
    local zintra = addZintra(track)
    waitForBlocks(4)
    ARDOUR.LuaAPI.set_processor_param(zintra, PROGRAM, 0.2) -- Fantasy
    waitForBlocks(4)
    ARDOUR.LuaAPI.set_processor_param(zintra, ATTACK, 0.5)
    ARDOUR.LuaAPI.set_processor_param(zintra, VIBRATO, 0.0)
    ARDOUR.LuaAPI.set_processor_param(zintra, VOLUME, 0.6)
    ARDOUR.LuaAPI.set_processor_param(zintra, BALANCE, 0.7)
    ARDOUR.LuaAPI.set_processor_param(zintra, TEMPO, 0.3)
    waitForBlocks(4)
    reportParameters(zintra)
    render(track, "before")
    save()
end

function scenarios.insert(track)
    addZintra(track)
    save()
end

-- A program change by MIDI, played in the bounce; saved once the engine has run a
-- few cycles with the transport stopped, as a musician saves after playing.
function scenarios.program(track)
    local zintra = addZintra(track)
    waitForBlocks(4)
    render(track, "before")
    waitForBlocks(4)
    reportParameters(zintra)
    save()
end

-- Rolls the transport in real time past the region's program change (at 0.25 s) and
-- stops it; `during`, when given, runs after every few blocks meanwhile.
local function rollPastTheProgramChange(during)
    Session:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
    for _ = 1, 200 do
        waitForBlocks(8)
        if during then
            during()
        end
        if Session:transport_sample() > RATE then
            break
        end
    end
    assert(Session:transport_sample() > RATE, "the transport did not roll")
    Session:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
    for _ = 1, 100 do
        waitForBlocks(8)
        if during then
            during()
        end
        if not Session:transport_rolling() then
            break
        end
    end
    assert(not Session:transport_rolling(), "the transport did not stop")
end

-- Ardour records a control in Write mode all the while the transport rolls, and in
-- Touch mode while it is touched; the plug-in's own program change must not be in
-- either list.
function scenarios.automation(track)
    local zintra = addZintra(track)
    waitForBlocks(4)
    control(zintra, PROGRAM):set_automation_state(ARDOUR.AutoState.Write)
    control(zintra, SOUND):set_automation_state(ARDOUR.AutoState.Touch)
    rollPastTheProgramChange(function() hostRequest(zintra) end)
    waitForBlocks(16)
    hostRequest(zintra)
    report("rolled", Session:transport_sample())
    reportParameters(zintra)
    save()
end

-- The program change played, then nothing asks the plug-in anything until the save:
-- headless Ardour, like Ardour with no plug-in window open, calls it only from its
-- process thread meanwhile (150 blocks of 1024 frames, about 3 s). Reading the
-- values (getParameter) is no request.
function scenarios.roll(track)
    local zintra = addZintra(track)
    waitForBlocks(4)
    report("mark", "roll")
    rollPastTheProgramChange()
    report("mark", "stopped")
    waitForBlocks(150)
    reportParameters(zintra)
    report("mark", "save")
    save()
end

-- A program chosen as a musician does in a host that lists the plug-in's presets.
function scenarios.preset(track)
    local zintra = addZintra(track)
    waitForBlocks(4)
    local plugin = zintra:to_insert():plugin(0)
    local violin = plugin:preset_by_label("Violin")
    assert(violin, "the plug-in lists no preset Violin")
    assert(plugin:load_preset(violin), "cannot load the preset Violin")
    waitForBlocks(4)
    ARDOUR.LuaAPI.set_processor_param(zintra, ATTACK, 0.5)
    waitForBlocks(4)
    reportParameters(zintra)
    render(track, "before")
    save()
end

local function create(dir, name, scenario)
    local run = assert(scenarios[scenario], "unknown scenario " .. tostring(scenario))
    assert(create_session(dir, name, RATE), "cannot create the session " .. dir)
    assert(Session:nominal_sample_rate() == RATE, "the session does not run at 48 kHz")
    local track = newTrack()
    addRegion(track, REGION_PROGRAM[scenario])
    run(track)
    track = nil
    closeSession()
end

local function renderSaved(dir, name)
    assert(load_session(dir, name), "cannot load the session " .. dir)
    local track = Session:route_by_name("Zintra"):to_track()
    assert(not track:isnil(), "no track Zintra")
    assert(not track:the_instrument():isnil(), "no instrument on the track")
    waitForBlocks(4)
    reportParameters(track:the_instrument())
    render(track, "after")
    track = nil
    closeSession()
end

local command = arg[1]
if command == "discover" then
    discover(arg[2], arg[3])
elseif command == "create" then
    create(arg[2], arg[3], arg[4])
elseif command == "render" then
    renderSaved(arg[2], arg[3])
else
    error("unknown command " .. tostring(command))
end
report("done")
