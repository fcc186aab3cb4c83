#include "export/EncodeGraph.h"

#include "base/Error.h"
#include "base/TemporaryFolders.h"
#include "export/EncoderProperties.h"
#include "platform/GstMedia.h"

#include <QEventLoop>
#include <algorithm>
#include <cstdlib>
#include <gst/gst.h>

namespace {

bool IsCompressorClass(const std::string& klass, bool video) {
    if (klass.find("Encoder") == std::string::npos)
        return false;
    if (video)
        return klass.find("Video") != std::string::npos || klass.find("Image") != std::string::npos;
    return klass.find("Audio") != std::string::npos;
}

// The caps the multiplexer's request pad of that kind takes.
GstCaps* MuxerCaps(bool video) {
    GstElementFactory* mux = gst_element_factory_find("avimux");
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

bool IsCandidate(const std::string& element, bool video) {
    const auto candidates = CandidateCompressors(video);
    return std::any_of(candidates.begin(), candidates.end(),
                       [&](const TCompressorInfo& info) { return info.Element == element; });
}

std::string ErrorOf(GstMessage* message) {
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    std::string text = error ? error->message : "unknown error";
    if (error)
        g_error_free(error);
    return text;
}

// The chain after a decoded stream: the encoder, or the raw format the multiplexer keeps.
std::string EncoderChain(const std::string& element, bool video) {
    if (!element.empty())
        return element + " name=" + (video ? "VideoCompressor" : "AudioCompressor");
    return video ? "video/x-raw,format=BGR" : "audio/x-raw,format=S16LE";
}

} // namespace

std::vector<TCompressorInfo> CandidateCompressors(bool video) {
    EnsureGstInit();
    std::vector<TCompressorInfo> list;
    GstCaps* muxerCaps = MuxerCaps(video);
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

bool CompressorWorks(const std::string& element, bool video, std::int32_t width, std::int32_t height,
                     std::int32_t fps, std::string* error) {
    EnsureGstInit();
    const std::string source =
        video ? "videotestsrc num-buffers=3 ! video/x-raw,width=" + std::to_string(width) +
                    ",height=" + std::to_string(height) + ",framerate=" + std::to_string(fps) +
                    "/1 ! videoconvert"
              : "audiotestsrc num-buffers=3 ! audio/x-raw,rate=44100,channels=2 ! audioconvert ! "
                "audioresample";
    const std::string description = source + " ! " + element + " ! avimux ! fakesink";
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
        return false;
    }
    bool works = false;
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE) {
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, 10 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS)
            works = true;
        else if (error)
            *error = message ? ErrorOf(message) : "timed out";
        if (message)
            gst_message_unref(message);
        gst_object_unref(bus);
    } else if (error) {
        *error = "cannot start";
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return works;
}

std::vector<TCompressorInfo> InstalledCompressors(bool video, std::int32_t width, std::int32_t height,
                                                  std::int32_t fps) {
    std::vector<TCompressorInfo> list = CandidateCompressors(video);
    std::erase_if(list, [&](const TCompressorInfo& info) {
        return !CompressorWorks(info.Element, video, width, height, fps);
    });
    return list;
}

// ---------------------------------------------------------------------------------------------

TEncodeGraph::TEncodeGraph() = default;

TEncodeGraph::~TEncodeGraph() {
    StopGraph();
}

void TEncodeGraph::InitGraph() {
    StopGraph();
    OutputFile.clear();
    VideoSource.clear();
    AudioSource.clear();
    AudioLengthMs = 0;
    VideoCompressor.clear();
    AudioCompressor.clear();
    VideoSettings.clear();
    AudioSettings.clear();
    VideoRendered = AudioRendered = false;
}

bool TEncodeGraph::SetOutputFile(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::absolute(path, error).parent_path();
    if (error || !std::filesystem::is_directory(folder, error))
        return false;
    OutputFile = std::filesystem::absolute(path);
    return true;
}

bool TEncodeGraph::SetVideoSource(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    VideoSource = path;
    return true;
}

bool TEncodeGraph::SetAudioSource(const std::filesystem::path& path, std::int64_t maxLengthMs) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    AudioSource = path;
    AudioLengthMs = maxLengthMs;
    return true;
}

void TEncodeGraph::SetVideoCompressor(const std::string& element, const TCompressorSettings& settings) {
    VideoCompressor = element;
    VideoSettings = settings;
}

void TEncodeGraph::SetAudioCompressor(const std::string& element, const TCompressorSettings& settings) {
    AudioCompressor = element;
    AudioSettings = settings;
}

