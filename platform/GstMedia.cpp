#include "platform/GstMedia.h"

#include "base/Error.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <gst/audio/audio.h>
#include <gst/pbutils/pbutils.h>
#include <mutex>
#include <utility>

namespace {

// Both MP3 decoders are ranked alike, and the tie goes to the one whose name sorts first, which
// takes twice the time. Ranked above it, the faster one is chosen wherever MP3 is decoded.
void PreferFasterMp3Decoder() {
    GstPluginFeature* faster = gst_registry_lookup_feature(gst_registry_get(), "mpg123audiodec");
    if (!faster)
        return;
    GstPluginFeature* slower = gst_registry_lookup_feature(gst_registry_get(), "avdec_mp3");
    const guint above = (slower ? gst_plugin_feature_get_rank(slower) : guint{GST_RANK_MARGINAL}) + 1;
    if (gst_plugin_feature_get_rank(faster) < above)
        gst_plugin_feature_set_rank(faster, above);
    if (slower)
        gst_object_unref(slower);
    gst_object_unref(faster);
}

} // namespace

void EnsureGstInit() {
    static std::once_flag once;
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);
        PreferFasterMp3Decoder();
    });
}

bool IsSilentSink(GstElement* sink) {
    if (!sink)
        return true;
    if (!GST_IS_BIN(sink)) {
        GstElementFactory* factory = gst_element_get_factory(sink);
        return factory && std::string(GST_OBJECT_NAME(factory)) == "fakesink";
    }
    bool silent = true;
    GstIterator* children = gst_bin_iterate_sinks(GST_BIN(sink));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(children, &item) == GST_ITERATOR_OK) {
        silent = IsSilentSink(GST_ELEMENT(g_value_get_object(&item)));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(children);
    return silent;
}

std::string GstErrorText(GstMessage* message) {
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    std::string text = error ? error->message : "unknown error";
    if (error)
        g_error_free(error);
    return text;
}

TGstPipeline::TGstPipeline(const std::string& description) : Alive(std::make_shared<bool>(true)) {
    EnsureGstInit();
    GError* error = nullptr;
    Pipeline = gst_parse_launch_full(description.c_str(), nullptr, GST_PARSE_FLAG_FATAL_ERRORS, &error);
    if (error || !Pipeline) {
        const std::string text = error ? error->message : "unknown error";
        if (error)
            g_error_free(error);
        if (Pipeline)
            gst_object_unref(Pipeline);
        throw ECwError("The media pipeline could not be built: " + text);
    }
    GstBus* bus = gst_element_get_bus(Pipeline);
    gst_bus_set_sync_handler(bus, &TGstPipeline::SyncHandler, this, nullptr);
    gst_object_unref(bus);
}

// Stopping the pipeline joins its streaming threads, so no handler runs once the bus is let go.
TGstPipeline::~TGstPipeline() {
    gst_element_set_state(Pipeline, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(Pipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(Pipeline);
}

GstBusSyncReply TGstPipeline::SyncHandler(GstBus*, GstMessage* message, gpointer self) {
    auto* pipeline = static_cast<TGstPipeline*>(self);
    TGstBusEvent event;
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
        event.Kind = TGstBusEvent::TKind::bkEndOfStream;
        break;
    case GST_MESSAGE_ERROR: {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        event.Kind = TGstBusEvent::TKind::bkError;
        event.Text = error ? error->message : "unknown error";
        event.MissingDecoder =
            error && (g_error_matches(error, GST_STREAM_ERROR, GST_STREAM_ERROR_TYPE_NOT_FOUND) ||
                      g_error_matches(error, GST_STREAM_ERROR, GST_STREAM_ERROR_CODEC_NOT_FOUND) ||
                      g_error_matches(error, GST_CORE_ERROR, GST_CORE_ERROR_MISSING_PLUGIN));
        if (error)
            g_error_free(error);
        break;
    }
    default:
        // Nobody reads the rest; kept, they would pile up on the bus for as long as it lives.
        return GST_BUS_DROP;
    }
    // The handler may destroy the pipeline: it runs from a copy, and events queued for a pipeline
    // that is gone are dropped.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            app,
            [pipeline, alive = std::weak_ptr<bool>(pipeline->Alive), event] {
                if (!alive.lock())
                    return;
                const auto handler = pipeline->OnBusEvent;
                if (handler)
                    handler(event);
            },
            Qt::QueuedConnection);
    }
    // Errors stay on the bus as well, for PendingError.
    return event.Kind == TGstBusEvent::TKind::bkError ? GST_BUS_PASS : GST_BUS_DROP;
}

