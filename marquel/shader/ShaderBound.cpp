#include "marquel/shader/ShaderBound.h"

#include "marquel/player/StackRoom.h"
#include "marquel/shader/ShaderCode.h"

#include <algorithm>
#include <deque>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace Marquel {
namespace Shader {

namespace {

// Counts stop growing here, so that endless ones stay comparable and never overflow.
constexpr double ENDLESS = 1e30;

double capped(double count) {
    return std::min(count, ENDLESS);
}

// What a run of tokens comes to: tokens out, the parameters of the macro it is the body of
// among them, and the tokens the preprocessor makes on the way.
struct Weight {
    double tokens = 0;
    double params = 0;
    double work = 0;

    void add(const Weight& other) {
        tokens = capped(tokens + other.tokens);
        params = capped(params + other.params);
        work = capped(work + other.work);
    }
};

struct Definition {
    bool function = false;
    std::unordered_set<std::string> params;
    std::string body;
};

struct Macro {
    std::vector<Definition> definitions;
    // Where its name stands alone (a function-like macro's stays as it is).
    double plain = 1;
    double plainWork = 0;
    // Where it is called: its expansion, and the most times an argument comes out in it.
    double called = 0;
    double calledWork = 0;
    double factor = 1;
    // Weighing order: macros named in its bodies not yet weighed (never down to 0 for one in a
    // loop, or naming one), and those naming it.
    size_t waiting = 0;
    std::vector<std::pair<const std::string, Macro>*> namedBy;
};

using Macros = std::unordered_map<std::string, Macro>;
using Entry = Macros::value_type;

// Weighs tokens one at a time; nested calls keep their own count until their ")".
class Weigher {
public:
    // Of a macro's body, with its name and parameters; of code, without.
    explicit Weigher(const Macros& macros, const std::string* self = nullptr,
                     const std::unordered_set<std::string>* params = nullptr)
        : macros(macros), self(self), params(params), frames(1) {}

    void take(const std::string& token) {
        if (pending) {
            const Macro* macro = pending;
            pending = nullptr;
            if (token == "(") {
                frames.push_back({{}, macro});
                return;
            }
            frames.back().sum.add({macro->plain, 0, macro->plainWork});
        }
        if (isNameStart(token[0])) {
            const auto macro = macros.find(token);
            if (params && params->count(token))
                frames.back().sum.add({1, 1, 0});
            else if ((self && token == *self) || macro == macros.end())
                frames.back().sum.add({1, 0, 0});
            else {
                pending = &macro->second;
                reach = std::max(reach, macro->second.factor);
            }
        } else if (token == "(") {
            frames.push_back({{1, 0, 0}, nullptr});
        } else if (token == ")" && frames.size() > 1) {
            close();
            frames.back().sum.add({1, 0, 0});
        } else {
            frames.back().sum.add({1, 0, 0});
        }
    }

    // What came so far, open calls taken as closed; leaves the weigher empty.
    Weight end() {
        if (pending)
            frames.back().sum.add({pending->plain, 0, pending->plainWork});
        pending = nullptr;
        while (frames.size() > 1)
            close();
        const Weight all = frames.back().sum;
        frames.back().sum = Weight();
        return all;
    }

    bool nested() const { return opened() || pending; }
    bool opened() const { return frames.size() > 1; }
    // The largest factor among the macros named.
    double reached() const { return reach; }

private:
    struct Frame {
        Weight sum;
        const Macro* call;
    };

    void close() {
        const Frame inner = frames.back();
        frames.pop_back();
        if (!inner.call) {
            frames.back().sum.add(inner.sum);
            return;
        }
        const Macro& macro = *inner.call;
        Weight out;
        out.tokens = capped(macro.called + macro.factor * inner.sum.tokens);
        out.params = capped(macro.factor * inner.sum.params);
        out.work = capped(inner.sum.work + macro.calledWork + out.tokens);
        frames.back().sum.add(out);
    }

