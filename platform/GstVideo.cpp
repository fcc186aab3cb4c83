#include "platform/GstVideo.h"

#include "base/Error.h"
#include "platform/GstMedia.h"
#include "platform/UiThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <mutex>

namespace {

void AddRate(std::vector<double>& rates, const GValue* value) {
    if (GST_VALUE_HOLDS_FRACTION(value)) {
        const int d = gst_value_get_fraction_denominator(value);
        if (d > 0)
            rates.push_back(static_cast<double>(gst_value_get_fraction_numerator(value)) / d);
    } else if (GST_VALUE_HOLDS_LIST(value)) {
        for (guint i = 0; i < gst_value_list_get_size(value); ++i)
            AddRate(rates, gst_value_list_get_value(value, i));
    } else if (GST_VALUE_HOLDS_FRACTION_RANGE(value)) {
        AddRate(rates, gst_value_get_fraction_range_max(value));
    }
}

void AddFormat(std::vector<std::string>& formats, const std::string& format) {
    if (!format.empty() && std::find(formats.begin(), formats.end(), format) == formats.end())
        formats.push_back(format);
}

// The sizes of a camera's caps, each once, with every rate and format offered at that size.
std::vector<TVideoMode> ModesFromCaps(GstCaps* caps) {
    std::vector<TVideoMode> modes;
    if (!caps)
        return modes;
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const GstStructure* s = gst_caps_get_structure(caps, i);
        const std::string kind = gst_structure_get_name(s);
        if (kind != "video/x-raw" && kind != "image/jpeg")
            continue;
        int width = 0;
        int height = 0;
        if (!gst_structure_get_int(s, "width", &width) || !gst_structure_get_int(s, "height", &height))
            continue; // a range of sizes is not a size to offer
        auto mode = std::find_if(modes.begin(), modes.end(),
                                 [&](const TVideoMode& m) { return m.Width == width && m.Height == height; });
        if (mode == modes.end())
            mode = modes.insert(modes.end(), TVideoMode{width, height, {}});
        if (const GValue* rate = gst_structure_get_value(s, "framerate"))
            AddRate(mode->Rates, rate);
        if (kind == "image/jpeg") {
            AddFormat(mode->Formats, "MJPG");
        } else if (const GValue* format = gst_structure_get_value(s, "format")) {
            if (G_VALUE_HOLDS_STRING(format)) {
                AddFormat(mode->Formats, g_value_get_string(format));
            } else if (GST_VALUE_HOLDS_LIST(format)) {
                for (guint f = 0; f < gst_value_list_get_size(format); ++f) {
                    const GValue* item = gst_value_list_get_value(format, f);
                    if (G_VALUE_HOLDS_STRING(item))
                        AddFormat(mode->Formats, g_value_get_string(item));
                }
            }
        }
    }
    return modes;
}

std::string DevicePathOf(GstDevice* device) {
    std::string path;
    if (GstStructure* props = gst_device_get_properties(device)) {
        for (const char* key : {"api.v4l2.path", "device.path"}) {
            if (const gchar* value = gst_structure_get_string(props, key)) {
                path = value;
                break;
            }
        }
        gst_structure_free(props);
    }
    return path;
}

std::string FractionText(double rate) {
    gint n = 0;
    gint d = 1;
    gst_util_double_to_fraction(rate, &n, &d);
    return std::to_string(n) + "/" + std::to_string(d);
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

} // namespace

double TVideoMode::MaxRate() const {
    return Rates.empty() ? 0.0 : *std::max_element(Rates.begin(), Rates.end());
}

std::vector<TVideoMode> VideoModesFromCaps(const std::string& caps) {
    EnsureGstInit();
    GstCaps* parsed = gst_caps_from_string(caps.c_str());
    std::vector<TVideoMode> modes = ModesFromCaps(parsed);
    if (parsed)
        gst_caps_unref(parsed);
    return modes;
}

TVideoSourceInfo TestPatternSource() {
    TVideoSourceInfo info;
    info.Name = kTestCameraName;
    info.TestPattern = true;
    for (const auto& [w, h] : {std::pair{320, 240}, std::pair{640, 480}, std::pair{1280, 720}})
        info.Modes.push_back(TVideoMode{w, h, {15.0, 30.0}});
    return info;
}

