#include "marquel/shader/ShaderProgram.h"

#include "marquel/shader/ShaderSource.h"

#include <epoxy/gl.h>

namespace Marquel {
namespace Shader {

namespace {

const char* const STANDARD_NAMES[STANDARD_COUNT] = {
    "time",  "demoTime",   "progress", "resolution", "iResolution",
    "iTime", "iTimeDelta", "iFrame",   "iDate",      "iChannelResolution[0]",
};
// The type each is set as: setting one declared otherwise fails in the driver every frame.
const GLenum STANDARD_TYPES[STANDARD_COUNT] = {
    GL_FLOAT, GL_FLOAT, GL_FLOAT, GL_FLOAT_VEC2, GL_FLOAT_VEC3,
    GL_FLOAT, GL_FLOAT, GL_INT,   GL_FLOAT_VEC4, GL_FLOAT_VEC3,
};

// Why the shader or program did not build, as the driver says it.
std::string infoLog(GLuint object, bool isProgram) {
    GLint length = 0;
    if (isProgram)
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    else
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length > 0 ? length : 1), '\0');
    if (isProgram)
        glGetProgramInfoLog(object, length, nullptr, &log[0]);
    else
        glGetShaderInfoLog(object, length, nullptr, &log[0]);
    log.resize(log.find('\0'));
    return log;
}

// The compiled shader, or 0 with the driver's words in log.
GLuint compile(GLenum kind, const std::string& text, std::string& log) {
    const GLuint shader = glCreateShader(kind);
    const char* source = text.c_str();
    const GLint length = static_cast<GLint>(text.size());
    glShaderSource(shader, 1, &source, &length);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled)
        return shader;
    log += infoLog(shader, false);
    glDeleteShader(shader);
    return 0;
}

} // namespace

std::unique_ptr<ShaderProgram> ShaderProgram::build(const PreparedSource& source,
                                                    std::string& log) {
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, source.fragment, log);
    if (!fragment)
        return nullptr;
    const GLuint vertex = compile(GL_VERTEX_SHADER, source.vertex, log);
    if (!vertex) {
        glDeleteShader(fragment);
        return nullptr;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glBindAttribLocation(program, 0, "marquelCorner");
    glLinkProgram(program);
    // The program keeps what it needs of them.
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        log += infoLog(program, true);
        glDeleteProgram(program);
        return nullptr;
    }
    std::unique_ptr<ShaderProgram> made(new ShaderProgram(program));
    GLint count = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
    char name[256];
    for (GLint i = 0; i < count; ++i) {
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, static_cast<GLuint>(i), sizeof name, nullptr, &size, &type, name);
        made->active.push_back({name, glGetUniformLocation(program, name), type});
    }
    for (int i = 0; i < STANDARD_COUNT; ++i) {
        made->standard[i] = glGetUniformLocation(program, STANDARD_NAMES[i]);
        for (const Uniform& uniform : made->active) {
            if (uniform.name != STANDARD_NAMES[i] || uniform.type == STANDARD_TYPES[i])
                continue;
            made->standard[i] = -1;
            made->misfits += (made->misfits.empty() ? "" : ", ") + uniform.name;
        }
    }
    // Sampler i reads texture unit i for good.
    glUseProgram(program);
    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        for (const char* prefix : {"texture", "iChannel"}) {
            const GLint at = glGetUniformLocation(program, (prefix + std::to_string(i)).c_str());
            if (at >= 0)
                glUniform1i(at, i);
        }
    }
    glUseProgram(0);
    return made;
}

ShaderProgram::ShaderProgram(unsigned program) : program(program) {
    static unsigned long made = 0;
    number = ++made;
}

ShaderProgram::~ShaderProgram() {
    // An abandoned program may have no context left to call.
    if (program)
        glDeleteProgram(program);
}

bool ShaderProgram::alive() const {
    return glIsProgram(program) == GL_TRUE;
}

void ShaderProgram::drawQuad() const {
    static const GLfloat CORNERS[] = {-1, -1, 1, -1, -1, 1, 1, 1};
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, CORNERS);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableVertexAttribArray(0);
}

} // namespace Shader
} // namespace Marquel
