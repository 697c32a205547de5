#pragma once
// Helpers of the capture tests: a scratch folder per test, movies decoded back through FFmpeg,
// pictures read back through the image library, and how far two images lie apart.

#include <IL/il.h>
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "capture/Image.h"
#include "errors/ErrorTrail.h"
#include "files/ImageLibrary.h"

namespace capture::test {

class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override { errors::ClearErrors(); }
    ~ScratchFolder() override { std::filesystem::remove_all(m_folder); }
    std::string PathOf(const std::string& name) const { return m_folder + "/" + name; }
    // The names in the folder, hidden ones (temporary files) included.
    std::set<std::string> Listing() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder)) names.insert(entry.path().filename());
        return names;
    }

    files::ImageLibrary m_images;
    const std::string m_folder = [] {
        char pattern[] = "/tmp/vl_capture_XXXXXX";
        return std::string(mkdtemp(pattern) ? pattern : "/nonexistent");
    }();
};

// Every frame of a movie, decoded and converted to 0xFFRRGGBB pixels.
struct Movie {
    std::string Codec;
    int Width { 0 }, Height { 0 };
    std::vector<Image> Frames;
};

inline Movie ReadMovie(const std::string& path) {
    Movie movie;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return movie;
    avformat_find_stream_info(format, nullptr);
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0) {
        avformat_close_input(&format);
        return movie;
    }
    const AVCodecParameters* parameters = format->streams[stream]->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    AVCodecContext* context = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(context, parameters);
    avcodec_open2(context, decoder, nullptr);
    movie.Codec = avcodec_get_name(parameters->codec_id);
    movie.Width = parameters->width;
    movie.Height = parameters->height;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* scaler = nullptr;
    auto receive = [&] {
        while (avcodec_receive_frame(context, frame) >= 0) {
            scaler = sws_getCachedContext(scaler, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                          frame->width, frame->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
            Image image {frame->width, frame->height, std::vector<uint32_t>(static_cast<size_t>(frame->width) * frame->height)};
            uint8_t* planes[1] = {reinterpret_cast<uint8_t*>(image.Pixels.data())};
            const int strides[1] = {frame->width * 4};
            sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
            for (uint32_t& pixel : image.Pixels) pixel |= 0xFF000000u;
            movie.Frames.push_back(std::move(image));
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(context, packet) >= 0) receive();
        av_packet_unref(packet);
    }
    avcodec_send_packet(context, nullptr);
    receive();
    sws_freeContext(scaler);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    avformat_close_input(&format);
    return movie;
}

// A picture file as 0xFFRRGGBB pixels, the top row first; empty when it does not load.
inline Image ReadPicture(const std::string& path) {
    Image image;
    const ILuint name = ilGenImage();
    ilBindImage(name);
    if (ilLoadImage(path.c_str())) {
        image.Width = ilGetInteger(IL_IMAGE_WIDTH);
        image.Height = ilGetInteger(IL_IMAGE_HEIGHT);
        std::vector<uint8_t> bytes(static_cast<size_t>(image.Width) * image.Height * 3);
        const bool bottomUp = ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_LOWER_LEFT;
        ilCopyPixels(0, 0, 0, image.Width, image.Height, 1, IL_RGB, IL_UNSIGNED_BYTE, bytes.data());
        for (int y = 0; y < image.Height; ++y)
            for (int x = 0; x < image.Width; ++x) {
                const uint8_t* p = &bytes[(static_cast<size_t>(bottomUp ? image.Height - 1 - y : y) * image.Width + x) * 3];
                image.Pixels.push_back(0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
            }
    }
    ilDeleteImage(name);
    return image;
}

// The mean absolute difference of the colour channels of two images of one size (255 for
// images of different sizes), and the number of pixels that differ at all (alpha ignored).
inline double MeanDifference(const Image& a, const Image& b) {
    if (a.Width != b.Width || a.Height != b.Height || a.Pixels.empty()) return 255;
    double sum = 0;
    for (size_t i = 0; i < a.Pixels.size(); ++i)
        for (int shift : {0, 8, 16}) sum += std::abs(int(a.Pixels[i] >> shift & 0xFF) - int(b.Pixels[i] >> shift & 0xFF));
    return sum / (3.0 * a.Pixels.size());
}
inline int DifferentPixels(const Image& a, const Image& b) {
    if (a.Width != b.Width || a.Height != b.Height) return -1;
    int count = 0;
    for (size_t i = 0; i < a.Pixels.size(); ++i) count += ((a.Pixels[i] ^ b.Pixels[i]) & 0xFFFFFF) != 0;
    return count;
}

// Runs `action` with the file size limit lowered to `bytes`: writes beyond it fail as on a
// full disk.
template <class Action> void WithFileSizeLimit(rlim_t bytes, Action action) {
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited {bytes, old.rlim_max};
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    action();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
}

}  // namespace capture::test
