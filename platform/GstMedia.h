#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <gst/gst.h>
#include <memory>
#include <string>

// Starts GStreamer once for the process.
void EnsureGstInit();

// The text of an error message from a bus; "unknown error" when it carries none.
std::string GstErrorText(GstMessage* message);

// Whether a sound output plays nowhere: a fakesink, or an automatic sink that chose one (or has
// chosen nothing yet).
bool IsSilentSink(GstElement* sink);

// What a pipeline's bus reported, as the user-interface thread receives it.
struct TGstBusEvent {
    enum class TKind { bkEndOfStream, bkError };
    TKind Kind = TKind::bkEndOfStream;
    std::string Text;            // the error's message
    bool MissingDecoder = false; // the error says no element could decode the stream
};

// A GStreamer pipeline made from a launch description. End of stream and errors are handed to
// OnBusEvent on the thread that runs the Qt application's event loop; nothing arrives after the
// pipeline is gone, and nothing at all without a Qt application.
class TGstPipeline {
public:
    // Throws ECwError when the description names a missing element or does not parse.
    explicit TGstPipeline(const std::string& description);
    ~TGstPipeline();
    TGstPipeline(const TGstPipeline&) = delete;
    TGstPipeline& operator=(const TGstPipeline&) = delete;

    std::function<void(const TGstBusEvent&)> OnBusEvent;

    GstElement* Get() const { return Pipeline; }
    // The element with this name, or null; the pipeline keeps the reference.
    GstElement* Element(const char* name) const;
    // Asks for a state and waits up to `timeoutMs` for it; false when the change failed or timed out.
    bool ChangeState(GstState state, std::int32_t timeoutMs);
    // Flushing, accurate seek to play from `startNs` to `stopNs` (nanoseconds).
    bool SeekSegment(std::int64_t startNs, std::int64_t stopNs);
    // The text of the first error the bus holds now, or an empty text; for synchronous callers
    // that do not run an event loop.
    std::string PendingError() const;

private:
    static GstBusSyncReply SyncHandler(GstBus* bus, GstMessage* message, gpointer self);

    GstElement* Pipeline = nullptr;
    std::shared_ptr<bool> Alive; // queued bus events are dropped once it is gone
};

// The source's own sound within a decoded stream: the samples an encoder put before it, to leave
// out, and its length, both counted at `Rate`. A span of rate 0 leaves the stream as it is.
struct TSoundSpan {
    std::uint32_t Rate = 0;
    std::uint64_t Skip = 0;
    std::uint64_t Length = 0;
};

// Ends the raw audio leaving `element` (its "src" pad) after `maxMs` of sound: the samples up to
// that point pass, the buffer that crosses it is cut, and the stream then ends. The flag returned
// turns true once the stream was cut; a stream shorter than the limit passes untouched. With an
// `own` span the samples before and after it are left out first, unless the pipeline's decoder
// already leaves them out; reaching the span's end is not a cut, and a stream that ends a frame
// or so before it is filled with silence to it.
std::shared_ptr<const std::atomic<bool>> LimitSoundLength(GstElement* element, std::int64_t maxMs,
                                                          const TSoundSpan& own = {});

// The play length of a sound file in milliseconds, read by the media platform. Returns -1 and a
// reason when the file cannot be read or decoded.
std::int64_t MediaPlayLengthMs(const std::string& path, std::string& reason);
