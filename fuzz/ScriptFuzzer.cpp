// Any bytes as a script file: a script that loads must save, load again and save the same
// text. Saving may refuse a text the file cannot carry.

#include "fuzz/Finding.h"
#include "marquel/Exception.h"
#include "marquel/Script.h"
#include "xml/XmlException.h"

#include <climits>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT_MAX)
        return 0;
    std::string text;
    try {
        Marquel::Script first;
        if (!first.load(reinterpret_cast<const char*>(data), static_cast<int>(size)))
            return 0;
        text = first.save();
    } catch (const Xml::XmlException&) {
        return 0;
    } catch (const Marquel::Exception&) {
        return 0;
    }
    std::string again;
    try {
        Marquel::Script second;
        if (!second.load(text.data(), static_cast<int>(text.size())))
            Fuzz::finding("a saved script does not load", text);
        again = second.save();
    } catch (const std::exception& e) {
        Fuzz::finding(e.what(), text);
    }
    if (again != text)
        Fuzz::finding("a saved script saves as another text", text, again);
    return 0;
}
