#include "SystemFixture.h"
#include "marquel/Exception.h"
#include "marquel/ShaderEffect.h"
#include "marquel/overlay/Hud.h"
#include "marquel/timeline/ScriptFiles.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using namespace system_test;

namespace {

// Clears to a known colour, for the nodes after it to draw over.
class ClearEffect : public Marquel::Effect {
public:
    void render(float, float, float) override {
        glClearColor(0.2f, 0.4f, 0.6f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
};

// Leaves a small viewport, a colour mask, a subtracting blend, tests passing nothing, a sampler
// reading black, its own framebuffer and pixels unpacked from further along; counts the frames
// its state did not outlive.
class MessEffect : public Marquel::Effect {
public:
    void render(float, float, float) override {
        if (!framebuffer)
            glGenFramebuffers(1, &framebuffer), glGenSamplers(1, &sampler);
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR), glBindSampler(0, sampler);
        glViewport(0, 0, 4, 4), glColorMask(0, 1, 1, 0), glBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
        for (GLenum test : {GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_DEPTH_TEST, GL_CULL_FACE, GL_COLOR_LOGIC_OP})
            glEnable(test);
        glScissor(0, 0, 1, 1), glStencilFunc(GL_NEVER, 0, 0), glDepthFunc(GL_NEVER), glCullFace(GL_FRONT_AND_BACK);
        glLogicOp(GL_NOOP), glActiveTexture(GL_TEXTURE2), glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 64);
    }
    void frameDrawn() override {
        GLint viewport[4], bound, skip;
        glGetIntegerv(GL_VIEWPORT, viewport), glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
        glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &skip);
        lost += viewport[2] != 4 || GLuint(bound) != framebuffer || skip != 64;
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0), glBindSampler(0, 0), glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    }
    GLuint framebuffer = 0, sampler = 0, lost = 0;
};

// Notes the frame's pixels at its render (0xRRGGBB), after the nodes before it drew.
class ProbeEffect : public ScriptedEffect {
public:
    void render(float time, float dt, float progress) override {
        std::vector<uint8_t> rgba(64 * 48 * 4);
        glReadPixels(0, 0, 64, 48, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        frames.push_back(rgba);
        ScriptedEffect::render(time, dt, progress);
    }
    int channel(size_t frame, int x, int y, int c) const { return frames[frame][(y * 64 + x) * 4 + c]; }
    std::vector<std::vector<uint8_t>> frames;
};

// A node of the shader effect drawing file, with more triggers and splines inside.
std::string shaderNode(const std::string& file, const std::string& inside = "",
                       const std::string& span = R"(end="30")") {
    return R"(<effect name="shader" )" + span + R"(><trigger name="shader" value=")" + file +
           "\"/>" + inside + "</effect>";
}

class ShaderEffectTest : public SystemFixture {
protected:
    Marquel::System& startShaders(const std::string& nodes, const std::string& settings = "") {
        write("data/demo.xml", "<script>" + nodes + R"(<effect name="probe" end="30"/></script>)");
        // A full-scale tone in the middle of the spectrum's 40th band (value 39), as long as
        // the nodes: a first frame late on a busy machine still hears it.
        sound_test::Frames tone(sound_test::RATE * 30 * 2);
        for (size_t i = 0; i < tone.size(); ++i)
            tone[i] = static_cast<int16_t>(32767 * std::sin(M_PI * 40 * double(i / 2) / 512));
        write("data/tone.wav", sound_test::wav(tone));
        write("marquel.xml", R"(<demo><window width="64" height="48" type="opengl"/>
<script file="demo.xml"/><music file="tone.wav" mute="nosound"/><time start="2"/>)" +
                                settings + "</demo>");
        Marquel::System& s = start();
        s.addEffect("clear", &clear);
        s.addEffect("mess", &mess);
        s.addEffect("shader", &shader);
        s.addEffect("probe", &probe);
        return s;
    }

    ClearEffect clear;
    MessEffect mess;
    Marquel::ShaderEffect shader;
    ProbeEffect probe;
};

} // namespace

