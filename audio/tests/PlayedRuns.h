#pragma once

#include "WavWriter.h"

#include <cstdint>
#include <gst/gst.h>
#include <mutex>
#include <utility>
#include <vector>

// Records the 16-bit mono samples a sink gets as runs of one level between silences. Levels are
// read in steps of kLevelStep, so that a sound whose frame n holds the steady level n * kLevelStep
// (LevelTrack) shows, run by run, which frames' slices were played and how many samples of each,
// whatever sample format it went through.
class TPlayedRuns {
public:
    using TRun = std::pair<std::int32_t, std::int64_t>; // frame, samples

    explicit TPlayedRuns(GstElement* sink) : Pad(gst_element_get_static_pad(sink, "sink")) {
        ProbeId = gst_pad_add_probe(Pad, GST_PAD_PROBE_TYPE_BUFFER, &TPlayedRuns::Probe, this, nullptr);
    }
    // The sink may play on: it stops reporting here.
    ~TPlayedRuns() {
        gst_pad_remove_probe(Pad, ProbeId);
        gst_object_unref(Pad);
    }
    TPlayedRuns(const TPlayedRuns&) = delete;
    TPlayedRuns& operator=(const TPlayedRuns&) = delete;

    std::vector<TRun> Runs() {
        std::lock_guard lock(Mutex);
        return Done;
    }
    // Runs that silence has ended.
    std::size_t Count() {
        std::lock_guard lock(Mutex);
        return Done.size();
    }

private:
    static GstPadProbeReturn Probe(GstPad*, GstPadProbeInfo* info, gpointer self) {
        auto* runs = static_cast<TPlayedRuns*>(self);
        GstMapInfo map;
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
            return GST_PAD_PROBE_OK;
        std::lock_guard lock(runs->Mutex);
        const auto* samples = reinterpret_cast<const std::int16_t*>(map.data);
        for (std::size_t i = 0; i < map.size / 2; ++i)
            runs->Take(samples[i]);
        gst_buffer_unmap(buffer, &map);
        return GST_PAD_PROBE_OK;
    }
    void Take(std::int16_t sample) {
        const std::int32_t frame = (sample + kLevelStep / 2) / kLevelStep;
        if (Open.second > 0 && frame != Open.first) {
            Done.push_back(Open);
            Open = {};
        }
        if (frame != 0)
            Open = {frame, Open.second + 1};
    }

    GstPad* Pad;
    gulong ProbeId = 0;
    std::mutex Mutex;
    std::vector<TRun> Done;
    TRun Open{0, 0};
};
