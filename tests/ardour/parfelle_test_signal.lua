ardour {
	["type"]    = "dsp",
	name        = "Parfelle Test Signal",
	category    = "Utility",
	license     = "MIT",
	author      = "Parfelle tests",
	description = [[A known stereo signal, counted from this processor's first sample, so the plug-in after it sees the same input as a render of the same numbers.]]
}

function dsp_ioconfig ()
	return { { audio_in = 2, audio_out = 2 } }
end

local done = 0

-- Multiples of 1/65536 in -0.5 .. 0.5: exact as 32-bit floats everywhere.
function dsp_run (ins, outs, n_samples)
	for c = 1, #outs do
		local out = outs[c]:array ()
		for i = 1, n_samples do
			local k = done + i - 1
			out[i] = (((k * 1103515245 + 12345 * c) >> 8) & 0xffff) / 65536.0 - 0.5
		end
	end
	done = done + n_samples
end