TEST_F(ShaderEffectTest, NodesDrawTheirOwnFilesWithTheirValuesWrappersAndTheFrameBelow) {
    // Each shader draws in its own part of the window and leaves the rest as it is.
    write("data/values.frag", "uniform float level, beat, beatTime;\nvoid main() {\n"
                              "  if (gl_FragCoord.x > 21.0 || gl_FragCoord.y > 24.0) discard;\n"
                              "  gl_FragColor = vec4(level, beat, beatTime / 4.0, 1.0);\n}\n");
    write("data/spectrum.frag", "uniform sampler2D texture0;\nvoid main() {\n"
                                "  if (gl_FragCoord.x > 21.0 || gl_FragCoord.y < 24.0) discard;\n"
                                "  gl_FragColor = vec4(texture2D(texture0, vec2(39.5 / 512.0, 0.5)).r,\n"
                                "                      texture2D(texture0, vec2(300.5 / 512.0, 0.5)).r, 0.0, 1.0);\n}\n");
    write("data/other.frag", "uniform float unset;\nuniform sampler2D texture0;\nvoid main() {\n"
                             "  bool mine = gl_FragCoord.x > 21.0 && gl_FragCoord.x < 42.0;\n"
                             "  gl_FragColor = vec4(1.0, unset, texture2D(texture0, vec2(0.07, 0.09)).g, mine ? 1.0 : 0.0);\n}\n");
    // An #extension line must stay above the wrapper's declarations.
    write("data/toy.frag", "#extension GL_EXT_gpu_shader4 : enable\n"
                           "void mainImage(out vec4 colour, in vec2 at) {\n"
                           "  vec2 uv = at / iResolution.xy;\n"
                           "  colour = vec4(uv, iTime / 64.0, at.x > 42.0 && uv.y < 0.5 ? 1.0 : 0.0);\n}\n");
    write("data/invert.frag", "uniform sampler2D texture0;\nuniform vec2 resolution;\nvoid main() {\n"
                              "  vec4 below = texture2D(texture0, gl_FragCoord.xy / resolution);\n"
                              "  bool mine = gl_FragCoord.x > 42.0 && gl_FragCoord.y > 24.0;\n"
                              "  gl_FragColor = vec4(1.0 - below.rgb, mine ? 1.0 : 0.0);\n}\n");
    Marquel::System& s = startShaders(
        R"(<effect name="clear" end="30"/><effect name="mess" end="30"/>)" +
        shaderNode("values.frag", R"(<trigger name="beat" value="0.5" start="1"/>
<spline name="level" type="linear"><key time="0" value="0.25"/></spline>)") +
        shaderNode("spectrum.frag", R"(<trigger name="texture0" value="spectrum"/>)") +
        shaderNode("other.frag", R"(<trigger name="texture0" value="previous"/>)", R"(end="10")") +
        shaderNode("toy.frag", "", R"(start="-16" end="30")") +
        shaderNode("invert.frag", R"(<trigger name="texture0" value="frame"/>)"));
    // A frame without other.frag between two with it.
    probe.plan[1] = [&] { s.seek(20); };
    probe.plan[2] = [&] { s.seek(2); };
    probe.plan[3] = [] { pressKey(SDLK_ESCAPE); };
    s.run();
    ASSERT_GE(probe.frames.size(), 4u);
    // values.frag: the spline, the trigger's value and the local time it was due, 1 s, though
    // the start mark fired it at 2 s.
    EXPECT_NEAR(probe.channel(0, 4, 4, 0), 64, 1);
    EXPECT_NEAR(probe.channel(0, 4, 4, 1), 128, 1);
    ASSERT_GT(probe.times[0], 1.9f);
    EXPECT_NEAR(probe.channel(0, 4, 4, 2), 64, 1);
    EXPECT_NEAR(probe.channel(1, 4, 4, 2), 64, 1);
    // spectrum.frag: the music's tone in its band, nothing far from it.
    EXPECT_GE(probe.channel(0, 4, 40, 0), 250);
    EXPECT_LE(probe.channel(0, 4, 40, 1), 5);
    // other.frag on the same effect: its uniform nothing set is 0; previous, what values.frag
    // drew in the frame before, black in the first frame and after the gap.
    EXPECT_EQ(probe.channel(0, 32, 4, 0), 255);
    EXPECT_EQ(probe.channel(0, 32, 4, 1), 0);
    EXPECT_EQ(probe.channel(0, 32, 4, 2), 0);
    EXPECT_NEAR(probe.channel(1, 32, 4, 2), 128, 1);
    EXPECT_EQ(probe.channel(3, 32, 4, 2), 0) << "a copy from two frames before";
    // toy.frag, wrapped: fragment coordinates over iResolution, and iTime.
    EXPECT_NEAR(probe.channel(0, 50, 4, 0), 50.5 / 64 * 255, 1);
    EXPECT_NEAR(probe.channel(0, 50, 4, 1), 4.5 / 48 * 255, 1);
    // Over 64 s, so a frame late on a busy machine does not saturate it.
    EXPECT_NEAR(probe.channel(1, 50, 4, 2), (probe.times[1] + 16) / 64 * 255, 2);
    // invert.frag: 1 - the frame the clear node drew.
    EXPECT_NEAR(probe.channel(0, 50, 40, 0), 204, 2);
    EXPECT_NEAR(probe.channel(0, 50, 40, 1), 153, 2);
    EXPECT_NEAR(probe.channel(0, 50, 40, 2), 102, 2);
    EXPECT_EQ(mess.lost, 0u) << "the state the mess node left was not put back";
    // The effect outlives its system: its OpenGL objects must go while the window is open.
    finish();
}

