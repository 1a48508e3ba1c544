#include "xml/XmlIterator.h"

#include "xml/XmlException.h"
#include "xml/XmlNode.h"

#include <algorithm>

namespace Xml {

IteratorConst::IteratorConst(const XmlNode& owner, const std::string& searchCriteria)
    : owner(&owner), searchCriteria(searchCriteria) {
}

bool IteratorConst::operator++() {
    if (atEnd)
        throw XmlException("IteratorConst::operator++; Called after last tag!");
    beforeFirst = false;
    int count = owner->childCount();
    for (int i = index + 1; i < count; ++i) {
        if (searchCriteria.empty() || owner->child(i)->getName() == searchCriteria) {
            index = i;
            return true;
        }
    }
    atEnd = true;
    if (index + 1 >= count)
        index = count;
    return false;
}

// Children inserted or detached behind the iterator's back may leave the index outside the
// children; that counts as past the end.
const XmlNode& IteratorConst::current(const char* beforeFirstMessage,
                                      const char* afterLastMessage) const {
    if (beforeFirst)
        throw XmlException("%s", beforeFirstMessage);
    if (atEnd || index < 0 || index >= owner->childCount())
        throw XmlException("%s", afterLastMessage);
    return *owner->child(index);
}

const XmlNode& IteratorConst::currentNode() const {
    return current("IteratorConst::operator->; Can't access before first element!",
                   "IteratorConst::operator->; Can't access after last element!");
}

const XmlTag* IteratorConst::operator->() const {
    return &currentNode();
}

IteratorConst IteratorConst::getChildren(const std::string& criteria) const {
    return currentNode().getChildren(criteria);
}

void IteratorConst::write(std::ostream& stream) const {
    operator->()->write(stream, true);
}

Iterator::Iterator(XmlNode& owner, const std::string& searchCriteria)
    : IteratorConst(owner, searchCriteria) {
}

// The owner was given as modifiable at construction.
XmlNode& Iterator::currentNode() const {
    return const_cast<XmlNode&>(
        current("XmlParser::Iterator::operator->; Can't access before first element, try "
                "operator++ first!",
                "XmlParser::Iterator::operator->; Can't access after last element, no Tags "
                "matching searchCriteria?"));
}

XmlTag* Iterator::operator->() const {
    return &currentNode();
}

XmlNode* Iterator::getParent() const {
    return const_cast<XmlNode*>(owner);
}

Iterator Iterator::getChildren(const std::string& criteria) const {
    return currentNode().getChildren(criteria);
}

// After a step that found nothing the index may stand on the end; the new child is then
// appended.
Iterator Iterator::insert(const XmlTag& tag) {
    index = std::min(index + 1, owner->childCount());
    atEnd = false;
    beforeFirst = false;
    return getParent()->insertChild(tag, index);
}

} // namespace Xml
