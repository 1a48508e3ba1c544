#pragma once

#include "marquel/overlay/BeatGrid.h"
#include "marquel/overlay/InspectorLayout.h"
#include "marquel/overlay/MusicLane.h"
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
// shown, and reads the time step, the grid, the loop and textTarget; everything else stays
// in here.
class Inspector : public Panel {
public:
    // Draws the fixed frame with "marquel_logo.png" read through files; a missing or bad
    // logo throws the image loader's error, saying that the inspector's logo failed.
    explicit Inspector(Vx::FileSystem* files);

    // Seconds across the time chart until the keypad's plus and minus change it.
    static constexpr float FIRST_WINDOW_LENGTH = 40;

    // Shows script (not owned) from demo time 0, FIRST_WINDOW_LENGTH seconds across, its
    // first node selected, nothing expanded, no loop, its tempo on the grid, and repaints.
    void attach(Script* attached);
    // Keeps what it can of the selection in a script another load has replaced, takes its
    // tempo, and repaints.
    void scriptReplaced();
    // The music file the chart's lane shows, read through the inspector's files when the
    // inspector is next drawn while shown; an empty name is no music.
    void setMusic(const std::string& name);
    // The music is still being analysed, on a thread of its own; the lane fills in after.
    bool readingMusic() const { return lane.reading(); }
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
    // While looping and shown, the player jumps back to loopStart when its time reaches
    // loopEnd.
    bool looping = false;
    float loopStart = 0;
    float loopEnd = 0;
    // The text being typed into; while set, the main loop leaves every key to the inspector.
    std::string* textTarget = nullptr;
    // Whether textTarget is a number typed for the selection (the inspector's own text, set
    // into the script when Return ends it) rather than a name or value of the script.
    bool typingNumber() const { return textTarget == &typedNumber; }

private:
    MusicLane lane;
    // What a number typed with Ctrl+E or Ctrl+V sets.
    enum NumberField { FIELD_TIME, FIELD_VALUE };

    // The selection, or null where it names nothing that exists.
    EffectNode* selectedEffectNode() const;
    Trigger* selectedTrigger() const;
    Spline* selectedSpline() const;
    int nodeCount() const;
    // Brings expanded and the selection back inside what the script holds.
    void keepSelectionValid();

    // Drawing: the frame and the list (InspectorView.cpp), the chart's rows and cursor
    // (InspectorChart.cpp), the footer (InspectorFooter.cpp): the clock, the selection's
    // numbers and the beat's state.
    void drawFrame();
    void copyLogo();
    void updateScroll();
    void drawList();
    void drawNodeRow(const EffectNode& node, int32_t y, bool selected, bool isExpanded);
    void drawTriggerRow(const EffectNode& node, const Trigger& trigger, int32_t y, bool selected);
    void drawSplineRow(const EffectNode& node, const Spline& spline, int32_t y, bool selected);
    void drawCurve(const EffectNode& node, const Spline& spline, int32_t y, int32_t x0, int32_t x1,
                   double scale);
    void drawCursor();
    // The music's lane under the rows and the beat lines through them (InspectorLane.cpp).
    // The lane shows while there is music, a tempo or a bpm the script could not read, and
    // the rows then scroll above it.
    bool laneShown() const;
    int32_t listHeight() const;
    // Reads the music once the inspector is seen, and proposes its tempo where the script
    // gives none.
    void readMusic();
    void drawBeatLines(int32_t top, int32_t bottom);
    void drawLane();
    void drawClock();
    void drawBeatState();
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
    void editTrigger(const Event& key, Trigger& trigger, float origin);
    void editSpline(const Event& key, Spline& spline, float origin);
    void navigate(const Event& key);
    void moveHandle(const Event& key, int last);

    // The beat: the grid's and the loop's keys, snapped moves and exact numbers
    // (InspectorBeat.cpp). True when key was one of the beat's keys.
    bool beatKey(const Event& key);
    // The grid takes the script's tempo, or keeps a proposed one where the script has none.
    void takeTempo();
    void toggleSnapping();
    void toggleLoop();
    // time on a clock whose demo time is origin + scale * time, one step later (direction
    // 1) or earlier (-1): to the next grid time while snapping, a chart column otherwise.
    float steppedTime(float time, double origin, float scale, int direction) const;
    // Where a new node or trigger goes: the chart's cursor, on the grid while snapping.
    float cursorTime() const;
    // How far after the one before a new firing or key goes: a beat while snapping, five
    // columns of the chart otherwise.
    float insertGap() const;
    // A later firing k moves to the next grid time by its delay; it never reaches the first.
    void moveFiring(Trigger& trigger, int k, float origin, int direction);
    void startNumber(NumberField field);
    // Sets what typedNumber was typed for, or says on the footer why nothing changed.
    void applyNumber();
    bool applyTime(EffectNode& node, double time);
    bool applyValue(double value);

    std::string typedNumber;
    NumberField typedField = FIELD_TIME;
    // Said on the footer until the next key.
    std::string note;
};

} // namespace Marquel