TEST_F(ShaderEffectTest, AFileThatDoesNotCompileIsNamedWithItsLineWhileTheLastGoodOneDraws) {
    const std::string red = "void main() {\n  gl_FragColor = vec4(1.0, 0.0, 0.0, 1.0);\n}\n";
    write("data/live.frag", red);
    Marquel::System& s = startShaders(shaderNode("live.frag"));
    std::vector<std::string> said;
    probe.plan[1] = [&] { write("data/live.frag", "void main() {\n\n  gl_FragColor = nothing;\n}\n"); };
    probe.plan[3] = [&] {
        said.push_back(s.hud->message);
        write("data/live.frag", "void main() {\n#include \"x.glsl\"\n}\n");
    };
    probe.plan[5] = [&] {
        said.push_back(s.hud->message);
        write("data/live.frag", "void main() {\n  gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0);\n}\n");
    };
    probe.plan[7] = [&] {
        said.push_back(s.hud->message);
        write("data/live.frag", "void main() {\n  gl_FragColor = broken;\n}\n");
    };
    // The node with the broken file leaves the script: its message goes with it.
    probe.plan[9] = [&] { write("data/demo.xml", R"(<script><effect name="probe" end="30"/></script>)"); };
    probe.plan[11] = [&] { said.push_back(s.hud->message); };
    // A script read anew naming a new file each time keeps only the files its nodes name.
    const std::string big = "void main() {}\n" + std::string(900000, '\n');
    std::vector<double> heap;
    for (int k = 12; k < 42; ++k)
        probe.plan[k] = [&, k] {
            heap.push_back(double(mallinfo2().uordblks + mallinfo2().hblkhd));
            const std::string name = "big" + std::to_string(k) + ".frag";
            write("data/" + name, big);
            write("data/demo.xml", "<script>" + shaderNode(name) + R"(<effect name="probe" end="30"/></script>)");
        };
    probe.plan[42] = [] { pressKey(SDLK_ESCAPE); };
    s.run();
    ASSERT_EQ(heap.size(), 30u);
    EXPECT_LT(heap.back() - heap[2], 16e6) << "the texts and programs of 27 files no node names";
    EXPECT_LE(s.scriptFiles->sourcesFollowed(), 2u) << "nor are those files followed";
    ASSERT_EQ(said.size(), 4u);
    EXPECT_EQ(said[3].find("live.frag"), std::string::npos) << said[3];
    EXPECT_EQ(said[0].rfind("live.frag:3: error:", 0), 0u) << said[0];
    EXPECT_EQ(said[1], "live.frag:2: error: #include is not supported");
    EXPECT_EQ(said[2], "") << "mended";
    EXPECT_EQ(probe.channel(2, 8, 8, 0), 255) << "the last good program draws on";
    EXPECT_EQ(probe.channel(4, 8, 8, 0), 255);
    EXPECT_EQ(probe.channel(6, 8, 8, 1), 255) << "the mended file draws at the next frame";
}

TEST_F(ShaderEffectTest, ADumpOfAShaderThatNeverBuiltKeepsItsFramesAndEndsInAnErrorNamingThem) {
    // Sparse: refused by its size before a byte of its 256 MiB is read.
    write("data/huge.frag", "");
    std::filesystem::resize_file(dir.path() / "data/huge.frag", 256 << 20);
    const double before = double(mallinfo2().hblkhd);
    Marquel::System& s = startShaders(shaderNode("huge.frag"), R"(<videodump name="dump.png" fps="10"/>)");
    probe.plan[2] = [] { pressKey(SDLK_ESCAPE); };
    std::string said = "the dump ended as if its shader drew";
    try {
        s.run();
    } catch (const Marquel::Exception& e) {
        said = e.what();
    }
    EXPECT_EQ(said, "[Marquel] The video dump 'screenshots/dump.png' holds frames drawn while an "
                    "effect could not draw; they are kept. The shader 'huge.frag' is larger than "
                    "1 MB (268435456 bytes); refused");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "bin/screenshots/dump.000002.png"));
    EXPECT_LT(double(mallinfo2().hblkhd) - before, 64e6) << "the file was read";
}

TEST_F(ShaderEffectTest, AsLongASumAsTheBoundAllowsDrawsAndDoublingMacrosAreRefused) {
    // The driver's compiler goes a call deeper a term: the cache would skip it.
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    std::string sum = "x";
    for (int term = 1; term < 24000; ++term)
        sum += "+x";
    write("data/long.frag", "void main() {\n  float x = 1.0 / 24000.0;\n  gl_FragColor = vec4(0.0, " +
                                sum + ", 0.0, 1.0);\n}\n");
    Marquel::System& s = startShaders(shaderNode("long.frag"));
    std::string said;
    probe.plan[1] = [&] {
        std::string doubling = "#define a0 x\n";
        for (int i = 1; i < 19; ++i)
            doubling += "#define a" + std::to_string(i) + " a" + std::to_string(i - 1) + "+a" +
                        std::to_string(i - 1) + "\n";
        write("data/long.frag",
              doubling + "void main() {\n  float x = 1.0;\n  gl_FragColor = vec4(a18);\n}\n");
    };
    probe.plan[3] = [&] {
        said = s.hud->message;
        pressKey(SDLK_ESCAPE);
    };
    s.run();
    unsetenv("MESA_SHADER_CACHE_DISABLE");
    EXPECT_NEAR(probe.channel(0, 8, 8, 1), 255, 2);
    EXPECT_EQ(said, "long.frag:22: error: a statement of more than 50000 tokens, its macros "
                    "expanded, is refused");
}
