// Any bytes as "marquel.font": a font the panel takes must draw every character code; a
// refused one must leave the panel's font whole, so drawing still works.

#include "marquel/Exception.h"
#include "marquel/overlay/Panel.h"
#include "vx/FileSystem.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

class FuzzPanel : public Marquel::Panel {
public:
    using Panel::Panel;
    void redraw() override {}
};

// The constructor reads a font by name, so the first panel gets a valid 1 x 1 font from a
// folder of its own; every input after it goes through setFont.
FuzzPanel& panel() {
    static std::unique_ptr<Vx::FileSystem> files;
    static std::unique_ptr<FuzzPanel> made;
    if (!made) {
        std::string folder =
            (std::filesystem::temp_directory_path() / "marquel-fuzz-XXXXXX").string();
        if (!mkdtemp(folder.data()))
            std::abort();
        std::string font = "IBF!";
        font += '\1';
        font += '\1';
        font.append(32, '\xAA');
        std::ofstream(folder + "/marquel.font", std::ios::binary) << font;
        files = std::make_unique<Vx::FileSystem>();
        files->addPath(folder + "/");
        made = std::make_unique<FuzzPanel>(files.get());
        std::filesystem::remove_all(folder);
    }
    return *made;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT32_MAX)
        return 0;
    FuzzPanel& target = panel();
    try {
        target.setFont(data, static_cast<int32_t>(size));
    } catch (const Marquel::Exception&) {
    }
    Marquel::TextItem item;
    for (int c = 0; c < 256; ++c)
        item.text += static_cast<char>(c);
    item.x = -3;
    item.y = 500;
    item.clip = true;
    target.drawText(item);
    return 0;
}
