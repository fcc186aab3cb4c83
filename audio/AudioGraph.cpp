#include "audio/AudioGraph.h"

#include "base/Error.h"
#include "platform/GstMedia.h"

namespace {

// Prerolling a sound file takes a few milliseconds; a broken sound server may take longer.
constexpr std::int32_t kPrerollMs = 5000;

} // namespace

TAudioGraph::TAudioGraph(std::string sink) : SinkDescription(std::move(sink)) {}
TAudioGraph::~TAudioGraph() = default;

bool TAudioGraph::Build(const std::string& file, const std::string& sink) {
    try {
        Graph =
            std::make_unique<TGstPipeline>("filesrc name=source ! decodebin ! audioconvert ! audioresample ! " +
                                           sink + " name=output");
    } catch (const ECwError&) {
        Graph.reset();
        return false;
    }
    g_object_set(Graph->Element("source"), "location", file.c_str(), nullptr);
    if (Graph->ChangeState(GST_STATE_PAUSED, kPrerollMs))
        return true;
    Graph.reset();
    return false;
}

bool TAudioGraph::RenderFile(const std::string& file) {
    Clear();
    if (Build(file, SinkDescription)) {
        SoundOutput = !IsSilentSink(Sink());
    } else if (SinkDescription != "fakesink" && Build(file, "fakesink sync=true")) {
        // No sound output could be opened: the file still scrubs, silently.
        SoundOutput = false;
    } else {
        return false;
    }
    if (!SoundOutput && OnNoSoundOutput)
        OnNoSoundOutput(*this);
    return true;
}

void TAudioGraph::Clear() {
    Graph.reset();
}

void TAudioGraph::PlaySegment(TMediaTime start, TMediaTime stop) {
    if (!Graph)
        return;
    // Positions are 100 ns units; the platform counts nanoseconds.
    Graph->SeekSegment(start * 100, stop * 100);
    gst_element_set_state(Graph->Get(), GST_STATE_PLAYING);
}

void TAudioGraph::Pause() {
    if (Graph)
        gst_element_set_state(Graph->Get(), GST_STATE_PAUSED);
}

// The output reports the place of the sample leaving it, its own latency allowed for. Until the
// graph has settled into playing after a seek, the place it reports may still be the segment's
// before the seek, or a clock that has not yet been set going: it is not taken.
std::int64_t TAudioGraph::HeardNs() const {
    if (!Graph)
        return -1;
    GstState state = GST_STATE_VOID_PENDING;
    if (gst_element_get_state(Graph->Get(), &state, nullptr, 0) != GST_STATE_CHANGE_SUCCESS ||
        state != GST_STATE_PLAYING)
        return -1;
    gint64 position = -1;
    if (!gst_element_query_position(Graph->Get(), GST_FORMAT_TIME, &position))
        return -1;
    return position;
}

GstElement* TAudioGraph::Sink() const {
    return Graph ? Graph->Element("output") : nullptr;
}
