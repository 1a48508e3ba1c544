#pragma once

#include <marquel/Effect.h>
#include <vorlik/TextureRef.h>

#include <string>

// The picture on a turning square over a background that lights up on every "flash" trigger
// and fades in a third of a second; the "size" spline sets the square's half side.
class HelloEffect : public Marquel::Effect {
public:
    void load(Marquel::System* system) override;
    void start() override;
    void trigger(float time, const std::string& name, const std::string& value) override;
    void spline(float time, const std::string& name, float value) override;
    void render(float time, float dt, float progress) override;

private:
    Vorlik::TextureRef picture;
    float flashTime = 0;
    float size = 1;
};
