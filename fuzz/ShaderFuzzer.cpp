// Any bytes as a shader's text, and as a driver's log: preparing the text, weighing its macros
// and placing a log on its lines never crash, and keep what the player relies on: the wrapper
// hands the driver the whole text, each message the driver places lands on one of its lines,
// and a long log is cut.

#include "fuzz/Finding.h"
#include "marquel/shader/ShaderSource.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace Marquel::Shader;

// The offset just past lines line feeds from from, or the end.
size_t afterLines(const std::string& text, int lines, size_t from = 0) {
    for (; lines > 0 && from < text.size(); --lines)
        from = std::min(text.find('\n', from), text.size() - 1) + 1;
    return std::min(from, text.size());
}

void checkWhole(const std::string& text, const std::string& plain, const PreparedSource& source) {
    if (!source.mainImageLine) {
        if (source.fragment != plain)
            Fuzz::finding("a text that is not wrapped is handed on changed", text, source.fragment);
        return;
    }
    const size_t head = afterLines(plain, source.declarationsAfter);
    const size_t top = afterLines(source.fragment, source.topLines);
    const size_t tail = afterLines(source.fragment, source.insertedLines, top + head);
    if (source.fragment.compare(top, head, plain, 0, head) != 0 ||
        source.fragment.compare(tail, plain.size() - head, plain, head) != 0)
        Fuzz::finding("a wrapped text is not whole in what the driver is handed", text,
                      source.fragment);
}

// Each message said as "f:12: ..." is on one of the text's lines; a log says at most the
// first messages and a count.
void checkSaid(const std::string& said, const std::string& text, const PreparedSource& source,
               bool placed) {
    size_t messages = 0;
    for (size_t from = 0; from < said.size(); ++messages) {
        const size_t feed = std::min(said.find('\n', from), said.size());
        const std::string line = said.substr(from, feed - from);
        from = feed + 1;
        const int at = std::atoi(line.c_str() + 2);
        if (placed && (at < 1 || at > std::max(source.textLines, 1)))
            Fuzz::finding("a message is placed past the text's lines", text, said);
    }
    if (messages > MAX_LOG_MESSAGES + 1)
        Fuzz::finding("a log is said past its first messages", text, said);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (!checkText(text).empty())
        return 0;
    const std::string plain = withoutByteOrderMark(text);
    for (int driverGlsl : {120, 450}) {
        const PreparedSource source = prepareSource(text, driverGlsl);
        // Continued lines and comments joined, the lines are still the text's own.
        const int textLines = static_cast<int>(std::count(plain.begin(), plain.end(), '\n')) +
                              (!plain.empty() && plain.back() != '\n');
        if (source.textLines != textLines)
            Fuzz::finding("the text's lines are miscounted", text);
        checkWhole(text, plain, source);
        // What the driver says of its own lines, from the first to the last.
        const int lines =
            static_cast<int>(std::count(source.fragment.begin(), source.fragment.end(), '\n'));
        std::string log;
        for (int line = 0; line <= lines; line += 1 + lines / 16)
            log += "0:" + std::to_string(line) + "(3): error: e\n";
        checkSaid(placeLog(log + "0:" + std::to_string(lines) + "(1): error: e\n", "f", source),
                  text, source, true);
        checkSaid(placeLog(text, "f", source), text, source, false);
    }
    return 0;
}
