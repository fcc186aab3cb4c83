#include "audio/ScrubOutput.h"

#include "audio/WavParser.h"
#include "audio/Waveform.h"
#include "base/Error.h"
#include "platform/GstMedia.h"

#include <algorithm>
#include <gst/app/gstappsrc.h>
#include <gst/audio/gstaudiobasesink.h>
#include <mutex>
#include <vector>

namespace {

// Starting the output takes a few milliseconds; a broken sound server may take longer.
constexpr std::int32_t kStartMs = 5000;
// The stream goes out in pieces of 10 ms, and a sound output holds no more than 20 ms of it
// ahead of what is heard, refilled every 5 ms: a new slice waits behind that much at most.
constexpr std::uint32_t kPiecesPerSecond = 100;
constexpr gint64 kOutputBufferUs = 20000;
constexpr gint64 kOutputPeriodUs = 5000;
// Beyond these a header is not a sound's: its pieces and slices would be too large to hold.
constexpr std::uint32_t kHighestRate = 384000;
constexpr std::uint16_t kMostChannels = 64;

GstAudioFormat SampleFormat(const TWaveFormat& format) {
    if (format.FormatTag == TWaveFormat::kFloat)
        return GST_AUDIO_FORMAT_F32LE;
    switch (format.BitsPerSample) {
    case 8:
        return GST_AUDIO_FORMAT_U8;
    case 16:
        return GST_AUDIO_FORMAT_S16LE;
    case 24:
        return GST_AUDIO_FORMAT_S24LE;
    default:
        return GST_AUDIO_FORMAT_S32LE;
    }
}

void ShortenBuffer(GstElement* element) {
    if (GST_IS_AUDIO_BASE_SINK(element))
        g_object_set(element, "buffer-time", kOutputBufferUs, "latency-time", kOutputPeriodUs, nullptr);
}

// An automatic sink adds the output it chose only once it starts.
void ShortenAddedBuffer(GstBin*, GstBin*, GstElement* element, gpointer) {
    ShortenBuffer(element);
}

} // namespace

// What the output's streaming thread reads: the slice still to play, handed out a piece at a
// time, and silence when there is none.
struct TScrubOutput::TFeed {
    std::mutex Mutex;
    std::vector<std::uint8_t> Slice;
    std::size_t Next = 0; // the slice's first byte not yet handed out

    std::uint32_t Rate = 0;
    std::size_t FrameBytes = 0;
    std::size_t PieceBytes = 0;
    std::uint8_t SilentByte = 0;
    std::uint64_t FramesOut = 0; // the streaming thread's alone

    static void NeedData(GstAppSrc* source, guint, gpointer self) {
        auto* feed = static_cast<TFeed*>(self);
        GstBuffer* buffer = nullptr;
        {
            std::lock_guard lock(feed->Mutex);
            const std::size_t bytes = std::min(feed->Slice.size() - feed->Next, feed->PieceBytes);
            if (bytes > 0) {
                buffer = gst_buffer_new_memdup(feed->Slice.data() + feed->Next, bytes);
                feed->Next += bytes;
            }
        }
        if (!buffer) {
            buffer = gst_buffer_new_allocate(nullptr, feed->PieceBytes, nullptr);
            gst_buffer_memset(buffer, 0, feed->SilentByte, feed->PieceBytes);
        }
        // Stamped end to end from the start: the output plays one unbroken stream.
        const GstClockTime start = gst_util_uint64_scale(feed->FramesOut, GST_SECOND, feed->Rate);
        feed->FramesOut += gst_buffer_get_size(buffer) / feed->FrameBytes;
        GST_BUFFER_PTS(buffer) = start;
        GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(feed->FramesOut, GST_SECOND, feed->Rate) - start;
        gst_app_src_push_buffer(source, buffer);
    }
};

TScrubOutput::TScrubOutput(std::string sink) : SinkDescription(std::move(sink)) {}
TScrubOutput::~TScrubOutput() = default;

