#include "capture/MovieEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>

#include "capture/Palette.h"
#include "errors/ErrorTrail.h"

namespace capture {

using errors::AddError;
using errors::RaiseError;

namespace {

struct Container {
    const char* Extension;
    const char* Format;                 // FFmpeg's name of the container
    std::vector<const char*> Encoders;  // in the order of preference
};

// H.264 where the container takes it; VP9 (then VP8) for WebM, which takes nothing else of these.
const Container Containers[] = {
    {".mp4", "mp4", {"libx264", "mpeg4"}},
    {".mkv", "matroska", {"libx264", "mpeg4"}},
    {".webm", "webm", {"libvpx-vp9", "libvpx"}},
    {".gif", "gif", {"gif"}},
};

const Container* ContainerOf(const std::string& extension) {
    for (const Container& container : Containers)
        if (extension == container.Extension) return &container;
    return nullptr;
}

// An FFmpeg failure as a new chain: "(FFmpeg," + code + ") " + its text, then the message.
void CheckAv(int code, const std::string& message) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    RaiseError("(FFmpeg," + std::to_string(code) + ") " + text);
    if (!message.empty()) AddError(message);
}

}  // namespace

bool IsMovieExtension(const std::string& extension) { return ContainerOf(extension) != nullptr; }

struct MovieEncoder::State {
    AVFormatContext* Format { nullptr };
    AVCodecContext* Codec { nullptr };
    AVStream* Stream { nullptr };
    AVFrame* Frame { nullptr };
    AVPacket* Packet { nullptr };
    SwsContext* Scaler { nullptr };
    bool Paletted { false };
    bool HeaderWritten { false };
    bool TrailerWritten { false };
    int Width { 0 }, Height { 0 };  // of the images given
    int64_t NextPts { 0 };
    std::vector<uint32_t> Padded;   // an image with its repeated edge, for even sizes

    ~State() {
        // The muxer frees what it holds only when its trailer is written; the file of an
        // unfinished movie is dropped by its owner anyway.
        if (HeaderWritten && !TrailerWritten) av_write_trailer(Format);
        sws_freeContext(Scaler);
        av_packet_free(&Packet);
        av_frame_free(&Frame);
        avcodec_free_context(&Codec);
        if (Format) {
            if (Format->pb) avio_closep(&Format->pb);
            avformat_free_context(Format);
        }
    }

