// Which files open, how much of them decodes, and the results of calls made wrongly.

#include "SoundFixture.h"
#include "sound/Decoder.h"
#include "sound/Onsets.h"
#include "sound/Spectrum.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

using namespace sound_test;

namespace {

// Every frame the decoder gives, at its own rate.
int64_t decodeAll(const std::string& bytes, int* rate = nullptr, Frames* samples = nullptr) {
    std::unique_ptr<Marquel::Audio::Decoder> decoder;
    if (Marquel::Audio::openDecoder(bytes.data(), bytes.size(), decoder) !=
        Marquel::Audio::DECODER_OK)
        return -1;
    std::vector<int16_t> buffer(4096 * static_cast<size_t>(decoder->channels()));
    int64_t total = 0;
    while (int got = decoder->read(buffer.data(), 4096)) {
        total += got;
        if (samples)
            samples->insert(samples->end(), buffer.begin(),
                            buffer.begin() + got * decoder->channels());
    }
    if (rate)
        *rate = decoder->rate();
    return total;
}

// Bytes of the MPEG-1 layer III frame at the start of bytes.
size_t mpegFrameBytes(const std::string& bytes) {
    static const int kbps[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int rates[] = {44100, 48000, 32000};
    auto header = static_cast<unsigned char>(bytes[2]);
    int padding = (header >> 1) & 1;
    return static_cast<size_t>(144 * kbps[header >> 4] * 1000 / rates[(header >> 2) & 3] + padding);
}

class Decoding : public SoundFixture {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        openSystem();
    }
};

} // namespace

TEST_F(Decoding, EveryFormatOpensFromMemory) {
    Frames tones = twoTones(1, 0.5);
    for (int format : {SF_FORMAT_WAV | SF_FORMAT_PCM_16, SF_FORMAT_FLAC | SF_FORMAT_PCM_16,
                       SF_FORMAT_OGG | SF_FORMAT_VORBIS, SF_FORMAT_OGG | SF_FORMAT_OPUS,
                       SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III}) {
        std::string bytes = encode(format, tones, format & SF_FORMAT_OPUS ? 48000 : RATE);
        ASSERT_FALSE(bytes.empty()) << std::hex << format;
        EXPECT_EQ(load(bytes), FMOD_OK) << std::hex << format;
    }
    EXPECT_EQ(load(twoPatternModule()), FMOD_OK);
}

TEST_F(Decoding, WholeLengthDecodes) {
    Frames tones = twoTones(3, 1.5);
    EXPECT_EQ(decodeAll(wav(tones)), 3 * RATE);
    EXPECT_EQ(decodeAll(ogg(tones)), 3 * RATE);
    // MP3 frames hold 1152 samples; LAME pads the last one.
    int64_t mp3Frames = decodeAll(mp3(tones));
    EXPECT_GE(mp3Frames, 3 * RATE);
    EXPECT_LE(mp3Frames, 3 * RATE + 2 * 1152);
    // A VBR file without its first frame, which carries the frame count: the length can only
    // be found by reading the whole stream.
    Frames varied = twoTones(1.5, 1.5);
    Frames quiet(RATE * 3, 0); // silence takes far fewer bits than the tone
    varied.insert(varied.end(), quiet.begin(), quiet.end());
    std::string bytes = mp3(varied, RATE, true);
    ASSERT_EQ(bytes.compare(36, 4, "Xing"), 0);
    int64_t vbrFrames = decodeAll(bytes.substr(mpegFrameBytes(bytes)));
    EXPECT_GE(vbrFrames, 3 * RATE - 1152);
    EXPECT_LE(vbrFrames, 3 * RATE + 2 * 1152);
    // Two patterns of 64 rows at 120 ms; libopenmpt renders a few ms past the last row.
    int rate = 0;
    EXPECT_NEAR(decodeAll(twoPatternModule(), &rate), 2 * PATTERN_MS * 44.1, 0.15 * RATE);
    EXPECT_EQ(rate, RATE);
}

