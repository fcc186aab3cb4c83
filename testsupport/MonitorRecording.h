#pragma once

#include "testsupport/SoundServer.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <gst/gst.h>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

// Records what the test sound server's sink plays, from its monitor, as 48 kHz mono samples, and
// places every sample on the steady clock: a sample was heard no later than the moment its buffer
// arrived, so the earliest arrival less the samples before it fixes where the recording began.
// The first moments are left out of that reckoning: the sink may hand over sound it had mixed
// ahead before the recording asked for a short latency. The sink mixes ahead by about the latency
// the recording asks for and hands the monitor its sound then, before it counts as played: a
// millisecond keeps that lead small beside the 10 ms the tests allow (5 ms put every sound heard
// 4 ms early).
class TMonitorRecording {
public:
    static constexpr std::int64_t kRate = 48000;
    static constexpr std::int64_t kSettleMs = 150;

    TMonitorRecording() {
        gst_init(nullptr, nullptr);
        GError* error = nullptr;
        Pipeline =
            gst_parse_launch(("pulsesrc device=" + TSoundServer::Monitor() +
                              " buffer-time=2000000 latency-time=1000 ! audioconvert ! "
                              "audio/x-raw,format=S16LE,rate=48000,channels=1 ! fakesink name=out sync=false")
                                 .c_str(),
                             &error);
        if (error) {
            const std::string text = error->message;
            g_error_free(error);
            throw std::runtime_error("cannot record the sound server: " + text);
        }
        GstElement* out = gst_bin_get_by_name(GST_BIN(Pipeline), "out");
        GstPad* pad = gst_element_get_static_pad(out, "sink");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &TMonitorRecording::Probe, this, nullptr);
        gst_object_unref(pad);
        gst_object_unref(out);
        gst_element_set_state(Pipeline, GST_STATE_PLAYING);
        // The recording runs once the first samples arrive and it has settled.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (SampleCount() == 0) {
            if (std::chrono::steady_clock::now() > deadline)
                throw std::runtime_error("the sound server's monitor gives no samples");
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2 * kSettleMs));
    }
    ~TMonitorRecording() {
        gst_element_set_state(Pipeline, GST_STATE_NULL);
        gst_object_unref(Pipeline);
    }
    TMonitorRecording(const TMonitorRecording&) = delete;
    TMonitorRecording& operator=(const TMonitorRecording&) = delete;

    // Everything recorded so far.
    std::vector<std::int16_t> Recorded() {
        std::lock_guard lock(Mutex);
        return Samples;
    }

    std::size_t SampleCount() {
        std::lock_guard lock(Mutex);
        return Samples.size();
    }

    // The steady-clock times (nanoseconds since its epoch) at which clicks began: a sample above
    // `threshold` after at least `quietMs` below it.
    std::vector<std::int64_t> Clicks(std::int32_t threshold = 4000, std::int32_t quietMs = 20) {
        std::lock_guard lock(Mutex);
        std::vector<std::int64_t> times;
        std::int64_t lastLoud = std::numeric_limits<std::int64_t>::min() / 2;
        for (std::size_t i = 0; i < Samples.size(); ++i) {
            if (std::abs(Samples[i]) < threshold)
                continue;
            const auto n = static_cast<std::int64_t>(i);
            if (n - lastLoud > quietMs * kRate / 1000)
                times.push_back(Start + n * 1'000'000'000 / kRate);
            lastLoud = n;
        }
        return times;
    }

    // When the first sample above `threshold` from steady-clock time `from` on was heard
    // (nanoseconds since the clock's epoch), or -1 when none was yet.
    std::int64_t FirstSoundFrom(std::int64_t from, std::int32_t threshold = 300) {
        std::lock_guard lock(Mutex);
        for (auto i =
                 static_cast<std::size_t>(std::max<std::int64_t>(0, (from - Start) * kRate / 1'000'000'000));
             i < Samples.size(); ++i) {
            if (std::abs(Samples[i]) >= threshold)
                return Start + static_cast<std::int64_t>(i) * 1'000'000'000 / kRate;
        }
        return -1;
    }

    static std::int64_t Now() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

private:
    static GstPadProbeReturn Probe(GstPad*, GstPadProbeInfo* info, gpointer self) {
        auto* recording = static_cast<TMonitorRecording*>(self);
        const std::int64_t arrived = Now();
        GstMapInfo map;
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
            return GST_PAD_PROBE_OK;
        std::lock_guard lock(recording->Mutex);
        const auto* data = reinterpret_cast<const std::int16_t*>(map.data);
        recording->Samples.insert(recording->Samples.end(), data, data + map.size / 2);
        if (recording->FirstArrival < 0)
            recording->FirstArrival = arrived;
        const std::int64_t start =
            arrived - static_cast<std::int64_t>(recording->Samples.size()) * 1'000'000'000 / kRate;
        if (arrived - recording->FirstArrival >= kSettleMs * 1'000'000)
            recording->Start = std::min(recording->Start, start);
        gst_buffer_unmap(buffer, &map);
        return GST_PAD_PROBE_OK;
    }

    GstElement* Pipeline = nullptr;
    std::mutex Mutex;
    std::vector<std::int16_t> Samples;
    std::int64_t Start = std::numeric_limits<std::int64_t>::max();
    std::int64_t FirstArrival = -1;
};
