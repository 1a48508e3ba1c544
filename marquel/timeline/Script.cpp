#include "marquel/Script.h"

#include "marquel/Effect.h"
#include "marquel/timeline/FileChecks.h"
#include "xml/XmlParser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>

namespace Marquel {

namespace {

float realAttribute(const Xml::XmlTag& tag, const char* name) {
    return static_cast<float>(std::atof(tag.getAttribute(name).c_str()));
}

// Scales default to 1 only when the attribute is missing or empty: a text that is not a
// number still reads as 0.
float scaleAttribute(const Xml::XmlTag& tag, const char* name) {
    const std::string& text = tag.getAttribute(name);
    return text.empty() ? 1.0f : static_cast<float>(std::atof(text.c_str()));
}

bool readTrigger(const Xml::IteratorConst& at, Trigger& trigger) {
    const Xml::XmlTag& tag = *at;
    trigger.name = tag.getAttribute("name");
    trigger.value = tag.getAttribute("value");
    trigger.start = realAttribute(tag, "start");
    // A delay only means something with a repeat, and then it defaults to a tenth of a second.
    const std::string& repeat = tag.getAttribute("repeat");
    if (!repeat.empty()) {
        // Read as atoi reads, but held at the most an int can count.
        const long long count = std::strtoll(repeat.c_str(), nullptr, 10);
        const long long most = std::numeric_limits<int>::max();
        trigger.repeat = static_cast<int>(std::clamp(count, -most, most));
        if (count != trigger.repeat)
            trigger.repeatRead = repeat;
        const std::string& delay = tag.getAttribute("delay");
        trigger.delay = delay.empty() ? 0.1f : static_cast<float>(std::atof(delay.c_str()));
    }
    return true;
}

// Names an element for a load fault: "the spline 'size' in line 4".
std::string describe(const Xml::XmlTag& tag, const std::string& name) {
    return "the " + tag.getName() + " '" + name + "' in line " + std::to_string(tag.getLine());
}

bool readSpline(const Xml::IteratorConst& at, Spline& spline, std::string& fault) {
    const Xml::XmlTag& tag = *at;
    spline.name = tag.getAttribute("name");
    spline.type = tag.getAttribute("type");
    spline.timescale = scaleAttribute(tag, "timescale");
    spline.timeoffset = realAttribute(tag, "timeoffset");
    spline.valuescale = scaleAttribute(tag, "valuescale");
    spline.valueoffset = realAttribute(tag, "valueoffset");
    Xml::IteratorConst key = at.getChildren("key");
    while (++key) {
        SplineKey read;
        read.time = realAttribute(*key, "time");
        read.value = realAttribute(*key, "value");
        spline.keys.push_back(read);
    }
    spline.prepare();
    if (spline.keys.empty()) {
        fault = "every spline needs a key, and " + describe(tag, spline.name) + " has none";
        return false;
    }
    return true;
}

// Reads each element the iterator walks into a new item at the end of items. Stops at the
// first item that fails; the items read before it stay.
template <typename Item, typename Read>
bool readAll(Xml::IteratorConst at, std::vector<std::unique_ptr<Item>>& items, Read read) {
    while (++at) {
        auto item = std::make_unique<Item>();
        if (!read(at, *item))
            return false;
        items.push_back(std::move(item));
    }
    return true;
}

// depth counts from 1 for a top-level node.
bool readNode(const Xml::IteratorConst& at, EffectNode& node, int depth, std::string& fault) {
    const Xml::XmlTag& tag = *at;
    node.name = tag.getAttribute("name");
    if (depth > MAX_DEPTH) {
        fault = "effects nest at most " + std::to_string(MAX_DEPTH) + " levels deep, and " +
                describe(tag, node.name) + " is deeper";
        return false;
    }
    node.active = tag.getAttribute("state") != "off";
    node.start = realAttribute(tag, "start");
    node.end = realAttribute(tag, "end");
    // An endless node would make an endless demo, and a recording that never finishes.
    if (!std::isfinite(node.end)) {
        fault = "an end must be a finite number, and " + describe(tag, node.name) + " has '" +
                tag.getAttribute("end") + "'";
        return false;
    }
    return readAll(at.getChildren("trigger"), node.triggers, readTrigger) &&
           readAll(at.getChildren("spline"), node.splines,
                   [&](const Xml::IteratorConst& child, Spline& spline) {
                       return readSpline(child, spline, fault);
                   }) &&
           readAll(at.getChildren("effect"), node.children,
                   [&](const Xml::IteratorConst& child, EffectNode& inner) {
                       return readNode(child, inner, depth + 1, fault);
                   });
}

// The highest tempo read: no music beats faster, so a larger number is a slip of the pen,
// and its beats would be closer than the chart can show.
constexpr double MOST_BPM = 1000;

// A whole text that strtod reads as a finite number, into value.
bool readNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(value);
}

// A root without a bpm leaves the tempo as it was: a second script file need not repeat it.
void readTempo(const Xml::XmlTag& root, Script& script) {
    const std::string& bpmText = root.getAttribute("bpm");
    if (bpmText.empty())
        return;
    const std::string& firstText = root.getAttribute("firstbeat");
    double bpm = 0;
    double first = 0;
    const bool read = readNumber(bpmText, bpm) && bpm > 0 && bpm <= MOST_BPM &&
                      (firstText.empty() || readNumber(firstText, first)) &&
                      std::isfinite(static_cast<float>(first));
    script.bpm = read ? static_cast<float>(bpm) : 0.0f;
    script.firstBeat = read ? static_cast<float>(first) : 0.0f;
    script.unreadBpm = read ? "" : bpmText;
    script.unreadFirstBeat = read ? "" : firstText;
}

// The shortest decimal that reads back as the same float: a time on the beat is written
// "3", not the float's whole binary expansion. The reader rounds through a double, which
// takes a rare float's shortest decimal to its neighbour: such a float is written as the
// double it is. A value that reached zero from below is -0, which would be written "-0".
void setReal(Xml::XmlTag& tag, const char* name, float value) {
    const float written = value == 0 ? 0.0f : value;
    char text[32];
    std::string shortest(text, std::to_chars(text, text + sizeof text, written).ptr);
    if (std::isfinite(written) && static_cast<float>(std::atof(shortest.c_str())) != written)
        shortest.assign(text, std::to_chars(text, text + sizeof text, double(written)).ptr);
    tag.setAttribute(name, shortest);
}

Xml::XmlTag triggerTag(const Trigger& trigger) {
    Xml::XmlTag tag("trigger");
    setReal(tag, "start", trigger.start);
    tag.setAttribute("name", trigger.name);
    tag.setAttribute("value", trigger.value);
    // A single firing needs no repeat, and without a repeat the delay is not read. Any
    // other count is written, or a trigger that never fires would come back as one firing.
    if (trigger.repeat != 1) {
        const bool asRead = !trigger.repeatRead.empty() &&
                            std::abs(trigger.repeat) == std::numeric_limits<int>::max();
        if (asRead)
            tag.setAttribute("repeat", trigger.repeatRead);
        else
            tag.setAttribute("repeat", trigger.repeat);
        setReal(tag, "delay", trigger.delay);
    }
    return tag;
}

void writeSpline(Xml::Iterator& at, const Spline& spline) {
    Xml::XmlTag tag("spline");
    tag.setAttribute("name", spline.name);
    tag.setAttribute("type", spline.type);
    setReal(tag, "timescale", spline.timescale);
    setReal(tag, "timeoffset", spline.timeoffset);
    setReal(tag, "valuescale", spline.valuescale);
    setReal(tag, "valueoffset", spline.valueoffset);
    Xml::Iterator keys = at.insert(tag);
    for (const SplineKey& key : spline.keys) {
        Xml::XmlTag keyTag("key");
        setReal(keyTag, "time", key.time);
        setReal(keyTag, "value", key.value);
        keys.insert(keyTag);
    }
}

// Nothing is written without a tempo, so such a script saves as it always did.
void writeTempo(Xml::XmlTag& root, const Script& script) {
    if (script.bpm > 0) {
        setReal(root, "bpm", script.bpm);
        setReal(root, "firstbeat", script.firstBeat);
        return;
    }
    if (!script.unreadBpm.empty())
        root.setAttribute("bpm", script.unreadBpm);
    if (!script.unreadFirstBeat.empty())
        root.setAttribute("firstbeat", script.unreadFirstBeat);
}

void writeNode(Xml::Iterator& at, const EffectNode& node) {
    Xml::XmlTag tag("effect");
    tag.setAttribute("name", node.name);
    if (!node.active)
        tag.setAttribute("state", "off");
    setReal(tag, "start", node.start);
    setReal(tag, "end", node.end);
    Xml::Iterator inside = at.insert(tag);
    for (const auto& trigger : node.triggers)
        inside.insert(triggerTag(*trigger));
    for (const auto& spline : node.splines)
        writeSpline(inside, *spline);
    for (const auto& child : node.children)
        writeNode(inside, *child);
}

// Calls of one trigger in one frame at most: a huge repeat with little or no delay would
// otherwise hold the frame for ever.
constexpr int MAX_CALLS_PER_FRAME = 10000;

bool isDue(const Trigger& trigger, int firing, float localTime) {
    return trigger.firingTime(firing) <= localTime;
}

bool hasDueFiring(const Trigger& trigger, float localTime) {
    return trigger.fired < trigger.repeat && isDue(trigger, trigger.fired, localTime);
}

// The first firing after the due firing from that is not due (or repeat). Due firings come
// first for any delay: with a delay of 0 or less every firing after a due one is due too.
int firstNotDue(const Trigger& trigger, int from, float localTime) {
    int low = from + 1;
    int high = trigger.repeat;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (isDue(trigger, middle, localTime))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

// The next due firing of the trigger at index in its node's list, and how many calls that
// trigger has had in this frame. The earliest comes first; at the same time the trigger
// listed first.
struct DueFiring {
    float time;
    size_t index;
    int calls;
    bool operator>(const DueFiring& other) const {
        return time > other.time || (time == other.time && index > other.index);
    }
};

// Fires every due firing of a node's triggers in the order of their times, so that a jump
// (a start mark, a seek, a reload, a slow frame) leaves the effect as playing up to
// localTime would have. Calls of one trigger beyond the frame's limit are spent without
// one, so a jump forward still leaves nothing due behind.
void fireDue(Effect& effect, const std::vector<std::unique_ptr<Trigger>>& triggers,
             float localTime) {
    std::vector<DueFiring> due;
    for (size_t i = 0; i < triggers.size(); ++i)
        if (hasDueFiring(*triggers[i], localTime))
            due.push_back({triggers[i]->firingTime(triggers[i]->fired), i, 0});
    const std::greater<DueFiring> later;
    std::make_heap(due.begin(), due.end(), later);
    while (!due.empty()) {
        std::pop_heap(due.begin(), due.end(), later);
        DueFiring next = due.back();
        due.pop_back();
        Trigger& trigger = *triggers[next.index];
        if (next.calls == MAX_CALLS_PER_FRAME) {
            trigger.fired = firstNotDue(trigger, trigger.fired, localTime);
            continue;
        }
        effect.dueTime = next.time;
        effect.trigger(localTime, trigger.name, trigger.value);
        ++trigger.fired;
        if (hasDueFiring(trigger, localTime)) {
            due.push_back({trigger.firingTime(trigger.fired), next.index, next.calls + 1});
            std::push_heap(due.begin(), due.end(), later);
        }
    }
}

} // namespace

void Script::addEffect(const std::string& name, Effect* effect) {
    effects[name] = effect;
}

Effect* Script::findEffect(const std::string& name) const {
    auto found = effects.find(name);
    return found == effects.end() ? nullptr : found->second;
}

bool Script::update(float time) {
    rendered = false;
    if (time < 0)
        return true;
    float dt = time - currentTime;
    currentTime = time;
    if (time > endTime)
        return false;

    for (const auto& node : nodes) {
        // Rewinding the clock replays the top level from scratch; children keep their state.
        if (dt < 0) {
            for (const auto& trigger : node->triggers)
                trigger->fired = 0;
            node->needsStart = true;
        }
        if (node->start <= time && time < node->end && node->active)
            run(*node, time, dt);
    }
    if (rendered)
        for (const auto& entry : effects)
            if (entry.second)
                entry.second->frameDrawn();
    return true;
}

void Script::run(EffectNode& node, float parentTime, float dt) {
    float progress = (parentTime - node.start) / (node.end - node.start);
    float localTime = parentTime - node.start;
    Effect* effect = findEffect(node.name);
    if (!effect)
        return;

    effect->node = &node;
    if (node.needsStart) {
        effect->start();
        node.needsStart = false;
    }
    fireDue(*effect, node.triggers, localTime);
    for (const auto& spline : node.splines)
        effect->spline(localTime, spline->name, spline->evaluate(localTime));
    effect->render(localTime, dt, progress);
    rendered = true;

    for (const auto& child : node.children) {
        if (child->start <= localTime && localTime < child->end && child->active)
            run(*child, localTime, dt);
    }
}

bool Script::load(const char* data, int size) {
    lastLoadFault.clear();
    Xml::XmlParser document;
    document.parse(data, size);
    if (document.getName() != "script") {
        lastLoadFault = "its root element must be 'script', not '" + document.getName() +
                        "' (line " + std::to_string(document.getLine()) + ")";
        return false;
    }

    const Xml::XmlParser& read = document;
    readTempo(read, *this);
    const bool complete = readAll(read.getChildren("effect"), nodes,
                                  [this](const Xml::IteratorConst& at, EffectNode& node) {
                                      return readNode(at, node, 1, lastLoadFault);
                                  });
    if (!complete)
        return false;

    endTime = 0;
    for (const auto& node : nodes) {
        if (node->end > endTime)
            endTime = node->end;
    }
    return true;
}

std::string Script::save(const std::function<bool(const EffectNode&)>& keep) const {
    Xml::XmlParser document;
    document.setName("script");
    writeTempo(document, *this);
    Xml::Iterator at = document.getChildren();
    for (const auto& node : nodes) {
        if (keep(*node))
            writeNode(at, *node);
    }
    std::string text;
    document.write(text, "\t");
    return text;
}

std::string Script::save() const {
    return save([](const EffectNode&) { return true; });
}

} // namespace Marquel
