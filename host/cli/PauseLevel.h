#pragma once
// How loud the pauses are against the speech: the room's story a levelled file tells without
// listening. Over the K-weighted loudness of 100 ms windows: the pauses are the median of the
// quietest 15 % of the windows, the speech the median of the loudest half. Windows this short
// fit inside the short pauses between sentences (400 ms blocks would mostly straddle a pause and
// a word), and the loudest half holds quiet sentences as well as loud ones where a gate relative
// to the integrated loudness would leave the quiet ones of a recording with level swings out.
// The answer is the difference in LU (dB), negative when the pauses are quieter: about -22 for a
// voice at a desk in a quiet room; a leveller that lifts the room brings it closer to 0.

#include <vector>

// NaN when there is no speech to measure against (fewer than two blocks, or silence).
double pausesBelowSpeech(const std::vector<float>& windowLufs, double integratedLufs);
