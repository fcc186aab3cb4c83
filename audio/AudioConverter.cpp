#include "audio/AudioConverter.h"

#include "audio/Mp3GaplessInfo.h"
#include "audio/Mp4GaplessInfo.h"
#include "base/Error.h"
#include "platform/GstMedia.h"
#include "ui/AppTexts.h"

#include <filesystem>

namespace {

std::string OutputFolder(const std::string& folder) {
    std::error_code error;
    if (!folder.empty() && std::filesystem::is_directory(folder, error))
        return folder;
    // Never beside the source: a file of that name there may be the user's.
    return (std::filesystem::temp_directory_path(error) / "").string();
}

// An encoder's delay and padding are not the source's sound: the converted file starts at its
// first sample and has its length.
TSoundSpan OwnSound(const std::string& source) {
    TMp3GaplessInfo mp3;
    if (mp3.Read(source))
        return {mp3.SampleRate, mp3.LeadingSamples, mp3.Samples};
    // The media platform's demultiplexer plays an MP4 file's edit itself, so only its length is
    // left to keep.
    TMp4GaplessInfo mp4;
    if (mp4.Read(source))
        return {mp4.SampleRate, 0, mp4.Samples};
    return {};
}

} // namespace

TAudioConverter::TAudioConverter() = default;
TAudioConverter::~TAudioConverter() = default;

bool TAudioConverter::Convert(const std::string& source, const std::string& folder,
                                std::int64_t maxLengthMs, std::string& resultPath) {
    Graph.reset();
    Cut.reset();
    Source = source;
    ResultPath = OutputFolder(folder) + kResultName;
    resultPath = ResultPath;
    std::error_code error;
    if (!std::filesystem::is_regular_file(source, error)) {
        Fail("Audio file not found. ");
        return false;
    }
    try {
        Graph = std::make_unique<TGstPipeline>(
            "filesrc name=source ! decodebin ! audioconvert ! audioresample ! capsfilter name=samples "
            "caps=\"audio/x-raw,format=S16LE,channels=[1,2],rate=[1,48000]\" ! wavenc ! filesink name=writer");
    } catch (const ECwError& e) {
        Fail(std::string(e.what()) + " ");
        return false;
    }
    g_object_set(Graph->Element("source"), "location", source.c_str(), nullptr);
    g_object_set(Graph->Element("writer"), "location", ResultPath.c_str(), nullptr);
    Cut = LimitSoundLength(Graph->Element("samples"), maxLengthMs, OwnSound(source));
    Graph->OnBusEvent = [this](const TGstBusEvent& event) { GraphEvent(event); };
    if (gst_element_set_state(Graph->Get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        const std::string reason = Graph->PendingError();
        Fail("The sound file \"" + source +
             "\" cannot be converted: " + (reason.empty() ? "unknown error" : reason) + ". ");
        return false;
    }
    return true;
}

void TAudioConverter::GraphEvent(const TGstBusEvent& event) {
    if (event.Kind == TGstBusEvent::TKind::bkEndOfStream) {
        // Stopping the graph lets the WAV writer finish its header and closes the file.
        Graph.reset();
        if (OnConversionComplete)
            OnConversionComplete(*this, ResultPath);
    } else if (event.MissingDecoder) {
        Fail(Fill(Translate(LanguageKey("msgNotASoundFile")), {QString::fromStdString(Source)}).toStdString() + " ");
    } else {
        Fail("The sound file \"" + Source + "\" cannot be converted: " + event.Text + ". ");
    }
}

// Drops the graph and the half-written output, then reports.
void TAudioConverter::Fail(const std::string& message) {
    const bool wrote = Graph != nullptr;
    Graph.reset();
    if (wrote) {
        std::error_code error;
        std::filesystem::remove(ResultPath, error);
    }
    if (OnConversionError)
        OnConversionError(*this, message);
}

std::int64_t AudioPlayLengthMs(const std::string& file, std::string& reason) {
    return MediaPlayLengthMs(file, reason);
}
