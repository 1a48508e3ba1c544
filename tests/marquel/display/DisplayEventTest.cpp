// Turning SDL input into event records: key records with their modifiers, the quit record,
// and bursts larger than one frame's list.

#include "WindowFixture.h"
#include "marquel/display/GLDisplay.h"

#include <tuple>
#include <vector>

namespace {

using Marquel::Event;
using Marquel::EventList;

// Shows the modifier state the display keeps from the last key.
class KeyWindow : public Marquel::GLDisplay {
public:
    bool heldCtrl() const { return ctrl; }
    bool heldAlt() const { return alt; }
    bool heldShift() const { return shift; }
};

void pushKey(Uint8 type, SDLKey sym, Uint8 scancode = 0, SDLMod mod = KMOD_NONE) {
    SDL_Event event{};
    event.type = type;
    event.key.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = sym;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&event), 0);
}

void pushQuit() {
    SDL_Event event{};
    event.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&event), 0);
}

void pushMouseMotion() {
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.type = SDL_MOUSEMOTION;
    event.motion.x = 3;
    event.motion.y = 4;
    ASSERT_EQ(SDL_PushEvent(&event), 0);
}

// Type, key, scan code, Ctrl, Alt, Shift.
std::tuple<int, int, int, bool, bool, bool> fieldsOf(const Event& e) {
    return {e.type, e.key, e.scancode, e.ctrl, e.alt, e.shift};
}

std::vector<int32_t> keysOf(const EventList& events) {
    std::vector<int32_t> keys;
    for (int i = 0; i < events.count; ++i)
        keys.push_back(events.events[i].key);
    return keys;
}

class DisplayEventTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        display.open("events", 64, 48, false);
        // The window's own start-up events (focus, exposure) are not input.
        EventList startup;
        display.pollEvents(startup);
        for (int i = 0; i < startup.count; ++i)
            ASSERT_NE(startup.events[i].type, Marquel::EVENT_QUIT);
    }

    EventList poll() {
        EventList events;
        display.pollEvents(events);
        return events;
    }

    KeyWindow display;
};

TEST_F(DisplayEventTest, KeysBecomeRecordsWithSymbolScancodeAndModifiers) {
    pushKey(SDL_KEYDOWN, SDLK_a, 38, SDLMod(KMOD_LCTRL | KMOD_RSHIFT | KMOD_NUM));
    pushMouseMotion();
    pushKey(SDL_KEYUP, SDLK_F5, 71, KMOD_RALT);
    EventList events = poll();
    ASSERT_EQ(events.count, 2);
    EXPECT_EQ(fieldsOf(events.events[0]),
              std::make_tuple(Marquel::EVENT_KEYDOWN, SDLK_a, 38, true, false, true));
    EXPECT_EQ(fieldsOf(events.events[1]),
              std::make_tuple(Marquel::EVENT_KEYUP, SDLK_F5, 71, false, true, false));
    // The display remembers the modifiers of the last key.
    EXPECT_FALSE(display.heldCtrl());
    EXPECT_TRUE(display.heldAlt());
    EXPECT_FALSE(display.heldShift());
}

TEST_F(DisplayEventTest, EachSideOfEachModifierCountsAndLockKeysDoNot) {
    const SDLMod mods[] = {KMOD_RCTRL, KMOD_LALT, KMOD_LSHIFT, SDLMod(KMOD_CAPS | KMOD_MODE)};
    for (SDLMod mod : mods)
        pushKey(SDL_KEYDOWN, SDLK_SPACE, 65, mod);
    EventList events = poll();
    ASSERT_EQ(events.count, 4);
    auto flags = [&](int i) {
        const Event& e = events.events[i];
        return std::vector<bool>{e.ctrl, e.alt, e.shift};
    };
    EXPECT_EQ(flags(0), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(flags(1), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(flags(2), (std::vector<bool>{false, false, true}));
    EXPECT_EQ(flags(3), (std::vector<bool>{false, false, false}));
    EXPECT_FALSE(display.heldCtrl() || display.heldAlt() || display.heldShift());
}

TEST_F(DisplayEventTest, ABurstFillsAllButOneRecordAndTheRestComesNextFrame) {
    std::vector<int32_t> pushed;
    for (int i = 0; i < 15; ++i) {
        SDLKey key = SDLKey(SDLK_a + i);
        pushKey(SDL_KEYDOWN, key);
        pushed.push_back(key);
    }
    EventList first = poll();
    EXPECT_EQ(first.count, EventList::CAPACITY - 1);
    // The main loop's info record still fits.
    EXPECT_FALSE(first.isFull());
    EventList second = poll();
    std::vector<int32_t> seen = keysOf(first);
    std::vector<int32_t> rest = keysOf(second);
    seen.insert(seen.end(), rest.begin(), rest.end());
    EXPECT_EQ(seen, pushed);
    EXPECT_EQ(poll().count, 0);
}

TEST_F(DisplayEventTest, RecordsAreAppendedAfterWhatTheListHolds) {
    for (int i = 0; i < 8; ++i)
        pushKey(SDL_KEYDOWN, SDLKey(SDLK_0 + i));
    EventList events;
    Event info;
    info.type = Marquel::EVENT_INFO;
    for (int i = 0; i < 5; ++i)
        events.append(info);
    display.pollEvents(events);
    ASSERT_EQ(events.count, EventList::CAPACITY - 1);
    EXPECT_EQ(events.events[4].type, Marquel::EVENT_INFO);
    EXPECT_EQ(events.events[5].key, SDLK_0);
    EXPECT_EQ(events.events[8].key, SDLK_3);
    EXPECT_EQ(keysOf(poll()), (std::vector<int32_t>{SDLK_4, SDLK_5, SDLK_6, SDLK_7}));
}

TEST_F(DisplayEventTest, QuitEndsThePollAndLaterEventsWait) {
    pushKey(SDL_KEYDOWN, SDLK_ESCAPE);
    pushQuit();
    pushKey(SDL_KEYDOWN, SDLK_b);
    pushKey(SDL_KEYUP, SDLK_b);
    EventList first = poll();
    ASSERT_EQ(first.count, 2);
    EXPECT_EQ(first.events[0].key, SDLK_ESCAPE);
    EXPECT_EQ(first.events[1].type, Marquel::EVENT_QUIT);
    EventList second = poll();
    ASSERT_EQ(second.count, 2);
    EXPECT_EQ(second.events[0].type, Marquel::EVENT_KEYDOWN);
    EXPECT_EQ(second.events[1].type, Marquel::EVENT_KEYUP);
    EXPECT_EQ(second.events[1].key, SDLK_b);
}

TEST_F(DisplayEventTest, AFullListTakesNothingFromTheQueue) {
    pushQuit();
    EventList events;
    Event info;
    info.type = Marquel::EVENT_INFO;
    while (events.count < EventList::CAPACITY - 1)
        events.append(info);
    display.pollEvents(events);
    EXPECT_EQ(events.count, EventList::CAPACITY - 1);
    EventList next = poll();
    ASSERT_EQ(next.count, 1);
    EXPECT_EQ(next.events[0].type, Marquel::EVENT_QUIT);
}

} // namespace
