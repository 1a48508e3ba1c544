#pragma once

#include "xml/XmlTag.h"

#include <cstddef>
#include <string>
#include <unordered_map>

namespace Xml {

// Finds an attribute by name while a tag is being filled. Searching all earlier names for
// each new one made a tag of 100,000 attributes take over a minute to read, so from a few
// attributes on the names are kept in a hash index.
class AttributeIndex {
public:
    // The value of the attribute called name, appended with an empty value when it is new.
    // The index belongs to one sequence of attributes until it is cleared.
    std::string& valueOf(XmlTag::Attributes& attributes, const char* name, size_t length);
    void clear();

private:
    std::unordered_map<std::string, size_t> positions;
    std::string lookupName;
};

} // namespace Xml
