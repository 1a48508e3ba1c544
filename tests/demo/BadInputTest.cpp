// The bad-input table: the real demo program, run from a private run folder with one thing
// broken, must end with the exact message the user is meant to see and the right exit code,
// and must leave the user's configuration and script exactly as they were.

#include "common/WindowFixture.h"
#include "demo/RunFolder.h"
#include "vx/VxFixture.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::writeFile;

const std::string CONFIGURATION =
    "<demo>\n"
    "\t<time start=\"0.00\"/>\n"
    "\t<hud mini=\"off\"/>\n"
    "\t<window caption=\"Marquel\" width=\"160\" height=\"90\" mode=\"windowed\" "
    "type=\"opengl\"/>\n"
    "\t<music file=\"demo.ogg\" mute=\"off\"/>\n"
    "\t<script file=\"demo.xml\"/>\n"
    "</demo>\n";

// Where the first section of the demo's script names its backdrop picture.
const std::string FIRST_PICTURE = "name=\"texture\" value=\"mcuniverse.png\"";

// One run folder with the means to break it: edits, cuts and, where the system allows it,
// read-only and full mounts, undone when the run is over.
class Breakage {
public:
    Breakage() : run(dir.path()) {
        run.cutScript(0.5f);
        write("marquel.xml", CONFIGURATION);
    }
    ~Breakage() {
        for (auto it = mounts.rbegin(); it != mounts.rend(); ++it)
            umount2(it->c_str(), MNT_DETACH);
    }

    fs::path path(const std::string& name) const {
        return name.empty() ? run.path() : run.path() / name;
    }
    std::string read(const std::string& name) const { return readFile(path(name)); }
    void write(const std::string& name, const std::string& bytes) const {
        writeFile(path(name), bytes);
    }
    void remove(const std::string& name) const { fs::remove_all(path(name)); }
    void cut(const std::string& name, size_t keep) const {
        write(name, read(name).substr(0, keep));
    }

    // Replaces the first from in the file by to; the case is wrong if from is not there.
    void edit(const std::string& name, const std::string& from, const std::string& to) const {
        std::string text = read(name);
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from << " not in " << name;
        write(name, text.replace(at, from.size(), to));
    }
    void configure(const std::string& from, const std::string& to) const {
        edit("marquel.xml", from, to);
    }
    // The first section shows this picture instead of its own backdrop.
    void showPicture(const std::string& name, const std::string& bytes) const {
        edit("data/demo.xml", FIRST_PICTURE, "name=\"texture\" value=\"" + name + "\"");
        write("data/" + name, bytes);
    }

    // Makes the folder read-only for everybody, root included: a read-only bind mount, or
    // for a user who may not mount, its permissions. False when neither is possible.
    bool makeReadOnly(const std::string& name) {
        const std::string folder = path(name).string();
        if (mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0) {
            mounts.push_back(folder);
            return mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                         nullptr) == 0;
        }
        if (geteuid() == 0)
            return false;
        fs::permissions(folder,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        return true;
    }

    // Puts the folder on a small file system of its own, with its files copied over, and
    // fills what is left. Without the right to mount, every file the player writes is
    // limited to 0 bytes instead, which fails its writes the same way.
    void fillDisk(const std::string& name) {
        const fs::path folder = path(name);
        const fs::path saved = dir.path().string() + "-saved";
        fs::rename(folder, saved);
        fs::create_directories(folder);
        // Room for the copy (the player of a sanitized build alone is over 32 MB) and a little.
        uintmax_t bytes = 0;
        for (const auto& entry : fs::recursive_directory_iterator(saved))
            if (entry.is_regular_file())
                bytes += entry.file_size();
        const std::string size = "size=" + std::to_string(bytes / (1 << 20) + 8) + "m";
        if (mount("tmpfs", folder.c_str(), "tmpfs", 0, size.c_str()) != 0) {
            fs::remove(folder);
            fs::rename(saved, folder);
            prefix = "ulimit -f 0; trap '' XFSZ; ";
            return;
        }
        mounts.push_back(folder.string());
        const std::string copy = "cp -a '" + saved.string() + "/.' '" + folder.string() + "'";
        ASSERT_EQ(std::system(copy.c_str()), 0);
        fs::remove_all(saved);
        std::string block(4096, 'x');
        std::ofstream filler(folder / "filler", std::ios::binary);
        while (filler.write(block.data(), block.size()))
            ;
    }

