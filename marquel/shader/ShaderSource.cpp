#include "marquel/shader/ShaderSource.h"

#include "marquel/shader/ShaderBound.h"
#include "marquel/shader/ShaderCode.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>

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

const char* const BYTE_ORDER_MARK = "\xEF\xBB\xBF";

struct Version {
    int number = 0;
    bool es = false;
};

// The version a "#version" line asks for, from rest just past the word.
Version readVersion(const std::string& code, size_t rest) {
    Tokens tokens(code, rest);
    std::string word;
    size_t start = 0;
    Version version;
    if (tokens.next(word, start))
        version.number = std::atoi(word.c_str());
    version.es = tokens.next(word, start) && word == "es";
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

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Where the driver places a message: Mesa "0:12(5): error: ...", NVIDIA "0(12) : error ...",
// others "ERROR: 0:12: ...". The line's number, and where the message starts.
bool readPlace(const std::string& line, int& number, size_t& message) {
    size_t at = 0;
    const auto digits = [&](int* value) {
        const size_t start = at;
        long long read = 0;
        for (; at < line.size() && isDigit(line[at]); ++at)
            read = std::min(read * 10 + (line[at] - '0'), static_cast<long long>(INT_MAX));
        if (value)
            *value = static_cast<int>(read);
        return at > start;
    };
    const auto literal = [&](const std::string& word) {
        if (line.compare(at, word.size(), word) != 0)
            return false;
        at += word.size();
        return true;
    };
    const auto spaces = [&] {
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at])))
            ++at;
    };
    bool placed = false;
    if (literal("ERROR: ") || literal("WARNING: "))
        placed = digits(nullptr) && literal(":") && digits(&number);
    else if (digits(nullptr) && literal(":"))
        placed = digits(&number) && literal("(") && digits(nullptr) && literal(")");
    else
        placed = at > 0 && literal("(") && digits(&number) && literal(")");
    spaces();
    if (!placed || !literal(":"))
        return false;
    spaces();
    message = at;
    return true;
}

} // namespace

std::string sizeFault(int64_t bytes) {
    return "is larger than 1 MB (" + std::to_string(bytes) + " bytes); refused";
}

std::string checkText(const std::string& text) {
    if (text.empty() || text == BYTE_ORDER_MARK)
        return "is empty";
    if (text.size() > MAX_SOURCE_BYTES)
        return sizeFault(static_cast<int64_t>(text.size()));
    if (text.find('\0') != std::string::npos)
        return "is not text (it holds a NUL byte)";
    return "";
}

std::string withoutByteOrderMark(const std::string& text) {
    return text.compare(0, 3, BYTE_ORDER_MARK) == 0 ? text.substr(3) : text;
}

PreparedSource prepareSource(const std::string& original, int driverGlsl) {
    // The driver's compiler takes a byte order mark for a stray character.
    const std::string text = withoutByteOrderMark(original);
    PreparedSource prepared;
    // Where the wrapper's declarations go in the text: after its directives.
    size_t declarationsAt = 0;
    Version asked;
    // The last two tokens of code, to find "void main (" and "mainImage (".
    std::string before, last;
    int lastLine = 0;
    bool definesMain = false;
    forEachCodeLine(text, [&](const CodeLine& line) {
        std::string directive;
        size_t rest = 0;
        prepared.textLines = line.last;
        if (directiveOf(line.code, directive, rest)) {
            if (directive == "include" && prepared.fault.empty())
                prepared.fault = std::to_string(line.first) + ": error: #include is not supported";
            const bool isVersion = !prepared.versionLine && directive == "version";
            if (isVersion) {
                prepared.versionLine = line.first;
                asked = readVersion(line.code, rest);
            }
            if (isVersion || directive == "extension") {
                prepared.declarationsAfter = line.last;
                declarationsAt = line.end;
            }
            return;
        }
        Tokens tokens(line.code);
        std::string token;
        size_t start = 0;
        while (tokens.next(token, start)) {
            if (token == "(" && last == "mainImage" && !prepared.mainImageLine)
                prepared.mainImageLine = lastLine;
            definesMain = definesMain || (token == "(" && last == "main" && before == "void");
            before = std::move(last);
            last = token;
            lastLine = line.lineAt(start);
        }
    });
    if (prepared.fault.empty())
        prepared.fault = expansionFault(text);
    const bool wrapped = prepared.mainImageLine && !definesMain;
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
    std::string said;
    size_t messages = 0;
    size_t from = 0;
    while (from < log.size()) {
        const size_t feed = std::min(log.find('\n', from), log.size());
        const std::string line = log.substr(from, feed - from);
        from = feed + 1;
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        // A broken text may make the driver say thousands of things: the first few tell.
        if (++messages > MAX_LOG_MESSAGES)
            continue;
        if (!said.empty())
            said += "\n";
        int number = 0;
        size_t message = 0;
        if (!readPlace(line, number, message)) {
            said += name + ": " + line;
            continue;
        }
        // A line of the wrapper's own is put on the directive before it, or the first line;
        // its main, past the text's end, on the line that defines mainImage.
        int at = std::max(number - source.topLines, 1);
        if (at > source.declarationsAfter + source.insertedLines)
            at -= source.insertedLines;
        else if (at > source.declarationsAfter)
            at = std::max(source.declarationsAfter, 1);
        if (source.mainImageLine && at > source.textLines)
            at = source.mainImageLine;
        said += name + ":" + std::to_string(at) + ": " + line.substr(message);
    }
    if (messages > MAX_LOG_MESSAGES)
        said += "\n" + name + ": and " + std::to_string(messages - MAX_LOG_MESSAGES) +
                " more messages from the driver";
    return said;
}

} // namespace Shader
} // namespace Marquel
