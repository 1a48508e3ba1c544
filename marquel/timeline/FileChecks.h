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

// Why an output name is refused: written under its folder, it would land outside it. An
// absolute name stays inside, since every folder joins the name to its own path.
constexpr const char* LEAVES_FOLDER = "its name may not hold '..'";

inline bool leavesFolder(const std::string& name) {
    const std::filesystem::path path(name);
    return std::any_of(path.begin(), path.end(), [](const auto& part) { return part == ".."; });
}

} // namespace Marquel