    demo_test::PlayerResult play() const { return run.runPlayer(prefix); }

private:
    testing_support::TempDir dir;
    demo_test::RunFolder run;
    std::vector<std::string> mounts;
    std::string prefix;
};

struct BadInput {
    const char* name;
    std::function<void(Breakage&)> breakFolder;
    int exitCode;
    // A whole line the player writes once on standard error; empty when it must say nothing of
    // its own (no "Error:" and no "[Marquel]" line).
    std::string message;
    // Files that must keep every byte through the run.
    std::vector<std::string> unchanged;
};

const std::vector<std::string> USER_FILES = {"marquel.xml", "data/demo.xml"};
const std::vector<std::string> SCRIPT_ONLY = {"data/demo.xml"};

// A picture in PNG whose header claims sides no memory holds; the header's CRC is made
// right, so only the size is wrong.
std::string hugePng() {
    vx_test::Bytes png = vx_test::makePng(4, 4, PNG_COLOR_TYPE_RGB, 8);
    // Signature (8), length (4), "IHDR" (4), then width and height.
    for (int side : {16, 20}) {
        png[side] = 0x00;
        png[side + 1] = 0x01;
        png[side + 2] = 0x00;
        png[side + 3] = 0x00;
    }
    const uLong crc = crc32(0, png.data() + 12, 17);
    for (int i = 0; i < 4; ++i)
        png[29 + i] = uint8_t(crc >> (24 - 8 * i));
    return vx_test::asString(png);
}

// A JPEG whose frame header claims 65000 × 65000 pixels.
std::string hugeJpeg() {
    vx_test::Bytes jpeg = vx_test::makeJpeg(16, 16, 10, 20, 30);
    for (size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            for (size_t at : {i + 5, i + 7}) {
                jpeg[at] = 0xFD;
                jpeg[at + 1] = 0xE8;
            }
            break;
        }
    }
    return vx_test::asString(jpeg);
}

// Flips every byte in the middle third, where the compressed pixels are.
std::string damaged(std::string bytes) {
    for (size_t i = bytes.size() / 3; i < bytes.size() * 2 / 3; ++i)
        bytes[i] = char(~bytes[i]);
    return bytes;
}

std::string jpeg() {
    return vx_test::asString(vx_test::makeJpeg(64, 64, 200, 100, 30));
}

// The script moved into an archive beside the data, stored uncompressed so its bytes can
// be damaged, and named in the configuration.
void moveScriptIntoArchive(Breakage& b) {
    vx_test::makeZip(b.path("data/pack.zip").string(), {{"demo.xml", b.read("data/demo.xml")}},
                     true);
    b.remove("data/demo.xml");
    b.configure("<music", "<archive file=\"../data/pack.zip\"/>\n\t<music");
}

const std::string NOT_A_SCRIPT = "Error: [Marquel] The scriptfile 'demo.xml' is not a script: ";

const std::string NOT_A_PNG = "Error: [Vx::loadPNG] Not a png-file! Header is wrong!";
const std::string PNG_DAMAGED = "Error: [Vx::loadPNG] Error when decoding png-file!";
const std::string NO_SCRIPT = "Error: [Marquel] Could not find the scriptfile 'demo.xml'";
// At 4 frames a second the dump writes the frame at 0.25 seconds; the one at the cut, 0.5,
// where no node runs, is not written.
const std::string FRAMES_LOST =
    "[Marquel] 1 of 1 video-dump frames could not be written into 'screenshots'";

const std::string WRITE_BACK_FAILED = "[Marquel] The settings were not saved: [Marquel] Could "
                                      "not write 'marquel.xml'; the old file is kept";

