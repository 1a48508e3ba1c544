// Writes the fuzz targets' seed corpora: a few small valid files of each kind, made by our
// own writers and the codec libraries, plus broken variants of them. Usage:
//   make_fuzz_seeds <corpus folder>

#include "tests/common/JpegWriter.h"
#include "tests/common/MusicFiles.h"
#include "tests/common/TgaWriter.h"
#include "tools/DemoScript.h"
#include "tools/PixelFont.h"
#include "vx/ImageObject.h"
#include "vx/PngCodec.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <jpeglib.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>
#include <zip.h>

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

fs::path root;

void put(const std::string& target, const std::string& name, const Bytes& bytes) {
    fs::create_directories(root / target);
    std::ofstream(root / target / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void put(const std::string& target, const std::string& name, const std::string& text) {
    put(target, name, Bytes(text.begin(), text.end()));
}

Bytes cut(Bytes bytes, size_t size) {
    bytes.resize(std::min(size, bytes.size()));
    return bytes;
}

Bytes flipped(Bytes bytes, size_t at) {
    if (at < bytes.size())
        bytes[at] ^= 0x5A;
    return bytes;
}

uint8_t sample(int x, int y, int channel) {
    return static_cast<uint8_t>(x * 29 + y * 13 + channel * 67);
}

Bytes png(int width, int height) {
    Vx::ImageObject image(width, height, nullptr, nullptr, "seed.png");
    uint8_t* pixels = image.getWriteData();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 4; ++c)
                pixels[(y * width + x) * 4 + c] = sample(x, y, c);
    Bytes out;
    Vx::PngCodec().encode(out, image);
    return out;
}

Bytes jpeg(int width, int height, int components, bool progressive) {
    testing_support::JpegSettings settings;
    settings.width = width;
    settings.height = height;
    settings.components = components;
    settings.space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    settings.quality = 80;
    settings.progressive = progressive;
    return testing_support::writeJpeg(settings, [&](int y, uint8_t* row) {
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                row[x * components + c] = sample(x, y, c);
    });
}

// Grey and true-colour pixels follow the picture; colour-mapped ones (8-bit indices into four
// entries) repeat in pairs, so run-length files get runs.
Bytes tga(int width, int height, int type, int bits, int origin) {
    testing_support::TgaSettings settings{type, bits, origin, width, height, {}};
    if (type % 8 == 1)
        settings.colourMap = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    return testing_support::writeTga(settings, [&](int x, int y) {
        Bytes pixel;
        for (int c = 0; c < (bits + 7) / 8; ++c)
            pixel.push_back(type % 8 == 1 ? uint8_t(x / 2 % 4) : sample(x, y, c));
        return pixel;
    });
}

// Level 0 stores an entry, anything else deflates it.
Bytes zip(const std::vector<std::pair<std::string, std::string>>& entries, int level) {
    fs::path path = root / "seed.zip.tmp";
    zipFile archive = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    for (const auto& entry : entries) {
        zip_fileinfo info = {};
        zipOpenNewFileInZip(archive, entry.first.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                            level ? Z_DEFLATED : 0, level);
        zipWriteInFileInZip(archive, entry.second.data(), unsigned(entry.second.size()));
        zipCloseFileInZip(archive);
    }
    zipClose(archive, nullptr);
    std::ifstream in(path, std::ios::binary);
    Bytes out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(path);
    return out;
}

Bytes font(uint8_t width, uint8_t height) {
    Bytes out = {'I', 'B', 'F', '!', width, height};
    for (size_t n = 0; n < 32u * width * height; ++n)
        out.push_back(static_cast<uint8_t>(n * 73 + 5));
    return out;
}

// A fifth of a second of two tones, so a seed stays small enough to mutate quickly.
Bytes music(int format, int rate = sound_test::RATE, int channels = 2, int bitrateMode = -1) {
    std::string file = sound_test::encode(format, sound_test::twoTones(0.2, 0.1, rate), rate,
                                          bitrateMode, channels);
    return Bytes(file.begin(), file.end());
}

const char* const CONFIG = R"(<?xml version="1.0" encoding="UTF-8"?>
<marquel>
	<!-- the player's settings -->
	<display width="640" height="480" fullscreen="0"/>
	<music file="demo.ogg"/>
	<script file="demo.xml"/>
	<path name="data/"/>
	<path name="zip://data.zip"/>
</marquel>
)";