GstElement* TGstPipeline::Element(const char* name) const {
    GstElement* element = gst_bin_get_by_name(GST_BIN(Pipeline), name);
    if (element)
        gst_object_unref(element); // the bin still holds it
    return element;
}

bool TGstPipeline::ChangeState(GstState state, std::int32_t timeoutMs) {
    if (gst_element_set_state(Pipeline, state) == GST_STATE_CHANGE_FAILURE)
        return false;
    GstState now = GST_STATE_VOID_PENDING;
    const GstStateChangeReturn result =
        gst_element_get_state(Pipeline, &now, nullptr, static_cast<GstClockTime>(timeoutMs) * GST_MSECOND);
    return result != GST_STATE_CHANGE_FAILURE && result != GST_STATE_CHANGE_ASYNC && now == state;
}

bool TGstPipeline::SeekSegment(std::int64_t startNs, std::int64_t stopNs) {
    return gst_element_seek(Pipeline, 1.0, GST_FORMAT_TIME,
                            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                            GST_SEEK_TYPE_SET, startNs, GST_SEEK_TYPE_SET, stopNs);
}

std::string TGstPipeline::PendingError() const {
    GstBus* bus = gst_element_get_bus(Pipeline);
    GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    gst_object_unref(bus);
    if (!message)
        return {};
    std::string text = GstErrorText(message);
    gst_message_unref(message);
    return text;
}

namespace {

using TSharedFlag = std::shared_ptr<std::atomic<bool>>;

struct TSoundLimit {
    std::uint64_t MaxNs = 0;
    TSoundSpan Own;
    std::uint64_t Skipped = 0; // sample frames left out before the source's own sound
    std::uint64_t Frames = 0;  // sample frames passed so far
    bool Reached = false;
    bool Ended = false;
    TSharedFlag Cut;
    TSharedFlag DecoderClips; // the decoder leaves out the encoder's samples itself
    GstCaps* Caps = nullptr; // the caps Audio was read from, held
    GstAudioInfo Audio{};
    bool Known = false;

    ~TSoundLimit() {
        if (Caps)
            gst_caps_unref(Caps);
    }
};

std::uint64_t AtRate(std::uint64_t frames, std::uint32_t from, std::int32_t to) {
    return gst_util_uint64_scale(frames, static_cast<std::uint64_t>(to), from);
}

// A decoder that receives clipping information from its parser honours it: the span is then
// already applied, and applying it again would cut the source's own sound.
GstPadProbeReturn ClippingProbe(GstPad*, GstPadProbeInfo* info, gpointer data) {
    if (gst_buffer_get_audio_clipping_meta(GST_PAD_PROBE_INFO_BUFFER(info)))
        (*static_cast<TSharedFlag*>(data))->store(true);
    return GST_PAD_PROBE_OK;
}

void WatchDecoders(GstBin*, GstBin*, GstElement* element, gpointer data) {
    GstElementFactory* factory = gst_element_get_factory(element);
    const gchar* klass = factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
    if (!klass || !std::strstr(klass, "Decoder") || !std::strstr(klass, "Audio"))
        return;
    GstPad* pad = gst_element_get_static_pad(element, "sink");
    if (!pad)
        return;
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, ClippingProbe,
                      new TSharedFlag(*static_cast<TSharedFlag*>(data)),
                      [](gpointer flag) { delete static_cast<TSharedFlag*>(flag); });
    gst_object_unref(pad);
}

