#include "export/EncodeGraph.h"

#include "base/Error.h"
#include "export/EncoderProperties.h"
#include "export/MovieFrames.h"
#include "platform/GstMedia.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <gst/audio/audio.h>
#include <gst/gst.h>

namespace {

bool IsCompressorClass(const std::string& klass, bool video) {
    if (klass.find("Encoder") == std::string::npos)
        return false;
    if (video)
        return klass.find("Video") != std::string::npos || klass.find("Image") != std::string::npos;
    return klass.find("Audio") != std::string::npos;
}

// The caps the multiplexer's request pads of that kind take.
GstCaps* MuxerCaps(const TMovieFormat& format, bool video) {
    GstElementFactory* mux = *format.Muxer ? gst_element_factory_find(format.Muxer) : nullptr;
    if (!mux)
        return nullptr;
    GstCaps* caps = nullptr;
    for (const GList* item = gst_element_factory_get_static_pad_templates(mux); item; item = item->next) {
        auto* pad = static_cast<GstStaticPadTemplate*>(item->data);
        const std::string name = pad->name_template;
        if (pad->direction == GST_PAD_SINK && name.rfind(video ? "video" : "audio", 0) == 0)
            caps = gst_static_pad_template_get_caps(pad);
    }
    gst_object_unref(mux);
    return caps;
}

bool FeedsMuxer(GstElementFactory* factory, const GstCaps* muxerCaps) {
    for (const GList* item = gst_element_factory_get_static_pad_templates(factory); item; item = item->next) {
        auto* pad = static_cast<GstStaticPadTemplate*>(item->data);
        if (pad->direction != GST_PAD_SRC)
            continue;
        GstCaps* caps = gst_static_pad_template_get_caps(pad);
        const bool fits = gst_caps_can_intersect(caps, muxerCaps);
        gst_caps_unref(caps);
        if (fits)
            return true;
    }
    return false;
}

bool IsCandidate(const std::string& element, const TMovieFormat& format, bool video) {
    const auto candidates = CandidateCompressors(format, video);
    return std::any_of(candidates.begin(), candidates.end(),
                       [&](const TCompressorInfo& info) { return info.Element == element; });
}

// The chain from raw frames or sound to the multiplexer: the encoder, or the raw format kept.
std::string EncoderChain(const std::string& element, const TMovieFormat& format, bool video) {
    if (element.empty())
        return video ? "video/x-raw,format=BGR" : "audio/x-raw,format=S16LE";
    const std::string named = element + " name=" + (video ? "VideoCompressor" : "AudioCompressor");
    // Movies for players and the web take 4:2:0 pictures; left alone, an encoder could pick 4:4:4
    // from the composited frames, which most players refuse.
    if (video && format.Container != TMovieContainer::Avi)
        return "video/x-raw,format=I420 ! " + named;
    return named;
}

// What an encoder does to the sound's time line, in samples, the same at every rate and channel
// count; an encoder not named here is taken to do nothing to it.
struct TEncoderDelay {
    // Put before the first sample it was given, as players decode its stream from the
    // multiplexers here, which state no such delay themselves.
    std::uint64_t Leading = 0;
    // Silence it must be given after the sound to hand all of the sound out: one encoder encodes
    // only whole blocks and keeps its delay at the end.
    std::uint64_t Unflushed = 0;
};

TEncoderDelay EncoderDelay(const std::string& element) {
    static const std::pair<const char*, TEncoderDelay> kDelays[] = {
        {"avenc_aac", {1024, 0}}, {"voaacenc", {1600, 1600 + 1024}}, {"lamemp3enc", {1105, 0}}};
    for (const auto& [name, delay] : kDelays)
        if (element == name)
            return delay;
    return {};
}

GstElement* Launch(const std::string& description, std::string* error) {
    GError* parseError = nullptr;
    GstElement* pipeline =
        gst_parse_launch_full(description.c_str(), nullptr, GST_PARSE_FLAG_FATAL_ERRORS, &parseError);
    if (parseError || !pipeline) {
        if (error)
            *error = parseError ? parseError->message : "cannot be built";
        if (parseError)
            g_error_free(parseError);
        if (pipeline)
            gst_object_unref(pipeline);
        return nullptr;
    }
    return pipeline;
}

// Waits for the end of the stream or an error; the error's text, or "" at the end of the stream.
std::string AwaitEnd(GstElement* pipeline, GstClockTime timeout) {
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message =
        gst_bus_timed_pop_filtered(bus, timeout, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    gst_object_unref(bus);
    std::string result = message ? std::string() : "timed out";
    if (message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
        result = GstErrorText(message);
    if (message)
        gst_message_unref(message);
    return result;
}

std::string VideoCaps(std::int32_t width, std::int32_t height, std::int32_t fps) {
    return "video/x-raw,format=BGR,width=" + std::to_string(width) + ",height=" + std::to_string(height) +
           ",framerate=" + std::to_string(fps) + "/1";
}

// Cuts the sound entering a pad to the movie's range: samples before its start are dropped, the
// rest is stamped from 0, the stream ends at the range's length, and a sound that ends sooner is
// followed by silence up to it; then come `Tail` samples of silence.
struct TSoundRange {
    std::int64_t StartNs = 0, LengthNs = 0;
    std::uint64_t Tail = 0;
    std::uint64_t Skipped = 0, Kept = 0; // samples
    std::uint64_t Start = 0, Length = 0;
    std::int32_t Rate = 0, Bpf = 0;
    bool Ended = false;
    bool Forwarding = false; // what the probe pushes itself passes it
    // For the thread that feeds the pictures: the rate once known, and whether the sound ended.
    std::atomic<std::int32_t> KnownRate{0};
    std::atomic<bool> Finished{false};

    static GstPadProbeReturn Probe(GstPad* pad, GstPadProbeInfo* info, gpointer self) {
        return static_cast<TSoundRange*>(self)->Handle(pad, info);
    }

    bool KnowFormat(GstPad* pad) {
        if (Rate > 0)
            return true;
        GstCaps* caps = gst_pad_get_current_caps(pad);
        GstAudioInfo audio;
        const bool known = caps && gst_audio_info_from_caps(&audio, caps) && audio.bpf > 0 && audio.rate > 0;
        if (caps)
            gst_caps_unref(caps);
        if (!known)
            return false;
        Rate = audio.rate;
        Bpf = audio.bpf;
        Start = gst_util_uint64_scale_round(static_cast<std::uint64_t>(StartNs), static_cast<std::uint64_t>(Rate), GST_SECOND);
        Length = gst_util_uint64_scale_round(static_cast<std::uint64_t>(LengthNs), static_cast<std::uint64_t>(Rate), GST_SECOND);
        KnownRate = Rate;
        return true;
    }

    void Stamp(GstBuffer* buffer, std::uint64_t samples) {
        GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(Kept, GST_SECOND, static_cast<std::uint64_t>(Rate));
        GST_BUFFER_DURATION(buffer) =
            gst_util_uint64_scale(Kept + samples, GST_SECOND, static_cast<std::uint64_t>(Rate)) - GST_BUFFER_PTS(buffer);
        GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
        Kept += samples;
    }

    // The probe sits on a sink pad, which takes what it is handed until its end of stream has
    // passed (a source pad counts as ended as soon as the end is pushed).
    void Forward(GstPad* pad, GstBuffer* buffer) {
        Forwarding = true;
        gst_pad_chain(pad, buffer);
        Forwarding = false;
    }

    // Silence up to the range's length and the tail after it.
    void ForwardSilence(GstPad* pad) {
        if (Kept >= Length + Tail)
            return;
        const std::uint64_t missing = Length + Tail - Kept;
        GstBuffer* silence = gst_buffer_new_allocate(nullptr, missing * static_cast<std::uint64_t>(Bpf), nullptr);
        gst_buffer_memset(silence, 0, 0, missing * static_cast<std::uint64_t>(Bpf));
        Stamp(silence, missing);
        Forward(pad, silence);
    }

    void End(GstPad* pad) {
        ForwardSilence(pad);
        Ended = true;
        Finished = true;
        Forwarding = true;
        gst_pad_send_event(pad, gst_event_new_eos());
        Forwarding = false;
    }

    GstPadProbeReturn Handle(GstPad* pad, GstPadProbeInfo* info) {
        if (Forwarding)
            return GST_PAD_PROBE_OK;
        if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
            GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
            if (GST_EVENT_TYPE(event) != GST_EVENT_EOS)
                return GST_PAD_PROBE_OK;
            if (Ended)
                return GST_PAD_PROBE_DROP;
            Ended = true;
            Finished = true;
            if (KnowFormat(pad))
                ForwardSilence(pad);
            return GST_PAD_PROBE_OK;
        }
        if (Ended)
            return GST_PAD_PROBE_DROP;
        if (!KnowFormat(pad))
            return GST_PAD_PROBE_DROP;
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        const std::uint64_t samples = gst_buffer_get_size(buffer) / static_cast<std::uint64_t>(Bpf);
        const std::uint64_t skip = std::min(samples, Start - std::min(Start, Skipped));
        Skipped += skip;
        const std::uint64_t keep = std::min(samples - skip, Length - Kept);
        if (keep == 0) {
            if (Kept >= Length)
                End(pad);
            return GST_PAD_PROBE_DROP;
        }
        buffer = gst_buffer_make_writable(buffer);
        if (skip > 0 || keep < samples)
            gst_buffer_resize(buffer, static_cast<gssize>(skip * static_cast<std::uint64_t>(Bpf)),
                              static_cast<gssize>(keep * static_cast<std::uint64_t>(Bpf)));
        Stamp(buffer, keep);
        GST_PAD_PROBE_INFO_DATA(info) = buffer;
        if (Kept >= Length) {
            // The cut buffer goes on first; the stream ends after it.
            Forward(pad, buffer);
            End(pad);
            GST_PAD_PROBE_INFO_DATA(info) = nullptr;
            return GST_PAD_PROBE_HANDLED;
        }
        return GST_PAD_PROBE_OK;
    }
};

} // namespace

std::vector<TCompressorInfo> CandidateCompressors(const TMovieFormat& format, bool video) {
    EnsureGstInit();
    std::vector<TCompressorInfo> list;
    GstCaps* muxerCaps = MuxerCaps(format, video);
    if (!muxerCaps)
        return list;
    GList* factories = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_ENCODER, GST_RANK_NONE);
    for (GList* item = factories; item; item = item->next) {
        auto* factory = static_cast<GstElementFactory*>(item->data);
        const char* klass = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
        if (!klass || !IsCompressorClass(klass, video) || !FeedsMuxer(factory, muxerCaps))
            continue;
        const char* longName = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME);
        list.push_back({GST_OBJECT_NAME(factory), longName ? longName : GST_OBJECT_NAME(factory)});
    }
    gst_plugin_feature_list_free(factories);
    gst_caps_unref(muxerCaps);
    std::sort(list.begin(), list.end(),
              [](const TCompressorInfo& a, const TCompressorInfo& b) { return a.Element < b.Element; });
    return list;
}