const char* const SCRIPT = R"(<?xml version="1.0"?>
<script>
	<effect name="clear" start="0" end="10" active="1" colour="FF102030">
		<effect name="image" start="1.5" end="4" file="mccool.png">
			<spline name="alpha" type="linear" valueoffset="0">
				<key time="0" value="0"/>
				<key time="1" value="1"/>
			</spline>
			<trigger name="flash" time="0.5"/>
		</effect>
	</effect>
	<effect name="star" start="10" end="20"/>
</script>
)";

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds <corpus folder>\n");
        return 2;
    }
    root = argv[1];

    put("xml", "config.xml", CONFIG);
    put("xml", "text.xml", "<a x=\"1\" y='2'>some text<b/><!-- note --><c>more</c></a>");
    put("xml", "declaration-only.xml", "<?xml version=\"1.0\"?>");
    put("xml", "unclosed.xml", "<a><b></a>");
    put("xml", "bad-attribute.xml", "<a x=1 y=\"2></a>");
    put("xml", "cut.xml", std::string(CONFIG).substr(0, 120));

    put("script", "small.xml", SCRIPT);
    put("script", "demo.xml", Content::DemoScript::script().substr(0, 3000));
    put("script", "empty.xml", "<script/>");
    // Nested as deep as a script may be: a mutation that adds a level crosses the limit.
    std::string deep = "<script>";
    for (int level = 0; level < 1000; ++level)
        deep += "<effect name=\"a\">";
    for (int level = 0; level < 1000; ++level)
        deep += "</effect>";
    put("script", "deep.xml", deep + "</script>");
    put("script", "spline-without-keys.xml",
        "<script><effect name=\"a\" start=\"0\" end=\"1\"><spline name=\"s\"/></effect></script>");
    put("script", "other-root.xml", "<marquel><effect name=\"a\"/></marquel>");
    put("script", "bad-numbers.xml",
        "<script><effect name=\"a\" start=\"x\" end=\"1e999\" active=\"-\"/></script>");

    Bytes small = png(4, 3);
    put("png", "4x3.png", small);
    put("png", "1x1.png", png(1, 1));
    put("png", "16x9.png", png(16, 9));
    put("png", "cut.png", cut(small, small.size() / 2));
    put("png", "bad-crc.png", flipped(small, 40));
    put("png", "signature-only.png", cut(small, 8));

    Bytes colour = jpeg(8, 8, 3, false);
    put("jpeg", "8x8.jpg", colour);
    put("jpeg", "gray-9x5.jpg", jpeg(9, 5, 1, false));
    put("jpeg", "progressive-17x11.jpg", jpeg(17, 11, 3, true));
    put("jpeg", "cut.jpg", cut(colour, colour.size() * 2 / 3));
    put("jpeg", "damaged.jpg", flipped(colour, colour.size() / 2));

    Bytes trueColour = tga(5, 3, 2, 24, 0);
    put("tga", "24-bit-5x3.tga", trueColour);
    put("tga", "32-bit-rle-top-4x4.tga", tga(4, 4, 10, 32, 0x20));
    put("tga", "16-bit-3x2.tga", tga(3, 2, 2, 16, 0));
    put("tga", "grey-rle-6x2.tga", tga(6, 2, 11, 8, 0));
    put("tga", "mapped-5x3.tga", tga(5, 3, 1, 8, 0x20));
    put("tga", "cut.tga", cut(trueColour, trueColour.size() - 5));
    put("tga", "header-only.tga", cut(trueColour, 18));

    std::vector<uint8_t> pixelFont = Content::PixelFont::fontFile();
    put("font", "marquel.font", pixelFont);
    put("font", "1x1.font", font(1, 1));
    put("font", "3x2.font", font(3, 2));
    put("font", "cut.font", cut(pixelFont, 100));
    put("font", "header-only.font", cut(pixelFont, 6));
    put("font", "wrong-signature.font", Bytes{'I', 'B', 'F', '?', 1, 1});

    std::vector<std::pair<std::string, std::string>> entries = {
        {"marquel.xml", CONFIG}, {"data/demo.xml", SCRIPT}, {"empty", ""}};
    Bytes deflated = zip(entries, 6);
    put("zip", "deflated.zip", deflated);
    put("zip", "stored.zip", zip(entries, 0));
    put("zip", "empty.zip", zip({}, 0));
    put("zip", "cut.zip", cut(deflated, deflated.size() - 30));
    put("zip", "damaged.zip", flipped(deflated, 60));

    // One seed per decoder path: libsndfile's containers and codecs (seekable, forward-only,
    // read as floats), MP3 through libmpg123 and a tracker module through libopenmpt.
    Bytes wav = music(SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    Bytes vorbis = music(SF_FORMAT_OGG | SF_FORMAT_VORBIS);
    Bytes opus = music(SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000);
    Bytes flac = music(SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    Bytes mp3 = music(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
    std::string mod = sound_test::twoPatternModule();
    Bytes module(mod.begin(), mod.end());
    put("sound", "pcm16.wav", wav);
    put("sound", "mono-22050.wav", music(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1));
    put("sound", "float.wav", music(SF_FORMAT_WAV | SF_FORMAT_FLOAT, 32000));
    put("sound", "ima-adpcm.wav", music(SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM));
    put("sound", "gsm.wav", music(SF_FORMAT_WAV | SF_FORMAT_GSM610, 8000, 1));
    put("sound", "pcm16.aiff", music(SF_FORMAT_AIFF | SF_FORMAT_PCM_16));
    put("sound", "pcm24.caf", music(SF_FORMAT_CAF | SF_FORMAT_PCM_24, 11025));
    put("sound", "ulaw.au", music(SF_FORMAT_AU | SF_FORMAT_ULAW, 8000));
    put("sound", "vorbis.ogg", vorbis);
    put("sound", "opus.ogg", opus);
    put("sound", "flac.flac", flac);
    put("sound", "cbr.mp3", mp3);
    put("sound", "vbr.mp3",
        music(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 22050, 2, SF_BITRATE_MODE_VARIABLE));
    put("sound", "two-patterns.mod", module);
    put("sound", "cut-header.wav", cut(wav, 30));
    put("sound", "cut.ogg", cut(vorbis, vorbis.size() / 2));
    put("sound", "cut.opus", cut(opus, opus.size() / 2));
    put("sound", "cut.flac", cut(flac, flac.size() / 2));
    put("sound", "cut.mp3", cut(mp3, mp3.size() / 2));
    put("sound", "cut.mod", cut(module, module.size() / 2));
    put("sound", "damaged.ogg", flipped(vorbis, vorbis.size() / 3));
    put("sound", "damaged.mp3", flipped(mp3, mp3.size() / 3));
    // Shader texts: plain and wrapped, directives behind comments and continued lines, macros
    // that call each other, a byte order mark, and a driver's log.
    put("shader", "plain.frag", "uniform float time;\nvoid main() {\n  gl_FragColor = vec4(time);\n}\n");
    put("shader", "toy.frag",
        "#version 300 es\n#extension GL_EXT_gpu_shader4 : \\\nenable\n"
        "void mainImage(out vec4 c, in vec2 at) {\n  c = vec4(at / iResolution.xy, 0.0, 1.0);\n}");
    put("shader", "hidden-include.frag",
        "/* a\n */ #include \"x\"\n#inc\\\nlude \"y\"\n// #include \"z\"\nvoid main() {}\n");
    put("shader", "macros.frag",
        "#define D(y) (y)+(y)\n#define A D(D(x))\n#define B A*A\n#define L(y) L(y)\n"
        "void main() { float x = 1.0; gl_FragColor = vec4(D(B) + L(x)); }\n");
    put("shader", "mark.frag", "\xEF\xBB\xBF#version 330\nvoid mainImage(out vec4 c, in vec2 at) {}\n");
    put("shader", "log.txt",
        "0:3(5): error: `nothing' undeclared\n0(4) : error C1008: undefined variable\n"
        "ERROR: 0:5: 'x' : syntax error\nwarning: no place\n");
    return 0;
}
