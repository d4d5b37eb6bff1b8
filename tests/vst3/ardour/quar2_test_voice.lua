ardour {
	["type"]    = "dsp",
	name        = "QUAR2 test voice",
	category    = "Utility",
	license     = "MIT",
	author      = "Tessel Audio",
	description = [[A speech-like test signal that depends only on the transport position: phrases at very different levels with pauses, silent while the transport stands]]
}

function dsp_ioconfig ()
	return { { audio_in = 2, audio_out = 2 } }
end

local rate = 44100
function dsp_init (r) rate = r end

-- Level of each half second, in turn: loud, quiet, medium, far, pause, ...
local levels = { 0.5, 0.03, 0.2, 0.008, 0.0, 0.35, 0.05, 0.0 }

function dsp_run (ins, outs, n_samples)
	local a, b = outs[1]:array (), outs[2]:array ()
	local rolling = Session:transport_rolling ()
	local start = Session:transport_sample ()
	for s = 1, n_samples do
		local v = 0
		if rolling then
			local t = (start + s - 1) / rate
			local level = levels[(math.floor (t * 2) % #levels) + 1]
			local syllable = 0.5 + 0.5 * math.sin (2 * math.pi * 4 * t)
			v = level * syllable * (0.6 * math.sin (2 * math.pi * 150 * t) + 0.3 * math.sin (2 * math.pi * 450 * t) + 0.1 * math.sin (2 * math.pi * 1200 * t))
		end
		a[s] = v
		b[s] = 0.8 * v
	end
end
