#include "xml/AttributeIndex.h"

namespace Xml {

namespace {

// Below this count a plain search is quicker than any index.
const size_t INDEXED_FROM = 16;

} // namespace

std::string& AttributeIndex::valueOf(XmlTag::Attributes& attributes, const char* name,
                                     size_t length) {
    if (attributes.size() < INDEXED_FROM) {
        for (XmlTag::Attribute& attribute : attributes) {
            if (attribute.first.size() == length &&
                attribute.first.compare(0, length, name, length) == 0)
                return attribute.second;
        }
    } else {
        // Names are unique, so the index always covers a leading run of the attributes.
        for (size_t i = positions.size(); i < attributes.size(); ++i)
            positions.emplace(attributes[i].first, i);
        lookupName.assign(name, length);
        auto found = positions.find(lookupName);
        if (found != positions.end())
            return attributes[found->second].second;
    }
    if (attributes.empty())
        attributes.reserve(3);
    attributes.emplace_back(std::string(name, length), std::string());
    return attributes.back().second;
}

void AttributeIndex::clear() {
    // clear() keeps the buckets and zeroes them all: after one huge tag every later tag of
    // many attributes would pay for them again.
    if (positions.bucket_count() > 1024)
        std::unordered_map<std::string, size_t>().swap(positions);
    else if (!positions.empty())
        positions.clear();
}

} // namespace Xml