// A demultiplexer may leave out a last frame that its file counts short, up to this many samples
// at the span's rate; the sound then ends early by as much.
constexpr std::uint64_t kMostMissingAtEnd = 4096;

// A stream that ends a little before the end of its span is filled with silence to it, so that the
// sound keeps its length.
void FillToSpanEnd(GstPad* pad, TSoundLimit& limit) {
    if (limit.Reached || !limit.Known || limit.Own.Rate == 0)
        return;
    const GstAudioInfo& audio = limit.Audio;
    const std::uint64_t end =
        std::min(AtRate(limit.Own.Length, limit.Own.Rate, audio.rate),
                 gst_util_uint64_scale(limit.MaxNs, static_cast<std::uint64_t>(audio.rate), GST_SECOND));
    if (limit.Frames >= end || end - limit.Frames > AtRate(kMostMissingAtEnd, limit.Own.Rate, audio.rate))
        return;
    const std::uint64_t missing = end - limit.Frames;
    const auto bytes = static_cast<gsize>(missing * static_cast<std::uint64_t>(audio.bpf));
    GstBuffer* silence = gst_buffer_new_allocate(nullptr, bytes, nullptr);
    GstMapInfo map;
    if (gst_buffer_map(silence, &map, GST_MAP_WRITE)) {
        gst_audio_format_info_fill_silence(audio.finfo, map.data, bytes);
        gst_buffer_unmap(silence, &map);
    }
    // The end of the stream is already marked on this pad, which would refuse the buffer; the
    // element it feeds has not seen the end yet.
    limit.Frames = end;
    if (GstPad* peer = gst_pad_get_peer(pad)) {
        gst_pad_chain(peer, silence);
        gst_object_unref(peer);
    } else {
        gst_buffer_unref(silence);
    }
}

// Counts samples rather than trusting time stamps, which decoders may leave out.
GstPadProbeReturn LimitProbe(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* limit = static_cast<TSoundLimit*>(data);
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS)
            FillToSpanEnd(pad, *limit);
        return GST_PAD_PROBE_OK;
    }
    if (limit->Reached) {
        // The cut buffer has gone on; now end the stream below, once, and drop what follows.
        if (!limit->Ended) {
            limit->Ended = true;
            gst_pad_push_event(pad, gst_event_new_eos());
        }
        return GST_PAD_PROBE_DROP;
    }
    // The format is read again only when the caps change: a decoder sends thousands of buffers.
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (caps != limit->Caps) {
        limit->Known = caps && gst_audio_info_from_caps(&limit->Audio, caps) && limit->Audio.bpf > 0 &&
                       limit->Audio.rate > 0;
        std::swap(caps, limit->Caps); // the limit keeps its reference, so the address stays unique
    }
    if (caps)
        gst_caps_unref(caps);
    if (!limit->Known)
        return GST_PAD_PROBE_OK;
    const GstAudioInfo& audio = limit->Audio;
    std::uint64_t endFrames = gst_util_uint64_scale(limit->MaxNs, static_cast<std::uint64_t>(audio.rate),
                                                    GST_SECOND);
    bool limitCuts = true;
    std::uint64_t skip = 0;
    if (limit->Own.Rate > 0 && !limit->DecoderClips->load()) {
        skip = AtRate(limit->Own.Skip, limit->Own.Rate, audio.rate);
        const std::uint64_t ownFrames = AtRate(limit->Own.Length, limit->Own.Rate, audio.rate);
        if (ownFrames < endFrames) {
            endFrames = ownFrames;
            limitCuts = false;
        }
    }
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    const std::uint64_t frames = gst_buffer_get_size(buffer) / static_cast<std::uint64_t>(audio.bpf);
    const std::uint64_t front = std::min(frames, skip - std::min(skip, limit->Skipped));
    limit->Skipped += front;
    std::uint64_t keep = frames - front;
    if (limit->Frames + keep > endFrames) {
        limit->Reached = true;
        if (limitCuts)
            limit->Cut->store(true);
        keep = endFrames - limit->Frames;
    }
    limit->Frames += keep;
    if (keep == frames)
        return GST_PAD_PROBE_OK;
    if (keep == 0)
        return GST_PAD_PROBE_DROP;
    buffer = gst_buffer_make_writable(buffer);
    const auto bpf = static_cast<std::uint64_t>(audio.bpf);
    gst_buffer_resize(buffer, static_cast<gssize>(front * bpf), static_cast<gssize>(keep * bpf));
    GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(keep, GST_SECOND, static_cast<std::uint64_t>(audio.rate));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    return GST_PAD_PROBE_OK;
}

