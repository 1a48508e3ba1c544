#pragma once

#include "marquel/EffectNode.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Marquel {

class Effect;

// The timeline: the registered effects by name and the tree of script nodes that says
// which of them runs when. update() walks the tree once per frame and drives the effects.
class Script {
public:
    // Registers effect under name, replacing any earlier one; calls nothing on it. The
    // script does not own the effect.
    void addEffect(const std::string& name, Effect* effect);
    // The effect registered under name, or null.
    Effect* findEffect(const std::string& name) const;

    // Advances to demo time time and runs every active node whose span holds it. False
    // once time is past endTime: the demo is over. Negative times are ignored. When a node
    // drew, every registered effect's frameDrawn() follows.
    bool update(float time);

    // Appends the top-level nodes of the script file in data (size bytes). False when the
    // root is not "script" (nothing added), or a spline has no key or effects nest deeper
    // than 1000 levels (the nodes before the failing top-level node stay, and endTime keeps
    // its value); loadFault() then says which rule failed and where. A syntax error throws
    // Xml::XmlException and adds nothing. A root with a bpm sets the tempo; one without
    // leaves the tempo of the files before it.
    bool load(const char* data, int size);
    // Why the last load() returned false, naming the element and its line; empty after
    // one that succeeded.
    const std::string& loadFault() const { return lastLoadFault; }
    // The script file text of the current tree, with the tempo on the root when there is
    // one. Throws Xml::XmlException, returning nothing, when a text holds something the
    // file cannot carry (a line feed, a tab, a carriage return or both kinds of quotes).
    std::string save() const;
    // The same for the top-level nodes keep takes.
    std::string save(const std::function<bool(const EffectNode&)>& keep) const;

    // The time of the last update() that was not negative.
    float currentTime = 0;
    // Whether the last update() had any effect render: a frame nobody drew in holds what the
    // back buffer was left with.
    bool rendered = false;
    // The largest end of the top-level nodes (at least 0), fixed by each successful load.
    float endTime = 0;
    // The music's tempo, the root's bpm: beats a minute, 0 for none.
    float bpm = 0;
    // The demo time of the first beat, the root's firstbeat, in seconds.
    float firstBeat = 0;
    // The root's bpm and firstbeat as read when they make no tempo (a bpm that is not a
    // number above 0 and at most 1000, or a first beat that is not a finite number): the
    // script then has none, and a save without one writes them back unchanged.
    std::string unreadBpm;
    std::string unreadFirstBeat;
    // Ordered by name, which is the order the effects are initialised in.
    std::map<std::string, Effect*> effects;
    std::vector<std::unique_ptr<EffectNode>> nodes;
    // Set by every edit of the tree since it was loaded or saved: the edits not yet in the
    // script files.
    bool edited = false;

private:
    void run(EffectNode& node, float parentTime, float dt);
    std::string lastLoadFault;
};

} // namespace Marquel
