#pragma once

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

    int getLine() const { return line; }
    int getColumn() const { return column; }
    int getTagLine() const { return tagLine; }
    int getTagColumn() const { return tagColumn; }

private:
    bool atEnd() const { return position >= size; }
    char peek(int offset) const;
    void advance(int count);
    char readByte();
    void skipWhiteSpace();
    void readName(std::string& name, bool withColon);
    void readText(std::string& text, char stop, bool stopAtLineFeed);
    void countReadByte(char c);
    void readAttribute(XmlTag& tag, bool equalsRequired);
    void readElement(XmlTag& tag);
    void readQuestion(XmlTag& tag);
    void readExclaim(XmlTag& tag);
    void readComment(XmlTag& tag);
    void readTextItem(XmlTag& tag);

    const char* data;
    int size;
    int position = 0;
    int line = 1;
    int tagLine = -1;
    int column = 1;
    int tagColumn = -1;
    std::string attributeName;  // reused between attributes to spare allocations
    std::string attributeValue; // likewise
};

} // namespace Xml