TEST_F(Decoding, UnknownFormatsAreRefused) {
    std::string noise(20000, '\0');
    std::mt19937 random(5);
    for (char& c : noise)
        c = static_cast<char>(random());
    // Whole files in containers that music uses too: not music of ours, but not cut short.
    std::string unknownCodec = wav(twoTones(0.1, 1));
    unknownCodec.replace(20, 2, "\x34\x12"); // the fmt chunk's codec number
    std::string theora = ogg(twoTones(0.1, 1));
    theora.replace(28, 7, "\x80theora"); // the first packet of the first page
    std::string aac("\xFF\xF1\x50\x80\x02\x1F\xFC!!!!!!!!!", 16); // one ADTS frame
    for (const std::string& bytes :
         {std::string("This is a text file, not music.\n"), noise, std::string(4096, '\0'),
          std::string("RIFF\x0C\0\0\0WEBPVP8L\0\0\0\0", 20),
          std::string("RIFF\x0C\0\0\0AVI LIST\0\0\0\0", 20), unknownCodec, theora, aac}) {
        EXPECT_EQ(load(bytes), FMOD_ERR_FORMAT) << bytes.substr(0, 12);
        EXPECT_EQ(sound, nullptr);
    }
    EXPECT_STREQ(FMOD_ErrorString(FMOD_ERR_FORMAT), "Unsupported file or audio format. ");
}

// Quiet float and lossy music plays as quiet as it was recorded; float samples beyond full
// scale clip there instead of wrapping round to the other sign.
TEST_F(Decoding, MusicPlaysAtItsRecordedLevel) {
    auto rms = [](const Frames& f) {
        return std::sqrt(std::inner_product(f.begin(), f.end(), f.begin(), 0.0) / f.size());
    };
    Frames quiet = twoTones(1, 1);
    for (int16_t& v : quiet)
        v = static_cast<int16_t>(v / 23); // about -36 dBFS
    for (int format : {SF_FORMAT_WAV | SF_FORMAT_FLOAT, SF_FORMAT_OGG | SF_FORMAT_VORBIS,
                       SF_FORMAT_OGG | SF_FORMAT_OPUS}) {
        Frames out;
        decodeAll(encode(format, quiet, format & SF_FORMAT_OPUS ? 48000 : RATE), nullptr, &out);
        EXPECT_NEAR(20 * std::log10(rms(out) / rms(quiet)), 0, 0.5) << std::hex << format;
    }
    Frames loud = twoTones(0.1, 1), out;
    std::string bytes = encode(SF_FORMAT_WAV | SF_FORMAT_FLOAT, loud);
    for (size_t at = bytes.find("data") + 8; at + 4 <= bytes.size(); at += 4) {
        float v;
        std::memcpy(&v, &bytes[at], 4);
        v *= 4;
        std::memcpy(&bytes[at], &v, 4);
    }
    decodeAll(bytes, nullptr, &out);
    for (int16_t& v : loud)
        v = static_cast<int16_t>(std::clamp(4 * v, -32768, 32767));
    EXPECT_EQ(out, loud);
}

TEST_F(Decoding, FilesCutInTheirHeaderAreRefused) {
    Frames tones = twoTones(1, 0.5);
    // Modules are not in the list: libopenmpt plays whatever part of one it can read.
    for (const std::string& bytes :
         {wav(tones).substr(0, 30), ogg(tones).substr(0, 60), mp3(tones).substr(0, 100),
          encode(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, tones).substr(0, 30)})
        EXPECT_EQ(load(bytes), FMOD_ERR_FILE_EOF) << bytes.size();
}

TEST_F(Decoding, FileCutInItsAudioPlaysWhatIsThere) {
    std::string bytes = wav(markerFrames(2));
    EXPECT_EQ(decodeAll(bytes.substr(0, bytes.size() / 2)), (bytes.size() / 2 - 44) / 4);
    // Cut in half, an Ogg Opus file has no length; a seek past its end (here where libsndfile
    // searched for ever) ends where the file does.
    std::string opus = encode(SF_FORMAT_OGG | SF_FORMAT_OPUS, twoTones(1, 0.5), 48000);
    opus.resize(opus.size() / 2);
    std::unique_ptr<Marquel::Audio::Decoder> decoder;
    ASSERT_EQ(Marquel::Audio::openDecoder(opus.data(), opus.size(), decoder),
              Marquel::Audio::DECODER_OK);
    const int64_t end = decoder->seek(24000);
    EXPECT_LT(end, 24000);
    EXPECT_EQ(decoder->seek(4294967295), end);
}

