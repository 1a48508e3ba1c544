#include "marquel/shader/ShaderSource.h"

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <sstream>

namespace Marquel {
namespace Shader {

namespace {

// What the wrapper declares for a mainImage, one line each.
const char* const TOY_UNIFORMS[] = {
    "uniform vec3 iResolution;",       "uniform float iTime;",
    "uniform float iTimeDelta;",       "uniform int iFrame;",
    "uniform vec4 iMouse;",            "uniform vec4 iDate;",
    "uniform vec3 iChannelResolution[4];",
    "uniform sampler2D iChannel0;",    "uniform sampler2D iChannel1;",
    "uniform sampler2D iChannel2;",    "uniform sampler2D iChannel3;",
};

struct Version {
    int number = 0;
    bool es = false;
};

// The version the directive on line asks for.
Version readVersion(const std::string& line) {
    static const std::regex directive(R"(^\s*#\s*version\s+(\d+)\s*(\w*))");
    std::smatch match;
    Version version;
    if (std::regex_search(line, match, directive)) {
        version.number = std::atoi(match[1].str().c_str());
        version.es = match[2] == "es";
    }
    return version;
}

std::string versionDirective(const Version& version) {
    return "#version " + std::to_string(version.number) + (version.es ? " es\n" : "\n");
}

// A quad over the window in clip coordinates, from generic attribute 0.
std::string vertexShader(const Version& version) {
    const bool modern = version.number >= 130 || (version.es && version.number >= 300);
    return (version.number ? versionDirective(version) : std::string()) +
           (modern ? "in" : "attribute") +
           " vec2 marquelCorner;\nvoid main() { gl_Position = vec4(marquelCorner, 0.0, 1.0); }\n";
}

} // namespace

std::string checkText(const std::string& text) {
    if (text.empty())
        return "is empty";
    if (text.size() > MAX_SOURCE_BYTES)
        return "is larger than 1 MB (" + std::to_string(text.size()) + " bytes); refused";
    if (text.find('\0') != std::string::npos)
        return "is not text (it holds a NUL byte)";
    return "";
}

PreparedSource prepareSource(const std::string& text, int driverGlsl) {
    static const std::regex include(R"(^\s*#\s*include\b)");
    static const std::regex version(R"(^\s*#\s*version\b)");
    static const std::regex extension(R"(^\s*#\s*extension\b)");
    static const std::regex mainImage(R"(\bmainImage\s*\()");
    static const std::regex main(R"(\bvoid\s+main\s*\()");
    PreparedSource prepared;
    std::istringstream lines(text);
    std::string line;
    // Where the wrapper's declarations go in the text: after its directives.
    size_t declarationsAt = 0;
    Version asked;
    int number = 1;
    for (; std::getline(lines, line); ++number) {
        if (std::regex_search(line, include) && prepared.fault.empty())
            prepared.fault = std::to_string(number) + ": error: #include is not supported";
        const bool isVersion = !prepared.versionLine && std::regex_search(line, version);
        if (isVersion) {
            prepared.versionLine = number;
            asked = readVersion(line);
        }
        if (isVersion || std::regex_search(line, extension)) {
            prepared.declarationsAfter = number;
            declarationsAt = lines.eof() ? text.size() : static_cast<size_t>(lines.tellg());
        }
        if (!prepared.mainImageLine && std::regex_search(line, mainImage))
            prepared.mainImageLine = number;
    }
    prepared.textLines = number - 1;
    const bool wrapped = prepared.mainImageLine && !std::regex_search(text, main);
    if (!wrapped) {
        prepared.mainImageLine = 0;
        prepared.declarationsAfter = 0;
        prepared.fragment = text;
        prepared.vertex = vertexShader(asked);
        return prepared;
    }
    std::string top;
    Version used = asked;
    if (!prepared.versionLine && driverGlsl >= 130) {
        used.number = 130;
        top = versionDirective(used);
        prepared.topLines = 1;
    }
    std::string declarations;
    const bool modern = used.number >= 130 || (used.es && used.number >= 300);
    if (!modern)
        declarations += "#define texture texture2D\n";
    if (used.es)
        declarations += "precision highp float;\n";
    for (const char* uniform : TOY_UNIFORMS)
        declarations += std::string(uniform) + "\n";
    if (modern)
        declarations += "out vec4 marquelColor;\n";
    for (char c : declarations)
        prepared.insertedLines += c == '\n';
    // A last line without its line feed would run into the main.
    const std::string end = text.back() == '\n' ? "" : "\n";
    prepared.fragment = top + text.substr(0, declarationsAt) + declarations +
                        text.substr(declarationsAt) + end +
                        "void main() {\n    vec4 color = vec4(0.0, 0.0, 0.0, 1.0);\n"
                        "    mainImage(color, gl_FragCoord.xy);\n    " +
                        (modern ? "marquelColor" : "gl_FragColor") + " = color;\n}\n";
    prepared.vertex = vertexShader(used);
    return prepared;
}

std::string placeLog(const std::string& log, const std::string& name, const PreparedSource& source) {
    // Mesa "0:12(5): error: ...", NVIDIA "0(12) : error ...", others "ERROR: 0:12: ...".
    static const std::regex placed(
        R"(^(?:\d+:(\d+)\(\d+\)|\d+\((\d+)\)|(?:ERROR|WARNING): \d+:(\d+))\s*:\s*(.*)$)");
    std::istringstream lines(log);
    std::string line;
    std::string said;
    while (std::getline(lines, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        std::smatch match;
        if (!said.empty())
            said += "\n";
        if (!std::regex_match(line, match, placed)) {
            said += name + ": " + line;
            continue;
        }
        const std::string number = match[1].matched ? match[1] : match[2].matched ? match[2] : match[3];
        // A line of the wrapper's own is put on the directive before it, or the first line;
        // its main, past the text's end, on the line that defines mainImage.
        int at = std::max(std::atoi(number.c_str()) - source.topLines, 1);
        if (at > source.declarationsAfter + source.insertedLines)
            at -= source.insertedLines;
        else if (at > source.declarationsAfter)
            at = std::max(source.declarationsAfter, 1);
        if (source.mainImageLine && at > source.textLines)
            at = source.mainImageLine;
        said += name + ":" + std::to_string(at) + ": " + match[4].str();
    }
    return said;
}

} // namespace Shader
} // namespace Marquel
