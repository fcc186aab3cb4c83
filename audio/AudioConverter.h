#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TGstPipeline;
struct TGstBusEvent;

// Turns any sound file the media platform can decode into a 16-bit PCM WAV file named
// "cwAudio.wav", which the waveform reader then reads: at most two channels (more are mixed down)
// at the source's rate up to 48 kHz, and no longer than the caller allows, so a small file that
// decodes to hours of sound cannot fill the disk or the memory. The conversion runs on the platform's
// threads; its end is reported on the user-interface thread (a Qt event loop must run).
class TAudioConverter {
public:
    using TConversionEndEvent = std::function<void(TAudioConverter& sender, const std::string& file)>;
    using TConversionErrorEvent = std::function<void(TAudioConverter& sender, const std::string& message)>;

    static constexpr const char* kResultName = "cwAudio.wav";

    TAudioConverter();
    ~TAudioConverter();
    TAudioConverter(const TAudioConverter&) = delete;
    TAudioConverter& operator=(const TAudioConverter&) = delete;

    // Raised once the output file is complete, with its path.
    TConversionEndEvent OnConversionComplete;
    // Raised once when a conversion fails, now or later, with the whole message for the user.
    TConversionErrorEvent OnConversionError;

    // Starts converting the first `maxLengthMs` of `source` and returns at once. The output goes
    // into `folder` when it is a non-empty, existing folder (ending with "/"), otherwise into the
    // system's temporary folder; `resultPath` is set to the output file in every case. Returns
    // false, after raising OnConversionError, when the conversion cannot start; a conversion still
    // running is abandoned.
    bool Convert(const std::string& source, const std::string& folder, std::int64_t maxLengthMs,
                 std::string& resultPath);
    // Whether the last conversion stopped at its length limit before the source's end.
    bool WasCut() const { return Cut && Cut->load(); }

private:
    void GraphEvent(const TGstBusEvent& event);
    void Fail(const std::string& message);

    std::unique_ptr<TGstPipeline> Graph;
    std::string Source;
    std::string ResultPath;
    std::shared_ptr<const std::atomic<bool>> Cut;
};

// The play length of a sound file in milliseconds as the media platform reports it; -1 with a
// reason when the file is missing or cannot be decoded.
std::int64_t AudioPlayLengthMs(const std::string& file, std::string& reason);