const std::vector<BadInput> CASES = {
    // The configuration.
    {"ConfigurationMissing", [](Breakage& b) { b.remove("marquel.xml"); }, 1,
     "Error: [Marquel] Could not load 'marquel.xml'", SCRIPT_ONLY},
    {"ConfigurationIsAFolder",
     [](Breakage& b) {
         b.remove("marquel.xml");
         fs::create_directories(b.path("marquel.xml"));
     },
     1, "Error: [Marquel] Could not load 'marquel.xml'", SCRIPT_ONLY},
    {"ConfigurationEmpty", [](Breakage& b) { b.write("marquel.xml", ""); }, 1,
     "Error: [Marquel] 'marquel.xml' is not well-formed XML: (error at line 1, col 1); EOF (when "
     "reading tag at 1:1)",
     USER_FILES},
    {"ConfigurationMalformed",
     [](Breakage& b) { b.configure("<hud mini=\"off\"/>", "<hud mini=\"off\">"); }, 1,
     "Error: [Marquel] 'marquel.xml' is not well-formed XML: (error at line 8, col 1); EOF (when "
     "reading tag at 7:8)",
     USER_FILES},
    {"ConfigurationWrongRoot",
     [](Breakage& b) {
         b.configure("<demo>", "<player>");
         b.configure("</demo>", "</player>");
     },
     1,
     "Error: [Marquel] Nothing to play: 'marquel.xml' was not read, or its root element is not "
     "'demo'",
     USER_FILES},
    {"ConfigurationTruncated", [](Breakage& b) { b.cut("marquel.xml", 100); }, 1,
     "Error: [Marquel] 'marquel.xml' is not well-formed XML: (error at line 4, col 56); EOF (when "
     "reading tag at 3:22)",
     USER_FILES},
    {"ConfigurationNotText",
     [](Breakage& b) { b.write("marquel.xml", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)); },
     1,
     "Error: [Marquel] 'marquel.xml' is not well-formed XML: (error at line 3, col 8); EOF (when "
     "reading tag at 3:8)",
     USER_FILES},
    {"ConfigurationWithoutWindow",
     [](Breakage& b) {
         b.configure("<window caption=\"Marquel\" width=\"160\" height=\"90\" mode=\"windowed\" "
                     "type=\"opengl\"/>",
                     "");
     },
     // The configuration was read, so the write-back tidies it as usual.
     1, "Error: [Marquel] Nothing to show: 'marquel.xml' has no 'window' element", SCRIPT_ONLY},
    // Numbers in the configuration.
    // A width of 0 lets SDL take the screen's width.
    {"WindowWidthNotANumber", [](Breakage& b) { b.configure("width=\"160\"", "width=\"wide\""); },
     0, "", SCRIPT_ONLY},
    {"WindowSizeNegative", [](Breakage& b) { b.configure("width=\"160\"", "width=\"-160\""); }, 1,
     "Error: Could not set video mode 'Invalid width or height'", USER_FILES},
    {"WindowSizeHuge", [](Breakage& b) { b.configure("width=\"160\"", "width=\"100000\""); }, 1,
     "Error: Could not set video mode 'A scanline is too wide'", USER_FILES},
    {"StartMarkNotANumber", [](Breakage& b) { b.configure("start=\"0.00\"", "start=\"soon\""); }, 0,
     "", SCRIPT_ONLY},
    {"StartMarkPastTheEnd", [](Breakage& b) { b.configure("start=\"0.00\"", "start=\"1e30\""); }, 0,
     "", SCRIPT_ONLY},
    // The video dump.
    {"VideoDumpFpsZero",
     [](Breakage& b) {
         b.configure("<music", "<videodump name=\"dump.png\" fps=\"0\"/>\n\t<music");
     },
     1, "Error: [Marquel] The videodump 'dump.png' needs an fps above 0, not '0'", USER_FILES},
    {"VideoDumpFpsNotANumber",
     [](Breakage& b) {
         b.configure("<music", "<videodump name=\"dump.png\" fps=\"fast\"/>\n\t<music");
     },
     1, "Error: [Marquel] The videodump 'dump.png' needs an fps above 0, not 'fast'", USER_FILES},
    {"VideoDumpUnknownKind",
     [](Breakage& b) {
         b.configure("<music", "<videodump name=\"dump.avi\" fps=\"10\"/>\n\t<music");
     },
     1, "Error: Could not find something that could write to 'dump.avi'", USER_FILES},
    {"VideoDumpCrfOutOfRange",
     [](Breakage& b) {
         b.configure("<music", "<videodump name=\"dump.mp4\" fps=\"10\" crf=\"52\"/>\n\t<music");
     },
     1, "Error: [Marquel] The videodump 'dump.mp4' needs a crf from 1 to 51, not '52'", USER_FILES},
    {"VideoDumpWithoutName",
     [](Breakage& b) { b.configure("<music", "<videodump fps=\"10\"/>\n\t<music"); }, 1,
     "Error: Could not find something that could write to ''", USER_FILES},
    // The music.
    {"MusicMissing", [](Breakage& b) { b.remove("data/demo.ogg"); }, 1,
     "Error: [Marquel] Could not find music in 'demo.ogg'", USER_FILES},
    {"MusicEmpty", [](Breakage& b) { b.write("data/demo.ogg", ""); }, 1,
     "Error: [Marquel] The music file 'demo.ogg' is empty", USER_FILES},
    {"MusicCutInItsHeader", [](Breakage& b) { b.cut("data/demo.ogg", 100); }, 1,
     "Error: [Marquel] FMOD-ERROR; The audio data ends early: the file is cut short or damaged.",
     USER_FILES},
    {"MusicCutInItsAudio", [](Breakage& b) { b.cut("data/demo.ogg", 20000); }, 0, "", SCRIPT_ONLY},
    {"MusicUnknownFormat", [](Breakage& b) { b.write("data/demo.ogg", "not music at all\n"); }, 1,
     "Error: [Marquel] FMOD-ERROR; Unsupported file or audio format. ", USER_FILES},
    // The script.
    {"ScriptMissing",
     [](Breakage& b) { b.remove("data/demo.xml"); },
     1,
     "Error: [Marquel] Could not find the scriptfile 'demo.xml'",
     {"marquel.xml"}},
    {"ScriptEmpty", [](Breakage& b) { b.write("data/demo.xml", ""); }, 1,
     "Error: [Marquel] 'demo.xml' is not well-formed XML: (error at line 1, col 1); EOF (when "
     "reading tag at 1:1)",
     USER_FILES},
    {"ScriptMalformed",
     [](Breakage& b) {
         b.write("data/demo.xml", "<script>\n\t<effect name=\"quessa\" start=\"0\" end=\"0.5\">\n");
     },
     1,
     "Error: [Marquel] 'demo.xml' is not well-formed XML: (error at line 3, col 1); EOF (when "
     "reading tag at 2:47)",
     USER_FILES},
    {"ScriptWrongRoot",
     [](Breakage& b) {
         b.edit("data/demo.xml", "<script>", "<timeline>");
         b.edit("data/demo.xml", "</script>", "</timeline>");
     },
     1, NOT_A_SCRIPT + "its root element must be 'script', not 'timeline' (line 1)", USER_FILES},
    {"SplineWithoutKeys",
     [](Breakage& b) {
         b.edit("data/demo.xml", FIRST_PICTURE + "/>", FIRST_PICTURE + "/><spline name=\"size\"/>");
     },
     1, NOT_A_SCRIPT + "every spline needs a key, and the spline 'size' in line 25 has none",
     USER_FILES},
    {"UnknownEffectNames",
     [](Breakage& b) {
         for (const char* name : {"name=\"star\"", "name=\"star\"", "name=\"torus\""})
             b.edit("data/demo.xml", name, "name=\"nobody\"");
         b.edit("data/demo.xml", "name=\"quessa\"", "name=\"kessa\"");
     },
     0, "[Marquel] No effect is registered under 'kessa', 'nobody': these nodes draw nothing",
     SCRIPT_ONLY},
    {"UnknownTriggerAndSplineNames",
     [](Breakage& b) {
         b.edit("data/demo.xml", "name=\"color\"", "name=\"colour\"");
         b.edit("data/demo.xml", "name=\"alpha\"", "name=\"opacity\"");
     },
     0, "", SCRIPT_ONLY},
    {"ScriptNumbersNotNumbers",
     [](Breakage& b) {
         b.edit("data/demo.xml", "time=\"3\" value=\"10\"", "time=\"x\" value=\"y\"");
     },
     0, "", SCRIPT_ONLY},
    {"ColourTextTooShort",
     [](Breakage& b) { b.edit("data/demo.xml", "value=\"005005020\"", "value=\"05\""); }, 0, "",
     SCRIPT_ONLY},
    // The panels' font and logo.
    {"FontMissing", [](Breakage& b) { b.remove("data/marquel.font"); }, 1,
     "Error: [Marquel] Could not find 'marquel.font'!", USER_FILES},
    {"FontShorterThanItsHeader", [](Breakage& b) { b.cut("data/marquel.font", 5); }, 1,
     "Error: [Marquel] 'marquel.font' ends before its glyph size (5 bytes)", USER_FILES},
    {"FontCutShort", [](Breakage& b) { b.cut("data/marquel.font", 100); }, 1,
     "Error: [Marquel] 'marquel.font' is cut short: 100 bytes where a 5 x 8 font needs 1286",
     USER_FILES},
    {"FontWrongSignature", [](Breakage& b) { b.write("data/marquel.font", "IBF\x02junkjunk"); }, 1,
     "Error: Font not an Ilvane Binary Font -!-", USER_FILES},
    {"LogoMissing", [](Breakage& b) { b.remove("data/marquel_logo.png"); }, 1,
     "Error: [Marquel] The inspector could not load its logo: Vx::loadImage, File not found "
     "(marquel_logo.png)",
     USER_FILES},
    {"LogoNotAPicture", [](Breakage& b) { b.write("data/marquel_logo.png", "a logo\n"); }, 1,
     "Error: [Marquel] The inspector could not load its logo: " + NOT_A_PNG.substr(7),
     USER_FILES},
    // Pictures an effect shows.
    {"PictureMissing", [](Breakage& b) { b.remove("data/mcuniverse.png"); }, 1,
     "Error: Vx::loadImage, File not found (mcuniverse.png)", USER_FILES},
    {"PngTruncated",
     [](Breakage& b) { b.cut("data/mcuniverse.png", b.read("data/mcuniverse.png").size() / 2); }, 1,
     PNG_DAMAGED, USER_FILES},
    {"PngCorrupt",
     [](Breakage& b) { b.write("data/mcuniverse.png", damaged(b.read("data/mcuniverse.png"))); }, 1,
     PNG_DAMAGED, USER_FILES},
    {"PngHugeDimensions", [](Breakage& b) { b.write("data/mcuniverse.png", hugePng()); }, 1,
     PNG_DAMAGED, USER_FILES},
    {"PngHoldingAJpeg", [](Breakage& b) { b.write("data/mcuniverse.png", jpeg()); }, 1, NOT_A_PNG,
     USER_FILES},
    {"JpegTruncated", [](Breakage& b) { b.showPicture("photo.jpg", jpeg().substr(0, 300)); }, 1,
     "Error: Internal jpeglib error; Premature end of JPEG file", USER_FILES},
    {"JpegCorrupt", [](Breakage& b) { b.showPicture("photo.jpg", damaged(jpeg())); }, 1,
     "Error: Internal jpeglib error; Premature end of JPEG file", USER_FILES},
    {"JpegHugeDimensions", [](Breakage& b) { b.showPicture("photo.jpg", hugeJpeg()); }, 1,
     "Error: Internal jpeglib error; Image is too large", USER_FILES},
    {"JpegHoldingText", [](Breakage& b) { b.showPicture("photo.jpg", "not a photo\n"); }, 1,
     "Error: Internal jpeglib error; Not a JPEG file: starts with 0x6e 0x6f", USER_FILES},
    {"PictureFormatUnknown",
     [](Breakage& b) { b.showPicture("photo.gif", "GIF89a\x01\x00\x01\x00"); }, 1,
     "Error: Vx::ImageManager::loadImage, No decoder found for photo.gif", USER_FILES},
    // Archives.
    {"ArchiveMissing",
     [](Breakage& b) {
         moveScriptIntoArchive(b);
         b.remove("data/pack.zip");
     },
     1,
     NO_SCRIPT,
     {"marquel.xml"}},
    {"ArchiveNotAZip",
     [](Breakage& b) {
         moveScriptIntoArchive(b);
         b.write("data/pack.zip", "PK\x03\x04 but nothing more\n");
     },
     1,
     NO_SCRIPT,
     {"marquel.xml"}},
    {"ArchiveEntryFailsItsCrc",
     [](Breakage& b) {
         moveScriptIntoArchive(b);
         b.edit("data/pack.zip", "name=\"star\"", "name=\"stab\"");
     },
     1,
     NO_SCRIPT,
     {"marquel.xml", "data/pack.zip"}},
    // Writes that fail.
    {"RunFolderReadOnly",
     [](Breakage& b) {
         if (!b.makeReadOnly(""))
             GTEST_SKIP() << "cannot make a folder read-only here";
     },
     0, WRITE_BACK_FAILED, USER_FILES},
    {"DiskFull", [](Breakage& b) { b.fillDisk(""); }, 0, WRITE_BACK_FAILED, USER_FILES},
    {"ScreenshotsIsAFile",
     [](Breakage& b) {
         b.write("bin/screenshots", "");
         b.configure("<music", "<videodump name=\"dump.png\" fps=\"4\"/>\n\t<music");
     },
     0, FRAMES_LOST, SCRIPT_ONLY},
    {"ScreenshotsReadOnly",
     [](Breakage& b) {
         fs::create_directories(b.path("bin/screenshots"));
         if (!b.makeReadOnly("bin/screenshots"))
             GTEST_SKIP() << "cannot make a folder read-only here";
         b.configure("<music", "<videodump name=\"dump.png\" fps=\"4\"/>\n\t<music");
     },
     0, FRAMES_LOST, SCRIPT_ONLY},
    {"VideoIntoAFile",
     [](Breakage& b) {
         b.write("bin/screenshots", "");
         b.configure("<music", "<videodump name=\"dump.mp4\" fps=\"4\"/>\n\t<music");
     },
     1, "Error: [Marquel] Could not open 'screenshots/dump.mp4': Not a directory", SCRIPT_ONLY},
    {"VideoThroughALink",
     [](Breakage& b) {
         fs::create_directories(b.path("bin/screenshots"));
         fs::create_symlink("../../data/demo.xml", b.path("bin/screenshots/dump.mp4"));
         b.configure("<music", "<videodump name=\"dump.mp4\" fps=\"4\"/>\n\t<music");
     },
     1,
     "Error: [Marquel] Not recording into 'screenshots/dump.mp4': it is a link, which is left as "
     "it is",
     SCRIPT_ONLY},
    // A demo whose output folder leads to the user's home: their video stays as it was.
    {"VideoOverAFileThePlayerDidNotWrite",
     [](Breakage& b) {
         b.write("Videos/holiday.mp4", "the user's holiday");
         fs::create_directory_symlink("..", b.path("bin/screenshots"));
         b.configure("<music", "<videodump name=\"Videos/holiday.mp4\" fps=\"4\"/>\n\t<music");
     },
     1,
     "Error: [Marquel] Not recording into 'screenshots/Videos/holiday.mp4': the player did not "
     "write it, so it is left as it is and nothing was written",
     {"data/demo.xml", "Videos/holiday.mp4"}},
    {"VideoOnAFullDisk",
     [](Breakage& b) {
         fs::create_directories(b.path("bin/screenshots"));
         b.fillDisk("bin/screenshots");
         b.configure("<music", "<videodump name=\"dump.mp4\" fps=\"4\"/>\n\t<music");
     },
     1,
     "Error: [Marquel] 1 of 1 video frames could not be written into 'screenshots/dump.mp4'; "
     "it holds the first 0",
     SCRIPT_ONLY},
    {"ScreenshotsOnAFullDisk",
     [](Breakage& b) {
         fs::create_directories(b.path("bin/screenshots"));
         b.fillDisk("bin/screenshots");
         b.configure("<music", "<videodump name=\"dump.png\" fps=\"4\"/>\n\t<music");
     },
     0, FRAMES_LOST, SCRIPT_ONLY},
};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class BadInputTest : public testing::TestWithParam<BadInput> {};

} // namespace

