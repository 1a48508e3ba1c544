// Cost of one frame of the timeline per active node. Each node has 4 triggers that fire every
// frame and 4 splines of 16 keys, one of each type; the effect only counts what it is told.
// Beside it, the same calls made straight from a flat array of precomputed arguments: the
// floor that any timeline walk pays for driving its effects.

#include "marquel/Effect.h"
#include "marquel/Script.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const float FRAME = 1.0f / 60;
const int FRAMES_PER_PASS = 3600; // the clock runs through one minute, then starts again
const int NODES_PER_GROUP = 10;   // a top-level node and nine children
const char* const TYPES[] = {"smooth", "bezier", "linear", "square"};

class CountingEffect : public Marquel::Effect {
public:
    void start() override { ++calls; }
    void trigger(float time, const std::string&, const std::string&) override {
        ++calls;
        sum += time;
    }
    void spline(float, const std::string&, float value) override {
        ++calls;
        sum += value;
    }
    void render(float time, float, float progress) override {
        ++calls;
        sum += time + progress;
    }

    long calls = 0;
    float sum = 0;
};

std::unique_ptr<Marquel::EffectNode> makeNode(int seed) {
    auto node = std::make_unique<Marquel::EffectNode>();
    node->name = "counter";
    node->active = true;
    node->end = 61;
    for (int t = 0; t < 4; ++t) {
        auto trigger = std::make_unique<Marquel::Trigger>();
        trigger->name = "beat" + std::to_string(t);
        trigger->value = std::to_string(seed);
        trigger->repeat = FRAMES_PER_PASS;
        trigger->delay = FRAME;
        node->triggers.push_back(std::move(trigger));
    }
    for (const char* type : TYPES) {
        auto spline = std::make_unique<Marquel::Spline>();
        spline->name = type;
        spline->type = type;
        for (int k = 0; k < 16; ++k)
            spline->keys.push_back({k * 4.0f, static_cast<float>((seed * 7 + k * 13) % 17), 0});
        spline->prepare();
        node->splines.push_back(std::move(spline));
    }
    return node;
}

// count active nodes in groups of a parent and its children, all spanning the whole pass.
void buildScript(Marquel::Script& script, int count) {
    for (int group = 0; group < count / NODES_PER_GROUP; ++group) {
        auto parent = makeNode(group);
        for (int child = 1; child < NODES_PER_GROUP; ++child)
            parent->children.push_back(makeNode(group * NODES_PER_GROUP + child));
        script.nodes.push_back(std::move(parent));
    }
    script.endTime = 61;
}

// Stepping the clock back rearms only the top level; the children are rearmed by hand so that
// every pass fires the same triggers.
void rearmChildren(Marquel::Script& script) {
    for (const auto& parent : script.nodes) {
        for (const auto& child : parent->children) {
            child->needsStart = true;
            for (const auto& trigger : child->triggers)
                trigger->fired = 0;
        }
    }
}

void setCounters(benchmark::State& state, const CountingEffect& effect, int nodes) {
    state.counters["per_node"] = benchmark::Counter(
        nodes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["calls_per_node"] =
        static_cast<double>(effect.calls) / (static_cast<double>(state.iterations()) * nodes);
}

void BM_Update(benchmark::State& state) {
    int nodes = static_cast<int>(state.range(0));
    CountingEffect effect;
    Marquel::Script script;
    script.addEffect("counter", &effect);
    buildScript(script, nodes);
    int frame = 0;
    for (auto _ : state) {
        if (frame == FRAMES_PER_PASS) {
            state.PauseTiming();
            rearmChildren(script);
            frame = 0;
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(script.update(frame * FRAME));
        ++frame;
    }
    benchmark::DoNotOptimize(effect.sum);
    setCounters(state, effect, nodes);
}

// The calls of one frame with their arguments already worked out.
struct Call {
    float time;
    const std::string* name;
    float value;
};

void BM_CallsOnly(benchmark::State& state) {
    int nodes = static_cast<int>(state.range(0));
    CountingEffect counting;
    Marquel::Effect* effect = &counting;
    // Hidden from the optimiser, which would otherwise see the effect's type, inline its
    // members and leave no virtual call to measure.
    benchmark::DoNotOptimize(effect);
    std::vector<std::string> names = {"beat0",  "beat1",  "beat2",  "beat3", "smooth",
                                      "bezier", "linear", "square", "0"};
    std::vector<Call> calls;
    for (int node = 0; node < nodes; ++node) {
        for (int k = 0; k < 8; ++k)
            calls.push_back({1.0f, &names[k], static_cast<float>(k)});
    }
    for (auto _ : state) {
        for (size_t i = 0; i < calls.size(); i += 8) {
            for (size_t t = 0; t < 4; ++t)
                effect->trigger(calls[i + t].time, *calls[i + t].name, names[8]);
            for (size_t s = 4; s < 8; ++s)
                effect->spline(calls[i + s].time, *calls[i + s].name, calls[i + s].value);
            effect->render(calls[i].time, FRAME, 0.5f);
        }
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(counting.sum);
    setCounters(state, counting, nodes);
}

} // namespace

BENCHMARK(BM_Update)->Arg(50)->Arg(500)->Arg(5000);
BENCHMARK(BM_CallsOnly)->Arg(50)->Arg(500)->Arg(5000);

BENCHMARK_MAIN();
