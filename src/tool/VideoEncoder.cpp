#include "tool/VideoEncoder.h"

#include <QPainter>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr size_t kMostQueuedJobs = 4; // pictures waiting for the encoder thread
constexpr int kKeyFrameSeconds = 2;

QString AvError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

struct Job {
    QImage Picture; // null for sound
    int Count = 0;
    std::vector<float> Sound;
};

} // namespace

struct VideoEncoder::State {
    AVFormatContext* Format = nullptr;
    AVCodecContext* Video = nullptr;
    AVCodecContext* Audio = nullptr;
    AVStream* VideoStream = nullptr;
    AVStream* AudioStream = nullptr;
    SwsContext* Scaler = nullptr;
    AVPacket* Packet = nullptr;
    int Width = 0;
    int Height = 0;
    int64_t VideoPts = 0;
    int64_t AudioPts = 0;
    std::vector<float> PendingSound; // interleaved, fewer than one sound frame's worth
    QString Failure; // the first encoding failure; later work is skipped

    std::thread Worker;
    std::mutex Lock;
    std::condition_variable Changed;
    std::deque<Job> Jobs;
    bool Closing = false;

    ~State()
    {
        avcodec_free_context(&Video);
        avcodec_free_context(&Audio);
        sws_freeContext(Scaler);
        av_packet_free(&Packet);
        if (Format) {
            if (!(Format->oformat->flags & AVFMT_NOFILE))
                avio_closep(&Format->pb);
            avformat_free_context(Format);
        }
    }

    void Fail(const QString& what, int code)
    {
        if (Failure.isEmpty())
            Failure = what + u": "_s + AvError(code);
    }

    // Sends a frame (nullptr: the end) and writes every packet the encoder has ready.
    void Encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame)
    {
        if (!Failure.isEmpty())
            return;
        int result = avcodec_send_frame(codec, frame);
        if (result < 0)
            return Fail(u"encoding"_s, result);
        while ((result = avcodec_receive_packet(codec, Packet)) >= 0) {
            av_packet_rescale_ts(Packet, codec->time_base, stream->time_base);
            Packet->stream_index = stream->index;
            result = av_interleaved_write_frame(Format, Packet);
            if (result < 0)
                return Fail(u"writing"_s, result);
        }
        if (result != AVERROR(EAGAIN) && result != AVERROR_EOF)
            Fail(u"encoding"_s, result);
    }

    void EncodePicture(const QImage& picture, int count)
    {
        // The picture fills the frame's height or width, centred, black around.
        QImage canvas(Width, Height, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        if (picture.size() == canvas.size()) {
            canvas = picture.convertToFormat(QImage::Format_RGB32);
        } else {
            const QSize fitted = picture.size().scaled(canvas.size(), Qt::KeepAspectRatio);
            QPainter p(&canvas);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(
                QRect(QPoint((Width - fitted.width()) / 2, (Height - fitted.height()) / 2), fitted),
                picture);
        }
        AVFrame* yuv = av_frame_alloc();
        yuv->format = AV_PIX_FMT_YUV420P;
        yuv->width = Width;
        yuv->height = Height;
        if (const int r = av_frame_get_buffer(yuv, 0); r < 0) {
            av_frame_free(&yuv);
            return Fail(u"a picture buffer"_s, r);
        }
        const uint8_t* source[] = { canvas.constBits() };
        const int stride[] = { static_cast<int>(canvas.bytesPerLine()) };
        sws_scale(Scaler, source, stride, 0, Height, yuv->data, yuv->linesize);
        AVFrame* frame = av_frame_alloc();
        for (int i = 0; i < count && Failure.isEmpty(); ++i) {
            av_frame_ref(frame, yuv); // every frame shows the same picture
            frame->pts = VideoPts++;
            Encode(Video, VideoStream, frame);
            av_frame_unref(frame);
        }
        av_frame_free(&frame);
        av_frame_free(&yuv);
    }

    // Encodes whole sound frames; with flush also the rest.
    void EncodeSound(bool flush)
    {
        const int frameSize = Audio->frame_size > 0 ? Audio->frame_size : 1024;
        size_t used = 0;
        AVFrame* frame = av_frame_alloc();
        while (Failure.isEmpty()) {
            const size_t left = (PendingSound.size() - used) / Channels;
            const int n = static_cast<int>(std::min<size_t>(left, frameSize));
            if (n == 0 || (n < frameSize && !flush))
                break;
            frame->format = Audio->sample_fmt;
            frame->nb_samples = n;
            av_channel_layout_copy(&frame->ch_layout, &Audio->ch_layout);
            frame->sample_rate = SampleRate;
            if (const int r = av_frame_get_buffer(frame, 0); r < 0)
                Fail(u"a sound buffer"_s, r);
            for (int c = 0; c < Channels && Failure.isEmpty(); ++c) {
                auto* out = reinterpret_cast<float*>(frame->data[c]);
                for (int i = 0; i < n; ++i)
                    out[i] = PendingSound[used + static_cast<size_t>(i) * Channels + c];
            }
            used += static_cast<size_t>(n) * Channels;
            frame->pts = AudioPts;
            AudioPts += n;
            Encode(Audio, AudioStream, frame);
            av_frame_unref(frame);
        }
        av_frame_free(&frame);
        PendingSound.erase(
            PendingSound.begin(), PendingSound.begin() + static_cast<qsizetype>(used));
    }

    void Run()
    {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(Lock);
                Changed.wait(lock, [this] { return Closing || !Jobs.empty(); });
                if (Jobs.empty())
                    return;
                job = std::move(Jobs.front());
                Jobs.pop_front();
            }
            Changed.notify_all();
            if (!job.Picture.isNull()) {
                EncodePicture(job.Picture, job.Count);
            } else {
                PendingSound.insert(PendingSound.end(), job.Sound.begin(), job.Sound.end());
                EncodeSound(false);
            }
        }
    }

    void Queue(Job job)
    {
        std::unique_lock lock(Lock);
        Changed.wait(lock, [this] { return Jobs.size() < kMostQueuedJobs; });
        Jobs.push_back(std::move(job));
        lock.unlock();
        Changed.notify_all();
    }
};