TEST_F(Decoding, CallsMadeWronglyGetTheirResults) {
    unsigned version = 0;
    ASSERT_EQ(system->getVersion(&version), FMOD_OK);
    EXPECT_GE(version, 0x00040037u);
    EXPECT_EQ(system->init(32, FMOD_INIT_NORMAL, nullptr), FMOD_ERR_INITIALIZED);

    std::string bytes = wav(markerFrames(1));
    FMOD_CREATESOUNDEXINFO exinfo = {};
    exinfo.cbsize = 4; // too short to hold the length
    exinfo.length = static_cast<unsigned>(bytes.size());
    EXPECT_EQ(system->createSound(bytes.data(), FMOD_OPENMEMORY, &exinfo, &sound),
              FMOD_ERR_INVALID_PARAM);
    exinfo.cbsize = 72;
    exinfo.length = 0;
    EXPECT_EQ(system->createSound(bytes.data(), FMOD_OPENMEMORY, &exinfo, &sound),
              FMOD_ERR_INVALID_PARAM)
        << "no length is no file, not an unknown format";
    exinfo.length = static_cast<unsigned>(bytes.size());
    EXPECT_EQ(system->createSound("music.ogg", FMOD_CREATESTREAM, &exinfo, &sound),
              FMOD_ERR_UNSUPPORTED);
    EXPECT_EQ(system->createSound(bytes.data(), FMOD_OPENMEMORY, nullptr, &sound),
              FMOD_ERR_INVALID_PARAM);

    ASSERT_EQ(load(bytes), FMOD_OK);
    play();
    EXPECT_EQ(channel->setPosition(0, 2), FMOD_ERR_UNSUPPORTED);
    // A stream plays on one channel at a time: a new playing ends the old channel.
    FMOD::Channel* first = channel;
    play();
    EXPECT_NE(channel, first);
    EXPECT_EQ(first->setMute(true), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(channel->setMute(true), FMOD_OK);
    // Releasing the sound ends its channel.
    ASSERT_EQ(sound->release(), FMOD_OK);
    EXPECT_EQ(channel->stop(), FMOD_ERR_INVALID_HANDLE);
}

TEST(ErrorString, AnswersForEveryCode) {
    EXPECT_STREQ(FMOD_ErrorString(static_cast<FMOD_RESULT>(63)), "Unknown error.");
    EXPECT_STREQ(FMOD_ErrorString(static_cast<FMOD_RESULT>(-1)), "Unknown error.");
    for (int code = FMOD_OK; code <= FMOD_ERR_MEMORY; ++code)
        EXPECT_STRNE(FMOD_ErrorString(static_cast<FMOD_RESULT>(code)), "Unknown error.");
}

TEST(SystemCreate, NeedsAnInitBeforeSounds) {
    FMOD::System* system = nullptr;
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    FMOD::Sound* sound = nullptr;
    FMOD_CREATESOUNDEXINFO exinfo = {};
    exinfo.cbsize = 72;
    exinfo.length = 4;
    EXPECT_EQ(system->createSound("RIFF", FMOD_OPENMEMORY, &exinfo, &sound),
              FMOD_ERR_UNINITIALIZED);
    EXPECT_EQ(system->init(0, FMOD_INIT_NORMAL, nullptr), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(system->close(), FMOD_ERR_UNINITIALIZED);
    EXPECT_EQ(system->release(), FMOD_OK);
    EXPECT_EQ(FMOD_System_Create(nullptr), FMOD_ERR_INVALID_PARAM);
}

// A full-scale tone reads about 1 in its own bin and 0 far from it; silence, times outside the
// music and bytes that are no music give nothing.
TEST(Spectrum, ShowsAToneInItsBinAlone) {
    using Marquel::Audio::Spectrum;
    // A quarter of a bin above the centre of bin 40 (value 39), so the window's leak shows.
    constexpr int BIN = 40;
    Frames music(RATE * 3, 0); // 0.5 s of silence, then 1 s of tone to the end
    for (size_t i = RATE / 2; i < RATE * 3 / 2; ++i)
        music[2 * i] = music[2 * i + 1] =
            static_cast<int16_t>(32767 * std::sin(M_PI * (BIN + 0.25) * i / Spectrum::BINS));
    std::string bytes = wav(music);
    Spectrum spectrum(bytes.data(), bytes.size());
    std::vector<float> bins(Spectrum::BINS);
    spectrum.at(1, bins.data());
    EXPECT_NEAR(bins[BIN - 1], 1.0f, 0.01f);
    for (int i = 0; i < Spectrum::BINS; ++i)
        EXPECT_LT(bins[i], std::abs(i - BIN + 1) > 16 ? 0.1f : 1.01f) << i;
    for (double seconds : {0.2, -0.1, 1.505, std::nan("")}) {
        spectrum.at(seconds, bins.data());
        EXPECT_EQ(*std::max_element(bins.begin(), bins.end()), 0.0f) << seconds;
    }
    std::string module = twoPatternModule();
    Spectrum(module.data(), module.size()).at(1, bins.data());
    EXPECT_GT(*std::max_element(bins.begin(), bins.end()), 0.5f);
    // A rate no music has is refused rather than believed.
    for (int rate : {100000000, 4000})
        EXPECT_THROW(Spectrum(wav(music, rate).data(), wav(music, rate).size()), std::runtime_error)
            << rate;
    for (const std::string& bad : {std::string("Not music.\n"), bytes.substr(0, 30)})
        EXPECT_THROW(Spectrum(bad.data(), bad.size()), std::runtime_error) << bad.size();

    // A faster file is read at 48 kHz or below, so a tone keeps its band: 40 bins of 48 kHz.
    for (int rate : {96000, 384000}) {
        const double hz = BIN * 48000.0 / (2 * Spectrum::BINS);
        Frames fast(static_cast<size_t>(rate) * 2);
        for (size_t i = 0; i < fast.size(); ++i)
            fast[i] = static_cast<int16_t>(32767 * std::sin(2 * M_PI * hz * double(i / 2) / rate));
        const std::string file = wav(fast, rate);
        Spectrum(file.data(), file.size()).at(0.5, bins.data());
        EXPECT_GT(bins[BIN - 1], 0.99f) << rate;
        EXPECT_LT(bins[BIN * 48000 / rate - 1], 0.1f) << rate;
    }
}

// Clicks at 100 bpm at 22.05 kHz, where a rate or hop taken for 44.1 kHz would misplace them:
// each is found within a millisecond or two and nothing else is, the tempo and its first
// beat come from them, and the loudness tells a click's span from the silence between.
TEST(Onsets, ClickTrackGivesItsClicksToTheMillisecondAndItsTempo) {
    constexpr int CLICK_RATE = 22050;
    constexpr double FIRST = 0.3, PERIOD = 0.6;
    Frames music(CLICK_RATE * 12 * 2, 0);
    std::vector<double> clicks;
    for (double t = FIRST; t < 11.5; t += PERIOD) {
        clicks.push_back(t);
        const auto at = static_cast<size_t>(std::lround(t * CLICK_RATE));
        for (size_t i = 0; i < 20; ++i)
            music[2 * (at + i)] = music[2 * (at + i) + 1] = i % 2 ? -20000 : 20000;
    }
    const std::string bytes = wav(music, CLICK_RATE);
    Marquel::Audio::Spectrum spectrum(bytes.data(), bytes.size());
    const Marquel::Audio::Onsets onsets(spectrum);
    ASSERT_EQ(onsets.all().size(), clicks.size());
    for (size_t i = 0; i < clicks.size(); ++i)
        EXPECT_NEAR(onsets.all()[i].time, clicks[i], 0.002) << i;
    EXPECT_NEAR(onsets.tempo().bpm, 100, 0.05);
    EXPECT_NEAR(onsets.tempo().firstBeat, FIRST, 0.002);
    EXPECT_DOUBLE_EQ(onsets.length(), 12);
    EXPECT_GT(onsets.loudness(FIRST, FIRST + 0.01), 0.1f);
    EXPECT_EQ(onsets.loudness(FIRST + 0.1, FIRST + 0.5), 0.0f);
}