bool TEncodeGraph::RenderVideo(std::string* error) {
    auto fail = [error](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    if (VideoSource.empty() || OutputFile.empty())
        return fail("no movie to read or no file to write");
    if (!VideoCompressor.empty() && !IsCandidate(VideoCompressor, true))
        return fail("\"" + VideoCompressor + "\" is not a video encoder that can write AVI");
    VideoRendered = true;
    return true;
}

bool TEncodeGraph::RenderAudio(std::string* error) {
    auto fail = [error](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    if (AudioSource.empty() || OutputFile.empty())
        return fail("no sound file to read or no file to write");
    if (!AudioCompressor.empty() && !IsCandidate(AudioCompressor, false))
        return fail("\"" + AudioCompressor + "\" is not an audio encoder that can write AVI");
    AudioRendered = true;
    return true;
}

std::string TEncodeGraph::Description() const {
    std::string description = "avimux name=mux ! filesink name=output";
    if (VideoRendered)
        description +=
            " filesrc name=videosource ! avidemux name=demux demux.video_0 ! queue ! videoconvert ! " +
            EncoderChain(VideoCompressor, true) + " ! queue ! mux.";
    if (AudioRendered)
        // Sound of more than two channels is mixed down: the encoders and the multiplexer cannot
        // place channels the file leaves unpositioned.
        description += " filesrc name=audiosource ! decodebin ! audioconvert ! audioresample ! "
                       "capsfilter name=soundrange caps=\"audio/x-raw,channels=[1,2]\" ! " +
                       EncoderChain(AudioCompressor, false) + " ! queue ! mux.";
    return description;
}

void TEncodeGraph::RunGraph() {
    if (!VideoRendered)
        throw ECwError("failed video");
    StopGraph();
    Graph = std::make_unique<TGstPipeline>(Description());
    g_object_set(Graph->Element("output"), "location", OutputFile.c_str(), nullptr);
    g_object_set(Graph->Element("videosource"), "location", VideoSource.c_str(), nullptr);
    if (AudioRendered) {
        g_object_set(Graph->Element("audiosource"), "location", AudioSource.c_str(), nullptr);
        LimitSoundLength(Graph->Element("soundrange"), AudioLengthMs);
    }
    if (GstElement* encoder = Graph->Element("VideoCompressor"))
        ApplyEncoderSettings(encoder, VideoSettings);
    if (GstElement* encoder = Graph->Element("AudioCompressor"))
        ApplyEncoderSettings(encoder, AudioSettings);
    Graph->OnBusEvent = [this](const TGstBusEvent& event) { GraphEvent(event); };
    if (gst_element_set_state(Graph->Get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        std::string text = Graph->PendingError();
        StopGraph();
        throw ECwError(text.empty() ? "The compression could not start." : text);
    }
}

void TEncodeGraph::GraphEvent(const TGstBusEvent& event) {
    if (event.Kind == TGstBusEvent::TKind::bkEndOfStream) {
        // The multiplexer has finished its file (header and index) before end of stream.
        Graph.reset();
        if (OnCompressionComplete)
            OnCompressionComplete(*this);
        return;
    }
    StopGraph();
    if (OnCompressionError)
        OnCompressionError(*this, event.Text);
}

void TEncodeGraph::StopGraph() {
    if (!Graph)
        return;
    Graph.reset();
    RemoveOutput();
}

void TEncodeGraph::RemoveOutput() {
    std::error_code error;
    if (!OutputFile.empty())
        std::filesystem::remove(OutputFile, error);
}

std::string TEncodeGraph::WaitForCompletion() {
    if (!Graph)
        return "The compression is not running.";
    QEventLoop loop;
    std::string result;
    const auto complete = OnCompressionComplete;
    const auto failed = OnCompressionError;
    OnCompressionComplete = [&](TEncodeGraph& sender) {
        if (complete)
            complete(sender);
        loop.quit();
    };
    OnCompressionError = [&](TEncodeGraph& sender, const std::string& error) {
        result = error.empty() ? "The compression failed." : error;
        if (failed)
            failed(sender, error);
        loop.quit();
    };
    loop.exec();
    OnCompressionComplete = complete;
    OnCompressionError = failed;
    return result;
}

// ---------------------------------------------------------------------------------------------

TRawMovieFile::TRawMovieFile(const std::filesystem::path& tempFolder) {
    Folder = MakeTemporaryFolder(tempFolder);
    File = Folder / "temp.avi";
}

TRawMovieFile::~TRawMovieFile() {
    std::error_code error;
    std::filesystem::remove_all(Folder, error);
}

bool TRawMovieFile::Remove() {
    std::error_code error;
    return std::filesystem::remove(File, error) && !error;
}

void StartCompression(TEncodeGraph& graph, const std::filesystem::path& raw,
                      const std::filesystem::path& target, const std::string& videoCompressor,
                      const TCompressorSettings& videoSettings, const std::filesystem::path& audioFile,
                      const std::string& audioCompressor, const TCompressorSettings& audioSettings,
                      std::int64_t movieLengthMs) {
    std::string why;
    graph.InitGraph();
    if (!graph.SetOutputFile(target))
        throw ECwError("failed video: the folder of \"" + target.string() + "\" does not exist");
    graph.SetVideoSource(raw);
    graph.SetVideoCompressor(videoCompressor, videoSettings);
    if (!graph.RenderVideo(&why))
        throw ECwError("failed video: " + why);
    if (!audioFile.empty()) {
        graph.SetAudioSource(audioFile, movieLengthMs);
        graph.SetAudioCompressor(audioCompressor, audioSettings);
        if (!graph.RenderAudio(&why))
            throw ECwError("failed audio: " + why);
    }
    graph.RunGraph();
}
