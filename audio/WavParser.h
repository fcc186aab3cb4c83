#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// One chunk of a RIFF file as read from disk.
struct TRiffChunk {
    std::string ID;                 // four characters as stored, such as "fmt " or "data"
    std::uint32_t Size = 0;         // bytes of data: the declared size, cut at the end of the file
    std::vector<std::uint8_t> Data; // exactly Size bytes, unless the chunk was left on disk
    std::uint64_t Offset = 0;       // where the data starts in the file
    bool OnDisk = false;            // the data was not read: Data is empty, Offset says where it is
};

// Reads a RIFF WAVE file into its list of chunks, in file order. Chunk sizes come from the file and
// are not trusted: a chunk that claims more bytes than the file holds is cut at the end of the file
// and ends the walk, so nothing larger than the file is ever allocated.
class TWavParser {
public:
    TWavParser() = default;
    virtual ~TWavParser() = default;
    TWavParser(const TWavParser&) = delete;
    TWavParser& operator=(const TWavParser&) = delete;

    // Drops the chunks, remembers the name and parses the file. A file that does not begin with
    // "RIFF" and "WAVE" (any letter case) gives no chunks and no error. Throws ECwError naming the
    // file when it cannot be opened or read; chunks read before the failure stay.
    virtual void LoadFromFile(const std::filesystem::path& name);
    // As LoadFromFile, but the "data" chunk's samples stay on disk (OnDisk, with their Offset and
    // Size), so a long sound costs no memory until its samples are streamed.
    void LoadHeadersFromFile(const std::filesystem::path& name);
    // Parses a file held in memory; the remembered name stays as it was.
    void LoadFromBytes(const std::uint8_t* bytes, std::size_t size);

    virtual std::int32_t ChunkCount() const { return static_cast<std::int32_t>(Chunks.size()); }
    // The chunk at a 0-based index, or null outside 0..ChunkCount() - 1.
    virtual const TRiffChunk* GetChunk(std::int32_t index) const;
    // The first chunk whose identifier equals `id` as four characters, letter case ignored; null
    // when there is none.
    virtual const TRiffChunk* FindChunk(const std::string& id) const;
    virtual void ClearChunks() { Chunks.clear(); }
    void Reset() { ClearChunks(); }

    // The file last given to LoadFromFile.
    const std::filesystem::path& FileName() const { return Name; }

private:
    std::filesystem::path Name;
    std::vector<std::unique_ptr<TRiffChunk>> Chunks;
};