bool TScrubOutput::Load(const std::string& wavFile) {
    Clear();
    TWavParser parser;
    try {
        parser.LoadHeadersFromFile(wavFile);
    } catch (const ECwError&) {
        return false;
    }
    const TRiffChunk* fmt = parser.FindChunk("fmt ");
    const TRiffChunk* data = parser.FindChunk("data");
    TWaveFormat format;
    if (!fmt || !data || !format.Read(*fmt) || !format.Drawable() || format.SampleRate > kHighestRate ||
        format.Channels > kMostChannels)
        return false;
    Samples.open(wavFile, std::ios::binary);
    if (!Samples)
        return false;
    DataOffset = data->Offset;
    DataBytes = data->Size / format.FrameBytes() * format.FrameBytes();

    Feed = std::make_unique<TFeed>();
    Feed->Rate = format.SampleRate;
    Feed->FrameBytes = format.FrameBytes();
    Feed->PieceBytes = std::max<std::size_t>(format.SampleRate / kPiecesPerSecond, 1) * Feed->FrameBytes;
    Feed->SilentByte = format.BitsPerSample == 8 ? 0x80 : 0;
    EnsureGstInit();
    GstAudioInfo info;
    gst_audio_info_set_format(&info, SampleFormat(format), static_cast<gint>(format.SampleRate),
                              format.Channels, nullptr);
    GstCaps* caps = gst_audio_info_to_caps(&info);
    const bool built = Build(SinkDescription, caps) ||
                       (SinkDescription != "fakesink" && Build("fakesink sync=true", caps));
    gst_caps_unref(caps);
    if (!built) {
        Clear();
        return false;
    }
    SoundOutput = !IsSilentSink(Sink());
    if (!SoundOutput && OnNoSoundOutput)
        OnNoSoundOutput(*this);
    return true;
}

bool TScrubOutput::Build(const std::string& sink, GstCaps* caps) {
    try {
        Graph = std::make_unique<TGstPipeline>("appsrc name=source format=time ! audioconvert ! audioresample ! "
                                               "volume name=volume ! " +
                                               sink + " name=output");
    } catch (const ECwError&) {
        Graph.reset();
        return false;
    }
    Feed->FramesOut = 0;
    ShortenBuffer(Sink());
    g_signal_connect(Graph->Get(), "deep-element-added", G_CALLBACK(ShortenAddedBuffer), nullptr);
    auto* source = GST_APP_SRC(Graph->Element("source"));
    gst_app_src_set_caps(source, caps);
    // One piece waits in the source at most: the rest of the slice stays replaceable.
    gst_app_src_set_max_bytes(source, Feed->PieceBytes);
    GstAppSrcCallbacks callbacks{};
    callbacks.need_data = &TFeed::NeedData;
    gst_app_src_set_callbacks(source, &callbacks, Feed.get(), nullptr);
    ApplyVolume();
    if (Graph->ChangeState(GST_STATE_PLAYING, kStartMs))
        return true;
    Graph.reset();
    return false;
}

void TScrubOutput::Clear() {
    Graph.reset();
    Feed.reset();
    Samples.close();
    Samples.clear();
    SoundOutput = false;
}

void TScrubOutput::PlaySlice(TMediaTime start, TMediaTime stop) {
    if (!Graph)
        return;
    // The sample frame nearest each time, so that neighbouring slices meet without a gap and a
    // frame of whole samples, whose start the 100 ns units cannot hold exactly, keeps its first.
    auto byteAt = [this](TMediaTime time) {
        const auto frame =
            (static_cast<std::uint64_t>(std::max<TMediaTime>(time, 0)) * Feed->Rate + 5'000'000) / 10'000'000;
        return std::min<std::uint64_t>(frame * Feed->FrameBytes, DataBytes);
    };
    const std::uint64_t first = byteAt(start);
    std::vector<std::uint8_t> slice(byteAt(stop) - std::min(first, byteAt(stop)));
    Samples.clear();
    Samples.seekg(static_cast<std::streamoff>(DataOffset + first));
    Samples.read(reinterpret_cast<char*>(slice.data()), static_cast<std::streamsize>(slice.size()));
    // A file cut short since it was opened plays what is left of the slice.
    slice.resize(static_cast<std::size_t>(std::max<std::streamsize>(Samples.gcount(), 0)) / Feed->FrameBytes *
                 Feed->FrameBytes);
    std::lock_guard lock(Feed->Mutex);
    Feed->Slice = std::move(slice);
    Feed->Next = 0;
}

bool TScrubOutput::SetVolume(std::int32_t volume) {
    if (volume < 0 || volume > 10000)
        return false;
    Level = volume;
    ApplyVolume();
    return true;
}

GstElement* TScrubOutput::Sink() const {
    return Graph ? Graph->Element("output") : nullptr;
}

void TScrubOutput::ApplyVolume() {
    if (Graph)
        g_object_set(Graph->Element("volume"), "volume", VolumeGain(Level), nullptr);
}
