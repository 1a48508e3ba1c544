#include "marquel/shader/SpectrumTexture.h"

#include "marquel/System.h"
#include "marquel/shader/FrameCopy.h"
#include "sound/Spectrum.h"

#include <epoxy/gl.h>

#include <cstdio>
#include <stdexcept>

namespace Marquel {
namespace Shader {

SpectrumTexture::SpectrumTexture() = default;

SpectrumTexture::~SpectrumTexture() {
    release();
}

void SpectrumTexture::release() {
    // Nothing is called without a name: a texture released with its window has no context.
    if (id)
        glDeleteTextures(1, &id);
    id = 0;
}

int SpectrumTexture::width() {
    return Audio::Spectrum::BINS;
}

void SpectrumTexture::open(System& system) {
    if (tried)
        return;
    tried = true;
    try {
        // Without sound the player never read the music; the spectrum still wants it.
        Vx::File music = system.musicData;
        if (music.isNull() && !system.musicFile.empty())
            music = system.files.readFile(system.musicFile);
        if (music.isNull())
            throw std::runtime_error("there is no music file");
        spectrum = std::make_unique<Audio::Spectrum>(music->getChars(),
                                                     static_cast<size_t>(music->getSize()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "[Marquel] The shader's spectrum reads black: %s\n", e.what());
    }
}

unsigned SpectrumTexture::texture(float demoTime) {
    if (!spectrum)
        return 0;
    if (id && demoTime == shownTime)
        return id;
    float bins[Audio::Spectrum::BINS];
    spectrum->at(demoTime, bins);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    if (!id) {
        // One texel a band, read as it is: a band is not a blend of its neighbours.
        id = makeTexture(Audio::Spectrum::BINS, 1, bins, GL_LUMINANCE8, GL_LUMINANCE, GL_FLOAT,
                         false);
    } else {
        glBindTexture(GL_TEXTURE_2D, id);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, Audio::Spectrum::BINS, 1, GL_LUMINANCE, GL_FLOAT,
                        bins);
    }
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    shownTime = demoTime;
    return id;
}

} // namespace Shader
} // namespace Marquel
