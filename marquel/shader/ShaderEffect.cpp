#include "marquel/ShaderEffect.h"

#include "marquel/Display.h"
#include "marquel/EffectNode.h"
#include "marquel/System.h"
#include "marquel/shader/FrameCopy.h"
#include "marquel/shader/NodeState.h"
#include "marquel/shader/ProgramCache.h"
#include "marquel/shader/QuadState.h"
#include "marquel/shader/SpectrumTexture.h"
#include "marquel/timeline/ScriptFiles.h"
#include "vorlik/TextureManager.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <set>
#include <vector>

namespace Marquel {

using namespace Shader;

namespace {

// The number a trigger's whole value reads as, or false.
bool readNumber(const std::string& text, float& number) {
    if (text.empty())
        return false;
    char* end = nullptr;
    number = std::strtof(text.c_str(), &end);
    return end == text.c_str() + text.size();
}

// Which sampler a trigger name sets, or -1.
int textureIndex(const std::string& name) {
    if (name.size() != 8 || name.compare(0, 7, "texture") != 0)
        return -1;
    const int index = name[7] - '0';
    return index >= 0 && index < TEXTURE_COUNT ? index : -1;
}

// Calls visit with every node of the tree, children after their parent.
void walk(const std::vector<std::unique_ptr<EffectNode>>& nodes,
          const std::function<void(const EffectNode&)>& visit) {
    for (const auto& node : nodes) {
        visit(*node);
        walk(node->children, visit);
    }
}

// Calls visit with every trigger of the script's nodes that effect draws.
void walkTriggers(const Script& script, const Effect* effect,
                  const std::function<void(const Trigger&)>& visit) {
    walk(script.nodes, [&](const EffectNode& node) {
        if (script.findEffect(node.name) != effect)
            return;
        for (const auto& trigger : node.triggers)
            visit(*trigger);
    });
}

} // namespace

struct ShaderEffect::Parts {
    // Null while shaders cannot draw here.
    std::unique_ptr<ProgramCache> programs;
    QuadFeatures features;
    std::map<const EffectNode*, NodeState> nodes;
    // What the nodes before drew this frame, the last frame shown, and black.
    FrameCopy frame;
    FrameCopy previous;
    FrameCopy black;
    SpectrumTexture spectrum;
    // A node bound "previous" this frame: the frame drawn is copied for the next.
    bool previousWanted = false;
    // Frames drawn, and the one whose end the copy in previous was made at: only the frame
    // just before is "the last frame shown".
    uint64_t framesDrawn = 0;
    uint64_t previousCopiedAt = UINT64_MAX;
    // The script's nodes, kept between calls so that looking for gone ones allocates nothing.
    std::vector<const EffectNode*> live;
    // The script files' count of source changes last looked at.
    unsigned sourceChanges = 0;
    // The files in the cache after the files no node names were last dropped.
    size_t filesKept = 0;
    // What the system calls before its window closes, while this effect lives.
    std::shared_ptr<std::function<void()>> releaseCall;
    // What this effect last put on the HUD.
    std::string message;
    bool cannotDraw = false;

    // Puts the faults of the files the nodes draw on the HUD, or takes them away.
    void showFaults(const Effect& effect) {
        std::set<const ShaderFile*> shown;
        std::string text;
        for (const auto& entry : nodes) {
            const ShaderFile* file = entry.second.file;
            if (file && !file->fault.empty() && shown.insert(file).second)
                text += (text.empty() ? "" : "\n") + file->fault;
        }
        if (text != message && effect.system)
            effect.system->setEffectMessage(effect, text);
        message = text;
    }

    // Reads the files again when the script files saw a change on disk or a Ctrl+R.
    void followSources(const Effect& effect) {
        const ScriptFiles* files = effect.system ? effect.system->scriptFiles.get() : nullptr;
        if (!files || files->sourceChanges() == sourceChanges)
            return;
        sourceChanges = files->sourceChanges();
        programs->refresh();
        showFaults(effect);
    }

    // Drops the state of nodes no longer in the script (a reload, the inspector), but for
    // keep; true when there were any.
    bool dropGone(const Effect& effect, const EffectNode* keep) {
        if (nodes.empty() || !effect.system)
            return false;
        live.clear();
        walk(effect.system->script.nodes, [this](const EffectNode& node) { live.push_back(&node); });
        std::sort(live.begin(), live.end());
        bool dropped = false;
        for (auto it = nodes.begin(); it != nodes.end();) {
            const bool gone = it->first != keep &&
                              !std::binary_search(live.begin(), live.end(), it->first);
            dropped |= gone;
            it = gone ? nodes.erase(it) : std::next(it);
        }
        return dropped;
    }

