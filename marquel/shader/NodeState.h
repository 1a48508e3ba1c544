#pragma once

#include "marquel/shader/ShaderProgram.h"
#include "vorlik/TextureRef.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace Marquel {
namespace Shader {

struct ShaderFile;

// Where a sampler's picture comes from.
enum class TextureKind {
    // Nothing named: black.
    NONE,
    // A picture through the texture cache.
    PICTURE,
    // What the nodes before drew in this frame.
    FRAME,
    // The last frame shown.
    PREVIOUS,
    // The music's spectrum, 512 x 1; black until the player has one.
    SPECTRUM,
};

struct TextureSlot {
    TextureKind kind = TextureKind::NONE;
    Vorlik::TextureRef picture;
};

// What one node gave its shader: the file, the values of its splines and triggers, its
// textures and how many frames it drew since it started.
class NodeState {
public:
    // Sets program's float uniforms to the values of their names, 0 for those nothing set.
    // A value whose uniform has another type is said once per file on standard error.
    void setValues(const ShaderProgram& program, ShaderFile& file);

    ShaderFile* file = nullptr;
    std::map<std::string, float> values;
    TextureSlot textures[TEXTURE_COUNT];
    int frames = 0;

private:
    // The program's float uniforms and the value each takes, made again only when the
    // program or the set of names changes.
    unsigned long boundProgram = 0;
    size_t boundNames = 0;
    std::vector<std::pair<int, const float*>> bound;
};

} // namespace Shader
} // namespace Marquel