    // Sends a frame (null: the end) and writes every packet the encoder has ready.
    bool Encode(AVFrame* frame) {
        int result = avcodec_send_frame(Codec, frame);
        if (result < 0) {
            CheckAv(result, "Nie można zakodować klatki filmu");
            return false;
        }
        for (;;) {
            result = avcodec_receive_packet(Codec, Packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
            if (result < 0) {
                CheckAv(result, "Nie można zakodować klatki filmu");
                return false;
            }
            if (Packet->duration == 0) Packet->duration = 1;
            av_packet_rescale_ts(Packet, Codec->time_base, Stream->time_base);
            Packet->stream_index = Stream->index;
            result = av_interleaved_write_frame(Format, Packet);
            if (result >= 0 && Format->pb && Format->pb->error < 0) result = Format->pb->error;
            if (result < 0) {
                CheckAv(result, "Nie można zapisać klatki filmu");
                return false;
            }
        }
    }
};

MovieEncoder::MovieEncoder() = default;
MovieEncoder::~MovieEncoder() = default;

bool MovieEncoder::Open(const std::string& file, const std::string& extension, int width, int height, double fps) {
    m_state = std::make_unique<State>();
    State& s = *m_state;
    const Container* container = ContainerOf(extension);
    if (!container) {
        RaiseError("Nieznany rodzaj filmu \"" + extension + "\"");
        return false;
    }
    av_log_set_level(AV_LOG_ERROR);
    int result = avformat_alloc_output_context2(&s.Format, nullptr, container->Format, file.c_str());
    if (result < 0 || !s.Format) {
        CheckAv(result < 0 ? result : AVERROR(EINVAL), "Nie można przygotować filmu");
        return false;
    }
    const AVCodec* codec = nullptr;
    for (const char* name : container->Encoders)
        if ((codec = avcodec_find_encoder_by_name(name))) break;
    if (!codec) {
        RaiseError(std::string("Brak kodera filmów ") + container->Encoders.front());
        return false;
    }
    m_codec = codec->name;
    s.Paletted = codec->id == AV_CODEC_ID_GIF;
    s.Width = width;
    s.Height = height;
    s.Codec = avcodec_alloc_context3(codec);
    s.Stream = avformat_new_stream(s.Format, nullptr);
    s.Frame = av_frame_alloc();
    s.Packet = av_packet_alloc();
    if (!s.Codec || !s.Stream || !s.Frame || !s.Packet) {
        CheckAv(AVERROR(ENOMEM), "Nie można przygotować filmu");
        return false;
    }
    // Chroma at half resolution needs even sizes.
    const bool even = !s.Paletted;
    s.Codec->width = even ? (width + 1) / 2 * 2 : width;
    s.Codec->height = even ? (height + 1) / 2 * 2 : height;
    s.Codec->pix_fmt = s.Paletted ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_YUV420P;
    const AVRational rate = av_d2q(fps, 100000);
    s.Codec->framerate = rate;
    s.Codec->time_base = av_inv_q(rate);
    s.Codec->thread_count = 0;  // as many as the machine has
    if (!s.Paletted) {
        s.Codec->color_range = AVCOL_RANGE_MPEG;
        s.Codec->colorspace = AVCOL_SPC_SMPTE170M;
        s.Codec->color_primaries = AVCOL_PRI_SMPTE170M;
        s.Codec->color_trc = AVCOL_TRC_SMPTE170M;
        s.Codec->gop_size = std::clamp(static_cast<int>(fps * 10), 10, 300);
    }
    if (s.Format->oformat->flags & AVFMT_GLOBALHEADER) s.Codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    if (m_codec == "libx264") {
        av_dict_set(&options, "preset", "ultrafast", 0);
        av_dict_set(&options, "crf", "18", 0);
    } else if (m_codec == "libvpx-vp9" || m_codec == "libvpx") {
        av_dict_set(&options, "deadline", "realtime", 0);
        av_dict_set(&options, "cpu-used", "8", 0);
        av_dict_set(&options, "crf", "20", 0);
        av_dict_set(&options, "b", "0", 0);
    } else if (m_codec == "gif") {
        // Each frame carries a palette of its own: the encoder's comparison of a frame's
        // indices with the previous frame's (to send only what changed) would take a pixel whose
        // index stayed but whose colour changed for unchanged.
        av_dict_set(&options, "gifflags", "0", 0);
    } else if (m_codec == "mpeg4") {
        av_dict_set(&options, "qscale", "3", 0);
        s.Codec->flags |= AV_CODEC_FLAG_QSCALE;
        s.Codec->global_quality = FF_QP2LAMBDA * 3;
    }
    result = avcodec_open2(s.Codec, codec, &options);
    av_dict_free(&options);
    if (result < 0) {
        CheckAv(result, "Nie można uruchomić kodera " + m_codec);
        return false;
    }
    result = avcodec_parameters_from_context(s.Stream->codecpar, s.Codec);
    s.Stream->time_base = s.Codec->time_base;
    s.Stream->avg_frame_rate = rate;
    if (result >= 0) result = avio_open(&s.Format->pb, file.c_str(), AVIO_FLAG_WRITE);
    if (result >= 0) result = avformat_write_header(s.Format, nullptr);
    if (result >= 0 && s.Format->pb->error < 0) result = s.Format->pb->error;
    if (result < 0) {
        CheckAv(result, "Nie można zapisać nagłówka filmu");
        return false;
    }
    s.HeaderWritten = true;
    s.Frame->format = s.Codec->pix_fmt;
    s.Frame->width = s.Codec->width;
    s.Frame->height = s.Codec->height;
    result = av_frame_get_buffer(s.Frame, 0);
    if (result < 0) {
        CheckAv(result, "Nie można przygotować filmu");
        return false;
    }
    if (!s.Paletted) {
        // The device's pixels 0xAARRGGBB lie in memory as blue, green, red, alpha.
        s.Scaler = sws_getContext(s.Codec->width, s.Codec->height, AV_PIX_FMT_BGRA, s.Codec->width, s.Codec->height,
                                  AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr,
                                  nullptr, nullptr);
        if (!s.Scaler) {
            CheckAv(AVERROR(ENOMEM), "Nie można przygotować filmu");
            return false;
        }
    }
    return true;
}

bool MovieEncoder::Add(const Image& image) {
    State& s = *m_state;
    if (image.Width != s.Width || image.Height != s.Height) {
        RaiseError("Klatka filmu ma inny rozmiar niż film");
        return false;
    }
    int result = av_frame_make_writable(s.Frame);
    if (result < 0) {
        CheckAv(result, "Nie można przygotować klatki filmu");
        return false;
    }
    if (s.Paletted) {
        const IndexedImage indexed = ToIndexed(image);
        for (int y = 0; y < image.Height; ++y)
            std::memcpy(s.Frame->data[0] + static_cast<ptrdiff_t>(y) * s.Frame->linesize[0],
                        indexed.Indices.data() + static_cast<size_t>(y) * static_cast<size_t>(image.Width),
                        static_cast<size_t>(image.Width));
        uint32_t* palette = reinterpret_cast<uint32_t*>(s.Frame->data[1]);
        std::fill(palette, palette + 256, 0xFF000000u);
        std::copy(indexed.Palette.begin(), indexed.Palette.end(), palette);
    } else {
        const uint32_t* source = image.Pixels.data();
        int stride = image.Width;
        if (s.Codec->width != image.Width || s.Codec->height != image.Height) {
            // One more column or row, repeating the edge.
            const int w = s.Codec->width, h = s.Codec->height;
            s.Padded.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
            for (int y = 0; y < h; ++y) {
                const int from = std::min(y, image.Height - 1);
                for (int x = 0; x < w; ++x) s.Padded[static_cast<size_t>(y) * w + x] = image.At(std::min(x, image.Width - 1), from);
            }
            source = s.Padded.data();
            stride = w;
        }
        const uint8_t* planes[1] = {reinterpret_cast<const uint8_t*>(source)};
        const int strides[1] = {stride * 4};
        sws_scale(s.Scaler, planes, strides, 0, s.Codec->height, s.Frame->data, s.Frame->linesize);
    }
    s.Frame->pts = s.NextPts++;
    return s.Encode(s.Frame);
}

bool MovieEncoder::Finish() {
    State& s = *m_state;
    if (!s.Encode(nullptr)) return false;
    int result = av_write_trailer(s.Format);
    s.TrailerWritten = true;
    if (result >= 0 && s.Format->pb->error < 0) result = s.Format->pb->error;
    if (result >= 0) result = avio_closep(&s.Format->pb);
    if (result < 0) {
        CheckAv(result, "Nie można dokończyć filmu");
        return false;
    }
    return true;
}

}  // namespace capture
