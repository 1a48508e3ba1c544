#pragma once
// Checks shared by the files the player reads and writes: the configuration and the script
// files.

#include "marquel/Exception.h"
#include "xml/XmlException.h"

#include <algorithm>
#include <filesystem>
#include <string>

namespace Marquel {

// The parser's message gives a line and a column but not the file they are in.
template <typename Parse> auto parseNamed(const std::string& name, Parse parse) {
    try {
        return parse();
    } catch (const Xml::XmlException& e) {
        throw Exception("[Marquel] '%s' is not well-formed XML: %s", name.c_str(), e.what());
    }
}

// Elements nest at most this deep in the configuration and the script files. Reading,
// running, saving and freeing the script's tree recurse once per level, so a file nested deep
// enough would run them out of stack; and the configuration's write-back indents every line
// once per level, so its text grows with the square of the depth (2.5 GB at 50,000 levels).
constexpr int MAX_DEPTH = 1000;

// Why an output name is refused: written under its folder, it would land outside it. An
// absolute name stays inside, since every folder joins the name to its own path.
constexpr const char* LEAVES_FOLDER = "its name may not hold '..'";

inline bool leavesFolder(const std::string& name) {
    const std::filesystem::path path(name);
    return std::any_of(path.begin(), path.end(), [](const auto& part) { return part == ".."; });
}

} // namespace Marquel
