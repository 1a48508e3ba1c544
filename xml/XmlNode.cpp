#include "xml/XmlNode.h"

#include "xml/XmlException.h"

namespace Xml {

XmlNode::~XmlNode() {
    clear();
}

XmlNode* XmlNode::child(int index) {
    return const_cast<XmlNode*>(static_cast<const XmlNode*>(this)->child(index));
}

const XmlNode* XmlNode::child(int index) const {
    if (index < 0 || index >= childCount())
        throw XmlException("XmlNode::child(%d); No such child in '%s'", index, getName().c_str());
    return children[index].get();
}

Iterator XmlNode::insertChild(const XmlTag& tag, int index) {
    int count = childCount();
    if (index < -1 || index > count)
        throw XmlException("XmlNode::insertChild(%d); '%s' has %d children", index,
                           getName().c_str(), count);
    std::unique_ptr<XmlNode> node(new XmlNode(XmlTag(tag), this));
    XmlNode& added = *node;
    children.insert(index == -1 ? children.end() : children.begin() + index, std::move(node));
    setClosed(false);
    return Iterator(added, "");
}

XmlNode* XmlNode::appendChild(XmlTag&& tag) {
    if (children.empty())
        children.reserve(4);
    children.emplace_back(new XmlNode(std::move(tag), this));
    setClosed(false);
    return children.back().get();
}

int XmlNode::detachChild(XmlNode* child) {
    for (size_t i = 0; i < children.size(); ++i) {
        if (children[i].get() == child) {
            children[i].release();
            children.erase(children.begin() + i);
            child->parent = nullptr;
            return static_cast<int>(i);
        }
    }
    throw XmlException("detachChild(%p); No such child in '%s'", static_cast<void*>(child),
                       getName().c_str());
}

void XmlNode::clear() {
    reset();
    if (parent)
        parent->detachChild(this);
    // Deep trees are freed without recursion, in document order: each node hands its children
    // to a stack of sibling lists before it goes, so no destructor finds anything to free.
    std::vector<std::pair<std::vector<std::unique_ptr<XmlNode>>, size_t>> levels;
    if (!children.empty())
        levels.emplace_back(std::move(children), 0);
    children.clear();
    while (!levels.empty()) {
        std::vector<std::unique_ptr<XmlNode>>& siblings = levels.back().first;
        size_t& next = levels.back().second;
        if (next == siblings.size()) {
            levels.pop_back();
            continue;
        }
        std::unique_ptr<XmlNode> node = std::move(siblings[next++]);
        node->parent = nullptr;
        std::vector<std::unique_ptr<XmlNode>> grandChildren = std::move(node->children);
        node.reset();
        if (!grandChildren.empty())
            levels.emplace_back(std::move(grandChildren), 0);
    }
}

Iterator XmlNode::getChildren(const std::string& searchCriteria) {
    return Iterator(*this, searchCriteria);
}

IteratorConst XmlNode::getChildren(const std::string& searchCriteria) const {
    return IteratorConst(*this, searchCriteria);
}

} // namespace Xml
