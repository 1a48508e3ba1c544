#include "marquel/shader/ShaderSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace Marquel::Shader;

namespace {

const std::string TOY = "void mainImage(out vec4 c, in vec2 at) {\n  c = vec4(1.0);\n}\n";

} // namespace

TEST(ShaderSource, LongRunsOfOneCharacterAreReadWithoutGoingDeeper) {
    // Each went a call deeper a character, and 60,000 overflowed the stack.
    EXPECT_EQ(prepareSource(std::string(60000, ' ') + "\n#version 330\n" + TOY, 450).versionLine,
              2);
    const PreparedSource fed = prepareSource(
        "void" + std::string(60000, '\n') + "mainImage(out vec4 c, in vec2 at) {}\n", 450);
    EXPECT_EQ(fed.mainImageLine, 60001);
    const std::string name(60000, 'a');
    EXPECT_EQ(placeLog("0:3(5): error: `" + name + "' undeclared\n", "x.frag", PreparedSource()),
              "x.frag:3: error: `" + name + "' undeclared");
}

TEST(ShaderSource, DirectivesAreJudgedOnTheirCodePastCommentsAndContinuedLines) {
    const std::string body = "void main() {\n  gl_FragColor = vec4(1.0);\n}\n";
    for (const char* hidden : {"/* a */ #include \"x\"\n", "#\\\ninclude \"x\"\n",
                               "# /* a\n */ include \"x\"\n", "#inc\\\nlude \"x\"\n"})
        EXPECT_EQ(prepareSource("float a;\n" + (hidden + body), 450).fault,
                  "2: error: #include is not supported")
            << hidden;
    EXPECT_EQ(prepareSource(
                  "// #include \"x\"\n/*\n#include \"x\" */\n// \\\n#include \"x\"\n" + body, 450)
                  .fault,
              "");
    // The wrapper's declarations go below the continued #extension, on the driver's count.
    const PreparedSource toy = prepareSource(
        "/* a */ #version 330\n#extension GL_EXT_gpu_shader4 : \\\nenable\n" + TOY, 450);
    EXPECT_EQ(toy.versionLine, 1);
    EXPECT_EQ(toy.declarationsAfter, 3);
    EXPECT_EQ(toy.fragment.find("uniform vec3 iResolution;"), toy.fragment.find("enable\n") + 7);
}

TEST(ShaderSource, AByteOrderMarkAtTheStartIsLeftOut) {
    const PreparedSource marked = prepareSource("\xEF\xBB\xBF#version 330\n" + TOY, 450);
    EXPECT_EQ(marked.versionLine, 1);
    EXPECT_EQ(marked.fragment.rfind("#version 330\n", 0), 0u);
    EXPECT_EQ(checkText("\xEF\xBB\xBF"), "is empty");
}

TEST(ShaderSource, ALongLogIsCutToItsFirstMessagesAndACountOfTheRest) {
    std::string log;
    for (int line = 1; line <= 100000; ++line)
        log += "0:" + std::to_string(line) + "(1): error: `x' undeclared\n";
    const std::string said = placeLog(log, "x.frag", PreparedSource());
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 20);
    EXPECT_EQ(said.substr(0, said.find('\n')), "x.frag:1: error: `x' undeclared");
    EXPECT_EQ(said.substr(said.rfind('\n') + 1), "x.frag: and 99980 more messages from the driver");
}
