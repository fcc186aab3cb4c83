#include "sheetview/SoundLoader.h"

#include "audio/WavParser.h"
#include "audio/Waveform.h"
#include "base/Error.h"
#include "document/SheetObjects.h"

#include <filesystem>

namespace {

const char* const kNotFound = "Audio file not found. Please check audio file properties.";

// Only this exact extension is read directly; "voice.WAV" goes through the converter.
bool NamedWav(const std::string& file) {
    return std::filesystem::path(file).extension() == ".wav";
}

bool Drawable(const TWavParser& parser) {
    const TRiffChunk* fmt = parser.FindChunk("fmt ");
    TWaveFormat format;
    return fmt && parser.FindChunk("data") && format.Read(*fmt) && format.Drawable();
}

} // namespace

TSoundLoader::TSoundLoader(TSoundTrack* data) : Data(data) {
    Converter.OnConversionComplete = [this](TAudioConverter&, const std::string& result) {
        try {
            Read(result);
        } catch (const ECwError& e) {
            if (OnError)
                OnError(*this, e.what());
        }
    };
    Converter.OnConversionError = [this](TAudioConverter&, const std::string& message) {
        if (OnError)
            OnError(*this, message);
    };
}

void TSoundLoader::Load(const std::string& file, const std::string& tempFolder) {
    if (!Data)
        throw ECwError("AudioData structure not assigned.");
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        throw ECwError(kNotFound);
    Data->FileName = file;
    if (NamedWav(file)) {
        TWavParser parser;
        parser.LoadFromFile(file);
        if (Drawable(parser)) {
            ReadParsed(file, parser);
            return;
        }
    }
    std::string result;
    Converter.Convert(file, tempFolder, result);
}

void TSoundLoader::Read(const std::string& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        throw ECwError(kNotFound);
    if (!NamedWav(file))
        return;
    TWavParser parser;
    parser.LoadFromFile(file);
    ReadParsed(file, parser);
}

void TSoundLoader::ReadParsed(const std::string& file, const TWavParser& parser) {
    std::int32_t dataLengthMs = 0;
    if (!ReadWaveform(parser, *Data, dataLengthMs))
        return;
    // The platform's length is the one playback uses; a WAV file it cannot inspect still has the
    // length of its samples.
    std::string reason;
    const std::int64_t playLength = AudioPlayLengthMs(file, reason);
    Data->DurationMs = playLength >= 0 ? static_cast<std::int32_t>(playLength) : dataLengthMs;
    Data->WaveFile = file;
    if (OnLoaded)
        OnLoaded(*this);
}
