#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Marquel {
namespace Shader {

// A line as the driver's preprocessor reads it: lines continued by a backslash joined, each
// comment a space (a block comment over several lines joins them too), so that a directive is
// judged on its code alone.
struct CodeLine {
    std::string code;
    // The text's lines it starts and ends on.
    int first = 0;
    int last = 0;
    // The offset in the text just past its line feed (or the text's end).
    size_t end = 0;
    // Where in code a later line of the text begins, in order: (offset in code, line).
    std::vector<std::pair<size_t, int>> breaks;

    // The text's line holding code[at].
    int lineAt(size_t at) const;
};

// Calls back with each line of text in turn (the same object, refilled).
void forEachCodeLine(const std::string& text, const std::function<void(const CodeLine&)>& take);

// Whether code is a directive, with its name ("version", "define"; empty for a lone "#") and
// rest just past the name.
bool directiveOf(const std::string& code, std::string& name, size_t& rest);

// Reads code a token at a time: names, numbers, and every other character alone.
class Tokens {
public:
    explicit Tokens(const std::string& code, size_t from = 0) : code(code), at(from) {}
    // False at the end; otherwise the token and where it starts.
    bool next(std::string& token, size_t& start);

private:
    const std::string& code;
    size_t at;
};

bool isNameStart(char c);
bool isNameChar(char c);

} // namespace Shader
} // namespace Marquel
