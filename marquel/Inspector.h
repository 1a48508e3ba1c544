#pragma once

#include "marquel/Panel.h"

#include <string>

namespace Marquel {

class Script;

// The debug inspector: shows the script as a time chart and edits it live. Tab shows it.
class Inspector : public Panel {
public:
    explicit Inspector(Vx::FileSystem* files) : Panel(files) {}

    // Shows script from its start, 40 seconds across.
    void attach(Script* attached) {
        script = attached;
        windowLength = 40;
    }
    // Seconds per pixel column of the time chart: the main loop's info rate and seek step.
    float getTimeStep() const { return windowLength / 398; }

    // The inspector's keys act here.
    void handleEvents(EventList&) override {}
    void redraw() override {}

    Script* script = nullptr;
    float windowLength = 40;
    // The text being typed into; while set, the main loop leaves every key to the inspector.
    std::string* textTarget = nullptr;
};

} // namespace Marquel
