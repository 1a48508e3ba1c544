#include "demo/StarEffect.h"

#include "demo/Random.h"

#include <GL/gl.h>

#include <cmath>

namespace {

// Local times at which star n swells; stars past the table never do.
const float BEATS[] = {0.116f, 0.394f, 0.693f, 0.912f, 1.175f, 1.242f, 1.787f, 1.985f, 2.147f,
                       2.333f, 2.522f, 2.867f, 3.099f, 3.119f, 3.449f, 3.469f, 4.012f, 4.221f,
                       4.555f, 4.783f, 4.803f, 5.122f, 5.32f,  5.667f, 5.687f, 6.173f, 6.385f,
                       6.71f,  6.942f, 6.962f, 7.256f, 7.465f, 7.836f, 7.856f};
constexpr int32_t BEAT_COUNT = sizeof BEATS / sizeof BEATS[0];

float unitRandom() {
    return static_cast<float>(Random::rand()) / Random::RAND_LIMIT;
}

} // namespace

void StarEffect::load(Marquel::System*) {
    takeTexture("mcuniverse.png");
    textured = false;
    resetParameters();
    nextBeat = 0;
    lastTime = 0;
    // The same sky in every run.
    Random::srand(4123122);
    for (int i = 0; i < STARS; ++i) {
        starX[i] = (unitRandom() - 0.5f) * 8;
        starY[i] = (unitRandom() - 0.5f) * 6;
    }
    restAll();
}

void StarEffect::start() {
    nextBeat = 0;
    restAll();
}

void StarEffect::restAll() {
    for (float& s : starSize)
        s = REST_SIZE;
}

void StarEffect::trigger(float, const std::string& name, const std::string& value) {
    if (name == "new") {
        color.red = unitRandom();
        color.green = unitRandom();
        color.blue = unitRandom();
    } else if (applyTrigger(name, value) && name == "texture") {
        textured = true;
    }
}

void StarEffect::render(float time, float, float) {
    while (nextBeat < BEAT_COUNT && time > BEATS[nextBeat]) {
        starSize[nextBeat] = 2;
        ++nextBeat;
    }
    float d = time - lastTime;
    lastTime = time;
    if (d < 0)
        d = 0;
    for (int i = 0; i < STARS; ++i) {
        glLoadIdentity();
        glTranslatef(starX[i], starY[i], -8);
        // A star at rest stands still; a swollen one swings.
        glRotatef((starSize[i] - REST_SIZE) * std::sin(2.0f * i + 5 * time) * 20, 0, 0, 1);
        starSize[i] -= d * 0.6f;
        if (starSize[i] < REST_SIZE)
            starSize[i] = REST_SIZE;
        beginSquare(textured);
        drawSquare(starSize[i] * 0.2f);
    }
}
