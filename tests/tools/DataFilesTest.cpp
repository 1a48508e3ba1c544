// The generated files as the player and its effects read them: the overlay font, the
// loader's font strip, the pictures, the track, and the generator's repeatability.

#include "common/TempDir.h"
#include "tools/Music.h"
#include "tools/Pictures.h"
#include "tools/PixelFont.h"
#include "tools/Timing.h"
#include "vx/ImageObject.h"
#include "vx/PngCodec.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace Content;
using testing_support::TempDir;

namespace {

// A generated picture as the player decodes it.
Vx::ImageObject decode(const Canvas& canvas) {
    const std::vector<uint8_t> file = canvas.png();
    Vx::ImageObject image(0, 0, nullptr, nullptr, "test");
    Vx::loadPNG(file.data(), uint32_t(file.size()), image);
    return image;
}

uint8_t alphaAt(const Vx::ImageObject& image, int x, int y) {
    return image.getData()[(size_t(y) * image.getWidth() + x) * 4 + 3];
}

bool powerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

// The ink of one 5-pixel cell of the font strip, column by column from the top row.
std::string stripCell(const Vx::ImageObject& strip, int cell) {
    std::string ink;
    for (int y = 0; y < strip.getHeight(); ++y)
        for (int x = cell * 5; x < cell * 5 + 5; ++x)
            ink += alphaAt(strip, x, y) > 128 ? '#' : '.';
    return ink;
}

std::vector<uint8_t> readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(OverlayFontTest, HoldsEveryGlyphInTheBitStream) {
    const std::vector<uint8_t> file = PixelFont::fontFile();
    ASSERT_GE(file.size(), 6u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "IBF!");
    const int w = file[4], h = file[5];
    ASSERT_EQ(file.size(), size_t(6 + 256 * w * h / 8));

    std::map<std::string, char> seen;
    for (int c = 0; c < 256; ++c) {
        std::string glyph;
        for (int row = 0; row < h; ++row) {
            for (int column = 0; column < w; ++column) {
                const int bit = (c * h + row) * w + column;
                const bool set = file[6 + bit / 8] & (0x80 >> (bit % 8));
                EXPECT_EQ(set, PixelFont::inked(char(c), column, row)) << "glyph " << c;
                glyph += set ? '#' : '.';
            }
        }
        if (c > 32 && c < 127) {
            // Each printable character has ink of its own: no two share a drawing.
            EXPECT_NE(glyph.find('#'), std::string::npos) << "character " << char(c) << " is blank";
            EXPECT_TRUE(seen.emplace(glyph, char(c)).second)
                << char(c) << " looks like " << seen[glyph];
        } else {
            EXPECT_EQ(glyph.find('#'), std::string::npos) << "glyph " << c << " has ink";
        }
    }
}

TEST(FontStripTest, CellsFollowTheLoadersOrderAndTheRestAreBlank) {
    const Vx::ImageObject strip = decode(Pictures::fontStrip());
    ASSERT_EQ(strip.getWidth(), 512);
    ASSERT_TRUE(powerOfTwo(strip.getHeight()));
    EXPECT_EQ(Pictures::STRIP_ORDER, "abcdefghijklmnopqrstuvwxyz0123456789!?@:;.,()><-+*/\\");

    std::set<std::string> drawings;
    for (size_t cell = 0; cell < Pictures::STRIP_ORDER.size(); ++cell) {
        const std::string ink = stripCell(strip, int(cell));
        EXPECT_NE(ink.find('#'), std::string::npos) << "cell " << cell << " is blank";
        // The loader samples only the first 4.49 pixels of a cell: the fifth stays clear.
        for (size_t i = 4; i < ink.size(); i += 5)
            EXPECT_EQ(ink[i], '.') << "cell " << cell << " inks its gap column";
        EXPECT_TRUE(drawings.insert(ink).second) << "cell " << cell << " repeats another";
    }
    for (int cell = int(Pictures::STRIP_ORDER.size()); cell < 512 / 5; ++cell)
        EXPECT_EQ(stripCell(strip, cell).find('#'), std::string::npos) << "cell " << cell;
    // 'a' is drawn with its bowl in the lower rows, as in the overlay font.
    EXPECT_EQ(alphaAt(strip, 1, 2 * 2), 255); // row 2 of 'a' is ".##."
    EXPECT_EQ(alphaAt(strip, 0, 2 * 2), 0);
}

TEST(PicturesTest, SizesSuitTheTextureCacheAndTheirRoles) {
    struct Expect {
        const char* name;
        Canvas canvas;
        bool opaque;
        uint8_t middle; // the least alpha at the centre
    };
    const Expect pictures[] = {{"mccool", Pictures::cool(), false, 255},
                               {"mcboner", Pictures::boner(), false, 255},
                               {"mcbonertwist", Pictures::bonerTwist(), false, 255},
                               {"mcscroller", Pictures::scroller(), false, 200},
                               {"mcstar", Pictures::star(), false, 255},
                               {"mcbrallor", Pictures::brallor(), true, 255},
                               {"mcuniverse", Pictures::universe(), true, 255}};
    for (const Expect& e : pictures) {
        const Vx::ImageObject image = decode(e.canvas);
        const int w = image.getWidth(), h = image.getHeight();
        EXPECT_TRUE(powerOfTwo(w) && powerOfTwo(h)) << e.name << " " << w << "x" << h;
        EXPECT_GE(alphaAt(image, w / 2, h / 2), e.middle) << e.name << " has no solid middle";
        const uint8_t corner = alphaAt(image, 0, 0);
        EXPECT_EQ(corner, e.opaque ? 255 : 0) << e.name;
    }
}

TEST(PicturesTest, TheStarFadesSoftlyToItsEdge) {
    const Vx::ImageObject star = decode(Pictures::star());
    const int half = star.getWidth() / 2;
    int previous = 256, partial = 0;
    // Along a diagonal from the centre the alpha only falls, through many levels.
    for (int d = 0; d < half; ++d) {
        const int a = alphaAt(star, half + d, half + d);
        EXPECT_LE(a, previous) << "at " << d;
        previous = a;
        partial += a > 0 && a < 255;
    }
    EXPECT_GT(partial, half / 3);
    EXPECT_EQ(previous, 0);
}

TEST(PicturesTest, TheTwistedCharacterIsTheSameCharacterTurned) {
    const Vx::ImageObject straight = decode(Pictures::boner());
    const Vx::ImageObject twisted = decode(Pictures::bonerTwist());
    ASSERT_EQ(straight.getWidth(), twisted.getWidth());
    long straightInk = 0, twistedInk = 0, moved = 0;
    for (int y = 0; y < straight.getHeight(); ++y) {
        for (int x = 0; x < straight.getWidth(); ++x) {
            const bool a = alphaAt(straight, x, y) > 128, b = alphaAt(twisted, x, y) > 128;
            straightInk += a;
            twistedInk += b;
            moved += a != b;
        }
    }
    // A turn keeps the amount of ink within a few per cent but puts much of it elsewhere.
    EXPECT_NEAR(double(twistedInk) / straightInk, 1.0, 0.1);
    EXPECT_GT(moved, straightInk / 5);
}

TEST(PicturesTest, TheLogoFitsTheInspectorsHeader) {
    const Vx::ImageObject logo = decode(Pictures::logo());
    EXPECT_LE(logo.getHeight(), 26); // rows 2 to 27, above the separator
    EXPECT_LE(logo.getWidth(), 508);
}

TEST(MusicTest, PlaysFromSixtyToNinetySecondsWithTheKickOnTheBeat) {
    TempDir dir;
    const std::filesystem::path file = dir.write("demo.ogg", "");
    const std::vector<uint8_t> ogg = Music::encodeVorbis(Music::render());
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(ogg.data()), std::streamsize(ogg.size()));