bool CompressorWorks(const std::string& element, const TMovieFormat& format, bool video, std::int32_t width,
                     std::int32_t height, std::int32_t fps, std::string* error) {
    EnsureGstInit();
    if (!*format.Muxer) {
        if (error)
            *error = "a " + format.EnglishDescription() + " takes no encoder";
        return false;
    }
    const std::string source =
        video ? "videotestsrc num-buffers=3 ! " + VideoCaps(width, height, fps) + " ! videoconvert"
              : "audiotestsrc num-buffers=3 ! audio/x-raw,rate=44100,channels=2 ! audioconvert ! audioresample";
    GstElement* pipeline = Launch(source + " ! " + EncoderChain(element, format, video) + " ! " + format.Muxer +
                                      " ! fakesink",
                                  error);
    if (!pipeline)
        return false;
    std::string why = "cannot start";
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE)
        why = AwaitEnd(pipeline, 10 * GST_SECOND);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    if (!why.empty() && error)
        *error = why;
    return why.empty();
}

std::vector<TCompressorInfo> InstalledCompressors(const TMovieFormat& format, bool video, std::int32_t width,
                                                  std::int32_t height, std::int32_t fps) {
    std::vector<TCompressorInfo> list = CandidateCompressors(format, video);
    std::erase_if(list, [&](const TCompressorInfo& info) {
        return !CompressorWorks(info.Element, format, video, width, height, fps);
    });
    return list;
}

