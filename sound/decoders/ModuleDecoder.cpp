#include "sound/decoders/ModuleDecoder.h"

#include <libopenmpt/libopenmpt.h>

#include <cmath>

namespace Marquel::Audio {

namespace {

// Tracker modules render at the output rate directly.
class ModuleDecoder : public Decoder {
public:
    static constexpr int RATE = 44100;

    static std::unique_ptr<Decoder> open(const void* data, size_t size) {
        int error = 0;
        openmpt_module* module = openmpt_module_create_from_memory2(
            data, size, openmpt_log_func_silent, nullptr, openmpt_error_func_ignore, nullptr,
            &error, nullptr, nullptr);
        if (!module)
            return nullptr;
        return std::unique_ptr<Decoder>(new ModuleDecoder(module));
    }

    ~ModuleDecoder() override { openmpt_module_destroy(module); }

    int rate() const override { return RATE; }
    int channels() const override { return 2; }
    int64_t length() const override { return frames; }
    int read(int16_t* out, int count) override {
        return static_cast<int>(openmpt_module_read_interleaved_stereo(module, RATE, count, out));
    }
    int64_t seek(int64_t frame) override {
        double at = openmpt_module_set_position_seconds(module, static_cast<double>(frame) / RATE);
        return std::llround(at * RATE);
    }

private:
    explicit ModuleDecoder(openmpt_module* module)
        : module(module), frames(std::llround(openmpt_module_get_duration_seconds(module) * RATE)) {
    }

    openmpt_module* module;
    int64_t frames;
};

} // namespace

std::unique_ptr<Decoder> openModule(const void* data, size_t size) {
    return ModuleDecoder::open(data, size);
}

int probeModule(const void* data, size_t size) {
    return openmpt_probe_file_header(OPENMPT_PROBE_FILE_HEADER_FLAGS_DEFAULT, data, size, size,
                                     openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
                                     nullptr, nullptr, nullptr);
}

} // namespace Marquel::Audio
