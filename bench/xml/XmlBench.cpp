// Parse and write throughput of the Xml library against pugixml and tinyxml2, on the same
// generated documents: a script of nested effects (about 5 MB) and a small configuration.

#include "xml/XmlParser.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>
#include <tinyxml2.h>

#include <cstdio>
#include <random>
#include <sstream>
#include <string>

namespace {

class ScriptMaker {
public:
    std::string make(size_t targetSize) {
        text = "<?xml version=\"1.0\"?>\n\n<script>\n";
        while (text.size() < targetSize)
            effect(1);
        text += "</script>\n";
        return text;
    }

private:
    int below(int count) { return static_cast<int>(random() % count); }

    // Reals as the script saver writes them: floats widened and printed with "%.25g".
    std::string real() {
        char value[64];
        float f = below(4) == 0 ? static_cast<float>(below(1000)) * 0.5f
                                : static_cast<float>(below(100000)) / 1000.0f;
        std::snprintf(value, sizeof value, "%.25g", static_cast<double>(f));
        return value;
    }

    void indent(int depth) { text.append(depth, '\t'); }

    void effect(int depth) {
        indent(depth);
        text += "<effect name=\"effect" + std::to_string(below(40)) + "\" start=\"" + real() +
                "\" end=\"" + real() + "\">\n";
        for (int i = below(6); i > 0; --i) {
            indent(depth + 1);
            text += "<trigger name=\"beat\" time=\"" + real() + "\" value=\"" +
                    std::to_string(below(10)) + "\"/>\n";
        }
        for (int i = below(3); i > 0; --i) {
            indent(depth + 1);
            text += "<spline name=\"fade\">\n";
            for (int k = 2 + below(6); k > 0; --k) {
                indent(depth + 2);
                text += "<key time=\"" + real() + "\" value=\"" + real() + "\"/>\n";
            }
            indent(depth + 1);
            text += "</spline>\n";
        }
        if (depth < 4 && below(3) == 0)
            effect(depth + 1);
        indent(depth);
        text += "</effect>\n";
    }

    std::mt19937 random{12345u};
    std::string text;
};

const std::string& scriptDocument() {
    static const std::string text = ScriptMaker().make(5 * 1024 * 1024);
    return text;
}

const std::string& configDocument() {
    static const std::string text =
        "<?xml version=\"1.0\"?>\n\n<demo>\n\t<!-- player settings -->\n"
        "\t<time start=\"12.50\"/>\n\t<hud show=\"off\"/>\n"
        "\t<window width=\"1280\" height=\"720\" mode=\"fullscreen\" driver=\"opengl\"/>\n"
        "\t<archive path=\"data.zip\"/>\n\t<videodump dir=\"frames\" fps=\"30\"/>\n"
        "\t<music file=\"track.ogg\" mute=\"on\"/>\n\t<script file=\"script.xml\"/>\n</demo>\n";
    return text;
}

const std::string& documentOf(const benchmark::State& state) {
    return state.range(0) == 0 ? scriptDocument() : configDocument();
}

void setLabel(benchmark::State& state, size_t bytes) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
    state.SetLabel(state.range(0) == 0 ? "script" : "config");
}

void parseOurs(benchmark::State& state) {
    const std::string& text = documentOf(state);
    for (auto _ : state) {
        Xml::XmlParser parser;
        parser.parse(text.data(), static_cast<int>(text.size()));
        benchmark::DoNotOptimize(parser.childCount());
    }
    setLabel(state, text.size());
}

void parsePugixml(benchmark::State& state) {
    const std::string& text = documentOf(state);
    for (auto _ : state) {
        pugi::xml_document document;
        pugi::xml_parse_result result = document.load_buffer(text.data(), text.size());
        if (!result)
            state.SkipWithError(result.description());
        benchmark::DoNotOptimize(document.first_child());
    }
    setLabel(state, text.size());
}

void parseTinyxml2(benchmark::State& state) {
    const std::string& text = documentOf(state);
    for (auto _ : state) {
        tinyxml2::XMLDocument document;
        if (document.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS)
            state.SkipWithError(document.ErrorStr());
        benchmark::DoNotOptimize(document.RootElement());
    }
    setLabel(state, text.size());
}

// Writing is measured into a string, as the player writes its files.
void writeOurs(benchmark::State& state) {
    const std::string& text = documentOf(state);
    Xml::XmlParser parser;
    parser.parse(text.data(), static_cast<int>(text.size()));
    std::string out;
    for (auto _ : state) {
        parser.write(out, "\t");
        benchmark::DoNotOptimize(out.data());
    }
    setLabel(state, out.size());
}

void writePugixml(benchmark::State& state) {
    const std::string& text = documentOf(state);
    pugi::xml_document document;
    document.load_buffer(text.data(), text.size());
    std::string out;
    for (auto _ : state) {
        std::ostringstream stream;
        document.save(stream, "\t");
        out = stream.str();
        benchmark::DoNotOptimize(out.data());
    }
    setLabel(state, out.size());
}

void writeTinyxml2(benchmark::State& state) {
    const std::string& text = documentOf(state);
    tinyxml2::XMLDocument document;
    document.Parse(text.data(), text.size());
    size_t size = 0;
    for (auto _ : state) {
        tinyxml2::XMLPrinter printer;
        document.Print(&printer);
        size = static_cast<size_t>(printer.CStrSize());
        benchmark::DoNotOptimize(printer.CStr());
    }
    setLabel(state, size);
}

} // namespace

BENCHMARK(parseOurs)->Arg(0)->Arg(1);
BENCHMARK(parsePugixml)->Arg(0)->Arg(1);
BENCHMARK(parseTinyxml2)->Arg(0)->Arg(1);
BENCHMARK(writeOurs)->Arg(0)->Arg(1);
BENCHMARK(writePugixml)->Arg(0)->Arg(1);
BENCHMARK(writeTinyxml2)->Arg(0)->Arg(1);

BENCHMARK_MAIN();
