#include "marquel/shader/NodeState.h"

#include "marquel/shader/ProgramCache.h"

#include <epoxy/gl.h>

#include <cstdio>

namespace Marquel {
namespace Shader {

void NodeState::setValues(const ShaderProgram& program, ShaderFile& file) {
    static const float ZERO = 0;
    if (boundProgram != program.serial() || boundNames != values.size()) {
        boundProgram = program.serial();
        boundNames = values.size();
        bound.clear();
        for (const ShaderProgram::Uniform& uniform : program.uniforms()) {
            const auto value = values.find(uniform.name);
            if (uniform.type == GL_FLOAT) {
                bound.emplace_back(uniform.location,
                                   value == values.end() ? &ZERO : &value->second);
            } else if (value != values.end() && file.mistyped.insert(uniform.name).second) {
                std::fprintf(stderr,
                             "[Marquel] The shader '%s' declares '%s' as another type than "
                             "float; the script's value for it is ignored\n",
                             file.name.c_str(), uniform.name.c_str());
            }
        }
    }
    for (const auto& entry : bound)
        glUniform1f(entry.first, *entry.second);
}

} // namespace Shader
} // namespace Marquel