std::vector<TVideoSourceInfo> ListVideoSources() {
    EnsureGstInit();
    std::vector<TVideoSourceInfo> sources;
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    GList* devices = gst_device_monitor_get_devices(monitor);
    for (GList* item = devices; item; item = item->next) {
        GstDevice* device = GST_DEVICE(item->data);
        TVideoSourceInfo info;
        info.DevicePath = DevicePathOf(device);
        if (info.DevicePath.empty())
            continue;
        gchar* name = gst_device_get_display_name(device);
        info.Name = name ? name : info.DevicePath;
        g_free(name);
        GstCaps* caps = gst_device_get_caps(device);
        info.Modes = ModesFromCaps(caps);
        if (caps)
            gst_caps_unref(caps);
        // One node per camera: another provider may list the same node again.
        const bool seen = std::any_of(sources.begin(), sources.end(), [&](const TVideoSourceInfo& s) {
            return s.DevicePath == info.DevicePath;
        });
        if (!seen)
            sources.push_back(std::move(info));
    }
    g_list_free_full(devices, gst_object_unref);
    gst_object_unref(monitor);
    return sources;
}

// ---------------------------------------------------------------------------------------------

TGstVideoMonitor::TGstVideoMonitor() : Alive(std::make_shared<bool>(true)) {
    EnsureGstInit();
    Monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(Monitor, "Video/Source", nullptr);
    GstBus* bus = gst_device_monitor_get_bus(Monitor);
    struct TContext {
        TGstVideoMonitor* Self;
        std::weak_ptr<bool> Alive;
    };
    auto* context = new TContext{this, Alive};
    gst_bus_set_sync_handler(
        bus,
        [](GstBus*, GstMessage* message, gpointer data) {
            const auto type = GST_MESSAGE_TYPE(message);
            if (type == GST_MESSAGE_DEVICE_ADDED || type == GST_MESSAGE_DEVICE_REMOVED) {
                auto* ctx = static_cast<TContext*>(data);
                TGstVideoMonitor* self = ctx->Self;
                PostToUi(ctx->Alive, [self] {
                    if (self->OnChange)
                        self->OnChange();
                });
            }
            return GST_BUS_DROP;
        },
        context, [](gpointer data) { delete static_cast<TContext*>(data); });
    gst_object_unref(bus);
    gst_device_monitor_start(Monitor);
}

TGstVideoMonitor::~TGstVideoMonitor() {
    gst_device_monitor_stop(Monitor);
    GstBus* bus = gst_device_monitor_get_bus(Monitor);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(Monitor);
}

// ---------------------------------------------------------------------------------------------

namespace {
// How long a camera may take to reach playing.
constexpr std::int32_t kStartTimeoutMs = 5000;
} // namespace

struct TGstVideoStream::TShared {
    TGstVideoStream* Owner = nullptr; // used on the user-interface thread only
    std::shared_ptr<bool> Alive;      // gone with the stream object
    std::mutex Lock;                  // guards the request
    bool Requested = false;
    GstClockTime RequestTime = 0;
    std::atomic<bool> PreviewInFlight{false};
    std::atomic<std::int64_t> Seen{0};
};

namespace {

bool CopyFrame(GstSample* sample, TPicture& picture) {
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample)))
        return false;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_READ))
        return false;
    const int width = GST_VIDEO_INFO_WIDTH(&info);
    const int height = GST_VIDEO_INFO_HEIGHT(&info);
    const gsize stride = static_cast<gsize>(GST_VIDEO_INFO_PLANE_STRIDE(&info, 0));
    const gsize rowBytes = static_cast<gsize>(width) * 3;
    bool ok = map.size >= stride * static_cast<gsize>(height - 1) + rowBytes;
    if (ok) {
        picture.SetSize(width, height, TPixelFormat::pf24bit);
        for (int y = 0; y < height; ++y)
            std::memcpy(picture.Row(y), map.data + stride * static_cast<gsize>(y), rowBytes);
    }
    gst_buffer_unmap(buffer, &map);
    return ok;
}

