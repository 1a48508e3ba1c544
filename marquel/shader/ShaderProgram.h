#pragma once

#include <memory>
#include <string>
#include <vector>

namespace Marquel {
namespace Shader {

struct PreparedSource;

// The uniforms every shader may declare, set by the effect each time it draws.
enum Standard {
    TIME,
    DEMO_TIME,
    PROGRESS,
    RESOLUTION,
    TOY_RESOLUTION,
    TOY_TIME,
    TOY_TIME_DELTA,
    TOY_FRAME,
    TOY_DATE,
    TOY_CHANNEL_RESOLUTION,
    STANDARD_COUNT
};

// Samplers texture0 to texture3 (iChannel0 to iChannel3 for a mainImage).
constexpr int TEXTURE_COUNT = 4;

// A linked OpenGL program drawing a quad over the window, with the table of its active
// uniforms made once at link time, so that drawing asks the driver for no name.
class ShaderProgram {
public:
    struct Uniform {
        std::string name;
        int location;
        // GL_FLOAT, GL_FLOAT_VEC2, ...
        unsigned type;
    };

    // The program of source, or null with the driver's log in log.
    static std::unique_ptr<ShaderProgram> build(const PreparedSource& source, std::string& log);
    ~ShaderProgram();
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    unsigned id() const { return program; }
    // Differs for every program made in the process, unlike an address or a GL name.
    unsigned long serial() const { return number; }
    const std::vector<Uniform>& uniforms() const { return active; }
    // -1 when the program does not use it, or declares it with another type.
    int location(Standard which) const { return standard[which]; }
    // The standard uniforms the program declares with another type than theirs, which stay
    // unset ("time, resolution"); empty when there are none.
    const std::string& misdeclared() const { return misfits; }
    // False after the OpenGL context was lost (a switch of the video mode).
    bool alive() const;
    // Lets go of the program's name without deleting it: after a lost context it may name
    // another program.
    void abandon() { program = 0; }
    // Draws the quad with the program in use; the caller sets and restores the state.
    void drawQuad() const;

private:
    explicit ShaderProgram(unsigned program);

    unsigned program;
    unsigned long number;
    std::vector<Uniform> active;
    int standard[STANDARD_COUNT];
    std::string misfits;
};

} // namespace Shader
} // namespace Marquel
