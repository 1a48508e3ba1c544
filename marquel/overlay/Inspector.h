#pragma once

#include "marquel/overlay/BeatGrid.h"
#include "marquel/overlay/InspectorLayout.h"
#include "marquel/overlay/Panel.h"

#include <string>
#include <vector>

namespace Marquel {

class Script;
struct EffectNode;
struct Trigger;
class Spline;

// The debug inspector: shows the live script as a time chart of its top-level nodes, with
// the triggers and splines of expanded nodes, and edits it from the keyboard. The player
// only attaches a script, feeds it each key as it comes and the clock's records while it is
// shown, and reads the time step and textTarget; everything else stays in here.
class Inspector : public Panel {
public:
    // Draws the fixed frame with "marquel_logo.png" read through files; a missing or bad
    // logo throws the image loader's error, saying that the inspector's logo failed.
    explicit Inspector(Vx::FileSystem* files);

    // Seconds across the time chart until the keypad's plus and minus change it.
    static constexpr float FIRST_WINDOW_LENGTH = 40;

    // Shows script (not owned) from demo time 0, FIRST_WINDOW_LENGTH seconds across, its
    // first node selected, nothing expanded, and repaints.
    void attach(Script* attached);
    // Keeps what it can of the selection in a script another load has replaced, and
    // repaints.
    void scriptReplaced();
    // Seconds per pixel column of the time chart: the main loop's info rate and seek step.
    float getTimeStep() const { return windowLength / InspectorLayout::CHART_WIDTH; }

    // Info records move the time window; keys type, select and edit. Repaints when the list
    // held any record.
    void handleEvents(EventList& events) override;
    void redraw() override;

    Script* script = nullptr;
    int selectedNode = 0;
    // 0 is the node's own row, 1..T its triggers, T+1..T+S its splines.
    int selectedItem = 0;
    // The part edited in edit mode: node start, span or end (0..2), a trigger's firing or a
    // spline's key.
    int selectedHandle = 0;
    bool stripe = false;
    bool editMode = false;
    // One flag per top-level node position: whether its trigger and spline rows are listed.
    std::vector<bool> expanded;
    float cursorOffset = 0;
    float windowLength = FIRST_WINDOW_LENGTH;
    float windowStart = 0;
    float currentTime = 0;
    float startMark = 0;
    float frameRate = 0;
    // The music's beat under the chart, and what the time keys snap to.
    BeatGrid grid;
    // The text being typed into; while set, the main loop leaves every key to the inspector.
    std::string* textTarget = nullptr;

private:
    // The selection, or null where it names nothing that exists.
    EffectNode* selectedEffectNode() const;
    Trigger* selectedTrigger() const;
    Spline* selectedSpline() const;
    int nodeCount() const;
    // Brings expanded and the selection back inside what the script holds.
    void keepSelectionValid();

    // Drawing: the frame and the list (InspectorView.cpp), the chart's rows and cursor
    // (InspectorChart.cpp), the footer (InspectorFooter.cpp).
    void drawFrame();
    void copyLogo();
    void updateScroll();
    void drawList();
    void drawNodeRow(const EffectNode& node, int32_t y, bool selected, bool isExpanded);
    void drawTriggerRow(const EffectNode& node, const Trigger& trigger, int32_t y, bool selected);
    void drawSplineRow(const EffectNode& node, const Spline& spline, int32_t y, bool selected);
    void drawCurve(const EffectNode& node, const Spline& spline, int32_t y, int32_t x0, int32_t x1);
    void drawCursor();
    void drawClock();
    void drawNodePanel(const EffectNode& node);
    void drawTriggerPanel(const Trigger& trigger);
    void drawSplinePanel(const EffectNode& node, const Spline& spline);
    void text(const std::string& line, int32_t x, int32_t y, uint32_t colour, int32_t maxWidth = 0,
              bool clip = false);
    bool isRunning(const EffectNode& node) const;
    bool isRegistered(const EffectNode& node) const;

    // Editing (InspectorEdit.cpp).
    void handleKey(const Event& key);
    void typeKey(const Event& key);
    void startTyping(std::string& target);
    bool editStructure(const Event& key);
    void insertNode();
    void insertTrigger(EffectNode& node);
    void insertSpline(EffectNode& node);
    void deleteSelected();
    void swapNodes(int a, int b);
    // Whether key edits the selected item in edit mode.
    bool changesValue(const Event& key) const;
    // Tells the script it holds edits its files do not.
    void markEdited();
    void editValue(const Event& key);
    void editNode(const Event& key, EffectNode& node);
    void editTrigger(const Event& key, Trigger& trigger);
    void editSpline(const Event& key, Spline& spline);
    void navigate(const Event& key);
    void moveHandle(const Event& key, int last);
};

} // namespace Marquel
