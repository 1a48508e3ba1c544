#include "xml/XmlTag.h"

#include "xml/XmlException.h"
#include "xml/XmlReader.h"

#include <cstdio>
#include <cstdlib>
#include <ostream>

namespace Xml {

namespace {

const char* const WHITE_SPACE = " \t\n\r";

bool isName(const std::string& name, bool withColon) {
    for (char c : name) {
        if (!isLetterOrDigit(c) && !(withColon && c == ':'))
            return false;
    }
    return true;
}

// What in a value the reader would not give back: it stops quoted values at a line feed,
// turns tabs into spaces, drops carriage returns, and has only two quote kinds.
const char* unreadableInValue(const std::string& value) {
    if (value.find('\n') != std::string::npos)
        return "a line feed";
    if (value.find('\t') != std::string::npos)
        return "a tab";
    if (value.find('\r') != std::string::npos)
        return "a carriage return";
    if (value.find('"') != std::string::npos && value.find('\'') != std::string::npos)
        return "both kinds of quotes";
    return nullptr;
}

// An empty name is read too: `<a ="1">`, and a bare quoted value in a declaration.
void checkAttributeName(const XmlTag& tag, const std::string& attributeName) {
    if (!isName(attributeName, false))
        throw XmlException("XmlTag::write; Attribute name '%s' in '%s' is not letters and digits!",
                           attributeName.c_str(), tag.getName().c_str());
}

// Double quotes unless the value holds one; the reader takes either kind.
void appendQuoted(std::string& text, const XmlTag& tag, const XmlTag::Attribute& attribute) {
    if (const char* problem = unreadableInValue(attribute.second))
        throw XmlException("XmlTag::write; The value of '%s' in '%s' holds %s and would not "
                           "read back!",
                           attribute.first.c_str(), tag.getName().c_str(), problem);
    char quote = attribute.second.find('"') == std::string::npos ? '"' : '\'';
    text += quote;
    text += attribute.second;
    text += quote;
}

void appendAssignments(std::string& text, const XmlTag& tag) {
    for (const XmlTag::Attribute& attribute : tag.getAttributes()) {
        checkAttributeName(tag, attribute.first);
        text += ' ';
        text += attribute.first;
        text += '=';
        appendQuoted(text, tag, attribute);
    }
}

// A declaration's words take their values after a space; a value that is not one plain
// word is quoted, or it would be read as the next word. A value without a word is always
// quoted, since a plain one would be read as a word.
void appendWords(std::string& text, const XmlTag& tag) {
    const char* separator = "";
    for (const XmlTag::Attribute& attribute : tag.getAttributes()) {
        checkAttributeName(tag, attribute.first);
        text += separator;
        separator = " ";
        if (attribute.first.empty()) {
            appendQuoted(text, tag, attribute);
            continue;
        }
        text += attribute.first;
        text += ' ';
        if (!attribute.second.empty() && isName(attribute.second, false))
            text += attribute.second;
        else
            appendQuoted(text, tag, attribute);
    }
}

// Comments and text carry nothing but their content; anything else would be lost.
const std::string& onlyContent(const XmlTag& tag, const char* kind) {
    for (const XmlTag::Attribute& attribute : tag.getAttributes()) {
        if (attribute.first != "content")
            throw XmlException("XmlTag::write; A %s has no place for attribute '%s'!", kind,
                               attribute.first.c_str());
    }
    return tag.getAttribute("content");
}

void appendComment(std::string& text, const XmlTag& tag) {
    const std::string& content = onlyContent(tag, "comment");
    if (content.empty() || content.back() == '-' || content.find("-->") != std::string::npos)
        throw XmlException("XmlTag::write; A comment that is empty, ends with '-' or holds "
                           "'-->' would not read back!");
    text += "<!--";
    text += content;
    text += "-->";
}

// Text is written bare, without its surrounding white space: the reader skips white space
// before text and keeps what follows it up to the next tag, which would otherwise collect the
// line feed and indent on every save. Without '<' it cannot be taken for a tag; tabs and
// carriage returns inside would come back as spaces and nothing.
void appendText(std::string& text, const XmlTag& tag) {
    const std::string& content = onlyContent(tag, "text");
    size_t first = content.find_first_not_of(WHITE_SPACE);
    if (first == std::string::npos)
        throw XmlException("XmlTag::write; Text of white space only would not read back!");
    size_t last = content.find_last_not_of(WHITE_SPACE);
    size_t length = last - first + 1;
    if (content.find_first_of("<\t\r", first) <= last)
        throw XmlException("XmlTag::write; Text holding '<', a tab or a carriage return would "
                           "not read back!");
    text.append(content, first, length);
}

} // namespace

const std::string& XmlTag::getAttribute(const std::string& attributeName) const {
    static const std::string empty;
    for (const Attribute& attribute : attributes) {
        if (attribute.first == attributeName)
            return attribute.second;
    }
    return empty;
}

void XmlTag::setAttribute(const std::string& attributeName, const std::string& text) {
    for (Attribute& attribute : attributes) {
        if (attribute.first == attributeName) {
            attribute.second = text;
            return;
        }
    }
    attributes.emplace_back(attributeName, text);
}

void XmlTag::setAttribute(const std::string& attributeName, const char* text) {
    setAttribute(attributeName, std::string(text));
}

void XmlTag::setAttribute(const std::string& attributeName, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%0d", value);
    setAttribute(attributeName, std::string(text));
}

void XmlTag::setAttribute(const std::string& attributeName, double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.25g", value);
    setAttribute(attributeName, std::string(text));
}

int XmlTag::getIntAttribute(const std::string& attributeName) const {
    return static_cast<int>(std::strtol(getAttribute(attributeName).c_str(), nullptr, 0));
}

void XmlTag::reset() {
    tagType = TT_NORMAL;
    closed = true;
    line = 0;
    name.clear();
    attributes.clear();
}

void XmlTag::appendTo(std::string& text, bool closeEmpty) const {
    size_t start = text.size();
    try {
        appendLine(text, closeEmpty);
    } catch (...) {
        text.resize(start);
        throw;
    }
}

void XmlTag::appendLine(std::string& text, bool closeEmpty) const {
    switch (tagType) {
    case TT_NORMAL:
        if (name.empty() || !isName(name, true))
            throw XmlException("XmlTag::write; Element name '%s' is not letters, digits and "
                               "colons!",
                               name.c_str());
        text += '<';
        text += name;
        appendAssignments(text, *this);
        text += closed && closeEmpty ? "/>" : ">";
        break;
    case TT_COMMENT:
        appendComment(text, *this);
        break;
    case TT_QUESTION:
        if (!isName(name, false))
            throw XmlException("XmlTag::write; Declaration name '%s' is not letters and digits!",
                               name.c_str());
        text += "<?";
        text += name;
        appendAssignments(text, *this);
        text += "?>";
        break;
    case TT_EXCLAIM:
        text += "<!";
        appendWords(text, *this);
        text += '>';
        break;
    case TT_TEXT:
        appendText(text, *this);
        break;
    default:
        throw XmlException("XmlTag::write; Unknown tagtype!");
    }
    text += '\n';
}

void XmlTag::write(std::ostream& stream, bool closeEmpty) const {
    std::string line;
    appendTo(line, closeEmpty);
    stream << line << std::flush;
}

} // namespace Xml
