#pragma once

#include "xml/XmlIterator.h"
#include "xml/XmlTag.h"

#include <memory>
#include <string>
#include <vector>

namespace Xml {

// A node of the document tree: a tag plus the children it owns. Nodes enter a tree only
// through insertChild (or an iterator's insert), so every parent lists its children.
class XmlNode : public XmlTag {
public:
    using Iterator = Xml::Iterator;

    XmlNode() = default;
    explicit XmlNode(const XmlTag& tag) : XmlTag(tag) {}
    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;
    // Also removes the node from its parent's children.
    ~XmlNode();

    int childCount() const { return static_cast<int>(children.size()); }
    // Index from 0; throws when there is no such child.
    XmlNode* child(int index);
    const XmlNode* child(int index) const;
    XmlNode* getParent() { return parent; }
    const XmlNode* getParent() const { return parent; }

    // Adds a copy of tag before the child at index (-1 or childCount() appends) and clears
    // this node's closed flag. Returns an iterator over the new child's children.
    Iterator insertChild(const XmlTag& tag, int index = -1);
    // Takes child out of the children and returns the index it had. The child is not
    // deleted: whoever detached it now owns it.
    int detachChild(XmlNode* child);
    // Resets the tag and deletes every child. A node with a parent is detached from it
    // first and then belongs to the caller.
    void clear();

    Iterator getChildren(const std::string& searchCriteria = "");
    IteratorConst getChildren(const std::string& searchCriteria = "") const;

private:
    friend class XmlParser; // builds the tree while reading

    XmlNode(XmlTag&& tag, XmlNode* parent) : XmlTag(std::move(tag)), parent(parent) {}
    // Appends a new child made from tag, taking its contents.
    XmlNode* appendChild(XmlTag&& tag);

    XmlNode* parent = nullptr;
    std::vector<std::unique_ptr<XmlNode>> children;
};

} // namespace Xml
