#include "sheetview/SoundLoader.h"

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

} // namespace

TSoundLoader::TSoundLoader(TSoundTrack* data) : Data(data) {
    Converter.OnConversionComplete = [this](TAudioConverter&, const std::string& result) {
        try {
            if (NamedWav(result))
                ReadDrawable(result, true);
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

void TSoundLoader::Load(const std::string& file, const std::string& tempFolder, std::int64_t maxLengthMs) {
    if (!Data)
        throw ECwError("AudioData structure not assigned.");
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        throw ECwError(kNotFound);
    Data->FileName = file;
    MaxLengthMs = maxLengthMs;
    if (NamedWav(file) && ReadDrawable(file, false))
        return;
    std::string result;
    Converter.Convert(file, tempFolder, maxLengthMs, result);
}

bool TSoundLoader::ReadDrawable(const std::string& file, bool converted) {
    std::int32_t lengthMs = 0;
    const TWaveformRead read = ReadWaveformFile(file, MaxLengthMs, *Data, lengthMs);
    if (read == TWaveformRead::NotDrawable)
        return false;
    Data->Shortened = read == TWaveformRead::Cut || (converted && Converter.WasCut());
    // A PCM file plays its samples: their count is its length, without asking the media platform
    // to inspect the file a second time.
    Data->DurationMs = lengthMs;
    Data->WaveFile = file;
    if (OnLoaded)
        OnLoaded(*this);
    return true;
}