    // Drops the files no node of the script names and no node draws, with their texts and
    // programs: a script naming ever new files would keep all it built. Looked at only when the
    // cache grew.
    void dropUnnamed(const Effect& effect) {
        if (programs->size() <= filesKept)
            return;
        std::set<std::string> named;
        walkTriggers(effect.system->script, &effect, [&](const Trigger& trigger) {
            if (trigger.name == "shader")
                named.insert(trigger.value);
        });
        dropGone(effect, nullptr);
        for (const auto& entry : nodes)
            if (entry.second.file)
                named.insert(entry.second.file->name);
        const std::set<std::string> dropped = programs->keepOnly(named);
        if (effect.system->scriptFiles)
            effect.system->scriptFiles->forgetSources(dropped);
        filesKept = programs->size();
        showFaults(effect);
    }

    // After a lost context: the names are let go of, not deleted.
    void abandonGpu() {
        programs->abandonAll();
        frame.abandon();
        previous.abandon();
        black.abandon();
        spectrum.abandon();
    }

    // Before the window closes: the OpenGL objects go while their context lives. The effect
    // then draws nothing until it is loaded into another system.
    void releaseGpu(const System& system) {
        if (!programs)
            return;
        if (!system.display || !system.display->isOpen())
            abandonGpu();
        nodes.clear();
        programs.reset();
        frame.release();
        previous.release();
        black.release();
        spectrum.release();
        message.clear();
        filesKept = 0;
        previousWanted = false;
        previousCopiedAt = UINT64_MAX;
    }

    // The texture to bind for slot in the frame at demoTime, and its sides.
    unsigned bind(TextureSlot& slot, float* sides, float demoTime) {
        FrameCopy* copy = &black;
        switch (slot.kind) {
        case TextureKind::PICTURE:
            if (slot.picture && slot.picture->getId()) {
                sides[0] = static_cast<float>(slot.picture->getWidth());
                sides[1] = static_cast<float>(slot.picture->getHeight());
                sides[2] = 1;
                return slot.picture->getId();
            }
            break;
        case TextureKind::FRAME:
            copy = &frame;
            break;
        case TextureKind::PREVIOUS:
            previousWanted = true;
            if (previousCopiedAt + 1 == framesDrawn)
                copy = &previous;
            break;
        case TextureKind::SPECTRUM:
            if (const unsigned id = spectrum.texture(demoTime)) {
                sides[0] = static_cast<float>(SpectrumTexture::width());
                sides[1] = sides[2] = 1;
                return id;
            }
            break;
        case TextureKind::NONE:
            break;
        }
        sides[0] = static_cast<float>(copy->width());
        sides[1] = static_cast<float>(copy->height());
        sides[2] = 1;
        return copy->texture();
    }
};

ShaderEffect::ShaderEffect() : parts(std::make_unique<Parts>()) {
}

ShaderEffect::~ShaderEffect() = default;

void ShaderEffect::load(System* system) {
    if (parts->programs || parts->cannotDraw)
        return;
    // Said once: the other effects draw on without the shader nodes.
    if (!textures) {
        std::fprintf(stderr, "[Marquel] Shader effects need an OpenGL window; the shader nodes "
                             "draw nothing (set the window type to \"opengl\")\n");
        parts->cannotDraw = true;
        return;
    }
    const int version = epoxy_gl_version();
    if (version < 20) {
        std::fprintf(stderr,
                     "[Marquel] Shader effects need OpenGL 2.0, and this driver offers %d.%d; "
                     "the shader nodes draw nothing\n",
                     version / 10, version % 10);
        parts->cannotDraw = true;
        return;
    }
    parts->programs = std::make_unique<ProgramCache>(system->files, epoxy_glsl_version());
    parts->features = QuadFeatures::ofDriver();
    // An effect may outlive its system: OpenGL calls after the context went abort.
    parts->releaseCall = std::make_shared<std::function<void()>>(
        [this, system] { parts->releaseGpu(*system); });
    system->beforeDisplayCloses(parts->releaseCall);
    if (system->scriptFiles)
        parts->sourceChanges = system->scriptFiles->sourceChanges();
    // Behind the loading screen rather than in a frame: the music is decoded and every file
    // the script names is built. A video dump then records these texts however the files
    // change while it runs, as it records the script as it was.
    bool spectrum = false;
    walkTriggers(system->script, this, [&](const Trigger& trigger) {
        if (trigger.name == "shader") {
            parts->programs->get(trigger.value);
            if (system->scriptFiles)
                system->scriptFiles->followSource(trigger.value);
        }
        spectrum |= textureIndex(trigger.name) >= 0 && trigger.value == "spectrum";
    });
    if (spectrum)
        parts->spectrum.open(*system);
}

void ShaderEffect::start() {
    // A node is armed at load and when the clock rewinds.
    parts->dropGone(*this, node);
    parts->nodes[node] = NodeState();
}

void ShaderEffect::trigger(float, const std::string& name, const std::string& value) {
    NodeState& state = parts->nodes[node];
    float number = 0;
    const int index = textureIndex(name);
    if (name == "shader") {
        if (!parts->programs)
            return;
        state.file = &parts->programs->get(value);
        if (system->scriptFiles)
            system->scriptFiles->followSource(value);
        parts->showFaults(*this);
    } else if (index >= 0) {
        TextureSlot& slot = state.textures[index];
        slot = TextureSlot();
        slot.kind = value == "frame"      ? TextureKind::FRAME
                    : value == "previous" ? TextureKind::PREVIOUS
                    : value == "spectrum" ? TextureKind::SPECTRUM
                                          : TextureKind::PICTURE;
        if (slot.kind == TextureKind::SPECTRUM && parts->programs)
            parts->spectrum.open(*system);
        if (slot.kind == TextureKind::PICTURE && textures) {
            try {
                slot.picture = textures->getTexture(value);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "[Marquel] The shader's %s '%s' could not be loaded; it "
                                     "reads black: %s\n",
                             name.c_str(), value.c_str(), e.what());
            }
        }
    } else if (readNumber(value, number)) {
        state.values[name] = number;
        // The firing's own time: after a jump or a slow frame a flash fades as it does
        // when played at any frame rate.
        state.values[name + "Time"] = dueTime;
    }
}

