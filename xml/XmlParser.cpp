#include "xml/XmlParser.h"

#include "xml/AttributeIndex.h"
#include "xml/XmlException.h"
#include "xml/XmlReader.h"

#include <ostream>
#include <vector>

namespace Xml {

namespace {

// The name the reader gives an item of this kind.
const std::string& readBackName(const XmlTag& tag) {
    static const std::string comment = "COMMENT";
    static const std::string exclaim = "SPECIAL_EXCLAIM";
    static const std::string text = "!!!text";
    switch (tag.getTagType()) {
    case TT_COMMENT:
        return comment;
    case TT_EXCLAIM:
        return exclaim;
    case TT_TEXT:
        return text;
    default:
        return tag.getName();
    }
}

// Refuses a child that the reader would place differently: the reader joins neighbouring
// texts and gives items other than elements no children.
void checkPlace(const XmlNode& owner, int index) {
    const XmlNode& child = *owner.child(index);
    if (child.getTagType() == TT_NORMAL)
        return;
    if (child.childCount() > 0)
        throw XmlException("XmlParser::write; The %s item in '%s' can't hold children!",
                           readBackName(child).c_str(), owner.getName().c_str());
    if (child.getTagType() == TT_TEXT && index > 0 &&
        owner.child(index - 1)->getTagType() == TT_TEXT)
        throw XmlException("XmlParser::write; Two texts in a row in '%s' would read back as "
                           "one!",
                           owner.getName().c_str());
}

// Comments and declarations stand around the root as the user put them there; text
// outside the root is no part of the document.
bool keptAroundTheRoot(const XmlTag& item) {
    const TagType type = item.getTagType();
    return type == TT_COMMENT || type == TT_EXCLAIM ||
           (type == TT_QUESTION && item.getName() != "xml");
}

// A text past this is refused: files are read back only up to 2 GiB, and a deep or wide
// tree written with an indent per level could otherwise grow without bound.
constexpr size_t MAX_WRITTEN = size_t(1) << 30;

// A one-character indent, the usual tab, goes in as one run: deep trees write it thousands
// of times a line.
void appendIndent(std::string& text, const std::string& indent, size_t depth) {
    if (indent.size() == 1) {
        text.append(depth, indent[0]);
        return;
    }
    for (size_t i = 0; i < depth && !indent.empty(); ++i)
        text += indent;
}

} // namespace

void XmlParser::parse(const char* data, int size) {
    XmlReader reader(data, size);
    try {
        if (!getName().empty())
            throw XmlException("Parser has already parsed a xml-file, use clear() first!");
        xmlDeclaration.reset();
        leadingItems.clear();
        trailingItems.clear();
        readDocument(reader);
    } catch (const XmlException& fault) {
        throw XmlException("(error at line %d, col %d); %s (when reading tag at %d:%d)",
                           reader.getLine(), reader.getColumn(), fault.what(), reader.getTagLine(),
                           reader.getTagColumn());
    }
}

// Elements are read without recursion, so deep nesting cannot exhaust the stack.
void XmlParser::readDocument(XmlReader& reader) {
    XmlTag item;
    // Declarations may come by the thousand, each merged into the first.
    AttributeIndex declarationIndex;
    for (reader.readTag(item); item.getTagType() != TT_NORMAL; reader.readTag(item)) {
        if (keptAroundTheRoot(item))
            leadingItems.push_back(item);
        if (item.getTagType() != TT_QUESTION || item.getName() != "xml")
            continue;
        if (xmlDeclaration.getName().empty()) {
            xmlDeclaration = item;
            continue;
        }
        for (const Attribute& attribute : item.getAttributes()) {
            const std::string& name = attribute.first;
            declarationIndex.valueOf(xmlDeclaration.attributes, name.data(), name.size()) =
                attribute.second;
        }
    }
    if (item.isClosed())
        throw XmlException("Root tag is closed!");
    static_cast<XmlTag&>(*this) = std::move(item);

    XmlNode* owner = this;
    while (owner) {
        reader.readTag(item);
        // Only an end tag of the owner's name ends it: <a/>, a comment or a declaration is
        // complete in itself whatever its name, so <a><a/><b/></a> keeps both in the outer a.
        if (reader.readEndTag() && item.getName() == owner->getName()) {
            if (owner->childCount() == 0)
                owner->setClosed(true);
            owner = owner == this ? nullptr : owner->getParent();
        } else if (item.isClosed()) {
            owner->appendChild(std::move(item));
        } else {
            owner = owner->appendChild(std::move(item));
        }
    }
    readTrailingItems(reader);
}

// Nothing after the root may fail the document: the first item that is not kept, or that
// does not read, ends what is kept.
void XmlParser::readTrailingItems(XmlReader& reader) {
    XmlTag item;
    try {
        while (reader.hasMore()) {
            reader.readTag(item);
            if (!keptAroundTheRoot(item))
                return;
            trailingItems.push_back(std::move(item));
        }
    } catch (const XmlException&) {
    }
}

// An element marked closed that has children is written with them.
void XmlParser::appendDocument(std::string& text, const std::string& indent) const {
    if (indent.find_first_not_of(" \t\n\r") != std::string::npos)
        throw XmlException("XmlParser::write; The indent '%s' is not white space only!",
                           indent.c_str());
    if (getTagType() != TT_NORMAL || getName().empty())
        throw XmlException("XmlParser::write; There is no root element to write!");
    if (xmlDeclaration.getName() == "xml") {
        XmlTag tag(xmlDeclaration);
        tag.setTagType(TT_QUESTION);
        tag.appendTo(text, true);
        text += '\n';
    }
    for (const XmlTag& item : leadingItems)
        item.appendTo(text, true);
    appendTo(text, false);

    struct Level {
        const XmlNode* owner;
        int next;
    };
    std::vector<Level> levels{{this, 0}};
    while (!levels.empty()) {
        if (text.size() > MAX_WRITTEN)
            throw XmlException("XmlParser::write; The document would be larger than 1 GiB!");
        Level& level = levels.back();
        const XmlNode& owner = *level.owner;
        size_t depth = levels.size();
        if (level.next == owner.childCount()) {
            appendIndent(text, indent, depth - 1);
            text += "</";
            text += owner.getName();
            text += ">\n";
            levels.pop_back();
            continue;
        }
        checkPlace(owner, level.next);
        const XmlNode& child = *owner.child(level.next++);
        bool descend = child.getTagType() == TT_NORMAL &&
                       (!child.isClosed() || child.childCount() > 0);
        appendIndent(text, indent, depth);
        child.appendTo(text, !descend);
        if (descend)
            levels.push_back({&child, 0});
    }
    for (const XmlTag& item : trailingItems)
        item.appendTo(text, true);
}

void XmlParser::write(std::ostream& stream, const std::string& indent) const {
    std::string text;
    appendDocument(text, indent);
    stream << text << std::flush;
}

void XmlParser::write(std::string& text, const std::string& indent) const {
    std::string written;
    appendDocument(written, indent);
    text.swap(written);
}

} // namespace Xml
