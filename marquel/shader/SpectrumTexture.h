#pragma once

#include <memory>

namespace Marquel::Audio {
class Spectrum;
}

namespace Marquel {

class System;

namespace Shader {

// The music's spectrum as a one-row texture, one texel a bin, the low notes at the left. It
// follows the demo clock, not the sound device, so a recording sees what playback shows.
class SpectrumTexture {
public:
    SpectrumTexture();
    ~SpectrumTexture();
    SpectrumTexture(const SpectrumTexture&) = delete;
    SpectrumTexture& operator=(const SpectrumTexture&) = delete;

    // Decodes the system's music, once; a music that does not decode is said once and the
    // texture stays black.
    void open(System& system);
    // The texture for demo time, made again only when the time moved; 0 when there is none.
    unsigned texture(float demoTime);
    static int width();
    // Lets go of the texture name after a lost context, without deleting it.
    void abandon() { id = 0; }
    // Deletes the texture while its context lives; the next frame makes it anew.
    void release();

private:
    std::unique_ptr<Audio::Spectrum> spectrum;
    bool tried = false;
    unsigned id = 0;
    float shownTime = -1;
};

} // namespace Shader
} // namespace Marquel
