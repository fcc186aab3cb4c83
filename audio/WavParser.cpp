#include "audio/WavParser.h"

#include "base/Error.h"
#include "imaging/CodecSupport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

bool SameId(const std::string& a, const std::string& b) {
    if (a.size() != 4 || b.size() != 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Where the parser takes its bytes from: a file or a block of memory.
class TByteSource {
public:
    virtual ~TByteSource() = default;
    // Reads up to `count` bytes; returns how many were read.
    virtual std::size_t Read(std::uint8_t* to, std::size_t count) = 0;
    // Bytes left after the read position.
    virtual std::uint64_t Remaining() const = 0;
    virtual std::uint64_t Position() const = 0;
    virtual void Skip(std::uint64_t count) = 0;
};

class TFileSource : public TByteSource {
public:
    TFileSource(const std::filesystem::path& path) : Path(path) {
        File = std::fopen(path.c_str(), "rb");
        if (!File)
            throw ECwError("Cannot open the sound file \"" + path.string() + "\": " + std::strerror(errno));
        std::error_code error;
        Size = std::filesystem::file_size(path, error);
        if (error)
            Size = 0;
    }
    ~TFileSource() override { std::fclose(File); }
    std::size_t Read(std::uint8_t* to, std::size_t count) override {
        const std::size_t got = std::fread(to, 1, count, File);
        if (got < count && std::ferror(File))
            throw ECwError("Cannot read the sound file \"" + Path.string() + "\".");
        At += got;
        return got;
    }
    std::uint64_t Remaining() const override { return At < Size ? Size - At : 0; }
    std::uint64_t Position() const override { return At; }
    void Skip(std::uint64_t count) override {
        count = std::min(count, Remaining());
        std::fseek(File, static_cast<long>(count), SEEK_CUR);
        At += count;
    }

private:
    std::filesystem::path Path;
    std::FILE* File = nullptr;
    std::uint64_t Size = 0;
    std::uint64_t At = 0;
};

class TMemorySource : public TByteSource {
public:
    TMemorySource(const std::uint8_t* bytes, std::size_t size) : Bytes(bytes), Size(size) {}
    std::size_t Read(std::uint8_t* to, std::size_t count) override {
        count = std::min<std::size_t>(count, Size - At);
        if (count > 0)
            std::memcpy(to, Bytes + At, count);
        At += count;
        return count;
    }
    std::uint64_t Remaining() const override { return Size - At; }
    std::uint64_t Position() const override { return At; }
    void Skip(std::uint64_t count) override { At += static_cast<std::size_t>(std::min(count, Remaining())); }

private:
    const std::uint8_t* Bytes;
    std::size_t Size;
    std::size_t At = 0;
};

void Parse(TByteSource& source, std::vector<std::unique_ptr<TRiffChunk>>& chunks, bool samplesOnDisk) {
    std::uint8_t header[12];
    if (source.Read(header, 12) < 12)
        return;
    const std::string riff(reinterpret_cast<const char*>(header), 4);
    const std::string wave(reinterpret_cast<const char*>(header + 8), 4);
    if (!SameId(riff, "RIFF") || !SameId(wave, "WAVE"))
        return;
    while (source.Remaining() > 0) {
        std::uint8_t head[8] = {};
        const std::size_t got = source.Read(head, 8);
        auto chunk = std::make_unique<TRiffChunk>();
        chunk->ID.assign(reinterpret_cast<const char*>(head), 4);
        const std::uint32_t declared = got == 8 ? Get32(head + 4) : 0;
        // Never allocate more than the file still holds.
        const auto held = static_cast<std::uint32_t>(std::min<std::uint64_t>(declared, source.Remaining()));
        chunk->Offset = source.Position();
        if (samplesOnDisk && SameId(chunk->ID, "data")) {
            chunk->OnDisk = true;
            chunk->Size = held;
            source.Skip(held);
        } else {
            chunk->Data.resize(held);
            chunk->Size = static_cast<std::uint32_t>(source.Read(chunk->Data.data(), held));
            chunk->Data.resize(chunk->Size);
        }
        const bool cut = chunk->Size < declared || got < 8;
        chunks.push_back(std::move(chunk));
        if (cut)
            break;
        if (declared % 2 == 1)
            source.Skip(1);
    }
}

} // namespace

void TWavParser::LoadFromFile(const std::filesystem::path& name) {
    ClearChunks();
    Name = name;
    TFileSource source(name);
    Parse(source, Chunks, false);
}

void TWavParser::LoadHeadersFromFile(const std::filesystem::path& name) {
    ClearChunks();
    Name = name;
    TFileSource source(name);
    Parse(source, Chunks, true);
}

void TWavParser::LoadFromBytes(const std::uint8_t* bytes, std::size_t size) {
    ClearChunks();
    TMemorySource source(bytes, size);
    Parse(source, Chunks, false);
}

const TRiffChunk* TWavParser::GetChunk(std::int32_t index) const {
    if (index < 0 || index >= ChunkCount())
        return nullptr;
    return Chunks[static_cast<std::size_t>(index)].get();
}

const TRiffChunk* TWavParser::FindChunk(const std::string& id) const {
    for (const auto& chunk : Chunks) {
        if (SameId(chunk->ID, id))
            return chunk.get();
    }
    return nullptr;
}
