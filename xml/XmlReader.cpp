#include "xml/XmlReader.h"

#include "xml/XmlException.h"
#include "xml/XmlTag.h"

namespace Xml {

void XmlReader::throwEndOfText() {
    throw XmlException("EOF");
}

void XmlReader::countReadByte(char c) {
    if (c == '\t')
        column += 4;
    else if (c == '\n') {
        ++line;
        column = 1;
    } else
        ++column;
}

char XmlReader::readByte() {
    if (atEnd())
        throwEndOfText();
    char c = data[position++];
    countReadByte(c);
    return c;
}

void XmlReader::skipWhiteSpace() {
    for (; position < size; ++position) {
        char c = data[position];
        if (c == ' ')
            ++column;
        else if (c == '\t')
            column += 4;
        else if (c == '\n') {
            ++line;
            column = 1;
        } else if (c != '\r')
            return;
    }
}

int XmlReader::skipName(bool withColon) {
    int start = position;
    while (position < size &&
           (isLetterOrDigit(data[position]) || (withColon && data[position] == ':')))
        ++position;
    column += position - start;
    return position - start;
}

void XmlReader::readName(std::string& name, bool withColon) {
    int start = position;
    name.assign(data + start, skipName(withColon));
}

// Tabs become four spaces and carriage returns are dropped; runs of other bytes are copied
// whole.
void XmlReader::readText(std::string& text, char stop, bool stopAtLineFeed) {
    text.clear();
    while (position < size) {
        int start = position;
        char c = 0;
        while (position < size) {
            c = data[position];
            if (c == stop || c == '\t' || c == '\n' || c == '\r')
                break;
            ++position;
        }
        text.append(data + start, position - start);
        column += position - start;
        if (position >= size || c == stop)
            return;
        if (c == '\n') {
            if (stopAtLineFeed)
                return;
            text += '\n';
            ++line;
            column = 1;
        } else if (c == '\t') {
            text.append(4, ' ');
            column += 4;
        }
        ++position;
    }
}

// The value of a repeated name replaces the earlier one in its place. Values are read
// straight into the tag, which spares a copy per attribute.
void XmlReader::readAttribute(XmlTag& tag, bool equalsRequired) {
    int nameStart = position;
    int nameLength = skipName(false);
    skipWhiteSpace();
    if (equalsRequired && readByte() != '=')
        throw XmlException("'=' expected!");
    skipWhiteSpace();
    if (atEnd())
        throwEndOfText();
    std::string& value = valueOf(tag, data + nameStart, nameLength);
    char quote = data[position];
    if (quote == '"' || quote == '\'') {
        advance(1);
        readText(value, quote, true);
        if (peek(0) != quote)
            throw XmlException("You must close the value using %c", quote);
        advance(1);
    } else {
        readName(value, false);
    }
}

std::string& XmlReader::valueOf(XmlTag& tag, const char* name, int length) {
    return attributeIndex.valueOf(tag.attributes, name, static_cast<size_t>(length));
}

void XmlReader::readElement(XmlTag& tag) {
    tag.closed = false;
    skipWhiteSpace();
    if (peek(0) == '/') {
        tag.closed = true;
        endTag = true;
        advance(1);
        skipWhiteSpace();
    }
    readName(tag.name, true);
    for (;;) {
        skipWhiteSpace();
        char c = peek(0);
        if (c == '/') {
            tag.closed = true;
            advance(1);
        } else if (c == '>') {
            advance(1);
            return;
        } else {
            readAttribute(tag, true);
        }
    }
}

void XmlReader::readQuestion(XmlTag& tag) {
    tag.tagType = TT_QUESTION;
    advance(1);
    readName(tag.name, false);
    for (;;) {
        skipWhiteSpace();
        char c = peek(0);
        if (c == '?') {
            if (peek(1) != '>')
                throw XmlException("Xml: Ill formed <?xml?> tag");
            advance(2);
            return;
        }
        if (c == '>')
            throw XmlException("Xml: Ill formed <?xml?> tag, forgot to close it using '?>'?");
        readAttribute(tag, true);
    }
}

void XmlReader::readExclaim(XmlTag& tag) {
    tag.tagType = TT_EXCLAIM;
    tag.name = "SPECIAL_EXCLAIM";
    advance(1);
    for (;;) {
        skipWhiteSpace();
        char c = peek(0);
        if (c == '>') {
            advance(1);
            return;
        }
        // Only a word or a quoted value moves the reader on; anything else (the '[' of an
        // internal subset) would stall it.
        if (!isLetterOrDigit(c) && c != '"' && c != '\'') {
            unsigned char byte = static_cast<unsigned char>(c);
            if (byte > ' ' && byte < 127)
                throw XmlException("Xml: Unexpected '%c' in a <!...> declaration", c);
            throw XmlException("Xml: Unexpected byte 0x%02X in a <!...> declaration", byte);
        }
        readAttribute(tag, false);
    }
}

void XmlReader::readComment(XmlTag& tag) {
    tag.tagType = TT_COMMENT;
    tag.name = "COMMENT";
    advance(3);
    std::string& text = valueOf(tag, "content", 7);
    for (;;) {
        int start = position;
        while (position < size && data[position] != '-')
            countReadByte(data[position++]);
        text.append(data + start, position - start);
        readByte();
        if (peek(0) == '-' && peek(1) == '>') {
            if (text.empty() || text.back() == '-')
                throw XmlException("Xml: Ill formatted comment!");
            advance(2);
            return;
        }
        text += '-';
    }
}

void XmlReader::readTextItem(XmlTag& tag) {
    tag.tagType = TT_TEXT;
    tag.name = "!!!text";
    readText(valueOf(tag, "content", 7), '<', false);
}

void XmlReader::readTag(XmlTag& tag) {
    tag.reset();
    endTag = false;
    attributeIndex.clear();
    tagLine = line;
    tagColumn = column;
    skipWhiteSpace();
    tag.line = line;
    if (peek(0) != '<') {
        readTextItem(tag);
        return;
    }
    advance(1);
    char c = peek(0);
    if (c == '!') {
        if (peek(1) == '-' && peek(2) == '-')
            readComment(tag);
        else
            readExclaim(tag);
    } else if (c == '?') {
        readQuestion(tag);
    } else {
        readElement(tag);
    }
}

} // namespace Xml