    const Macros& macros;
    const std::string* self;
    const std::unordered_set<std::string>* params;
    std::vector<Frame> frames;
    const Macro* pending = nullptr;
    double reach = 1;
};

// The definition on a "#define" line, from rest; false when it is malformed (the driver says
// why).
bool readDefinition(const std::string& code, size_t at, std::string& name, Definition& made) {
    Tokens tokens(code, at);
    size_t start = 0;
    if (!tokens.next(name, start) || !isNameStart(name[0]))
        return false;
    size_t bodyAt = start + name.size();
    made.function = bodyAt < code.size() && code[bodyAt] == '(';
    if (made.function) {
        Tokens list(code, bodyAt + 1);
        std::string token;
        while (list.next(token, start) && token != ")") {
            if (token == "." && list.next(token, start) && list.next(token, start))
                made.params.insert("__VA_ARGS__");
            else if (isNameStart(token[0]))
                made.params.insert(token);
        }
        if (token != ")")
            return false;
        bodyAt = start + 1;
    }
    made.body = code.substr(bodyAt);
    return true;
}

void weigh(Entry& entry, const Macros& macros) {
    const std::string& name = entry.first;
    Macro& macro = entry.second;
    for (const Definition& definition : macro.definitions) {
        Weigher weigher(macros, &name, &definition.params);
        Tokens tokens(definition.body);
        std::string token;
        size_t start = 0;
        while (tokens.next(token, start))
            weigher.take(token);
        // A body that leaves a call open nests the calls around it past any count.
        const double endless = weigher.opened() ? ENDLESS : 0;
        const double reach = weigher.reached();
        const Weight weight = weigher.end();
        macro.called = std::max({macro.called, weight.tokens, endless});
        macro.calledWork = std::max({macro.calledWork, weight.work, endless});
        macro.factor = std::max({macro.factor, weight.params, reach, endless});
        if (!definition.function) {
            macro.plain = std::max({macro.plain, weight.tokens, endless});
            macro.plainWork = std::max({macro.plainWork, weight.work + weight.tokens, endless});
        }
    }
}

// Weighs every macro after those its bodies name; those in a loop count as endless.
void weighAll(Macros& macros) {
    std::deque<Entry*> ready;
    for (Entry& entry : macros) {
        std::unordered_set<Entry*> named;
        for (const Definition& definition : entry.second.definitions) {
            Tokens tokens(definition.body);
            std::string token;
            size_t start = 0;
            while (tokens.next(token, start)) {
                const auto other = macros.find(token);
                if (other != macros.end() && &*other != &entry && !definition.params.count(token))
                    named.insert(&*other);
            }
        }
        entry.second.waiting = named.size();
        for (Entry* other : named)
            other->second.namedBy.push_back(&entry);
        if (!entry.second.waiting)
            ready.push_back(&entry);
    }
    for (; !ready.empty(); ready.pop_front()) {
        weigh(*ready.front(), macros);
        for (Entry* other : ready.front()->second.namedBy)
            if (--other->second.waiting == 0)
                ready.push_back(other);
    }
    for (auto& entry : macros) {
        if (!entry.second.waiting)
            continue;
        Macro& macro = entry.second;
        macro.plain = macro.plainWork = macro.called = macro.calledWork = macro.factor = ENDLESS;
    }
}

} // namespace

std::string expansionFault(const std::string& text) {
    // A stack the player could not let grow takes shorter statements.
    const long statementTokens =
        MAX_STATEMENT_TOKENS * (stackRoom() >> 20) / (STACK_ROOM_BYTES >> 20);
    Macros macros;
    std::string fault;
    std::string name;
    size_t rest = 0;
    forEachCodeLine(text, [&](const CodeLine& line) {
        if (!directiveOf(line.code, name, rest) || name != "define" || !fault.empty())
            return;
        Definition definition;
        if (!readDefinition(line.code, rest, name, definition))
            return;
        if (definition.body.find("##") != std::string::npos)
            fault = std::to_string(line.first) + ": error: ## (token pasting) is not supported";
        macros[name].definitions.push_back(std::move(definition));
    });
    if (!fault.empty())
        return fault;
    weighAll(macros);
    Weigher weigher(macros);
    double work = 0;
    int statementLine = 0;
    // Weighs the statement that began on statementLine.
    const auto check = [&] {
        const Weight weight = weigher.end();
        work = capped(work + weight.work);
        if (weight.tokens > statementTokens)
            fault = std::to_string(statementLine) + ": error: a statement of more than " +
                    std::to_string(statementTokens) + " tokens, its macros expanded, is refused";
        else if (work > MAX_EXPANSION_TOKENS)
            fault = std::to_string(statementLine) + ": error: the macros expand to more than " +
                    std::to_string(MAX_EXPANSION_TOKENS) + " tokens by this line; refused";
        statementLine = 0;
    };
    forEachCodeLine(text, [&](const CodeLine& line) {
        if (!fault.empty())
            return;
        size_t at = 0;
        if (directiveOf(line.code, name, at) && name != "if" && name != "elif")
            return;
        Tokens tokens(line.code, at);
        std::string token;
        size_t start = 0;
        while (tokens.next(token, start)) {
            if (!statementLine)
                statementLine = line.lineAt(start);
            weigher.take(token);
            if ((token == ";" || token == "{" || token == "}") && !weigher.nested())
                check();
            if (!fault.empty())
                return;
        }
    });
    if (fault.empty())
        check();
    return fault;
}

} // namespace Shader
} // namespace Marquel
