#include "export/MovieFormat.h"

#include "base/TextUtil.h"

#include <cstdio>

const std::vector<TMovieFormat>& MovieFormats() {
    static const std::vector<TMovieFormat> formats = {
        {TMovieContainer::Avi, "avi", LanguageKey("sMovieTypeAvi"), "avimux", true, true, {}, {}},
        {TMovieContainer::Mp4, "mp4", LanguageKey("sMovieTypeMp4"), "mp4mux", true, false,
         {"x264enc", "openh264enc"}, {"avenc_aac", "voaacenc", "lamemp3enc"}},
        {TMovieContainer::Matroska, "mkv", LanguageKey("sMovieTypeMatroska"), "matroskamux", true, false,
         {"x264enc", "openh264enc", "vp9enc"}, {"avenc_aac", "voaacenc", "opusenc"}},
        {TMovieContainer::WebM, "webm", LanguageKey("sMovieTypeWebm"), "webmmux", true, false,
         {"vp8enc", "vp9enc"}, {"opusenc"}},
        {TMovieContainer::Gif, "gif", LanguageKey("sMovieTypeGif"), "", false, true, {}, {}},
        {TMovieContainer::PngSequence, "png", LanguageKey("sMovieTypePngSequence"), "", false, true, {}, {}},
    };
    return formats;
}

const TMovieFormat& MovieFormatOf(const std::filesystem::path& file) {
    const std::string suffix = ToLowerAscii(file.extension().string());
    for (const TMovieFormat& format : MovieFormats())
        if (suffix == std::string(".") + format.Suffix)
            return format;
    return MovieFormats().front();
}

const TMovieFormat& MovieFormatFor(TMovieContainer container) {
    for (const TMovieFormat& format : MovieFormats())
        if (format.Container == container)
            return format;
    return MovieFormats().front();
}

std::string WithMovieSuffix(const std::string& name, const TMovieFormat& format) {
    const std::string suffix = std::string(".") + format.Suffix;
    if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        return name;
    const std::filesystem::path path(name);
    const std::string stem = path.has_extension() ? name.substr(0, name.size() - path.extension().string().size()) : name;
    return stem + suffix;
}

std::filesystem::path SequenceFrameFile(const std::filesystem::path& file, std::int32_t frame) {
    char number[16];
    std::snprintf(number, sizeof number, "_%04d", frame);
    std::filesystem::path result = file;
    result.replace_filename(file.stem().string() + number + file.extension().string());
    return result;
}
