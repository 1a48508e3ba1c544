#pragma once

#include "sound/Onsets.h"

#include <vector>

namespace Marquel::Audio {

// The tempo from 60 to 200 bpm that best explains the onsets: the periodicity of the flux
// (frameRate values a second) picks it, then the onsets that fall on its beats fix its
// period and phase. firstBeat is its first beat from an eighth of a beat before 0. bpm 0
// when fewer than four onsets fall on any beat.
Tempo estimateTempo(const std::vector<float>& flux, double frameRate,
                    const std::vector<Onsets::Onset>& onsets);

} // namespace Marquel::Audio