GstFlowReturn OnNewSample(GstAppSink* sink, gpointer data) {
    auto* shared = static_cast<std::shared_ptr<TGstVideoStream::TShared>*>(data)->get();
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    ++shared->Seen;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    const GstSegment* segment = gst_sample_get_segment(sample);
    GstClockTime start = GST_CLOCK_TIME_NONE;
    if (buffer && segment && GST_BUFFER_PTS_IS_VALID(buffer))
        start = gst_segment_to_running_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));

    bool forRequest = false;
    {
        std::lock_guard<std::mutex> guard(shared->Lock);
        // A frame whose capture began before the request is stale, whatever queue it waited in.
        if (shared->Requested && (start == GST_CLOCK_TIME_NONE || start >= shared->RequestTime)) {
            shared->Requested = false;
            forRequest = true;
        }
    }
    const bool forPreview = !shared->PreviewInFlight.exchange(true);
    if (forRequest || forPreview) {
        auto frame = std::make_shared<TPicture>();
        if (CopyFrame(sample, *frame)) {
            const std::int64_t startNs = start == GST_CLOCK_TIME_NONE ? -1 : static_cast<std::int64_t>(start);
            TGstVideoStream::TShared* s = shared;
            PostToUi(shared->Alive, [s, frame, startNs, forRequest, forPreview] {
                TGstVideoStream* owner = s->Owner;
                if (forPreview) {
                    s->PreviewInFlight = false;
                    if (owner->OnPreviewFrame)
                        owner->OnPreviewFrame(*frame);
                }
                if (forRequest && owner->OnFrame)
                    owner->OnFrame(*frame, startNs);
            });
        } else if (forPreview) {
            shared->PreviewInFlight = false;
        }
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

} // namespace

TGstVideoStream::TGstVideoStream(const TVideoSourceInfo& source, std::int32_t width, std::int32_t height,
                                 double rate)
    : Shared(std::make_shared<TShared>()) {
    EnsureGstInit();
    Shared->Owner = this;
    Shared->Alive = std::make_shared<bool>(true);

    std::string caps;
    if (width > 0 && height > 0)
        caps += ",width=" + std::to_string(width) + ",height=" + std::to_string(height);
    if (rate > 0)
        caps += ",framerate=" + FractionText(rate);
    std::string description;
    if (source.TestPattern) {
        description = "videotestsrc is-live=true pattern=smpte horizontal-speed=2 ! video/x-raw" + caps;
        // The stream breaks as a camera's does when it is pulled out, or refuses the size at once.
        const bool refused = width > 0 && width == source.RefusedWidth && height == source.RefusedHeight;
        if (refused || source.FailAfterFrames > 0)
            description += " ! identity error-after=" + std::to_string(refused ? 1 : source.FailAfterFrames + 1);
    } else {
        description = "v4l2src device=" + Quoted(source.DevicePath);
        if (!caps.empty())
            description += " ! capsfilter caps=" + Quoted("video/x-raw" + caps + ";image/jpeg" + caps);
        description += " ! decodebin";
    }
    description += " ! videoconvert ! video/x-raw,format=BGR ! appsink name=sink max-buffers=1 drop=true "
                   "sync=false";

    Pipeline = std::make_unique<TGstPipeline>(description);
    Pipeline->OnBusEvent = [this](const TGstBusEvent& event) {
        if (event.Kind == TGstBusEvent::TKind::bkError && OnError)
            OnError(event.Text);
    };
    GstElement* sink = Pipeline->Element("sink");
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = OnNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, new std::shared_ptr<TShared>(Shared),
                               [](gpointer data) { delete static_cast<std::shared_ptr<TShared>*>(data); });
}

// The pipeline goes first: stopping it joins the streaming threads before the handlers go.
TGstVideoStream::~TGstVideoStream() {
    Pipeline.reset();
    Shared->Alive.reset();
}

bool TGstVideoStream::Start(std::string& reason) {
    if (Pipeline->ChangeState(GST_STATE_PLAYING, kStartTimeoutMs))
        return true;
    reason = Pipeline->PendingError();
    if (reason.empty())
        reason = "the camera did not start";
    return false;
}

std::int64_t TGstVideoStream::RequestFrame() {
    GstClockTime now = 0;
    if (GstClock* clock = gst_element_get_clock(Pipeline->Get())) {
        const GstClockTime time = gst_clock_get_time(clock);
        const GstClockTime base = gst_element_get_base_time(Pipeline->Get());
        now = time > base ? time - base : 0;
        gst_object_unref(clock);
    }
    std::lock_guard<std::mutex> guard(Shared->Lock);
    Shared->Requested = true;
    Shared->RequestTime = now;
    return static_cast<std::int64_t>(now);
}

void TGstVideoStream::CancelRequest() {
    std::lock_guard<std::mutex> guard(Shared->Lock);
    Shared->Requested = false;
}

std::int64_t TGstVideoStream::FramesSeen() const {
    return Shared->Seen.load();
}
