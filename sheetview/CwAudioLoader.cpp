#include "sheetview/CwAudioLoader.h"

#include "audio/CwAudioParser.h"
#include "audio/Waveform.h"
#include "document/CwError.h"
#include "document/XsSheetObjects.h"

#include <filesystem>

namespace {

const char* const kNotFound = "Audio file not found. Please check audio file properties.";

// Only this exact extension is read directly; "voice.WAV" goes through the converter.
bool NamedWav(const std::string& file) {
    return std::filesystem::path(file).extension() == ".wav";
}

bool Drawable(const TCwAudioParser& parser) {
    const TRiffChunk* fmt = parser.FindChunk("fmt ");
    TWaveFormat format;
    return fmt && parser.FindChunk("data") && format.Read(*fmt) && format.Drawable();
}

} // namespace

TCwAudioLoader::TCwAudioLoader(TXsAudioData* data) : Data(data) {
    Converter.OnConversionComplete = [this](TcwAudioConverter&, const std::string& result) {
        try {
            Read(result);
        } catch (const ECwError& e) {
            if (OnError)
                OnError(*this, e.what());
        }
    };
    Converter.OnConversionError = [this](TcwAudioConverter&, const std::string& message) {
        if (OnError)
            OnError(*this, message);
    };
}

void TCwAudioLoader::Load(const std::string& file, const std::string& tempFolder) {
    if (!Data)
        throw ECwError("AudioData structure not assigned.");
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        throw ECwError(kNotFound);
    Data->FileName = file;
    if (NamedWav(file)) {
        TCwAudioParser parser;
        parser.LoadFromFile(file);
        if (Drawable(parser)) {
            ReadParsed(file, parser);
            return;
        }
    }
    std::string result;
    Converter.Convert(file, tempFolder, result);
}

void TCwAudioLoader::Read(const std::string& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        throw ECwError(kNotFound);
    if (!NamedWav(file))
        return;
    TCwAudioParser parser;
    parser.LoadFromFile(file);
    ReadParsed(file, parser);
}

void TCwAudioLoader::ReadParsed(const std::string& file, const TCwAudioParser& parser) {
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