VideoEncoder::VideoEncoder()
    : state_(std::make_unique<State>())
{ }

VideoEncoder::~VideoEncoder()
{
    if (state_->Worker.joinable()) {
        {
            std::lock_guard lock(state_->Lock);
            state_->Closing = true;
            state_->Jobs.clear();
        }
        state_->Changed.notify_all();
        state_->Worker.join();
    }
}

bool VideoEncoder::Open(const QString& path, int width, int height, int fps, QString* error)
{
    av_log_set_level(AV_LOG_ERROR); // the progress bar, not the codecs' chatter
    State& s = *state_;
    s.Width = width;
    s.Height = height;
    const QByteArray file = path.toLocal8Bit();
    int r = avformat_alloc_output_context2(&s.Format, nullptr, "mp4", file.constData());
    if (r < 0) {
        *error = u"cannot make an MP4 file: "_s + AvError(r);
        return false;
    }
    const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
    if (!h264)
        h264 = avcodec_find_encoder(AV_CODEC_ID_H264);
    const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!h264 || !aac) {
        *error = u"FFmpeg has no H.264 or no AAC encoder"_s;
        return false;
    }
    s.Video = avcodec_alloc_context3(h264);
    s.Video->width = width;
    s.Video->height = height;
    s.Video->time_base = AVRational { 1, fps };
    s.Video->framerate = AVRational { fps, 1 };
    s.Video->pix_fmt = AV_PIX_FMT_YUV420P;
    s.Video->gop_size = fps * kKeyFrameSeconds;
    s.Video->thread_count = 0; // as many as the machine has
    av_opt_set(s.Video->priv_data, "preset", "veryfast", 0);
    av_opt_set(s.Video->priv_data, "crf", "18", 0); // text stays crisp
    s.Audio = avcodec_alloc_context3(aac);
    s.Audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
    s.Audio->sample_rate = SampleRate;
    s.Audio->bit_rate = 128000;
    s.Audio->time_base = AVRational { 1, SampleRate };
    av_channel_layout_default(&s.Audio->ch_layout, Channels);
    if (s.Format->oformat->flags & AVFMT_GLOBALHEADER) {
        s.Video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        s.Audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if ((r = avcodec_open2(s.Video, h264, nullptr)) < 0
        || (r = avcodec_open2(s.Audio, aac, nullptr)) < 0) {
        *error = u"cannot start the encoders: "_s + AvError(r);
        return false;
    }
    s.VideoStream = avformat_new_stream(s.Format, nullptr);
    s.AudioStream = avformat_new_stream(s.Format, nullptr);
    avcodec_parameters_from_context(s.VideoStream->codecpar, s.Video);
    avcodec_parameters_from_context(s.AudioStream->codecpar, s.Audio);
    s.VideoStream->time_base = s.Video->time_base;
    s.AudioStream->time_base = s.Audio->time_base;
    if ((r = avio_open(&s.Format->pb, file.constData(), AVIO_FLAG_WRITE)) < 0) {
        *error = u"cannot write "_s + path + u": "_s + AvError(r);
        return false;
    }
    if ((r = avformat_write_header(s.Format, nullptr)) < 0) {
        *error = u"cannot write "_s + path + u": "_s + AvError(r);
        return false;
    }
    s.Scaler = sws_getContext(width, height, AV_PIX_FMT_BGRA, width, height, AV_PIX_FMT_YUV420P,
        SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
    s.Packet = av_packet_alloc();
    s.Worker = std::thread([&s] { s.Run(); });
    return true;
}

void VideoEncoder::AddFrames(const QImage& picture, int count)
{
    if (count > 0)
        state_->Queue(Job { picture, count, {} });
}

void VideoEncoder::AddSound(std::vector<float> samples)
{
    state_->Queue(Job { QImage(), 0, std::move(samples) });
}

bool VideoEncoder::Finish(QString* error)
{
    State& s = *state_;
    {
        std::lock_guard lock(s.Lock);
        s.Closing = true;
    }
    s.Changed.notify_all();
    s.Worker.join();
    s.EncodeSound(true);
    s.Encode(s.Video, s.VideoStream, nullptr);
    s.Encode(s.Audio, s.AudioStream, nullptr);
    if (s.Failure.isEmpty()) {
        if (const int r = av_write_trailer(s.Format); r < 0)
            s.Fail(u"finishing the file"_s, r);
    }
    *error = s.Failure;
    return s.Failure.isEmpty();
}

bool DecodeSoundFile(const QString& path, std::vector<float>& samples, QString* error)
{
    av_log_set_level(AV_LOG_ERROR);
    samples.clear();
    AVFormatContext* format = nullptr;
    const QByteArray file = path.toLocal8Bit();
    int r = avformat_open_input(&format, file.constData(), nullptr, nullptr);
    if (r < 0 || (r = avformat_find_stream_info(format, nullptr)) < 0) {
        *error = u"cannot read "_s + path + u": "_s + AvError(r);
        avformat_close_input(&format);
        return false;
    }
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    AVCodecContext* decoder = stream >= 0 ? avcodec_alloc_context3(codec) : nullptr;
    SwrContext* resampler = nullptr;
    AVChannelLayout stereo;
    av_channel_layout_default(&stereo, VideoEncoder::Channels);
    if (!decoder || avcodec_parameters_to_context(decoder, format->streams[stream]->codecpar) < 0
        || avcodec_open2(decoder, codec, nullptr) < 0
        || swr_alloc_set_opts2(&resampler, &stereo, AV_SAMPLE_FMT_FLT, VideoEncoder::SampleRate,
               &decoder->ch_layout, decoder->sample_fmt, decoder->sample_rate, 0, nullptr)
            < 0
        || swr_init(resampler) < 0) {
        *error = u"cannot decode the sound of "_s + path;
        swr_free(&resampler);
        avcodec_free_context(&decoder);
        avformat_close_input(&format);
        return false;
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto convert = [&](const AVFrame* in) {
        const int most = swr_get_out_samples(resampler, in ? in->nb_samples : 0);
        if (most <= 0)
            return;
        const size_t at = samples.size();
        samples.resize(at + static_cast<size_t>(most) * VideoEncoder::Channels);
        auto* out = reinterpret_cast<uint8_t*>(samples.data() + at);
        const int n = swr_convert(resampler, &out, most,
            in ? const_cast<const uint8_t**>(in->extended_data) : nullptr, in ? in->nb_samples : 0);
        samples.resize(at + static_cast<size_t>(std::max(n, 0)) * VideoEncoder::Channels);
    };
    const auto drain = [&] {
        while (avcodec_receive_frame(decoder, frame) >= 0) {
            convert(frame);
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(decoder, packet) >= 0)
            drain();
        av_packet_unref(packet);
    }
    avcodec_send_packet(decoder, nullptr);
    drain();
    convert(nullptr);
    av_frame_free(&frame);
    av_packet_free(&packet);
    swr_free(&resampler);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    return true;
}

} // namespace zentil