std::string DefaultCompressor(const TMovieFormat& format, bool video, std::int32_t width, std::int32_t height,
                              std::int32_t fps) {
    for (const std::string& element : video ? format.DefaultVideo : format.DefaultAudio)
        if (IsCandidate(element, format, video) && CompressorWorks(element, format, video, width, height, fps))
            return element;
    return {};
}

// ---------------------------------------------------------------------------------------------

struct TMovieEncoder::TGraph {
    GstElement* Pipeline = nullptr;
    GstElement* Frames = nullptr;
    TSoundRange Sound;
    std::size_t FrameBytes = 0;
    std::int32_t Fps = 1;
    std::uint64_t Pushed = 0;
    // The pictures start as late as the encoded sound's first own sample, so that players that
    // know nothing of the encoder's delay keep them together.
    std::uint64_t SoundDelaySamples = 0;
    GstClockTime VideoStartNs = 0;

    ~TGraph() {
        if (Frames)
            gst_object_unref(Frames);
        if (Pipeline) {
            gst_element_set_state(Pipeline, GST_STATE_NULL);
            gst_object_unref(Pipeline);
        }
    }

    // Throws the first error the graph reports within `timeout`, if any.
    void ThrowPendingError(GstClockTime timeout = 0) const {
        GstBus* bus = gst_element_get_bus(Pipeline);
        GstMessage* message = gst_bus_timed_pop_filtered(bus, timeout, GST_MESSAGE_ERROR);
        gst_object_unref(bus);
        if (!message)
            return;
        const std::string text = GstErrorText(message);
        gst_message_unref(message);
        throw ECwError(text);
    }