void ShaderEffect::spline(float, const std::string& name, float value) {
    parts->nodes[node].values[name] = value;
}

void ShaderEffect::render(float time, float dt, float progress) {
    Parts& p = *parts;
    if (!p.programs)
        return;
    // A switch of the video mode takes the programs and textures with the old context.
    if (p.programs->lost()) {
        p.abandonGpu();
        p.programs->rebuildAll();
    }
    p.followSources(*this);
    const auto found = p.nodes.find(node);
    if (found == p.nodes.end() || !found->second.file || !found->second.file->program)
        return;
    NodeState& state = found->second;
    const ShaderProgram& program = *state.file->program;
    const int width = static_cast<int>(display->width());
    const int height = static_cast<int>(display->height());
    const float demoTime = system->script.currentTime;

    const QuadState quad(p.features, width, height);
    for (const TextureSlot& slot : state.textures) {
        if (slot.kind == TextureKind::FRAME) {
            p.frame.copy(width, height);
            break;
        }
    }
    float sides[TEXTURE_COUNT * 3];
    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        const GLuint id = p.bind(state.textures[i], sides + 3 * i, demoTime);
        glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + i));
        glBindTexture(GL_TEXTURE_2D, id);
    }
    glUseProgram(program.id());
    state.setValues(program, *state.file);
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    glUniform1f(program.location(TIME), time);
    glUniform1f(program.location(DEMO_TIME), demoTime);
    glUniform1f(program.location(PROGRESS), progress);
    glUniform2f(program.location(RESOLUTION), w, h);
    glUniform3f(program.location(TOY_RESOLUTION), w, h, 1);
    glUniform1f(program.location(TOY_TIME), time);
    glUniform1f(program.location(TOY_TIME_DELTA), dt);
    glUniform1i(program.location(TOY_FRAME), state.frames);
    // The date comes from the demo clock, never the wall clock: a recording is the same
    // every time.
    glUniform4f(program.location(TOY_DATE), 0, 0, 0, demoTime);
    glUniform3fv(program.location(TOY_CHANNEL_RESOLUTION), TEXTURE_COUNT, sides);
    program.drawQuad();
    ++state.frames;
}

void ShaderEffect::frameDrawn() {
    Parts& p = *parts;
    if (p.previousWanted) {
        p.previousWanted = false;
        const int width = static_cast<int>(display->width());
        const int height = static_cast<int>(display->height());
        const QuadState window(p.features, width, height);
        p.previous.copy(width, height);
        p.previousCopiedAt = p.framesDrawn;
    }
    ++p.framesDrawn;
    if (!p.programs)
        return;
    // Also while no shader node draws: a mended file, or a node gone with its broken file,
    // takes its message off the HUD.
    p.followSources(*this);
    // A node gone with a reload or the inspector takes its file's fault off the HUD; the
    // script is only walked for that while a fault stands.
    if (!p.message.empty() && p.dropGone(*this, nullptr))
        p.showFaults(*this);
    p.dropUnnamed(*this);
}

} // namespace Marquel
