#pragma once

#include "xml/XmlNode.h"
#include "xml/XmlTag.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace Xml {

class XmlReader;

// A document: the node is its root element (name, attributes, children), plus the
// <?xml ...?> declaration read before it, and the comments and other declarations around the
// root, which are written back where they stood. Use: construct, parse, check getName() against the
// expected root, walk with getChildren(); or name a fresh parser, insert through iterators
// and write.
class XmlParser : public XmlNode {
public:
    XmlParser() = default;

    // Reads the document held in data (size bytes, no terminating zero needed). Every fault
    // is an Xml::XmlException naming where it happened; what was read up to it stays in the
    // tree until clear().
    void parse(const char* data, int size);

    // Named "xml" it is written before the root, always as a <?xml ...?> declaration.
    XmlTag& declaration() { return xmlDeclaration; }
    const XmlTag& declaration() const { return xmlDeclaration; }

    // The whole document, each level one more indent (white space only) deeper. Throws
    // Xml::XmlException, writing nothing, when the text would not read back as this tree
    // or would be larger than 1 GiB.
    void write(std::ostream& stream, const std::string& indent) const;
    // The same, replacing the contents of text.
    void write(std::string& text, const std::string& indent) const;

private:
    void readDocument(XmlReader& reader);
    void readTrailingItems(XmlReader& reader);
    void appendDocument(std::string& text, const std::string& indent) const;

    XmlTag xmlDeclaration;
    // Comments and declarations other than <?xml?> before and after the root element.
    std::vector<XmlTag> leadingItems;
    std::vector<XmlTag> trailingItems;
};

} // namespace Xml
