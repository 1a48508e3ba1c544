#pragma once

#include "marquel/shader/ShaderProgram.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace Vx {
class FileSystem;
}

namespace Marquel {
namespace Shader {

// A shader file as last read, and the program of its last text that built.
struct ShaderFile {
    std::string name;
    bool read = false;
    bool found = false;
    // The size of a file larger than a shader may be, refused unread; 0 otherwise.
    int64_t refusedSize = 0;
    std::string text;
    // The last good program: it draws on while the text on disk does not build.
    std::unique_ptr<ShaderProgram> program;
    // Why the text on disk does not draw, for the HUD; empty when it does.
    std::string fault;
    // The uniforms of another type than float the script named, said once each.
    std::set<std::string> mistyped;
};

// The shader files by name, each read and built once however many nodes draw it and
// however often the script is loaded; a file is read again only when asked to refresh or
// when named again after it was dropped, and built again only when its text changed.
class ProgramCache {
public:
    // files must outlive the cache; driverGlsl is the driver's GLSL version times 100.
    ProgramCache(Vx::FileSystem& files, int driverGlsl) : files(files), glsl(driverGlsl) {}

    // The file name, read and built on first use.
    ShaderFile& get(const std::string& name);
    // Reads every file again and builds those whose text changed.
    void refresh();
    // Drops the files not in names, with their texts and programs; returns their names.
    std::set<std::string> keepOnly(const std::set<std::string>& names);
    size_t size() const { return cache.size(); }
    // After a lost context: the programs let go of their names, without deleting them.
    void abandonAll();
    // After abandonAll: every program is built again from its text.
    void rebuildAll();
    // True when a program in the cache is gone with its context.
    bool lost() const;

private:
    void read(ShaderFile& file);
    void build(ShaderFile& file);

    Vx::FileSystem& files;
    int glsl;
    std::map<std::string, std::unique_ptr<ShaderFile>> cache;
};

} // namespace Shader
} // namespace Marquel
