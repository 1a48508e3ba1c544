#pragma once

#include "xml/AttributeIndex.h"

#include <string>

namespace Xml {

class XmlTag;

// The reader's name characters: ASCII letters and digits, whatever the locale.
inline bool isLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The cursor over a document held in memory. It reads one item at a time and keeps the
// line and column (a tab counts 4, a carriage return nothing) for the messages.
class XmlReader {
public:
    XmlReader(const char* data, int size) : data(data), size(size) {}

    // Reads the next item into tag; throws Xml::XmlException on a fault.
    void readTag(XmlTag& tag);
    // Whether the item read last was an end tag (</name>). Both it and an empty-element tag
    // (<name/>) read as closed, but only the end tag finishes an element.
    bool readEndTag() const { return endTag; }
    // Skips white space; false when nothing but white space was left.
    bool hasMore() {
        skipWhiteSpace();
        return !atEnd();
    }

    int getLine() const { return line; }
    int getColumn() const { return column; }
    int getTagLine() const { return tagLine; }
    int getTagColumn() const { return tagColumn; }

private:
    bool atEnd() const { return position >= size; }
    char peek(int offset) const {
        if (position + offset >= size)
            throwEndOfText();
        return data[position + offset];
    }
    // Every caller moves over bytes it has just looked at, and none of them is a tab, line
    // feed or carriage return, so each counts one column.
    void advance(int count) {
        if (position + count - 1 >= size)
            throwEndOfText();
        position += count;
        column += count;
    }
    [[noreturn]] static void throwEndOfText();
    char readByte();
    void skipWhiteSpace();
    int skipName(bool withColon);
    void readName(std::string& name, bool withColon);
    std::string& valueOf(XmlTag& tag, const char* name, int length);
    void readText(std::string& text, char stop, bool stopAtLineFeed);
    void countReadByte(char c);
    void readAttribute(XmlTag& tag, bool equalsRequired);
    void readElement(XmlTag& tag);
    void readQuestion(XmlTag& tag);
    void readExclaim(XmlTag& tag);
    void readComment(XmlTag& tag);
    void readTextItem(XmlTag& tag);

    AttributeIndex attributeIndex; // of the tag being read
    const char* data;
    int size;
    int position = 0;
    int line = 1;
    int tagLine = -1;
    int column = 1;
    int tagColumn = -1;
    bool endTag = false;
};

} // namespace Xml
