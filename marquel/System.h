#pragma once

#include "marquel/Script.h"
#include "vx/FileSystem.h"

#include <string>

namespace Marquel {

class Effect;

// The player object: it owns the input file system, through which every file is read, and
// the script with its effect registry.
class System {
public:
    // Registers effect under name for the script to drive; a second effect under the same
    // name replaces the first. The system never deletes an effect.
    void addEffect(const std::string& name, Effect* effect) { script.addEffect(name, effect); }

    Vx::FileSystem files;
    Script script;
};

} // namespace Marquel
