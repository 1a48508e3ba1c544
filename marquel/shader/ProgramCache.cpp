#include "marquel/shader/ProgramCache.h"

#include "marquel/shader/ShaderSource.h"
#include "vx/FileSystem.h"

#include <cstdio>

namespace Marquel {
namespace Shader {

ShaderFile& ProgramCache::get(const std::string& name) {
    std::unique_ptr<ShaderFile>& file = cache[name];
    if (!file) {
        file = std::make_unique<ShaderFile>();
        file->name = name;
        read(*file);
    }
    return *file;
}

void ProgramCache::refresh() {
    for (auto& entry : cache)
        read(*entry.second);
}

std::set<std::string> ProgramCache::keepOnly(const std::set<std::string>& names) {
    std::set<std::string> dropped;
    for (auto it = cache.begin(); it != cache.end();) {
        if (names.count(it->first)) {
            ++it;
            continue;
        }
        dropped.insert(it->first);
        it = cache.erase(it);
    }
    return dropped;
}

void ProgramCache::abandonAll() {
    for (auto& entry : cache)
        if (entry.second->program)
            entry.second->program->abandon();
}

void ProgramCache::rebuildAll() {
    for (auto& entry : cache) {
        entry.second->program.reset();
        if (entry.second->found)
            build(*entry.second);
    }
}

bool ProgramCache::lost() const {
    for (const auto& entry : cache)
        if (entry.second->program)
            return !entry.second->program->alive();
    return false;
}

void ProgramCache::read(ShaderFile& file) {
    // A file over the limit is refused by its size: read whole, a huge one would be held twice.
    const Vx::CappedRead data =
        files.readFileCapped(file.name, static_cast<int64_t>(MAX_SOURCE_BYTES));
    const bool found = !data.file.isNull() || data.tooLarge;
    const int64_t refusedSize = data.tooLarge ? data.size : 0;
    std::string text = data.file.isNull() ? std::string() : data.file->getText();
    if (file.read && found == file.found && refusedSize == file.refusedSize && text == file.text)
        return;
    file.read = true;
    file.found = found;
    file.refusedSize = refusedSize;
    file.text = std::move(text);
    build(file);
}

void ProgramCache::build(ShaderFile& file) {
    std::string fault;
    if (!file.found) {
        fault = "Could not find the shader '" + file.name + "'";
    } else if (std::string why =
                   file.refusedSize ? sizeFault(file.refusedSize) : checkText(file.text);
               !why.empty()) {
        fault = "The shader '" + file.name + "' " + why;
    } else {
        const PreparedSource source = prepareSource(file.text, glsl);
        std::string log;
        std::unique_ptr<ShaderProgram> program;
        if (source.fault.empty())
            program = ShaderProgram::build(source, log);
        if (program && !program->misdeclared().empty())
            std::fprintf(stderr,
                         "[Marquel] The shader '%s' declares %s with another type than the "
                         "player sets; left unset\n",
                         file.name.c_str(), program->misdeclared().c_str());
        if (program)
            file.program = std::move(program);
        else if (!source.fault.empty())
            fault = file.name + ":" + source.fault;
        else if (fault = placeLog(log, file.name, source); fault.empty())
            fault = "The shader '" + file.name + "' does not build; the driver says nothing why";
    }
    file.fault = fault;
    if (!fault.empty())
        std::fprintf(stderr, "[Marquel] %s\n[Marquel] %s\n", fault.c_str(),
                     file.program ? "The shader's last good version draws on"
                                  : "Its shader nodes draw nothing");
}

} // namespace Shader
} // namespace Marquel
