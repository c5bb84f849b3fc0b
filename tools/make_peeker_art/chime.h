// The sound the About box plays as it closes: a soft two-note chime, rising a
// fifth, as an 8-bit mono 11025 Hz PCM wave file.
#pragma once

#include <string>

const int kChimeRate = 11025;
const int kChimeSamples = 4938;

std::string ChimeWaveFile();
