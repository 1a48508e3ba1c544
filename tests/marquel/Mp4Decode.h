#pragma once
// Reads an MP4 file back with FFmpeg: every picture as top-down BGRA with its time, and when
// the sound first gets loud.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <string>
#include <vector>

namespace system_test {

struct DecodedMp4 {
    AVRational frameRate{0, 1}, timeBase{0, 1};
    AVChromaLocation chromaLocation = AVCHROMA_LOC_UNSPECIFIED;
    int64_t duration = 0; // of the pictures, in timeBase
    int stride = 0;
    std::vector<std::vector<uint8_t>> pictures;
    std::vector<int64_t> times; // in timeBase
    bool hasSound = false;
    double firstLoudSecond = -1;

    const uint8_t* pixel(size_t i, int x, int y) const { return &pictures[i][y * stride + x * 4]; }
};

inline DecodedMp4 decodeMp4(const std::string& path) {
    DecodedMp4 out;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return out;
    avformat_find_stream_info(format, nullptr);
    std::vector<AVCodecContext*> decoders;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        decoders.push_back(
            avcodec_alloc_context3(avcodec_find_decoder(stream->codecpar->codec_id)));
        avcodec_parameters_to_context(decoders[i], stream->codecpar);
        avcodec_open2(decoders[i], nullptr, nullptr);
        out.hasSound |= stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            out.frameRate = stream->r_frame_rate;
            out.timeBase = stream->time_base;
            out.chromaLocation = stream->codecpar->chroma_location;
            out.duration = stream->duration;
            // swscale leaves the last pixels of rows of an unaligned length unwritten.
            out.stride = FFALIGN(stream->codecpar->width * 4, 64);
        }
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* toBgra = nullptr;
    auto receive = [&](AVCodecContext* decoder, AVRational timeBase) {
        while (avcodec_receive_frame(decoder, frame) >= 0) {
            if (decoder->codec_type == AVMEDIA_TYPE_VIDEO) {
                toBgra = sws_getCachedContext(
                    toBgra, frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                    frame->height, AV_PIX_FMT_BGRA, SWS_POINT | SWS_FULL_CHR_H_INT, nullptr,
                    nullptr, nullptr);
                sws_setColorspaceDetails(toBgra, sws_getCoefficients(SWS_CS_ITU709), 0,
                                         sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16,
                                         1 << 16);
                out.pictures.emplace_back(size_t(out.stride) * frame->height);
                uint8_t* rows[1] = {out.pictures.back().data()};
                sws_scale(toBgra, frame->data, frame->linesize, 0, frame->height, rows,
                          &out.stride);
                out.times.push_back(frame->best_effort_timestamp);
            }
            for (int i = 0; decoder->codec_type == AVMEDIA_TYPE_AUDIO && out.firstLoudSecond < 0 &&
                            i < frame->nb_samples;
                 ++i)
                if (std::fabs(reinterpret_cast<const float*>(frame->data[0])[i]) > 0.25f)
                    out.firstLoudSecond = double(frame->best_effort_timestamp) * av_q2d(timeBase) +
                                          double(i) / frame->sample_rate;
        }
    };
    for (bool more = true; more;) {
        more = av_read_frame(format, packet) >= 0;
        for (unsigned i = 0; i < decoders.size(); ++i)
            if (!more || i == unsigned(packet->stream_index))
                if (avcodec_send_packet(decoders[i], more ? packet : nullptr) >= 0)
                    receive(decoders[i], format->streams[i]->time_base);
        av_packet_unref(packet);
    }
    sws_freeContext(toBgra);
    av_frame_free(&frame);
    av_packet_free(&packet);
    for (AVCodecContext*& decoder : decoders)
        avcodec_free_context(&decoder);
    avformat_close_input(&format);
    return out;
}

} // namespace system_test