// The pipeline that holds `element`.
GstElement* TopLevel(GstElement* element) {
    while (GstElement* parent = GST_ELEMENT_PARENT(element))
        element = parent;
    return element;
}

} // namespace

std::shared_ptr<const std::atomic<bool>> LimitSoundLength(GstElement* element, std::int64_t maxMs,
                                                          const TSoundSpan& own) {
    auto* limit = new TSoundLimit;
    limit->MaxNs = static_cast<std::uint64_t>(std::max<std::int64_t>(maxMs, 0)) * GST_MSECOND;
    limit->Own = own;
    limit->Cut = std::make_shared<std::atomic<bool>>(false);
    limit->DecoderClips = std::make_shared<std::atomic<bool>>(false);
    if (own.Rate > 0)
        g_signal_connect_data(TopLevel(element), "deep-element-added", G_CALLBACK(WatchDecoders),
                              new TSharedFlag(limit->DecoderClips),
                              [](gpointer flag, GClosure*) { delete static_cast<TSharedFlag*>(flag); },
                              GConnectFlags{});
    std::shared_ptr<const std::atomic<bool>> cut = limit->Cut;
    GstPad* pad = gst_element_get_static_pad(element, "src");
    gst_pad_add_probe(pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      LimitProbe, limit, [](gpointer data) { delete static_cast<TSoundLimit*>(data); });
    gst_object_unref(pad);
    return cut;
}

std::int64_t MediaPlayLengthMs(const std::string& path, std::string& reason) {
    EnsureGstInit();
    std::error_code fsError;
    const std::filesystem::path absolute = std::filesystem::absolute(path, fsError);
    if (fsError || !std::filesystem::is_regular_file(absolute, fsError)) {
        reason = "file not found";
        return -1;
    }
    GError* error = nullptr;
    GstDiscoverer* discoverer = gst_discoverer_new(10 * GST_SECOND, &error);
    if (!discoverer) {
        reason = error ? error->message : "the media platform cannot inspect files";
        if (error)
            g_error_free(error);
        return -1;
    }
    gchar* uri = gst_filename_to_uri(absolute.c_str(), nullptr);
    GstDiscovererInfo* info = gst_discoverer_discover_uri(discoverer, uri, &error);
    g_free(uri);
    std::int64_t length = -1;
    if (info && gst_discoverer_info_get_result(info) == GST_DISCOVERER_OK) {
        GList* audio = gst_discoverer_info_get_audio_streams(info);
        const GstClockTime duration = gst_discoverer_info_get_duration(info);
        if (!audio)
            reason = "no sound in the file";
        else if (!GST_CLOCK_TIME_IS_VALID(duration))
            reason = "its length is not known";
        else
            length = static_cast<std::int64_t>(duration / GST_MSECOND);
        gst_discoverer_stream_info_list_free(audio);
    } else if ((info && gst_discoverer_info_get_result(info) == GST_DISCOVERER_MISSING_PLUGINS) ||
               (error && (g_error_matches(error, GST_STREAM_ERROR, GST_STREAM_ERROR_TYPE_NOT_FOUND) ||
                          g_error_matches(error, GST_STREAM_ERROR, GST_STREAM_ERROR_CODEC_NOT_FOUND)))) {
        reason = "no installed decoder reads this kind of file";
    } else {
        reason = error ? error->message : "the file cannot be decoded";
    }
    if (error)
        g_error_free(error);
    if (info)
        gst_discoverer_info_unref(info);
    g_object_unref(discoverer);
    return length;
}
