#pragma once

#include <cstdint>
#include <string>

namespace Marquel {
namespace Shader {

// A fragment shader's text made ready for the driver, with the vertex shader that goes
// with it.
struct PreparedSource {
    std::string fragment;
    std::string vertex;
    // The text's own line holding "#version", 0 when it has none.
    int versionLine = 0;
    // Lines put in before the text's first line (the "#version" a wrapper asks for).
    int topLines = 0;
    // The text's own line after which the wrapper's declarations go: its last "#version" or
    // "#extension" line, which must come before them, or 0.
    int declarationsAfter = 0;
    // The declarations' lines, which the driver counts and the text's author does not.
    int insertedLines = 0;
    // The text's lines, and the line that defines mainImage in a wrapped text (0 otherwise):
    // what the driver says of the wrapper's main, past the text's end, belongs there.
    int textLines = 0;
    int mainImageLine = 0;
    // Why the text is not handed to the driver ("3: error: ..."); empty when it is.
    std::string fault;
};

// Larger texts are refused before anything else looks at them.
constexpr size_t MAX_SOURCE_BYTES = 1 << 20;

// Why a text of bytes, past MAX_SOURCE_BYTES, is refused.
std::string sizeFault(int64_t bytes);

// Why text cannot be a shader (empty, not text, too large), or empty.
std::string checkText(const std::string& text);

// text without the UTF-8 byte order mark an editor may put at its start.
std::string withoutByteOrderMark(const std::string& text);

// Directives are judged on their code, past comments and continued lines; an #include, or a
// text past the bounds of expansionFault (ShaderBound.h), gets a fault. A text that defines
// mainImage and no main gets the Shadertoy uniforms and a main that calls it; one without
// "#version" keeps the driver's default language, except that a wrapped one asks for 1.30
// where the driver has it (texture() and out). driverGlsl is the driver's GLSL version times
// 100.
PreparedSource prepareSource(const std::string& text, int driverGlsl);

// A log's messages said after the first this many are only counted.
constexpr size_t MAX_LOG_MESSAGES = 20;

// The driver's compile or link log with each message the driver places ("0:12(5): error:
// ...", "0(12) : error ...", "ERROR: 0:12: ...") said as "name:12: error: ...", counted in
// the text's own lines; past MAX_LOG_MESSAGES, "name: and 99980 more messages from the
// driver".
std::string placeLog(const std::string& log, const std::string& name, const PreparedSource& source);

} // namespace Shader
} // namespace Marquel
