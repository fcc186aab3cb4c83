#pragma once

#include <cstdint>
#include <gst/gst.h>
#include <mutex>
#include <utility>

// Records what the sink plays: every buffer cut to the segment in force, as a sink renders it.
class TPlayedRange {
public:
    explicit TPlayedRange(GstElement* sink) {
        GstPad* pad = gst_element_get_static_pad(sink, "sink");
        gst_pad_add_probe(
            pad,
            static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
            &TPlayedRange::Probe, this, nullptr);
        gst_object_unref(pad);
    }
    void Reset() {
        std::lock_guard lock(Mutex);
        First = Last = -1;
        Ended = false;
    }
    bool Ended = false;
    std::int64_t First = -1, Last = -1; // nanoseconds

    std::pair<std::int64_t, std::int64_t> Range() {
        std::lock_guard lock(Mutex);
        return {First, Last};
    }
    bool IsEnded() {
        std::lock_guard lock(Mutex);
        return Ended;
    }

private:
    static GstPadProbeReturn Probe(GstPad*, GstPadProbeInfo* info, gpointer self) {
        auto* range = static_cast<TPlayedRange*>(self);
        std::lock_guard lock(range->Mutex);
        if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
            GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
            guint64 start = 0, stop = 0;
            const guint64 from = GST_BUFFER_PTS(buffer);
            if (gst_segment_clip(&range->Segment, GST_FORMAT_TIME, from, from + GST_BUFFER_DURATION(buffer),
                                 &start, &stop)) {
                if (range->First < 0)
                    range->First = static_cast<std::int64_t>(start);
                range->Last = static_cast<std::int64_t>(stop);
            }
        } else {
            GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
            if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT)
                gst_event_copy_segment(event, &range->Segment);
            else if (GST_EVENT_TYPE(event) == GST_EVENT_EOS)
                range->Ended = true;
        }
        return GST_PAD_PROBE_OK;
    }
    std::mutex Mutex;
    GstSegment Segment{};
};
