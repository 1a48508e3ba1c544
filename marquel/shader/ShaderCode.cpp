#include "marquel/shader/ShaderCode.h"

#include <algorithm>
#include <iterator>

namespace Marquel {
namespace Shader {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

// The text with each backslash that ends a line taken out with its line feed, as the
// preprocessor does before it looks for comments; joins holds where (offset in the result,
// bytes taken out).
std::string spliced(const std::string& text, std::vector<std::pair<size_t, size_t>>& joins) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') {
            const size_t feed = i + 1 < text.size() && text[i + 1] == '\r' ? i + 2 : i + 1;
            if (feed < text.size() && text[feed] == '\n') {
                joins.push_back({out.size(), feed + 1 - i});
                i = feed;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool isDigit(char c, bool hex) {
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

bool isSuffix(char c) {
    return c == 'u' || c == 'U' || c == 'f' || c == 'F' || c == 'l' || c == 'L';
}

// Past the number starting at: 0x1Fu, 12, 1.5e-3, .5f, 2.0lf.
size_t numberEnd(const std::string& code, size_t at) {
    const auto digits = [&](bool hex) {
        while (at < code.size() && isDigit(code[at], hex))
            ++at;
    };
    const bool hex = code.compare(at, 2, "0x") == 0 || code.compare(at, 2, "0X") == 0;
    if (hex) {
        at += 2;
        digits(true);
    } else {
        digits(false);
        if (at < code.size() && code[at] == '.') {
            ++at;
            digits(false);
        }
        if (at < code.size() && (code[at] == 'e' || code[at] == 'E')) {
            size_t exponent = at + 1;
            if (exponent < code.size() && (code[exponent] == '+' || code[exponent] == '-'))
                ++exponent;
            if (exponent < code.size() && isDigit(code[exponent], false)) {
                at = exponent;
                digits(false);
            }
        }
    }
    while (at < code.size() && isSuffix(code[at]))
        ++at;
    return at;
}

} // namespace

int CodeLine::lineAt(size_t at) const {
    // A line joined from thousands by a comment may hold thousands of tokens.
    const auto after = std::upper_bound(
        breaks.begin(), breaks.end(), at,
        [](size_t offset, const std::pair<size_t, int>& mark) { return offset < mark.first; });
    return after == breaks.begin() ? first : std::prev(after)->second;
}

void forEachCodeLine(const std::string& text, const std::function<void(const CodeLine&)>& take) {
    std::vector<std::pair<size_t, size_t>> joins;
    const std::string plain = spliced(text, joins);
    enum { IN_CODE, IN_LINE_COMMENT, IN_BLOCK_COMMENT } state = IN_CODE;
    CodeLine line;
    line.first = 1;
    int number = 1;
    size_t join = 0;
    size_t removed = 0;
    bool open = false;
    for (size_t i = 0; i < plain.size(); ++i) {
        // "<=": the end of a comment, two characters, may step over one.
        for (; join < joins.size() && joins[join].first <= i; ++join) {
            removed += joins[join].second;
            line.breaks.push_back({line.code.size(), ++number});
        }
        const char c = plain[i];
        const char next = i + 1 < plain.size() ? plain[i + 1] : '\0';
        open = true;
        if (c == '\n' && state == IN_BLOCK_COMMENT) {
            line.breaks.push_back({line.code.size(), ++number});
        } else if (c == '\n') {
            state = IN_CODE;
            line.last = number;
            line.end = i + removed + 1;
            take(line);
            line.code.clear();
            line.breaks.clear();
            line.first = ++number;
            open = false;
        } else if (state == IN_BLOCK_COMMENT && c == '*' && next == '/') {
            state = IN_CODE;
            ++i;
        } else if (state == IN_CODE && c == '/' && (next == '/' || next == '*')) {
            state = next == '/' ? IN_LINE_COMMENT : IN_BLOCK_COMMENT;
            line.code += ' ';
            ++i;
        } else if (state == IN_CODE) {
            line.code += c;
        }
    }
    // Continuations at the very end.
    for (; join < joins.size(); ++join) {
        line.breaks.push_back({line.code.size(), ++number});
        open = true;
    }
    if (open) {
        // The text's last line feed, in a comment or a continuation, begins no line.
        line.last = text.back() == '\n' ? number - 1 : number;
        line.end = text.size();
        take(line);
    }
}

bool directiveOf(const std::string& code, std::string& name, size_t& rest) {
    size_t at = 0;
    while (at < code.size() && isSpace(code[at]))
        ++at;
    if (at == code.size() || code[at] != '#')
        return false;
    ++at;
    while (at < code.size() && isSpace(code[at]))
        ++at;
    const size_t start = at;
    while (at < code.size() && isNameChar(code[at]))
        ++at;
    rest = at;
    name.assign(code, start, at - start);
    return true;
}

bool isNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isNameChar(char c) {
    return isNameStart(c) || (c >= '0' && c <= '9');
}

bool Tokens::next(std::string& token, size_t& start) {
    while (at < code.size() && (isSpace(code[at]) || code[at] == '\n'))
        ++at;
    if (at == code.size())
        return false;
    start = at;
    const char c = code[at];
    const bool number =
        isDigit(c, false) || (c == '.' && at + 1 < code.size() && isDigit(code[at + 1], false));
    if (number) {
        // As the compiler reads one, so that an operator after it ("1.0.x.x", "1e-1-1") is a
        // token of its own.
        at = numberEnd(code, at);
    } else if (isNameStart(c)) {
        while (++at < code.size() && isNameChar(code[at])) {
        }
    } else {
        ++at;
    }
    token.assign(code, start, at - start);
    return true;
}

} // namespace Shader
} // namespace Marquel
