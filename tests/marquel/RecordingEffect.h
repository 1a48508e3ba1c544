#pragma once
// An effect that writes down every call it gets, with its arguments, one line per call,
// into a log that several effects may share so that their order shows.

#include "marquel/Effect.h"
#include "vorlik/TextureManager.h"

#include <cstdio>
#include <string>
#include <vector>

class CallLog {
public:
    void add(const std::string& call) { calls.push_back(call); }
    // The calls since the last take(), and forgets them.
    std::vector<std::string> take() {
        std::vector<std::string> taken;
        taken.swap(calls);
        return taken;
    }

private:
    std::vector<std::string> calls;
};

class RecordingEffect : public Marquel::Effect {
public:
    // Lines are prefixed with "tag: " unless the tag is empty.
    explicit RecordingEffect(CallLog& log, std::string tag = "") : log(log), tag(std::move(tag)) {}

    void start() override { record("start"); }
    void trigger(float time, const std::string& name, const std::string& value) override {
        record("trigger " + number(time) + " " + name + " " + value);
    }
    void spline(float time, const std::string& name, float value) override {
        record("spline " + number(time) + " " + name + " " + number(value));
    }
    void render(float time, float dt, float progress) override {
        record("render " + number(time) + " " + number(dt) + " " + number(progress));
    }
    void load(Marquel::System* system) override {
        loadedWith = system;
        initialisedDuringLoad = initialised;
        filesDuringLoad = textures ? textures->getFileSystem() : nullptr;
        record("load");
    }

    static std::string number(float value) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", value);
        return text;
    }

    Marquel::System* loadedWith = nullptr;
    bool initialisedDuringLoad = true;
    // What the textures read through while the effect loads.
    Vx::FileSystem* filesDuringLoad = nullptr;

private:
    void record(const std::string& call) { log.add(tag.empty() ? call : tag + ": " + call); }

    CallLog& log;
    std::string tag;
};