TEST_P(BadInputTest, EndsWithItsMessageAndKeepsTheUsersFiles) {
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server (the test suite runs under xvfb-run)";
    // Without a client of its own the X server resets between two runs of the player and
    // refuses the next one now and then.
    ASSERT_TRUE(holdXServer());
    const BadInput& input = GetParam();
    Breakage folder;
    input.breakFolder(folder);
    if (IsSkipped() || HasFatalFailure())
        return;
    std::map<std::string, std::string> before;
    for (const auto& name : input.unchanged)
        before[name] = folder.read(name);

    const demo_test::PlayerResult result = folder.play();

    EXPECT_EQ(result.code, input.exitCode) << result.errors;
    const std::vector<std::string> lines = linesOf(result.errors);
    if (input.message.empty()) {
        for (const auto& line : lines) {
            EXPECT_NE(line.rfind("Error:", 0), 0u) << line;
            EXPECT_NE(line.rfind("[Marquel]", 0), 0u) << line;
        }
    } else {
        EXPECT_EQ(std::count(lines.begin(), lines.end(), input.message), 1)
            << "standard error was:\n"
            << result.errors;
    }
    for (const auto& name : input.unchanged)
        EXPECT_EQ(folder.read(name), before[name]) << name << " changed";
    // A failed write leaves no temporary file behind, neither beside the configuration nor
    // among the dumped frames.
    for (const auto& entry : fs::recursive_directory_iterator(folder.path("")))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Table, BadInputTest, testing::ValuesIn(CASES),
                         [](const testing::TestParamInfo<BadInput>& info) {
                             return std::string(info.param.name);
                         });
