#pragma once
// Xml: a small strict XML reader and writer for the configuration and script files.
// Names are letters and digits, values end at the line's end, there are no entities; text
// and comments are kept in the tree, and the writer produces only what the reader reads
// back the same way.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace Xml {

enum TagType : int32_t {
    TT_NORMAL = 0,
    TT_COMMENT = 1,
    TT_QUESTION = 2,
    TT_EXCLAIM = 3,
    TT_TEXT = 4
};

// One item as read (element tag, comment, declaration, text) and the payload of every
// tree node. Comments and text keep their text in the attribute "content".
class XmlTag {
public:
    using Attribute = std::pair<std::string, std::string>;
    using Attributes = std::vector<Attribute>;

    XmlTag() = default;
    explicit XmlTag(const std::string& name) : name(name) {}

    const std::string& getName() const { return name; }
    void setName(const std::string& newName) { name = newName; }
    TagType getTagType() const { return tagType; }
    void setTagType(TagType type) { tagType = type; }
    bool isClosed() const { return closed; }
    void setClosed(bool isClosed) { closed = isClosed; }
    // The line the item starts on in the text it was read from, for messages; 0 for a tag
    // made in code. Never written.
    int getLine() const { return line; }

    // The value of the attribute, or a shared empty string when there is none.
    const std::string& getAttribute(const std::string& attributeName) const;
    // Replaces the value in place, or appends the pair when the name is new.
    void setAttribute(const std::string& attributeName, const std::string& text);
    void setAttribute(const std::string& attributeName, const char* text);
    void setAttribute(const std::string& attributeName, int value);    // "%0d"
    void setAttribute(const std::string& attributeName, double value); // "%.25g"
    // strtol base 0; 0 when absent or not a number.
    int getIntAttribute(const std::string& attributeName) const;
    const Attributes& getAttributes() const { return attributes; }

    // Back to a default tag: TT_NORMAL, closed, no name, no attributes, line 0.
    void reset();

    // The tag as one line. Throws Xml::XmlException, writing nothing, when the tag
    // would not read back as itself.
    void write(std::ostream& stream, bool closeEmpty) const;
    // The same line appended to text; on failure text is left as it was.
    void appendTo(std::string& text, bool closeEmpty) const;

private:
    // They fill tags in place while parsing.
    friend class XmlReader;
    friend class XmlParser;

    void appendLine(std::string& text, bool closeEmpty) const;

    TagType tagType = TT_NORMAL;
    bool closed = true;
    int line = 0;
    std::string name;
    Attributes attributes;
};

} // namespace Xml
