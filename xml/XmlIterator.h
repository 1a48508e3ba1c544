#pragma once

#include "xml/XmlTag.h"

#include <iosfwd>
#include <string>

namespace Xml {

class XmlNode;

// Walks the direct children of one node that carry one name (all of them when the search
// criteria is empty). It stands on a position, not on a node, and does not keep its owner
// alive. Typical use:
//   IteratorConst it = node.getChildren("effect");
//   while (++it)
//       use(it->getAttribute("name"));
class IteratorConst {
public:
    IteratorConst(const XmlNode& owner, const std::string& searchCriteria);

    // Steps to the next match; false when there is none. Stepping again after false throws.
    bool operator++();
    const XmlTag* operator->() const;
    const XmlTag& operator*() const { return *operator->(); }

    const XmlNode* getParent() const { return owner; }
    // The current child's children; the iterator must stand on a child.
    IteratorConst getChildren(const std::string& searchCriteria = "") const;
    // The current tag as one line, childless elements closed with "/>".
    void write(std::ostream& stream) const;

protected:
    const XmlNode& currentNode() const;
    const XmlNode& current(const char* beforeFirstMessage, const char* afterLastMessage) const;

    const XmlNode* owner;
    int index = -1;
    bool atEnd = false;
    bool beforeFirst = true;
    std::string searchCriteria;
};

// The same walk with write access, and the way new tags enter the tree.
class Iterator : public IteratorConst {
public:
    Iterator(XmlNode& owner, const std::string& searchCriteria);

    XmlTag* operator->() const;
    XmlTag& operator*() const { return *operator->(); }

    XmlNode* getParent() const;
    Iterator getChildren(const std::string& searchCriteria = "") const;
    // Adds a copy of tag right after the current position (at the front before the first
    // step) and moves onto it. Returns an iterator over the new child's children.
    Iterator insert(const XmlTag& tag);

private:
    XmlNode& currentNode() const;
};

} // namespace Xml
