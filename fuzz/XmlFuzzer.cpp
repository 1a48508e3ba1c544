// Any bytes as a document: what parses must write, read back as the same tree, and write
// again as the same text. The writer may refuse a tree it cannot carry. Text is written
// without its surrounding white space (which the reader keeps up to the next tag), so text
// is compared without it.

#include "fuzz/Finding.h"
#include "xml/XmlException.h"
#include "xml/XmlParser.h"

#include <climits>
#include <cstdint>
#include <string>

namespace {

std::string trimmed(const std::string& text) {
    const char* const whiteSpace = " \t\n\r";
    size_t first = text.find_first_not_of(whiteSpace);
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(whiteSpace) - first + 1);
}

bool sameTag(const Xml::XmlTag& a, const Xml::XmlTag& b) {
    if (a.getName() != b.getName() || a.getTagType() != b.getTagType())
        return false;
    if (a.getTagType() == Xml::TT_TEXT)
        return trimmed(a.getAttribute("content")) == trimmed(b.getAttribute("content")) &&
               a.getAttributes().size() == b.getAttributes().size();
    return a.getAttributes() == b.getAttributes();
}

bool sameTree(const Xml::XmlNode& a, const Xml::XmlNode& b) {
    if (!sameTag(a, b) || a.childCount() != b.childCount())
        return false;
    for (int i = 0; i < a.childCount(); ++i)
        if (!sameTree(*a.child(i), *b.child(i)))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT_MAX)
        return 0;
    Xml::XmlParser first;
    std::string text;
    try {
        first.parse(reinterpret_cast<const char*>(data), static_cast<int>(size));
        first.write(text, "\t");
    } catch (const Xml::XmlException&) {
        return 0;
    }
    Xml::XmlParser second;
    std::string again;
    try {
        second.parse(text.data(), static_cast<int>(text.size()));
        second.write(again, "\t");
    } catch (const Xml::XmlException& e) {
        Fuzz::finding(e.what(), text);
    }
    if (!sameTree(first, second) || !sameTag(first.declaration(), second.declaration()))
        Fuzz::finding("the written document reads back as another tree", text, again);
    if (again != text)
        Fuzz::finding("the second write differs from the first", text, again);
    return 0;
}