    // The encoder's delay in time, once the sound's rate is known: its first buffer comes soon
    // after the start, whatever the pictures do. 0 for a sound that ends without any.
    GstClockTime SoundDelayNs() const {
        while (Sound.KnownRate == 0 && !Sound.Finished)
            ThrowPendingError(2 * GST_MSECOND);
        const auto rate = static_cast<std::uint64_t>(Sound.KnownRate.load());
        return rate == 0 ? 0 : gst_util_uint64_scale(SoundDelaySamples, GST_SECOND, rate);
    }
};

TMovieEncoder::TMovieEncoder(const TMovieEncoding& encoding, const std::filesystem::path& output)
    : Graph(std::make_unique<TGraph>()) {
    EnsureGstInit();
    const TMovieFormat& format = *encoding.Format;
    std::string why;
    if (!encoding.VideoCompressor.empty() && !IsCandidate(encoding.VideoCompressor, format, true))
        throw ECwError("failed video: \"" + encoding.VideoCompressor + "\" is not a video encoder that can write " +
                       format.EnglishDescription());
    if (encoding.VideoCompressor.empty() && !format.TakesRawVideo)
        throw ECwError("failed video: a " + format.EnglishDescription() + " needs a video encoder");
    const bool sound = !encoding.Sound.empty() && format.TakesSound;
    if (sound && !encoding.AudioCompressor.empty() && !IsCandidate(encoding.AudioCompressor, format, false))
        throw ECwError("failed audio: \"" + encoding.AudioCompressor + "\" is not an audio encoder that can write " +
                       format.EnglishDescription());
    const TMovieFrameShape shape{encoding.Width, encoding.Height, false};
    Graph->FrameBytes = shape.Bytes();
    Graph->Fps = std::max(encoding.Fps, 1);
    std::string description = std::string(format.Muxer) + " name=mux ! filesink name=output " +
                              "appsrc name=frames format=time caps=\"" +
                              VideoCaps(encoding.Width, encoding.Height, Graph->Fps) +
                              "\" ! videoconvert ! " + EncoderChain(encoding.VideoCompressor, format, true) +
                              " ! queue ! mux.";
    if (sound)
        // Sound of more than two channels is mixed down: the encoders and the multiplexers cannot
        // place channels the file leaves unpositioned.
        description += " filesrc name=audiosource ! decodebin ! audioconvert ! audioresample ! "
                       "capsfilter name=soundrange caps=\"audio/x-raw,format={S16LE,F32LE},layout=interleaved,"
                       "channels=[1,2]\" ! audioconvert name=soundcut ! " +
                       EncoderChain(encoding.AudioCompressor, format, false) + " ! queue ! mux.";
    Graph->Pipeline = Launch(description, &why);
    if (!Graph->Pipeline)
        throw ECwError("failed video: " + why);
    auto element = [this](const char* name) {
        GstElement* found = gst_bin_get_by_name(GST_BIN(Graph->Pipeline), name);
        if (found)
            gst_object_unref(found); // the bin keeps it
        return found;
    };
    g_object_set(element("output"), "location", output.c_str(), nullptr);
    Graph->Frames = GST_ELEMENT(gst_object_ref(element("frames")));
    // A few frames may wait for the encoder; more would only hold memory.
    g_object_set(Graph->Frames, "max-bytes", static_cast<guint64>(4 * Graph->FrameBytes), "block", FALSE, nullptr);
    if (sound) {
        g_object_set(element("audiosource"), "location", encoding.Sound.c_str(), nullptr);
        Graph->Sound.StartNs = encoding.Range.StartNs(Graph->Fps);
        Graph->Sound.LengthNs = encoding.Range.LengthNs(Graph->Fps);
        const TEncoderDelay delay = EncoderDelay(encoding.AudioCompressor);
        Graph->Sound.Tail = delay.Unflushed;
        if (format.Container != TMovieContainer::Avi)
            Graph->SoundDelaySamples = delay.Leading;
        GstPad* pad = gst_element_get_static_pad(element("soundcut"), "sink");
        gst_pad_add_probe(pad,
                          static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          &TSoundRange::Probe, &Graph->Sound, nullptr);
        gst_object_unref(pad);
    }
    if (GstElement* encoder = element("VideoCompressor"))
        ApplyEncoderSettings(encoder, encoding.VideoSettings);
    if (GstElement* encoder = element("AudioCompressor"))
        ApplyEncoderSettings(encoder, encoding.AudioSettings);
    if (gst_element_set_state(Graph->Pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        Graph->ThrowPendingError();
        throw ECwError("The compression could not start.");
    }
}

TMovieEncoder::~TMovieEncoder() = default;

void TMovieEncoder::PushFrame(const std::uint8_t* pixels) {
    Graph->ThrowPendingError();
    // The encoders set the pace: wait while the frames queued would pass the limit, watching for
    // an error that would stop them for good.
    for (;;) {
        guint64 queued = 0, limit = 0;
        g_object_get(Graph->Frames, "current-level-bytes", &queued, "max-bytes", &limit, nullptr);
        if (queued + Graph->FrameBytes <= limit)
            break;
        Graph->ThrowPendingError(2 * GST_MSECOND);
    }
    if (Graph->Pushed == 0 && Graph->SoundDelaySamples > 0)
        Graph->VideoStartNs = Graph->SoundDelayNs();
    GstBuffer* buffer = gst_buffer_new_memdup(pixels, Graph->FrameBytes);
    const auto fps = static_cast<std::uint64_t>(Graph->Fps);
    GST_BUFFER_PTS(buffer) = Graph->VideoStartNs + gst_util_uint64_scale(Graph->Pushed, GST_SECOND, fps);
    GST_BUFFER_DURATION(buffer) =
        Graph->VideoStartNs + gst_util_uint64_scale(Graph->Pushed + 1, GST_SECOND, fps) - GST_BUFFER_PTS(buffer);
    ++Graph->Pushed;
    GstFlowReturn flow = GST_FLOW_OK;
    g_signal_emit_by_name(Graph->Frames, "push-buffer", buffer, &flow);
    gst_buffer_unref(buffer);
    if (flow != GST_FLOW_OK) {
        Graph->ThrowPendingError();
        throw ECwError("The compression stopped.");
    }
}

void TMovieEncoder::Finish() {
    GstFlowReturn flow = GST_FLOW_OK;
    g_signal_emit_by_name(Graph->Frames, "end-of-stream", &flow);
    const std::string error = AwaitEnd(Graph->Pipeline, GST_CLOCK_TIME_NONE);
    if (!error.empty())
        throw ECwError(error);
}