    SF_INFO info{};
    SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
    ASSERT_NE(sound, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_OGG);
    EXPECT_EQ(info.format & SF_FORMAT_SUBMASK, SF_FORMAT_VORBIS);
    EXPECT_EQ(info.samplerate, Music::RATE);
    ASSERT_EQ(info.channels, 2);
    std::vector<float> samples(size_t(info.frames) * 2);
    ASSERT_EQ(sf_readf_float(sound, samples.data(), info.frames), info.frames);
    sf_close(sound);
    const double seconds = double(info.frames) / info.samplerate;
    EXPECT_GE(seconds, 60);
    EXPECT_LE(seconds, 90);
    EXPECT_GE(seconds, Timing::END) << "the music stops before the demo";

    // In the first drop every beat starts louder than the moment before it.
    const auto energy = [&](float from, float length) {
        double sum = 0;
        const size_t first = size_t(from * info.samplerate);
        const size_t count = size_t(length * info.samplerate);
        for (size_t i = first; i < first + count; ++i)
            sum += samples[2 * i] * samples[2 * i];
        return sum / count;
    };
    const Timing::Section& drop = Timing::SECTIONS[2];
    for (int beat = 1; beat < drop.bars * Timing::BEATS_PER_BAR; ++beat) {
        const float t = drop.start() + beat * Timing::BEAT;
        EXPECT_GT(energy(t, 0.05f), 1.5 * energy(t - 0.06f, 0.05f)) << "beat at " << t;
    }
    EXPECT_LT(energy(0, Timing::LENGTH), 0.5) << "the track is clipping";
    // Loud is not yet clipped: any sample at full scale is.
    float peak = 0;
    for (float sample : samples)
        peak = std::max(peak, std::abs(sample));
    EXPECT_LT(peak, 1.0f) << "the track is clipping";
}

TEST(GeneratorTest, MakesTheSameBytesEveryRun) {
    TempDir first, second;
    for (const TempDir* dir : {&first, &second}) {
        const std::string command = std::string(MAKE_CONTENT) + " " + dir->path().string();
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(first.path())) {
        if (!entry.is_regular_file())
            continue;
        const auto relative = std::filesystem::relative(entry.path(), first.path());
        EXPECT_EQ(readAll(entry.path()), readAll(second.path() / relative)) << relative;
        ++files;
    }
    EXPECT_EQ(files, 15); // marquel.xml and fourteen data files
    EXPECT_TRUE(first.exists("bin")) << "the run folder's bin/ is laid out too";
}
