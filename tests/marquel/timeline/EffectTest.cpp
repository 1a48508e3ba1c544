// The effect registry and what init() does before an effect loads.

#include "RecordingEffect.h"
#include "marquel/Display.h"
#include "marquel/Script.h"
#include "marquel/System.h"
#include "vorlik/TextureManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TestDisplay : public Marquel::Display {
public:
    void open(const std::string&, int, int, bool) override {}
    void beginFrame() override {}
    void endFrame() override {}
    void drawInspector(Marquel::Panel&) override {}
    void drawHud(Marquel::Panel&) override {}
    void drawProgress(float) override {}
    Vorlik::TextureManager* getTextureManager() override {
        return withTextures ? &textures : nullptr;
    }

    Vorlik::TextureManager textures;
    bool withTextures = true;
};

} // namespace

TEST(EffectTest, RegistryIsOrderedByNameAndReplacesOnReRegistration) {
    CallLog log;
    RecordingEffect first{log}, second{log}, third{log};
    Marquel::System system;
    system.addEffect("torus", &first);
    system.addEffect("Zoom", &second);
    system.addEffect("flash", &third);
    system.addEffect("torus", &second);
    std::vector<std::string> names;
    for (const auto& entry : system.script.effects)
        names.push_back(entry.first);
    EXPECT_EQ(names, (std::vector<std::string>{"Zoom", "flash", "torus"}));
    EXPECT_EQ(system.script.findEffect("torus"), &second);
    EXPECT_EQ(system.script.findEffect("Torus"), nullptr);
    EXPECT_TRUE(log.take().empty());
}

TEST(EffectTest, InitBindsTheDisplayAndTexturesBeforeLoading) {
    CallLog log;
    RecordingEffect effect{log};
    TestDisplay display;
    Marquel::System system;
    EXPECT_FALSE(effect.initialised);
    effect.init(&display, &system);
    EXPECT_EQ(log.take(), std::vector<std::string>{"load"});
    EXPECT_EQ(effect.loadedWith, &system);
    EXPECT_FALSE(effect.initialisedDuringLoad);
    EXPECT_EQ(effect.filesDuringLoad, &system.files);
    EXPECT_TRUE(effect.initialised);
    EXPECT_EQ(effect.display, &display);
    EXPECT_EQ(effect.system, &system);
    EXPECT_EQ(effect.textures, &display.textures);
    EXPECT_EQ(display.textures.getFileSystem(), &system.files);
}

TEST(EffectTest, InitLoadsOnADisplayWithoutTextures) {
    CallLog log;
    RecordingEffect effect{log};
    TestDisplay display;
    display.withTextures = false;
    Marquel::System system;
    effect.init(&display, &system);
    EXPECT_EQ(log.take(), std::vector<std::string>{"load"});
    EXPECT_EQ(effect.textures, nullptr);
    EXPECT_TRUE(effect.initialised);
}
