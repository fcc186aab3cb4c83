#pragma once

#include "base/AtomicFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// The description of the one video stream of a movie.
struct TAviStreamInfo {
    std::uint32_t Scale = 1;
    std::uint32_t Rate = 0; // Rate / Scale is frames per second
    std::uint32_t SuggestedBufferSize = 0;
    // The frame rectangle; sides run to kMaxPictureSide, past what a signed 16-bit field holds.
    std::uint16_t FrameLeft = 0;
    std::uint16_t FrameTop = 0;
    std::uint16_t FrameRight = 0;
    std::uint16_t FrameBottom = 0;
};

// Writes a RIFF AVI file with one uncompressed video stream ("vids", chunks "00db"), every sample
// a key frame. A movie whose data stays within the RIFF limit is a plain AVI 1.0 file with an
// "idx1" index. Past it the movie goes on in "AVIX" RIFF extensions (OpenDML): each part gets a
// standard index "ix00", the stream a super index "indx" and the header the total frame count
// "dmlh"; the first part keeps its "idx1" for readers that know AVI 1.0 only.
//
// The file is written through TAtomicFile: under a temporary name beside the target and renamed
// over it by Release, so a failed movie neither leaves a broken file nor destroys the one it was to
// replace. Headers and sizes are normally filled in at the end, so a pipe or a device gets the
// finished movie copied in; a movie planned before it is opened (its frame count and sample size
// known) is written front to back, every header right the first time, and streams into a pipe as
// it is built.
//
// Calling order: [Plan,] Open, CreateStream, SetFormat, WriteSample for each frame, Release. Every
// step returns false on failure; the destructor throws an unfinished file away.
class TAviWriter {
public:
    // The most movie data one RIFF part holds: 1 GiB, what AVI 1.0 readers cope with.
    static constexpr std::uint64_t kDefaultRiffLimit = std::uint64_t{1} << 30;
    // Parts the super index has room for.
    static constexpr std::uint32_t kMaxParts = 256;

    explicit TAviWriter(std::uint64_t riffLimit = kDefaultRiffLimit);
    ~TAviWriter();
    TAviWriter(const TAviWriter&) = delete;
    TAviWriter& operator=(const TAviWriter&) = delete;

    // Announces `frames` samples of `sampleSize` bytes each; Release fails on any other count.
    bool Plan(std::uint32_t frames, std::uint32_t sampleSize);
    bool Open(const std::filesystem::path& path);
    bool CreateStream(const TAviStreamInfo& info);
    // The stream format: a BITMAPINFOHEADER followed by its colour table.
    bool SetFormat(const void* format, std::size_t size);
    bool WriteSample(const void* data, std::size_t size, bool keyFrame);
    // Finishes the indexes and headers and puts the file in place.
    bool Release();

    std::uint32_t FrameCount() const { return Frames_; }
    // Why Open or Release failed, naming the file; empty when the reason is not known.
    const std::string& LastError() const { return Error_; }

private:
    struct TIndexEntry {
        std::uint64_t ChunkPos; // file position of the chunk header
        std::uint32_t Size;     // data bytes
        bool KeyFrame;
    };
    struct TPart {
        std::uint64_t RiffPos = 0;
        std::uint64_t MoviPos = 0; // position of the "movi" list type
        std::uint64_t DataBytes = 0;
        std::vector<TIndexEntry> Entries;
        std::uint64_t IndexPos = 0; // its "ix00" chunk, when the movie has several parts
        std::uint32_t IndexSize = 0;
    };

    bool WriteHeader();
    bool StartPart();
    bool FinishPart(bool last);
    bool WriteStandardIndex(TPart& part);
    bool PatchHeader();
    bool Put(const void* data, std::size_t size);
    bool PutU32(std::uint32_t value);
    bool PutFourCC(const char* code);
    bool PutAt(std::uint64_t pos, const std::vector<std::uint8_t>& bytes);
    std::uint64_t Tell() const { return Pos_; }
    void Discard();
    // Lays the planned movie out without writing it, keeping what PutAt would patch.
    bool RecordPatches();

    struct TPatch {
        std::uint64_t Pos;
        std::vector<std::uint8_t> Bytes;
    };

    std::uint64_t RiffLimit_;
    std::unique_ptr<TAtomicFile> Target_;
    std::string Error_;
    std::FILE* File_ = nullptr;
    std::uint64_t Pos_ = 0;
    bool Failed_ = false;
    bool HaveStream_ = false;
    bool HeaderWritten_ = false;
    TAviStreamInfo Info_;
    std::vector<std::uint8_t> Format_;
    std::uint32_t Frames_ = 0;
    std::uint32_t LargestSample_ = 0;
    std::vector<TPart> Parts_;
    // Where the header fields that are known only at the end sit.
    std::uint64_t AvihPos_ = 0;
    std::uint64_t StrhPos_ = 0;
    std::uint64_t SuperIndexPos_ = 0;
    std::uint64_t OdmlPos_ = 0;
    // A planned movie: its size, and the patches laid out beforehand, by position.
    bool Planned_ = false;
    bool DryRun_ = false;
    std::uint32_t PlannedFrames_ = 0;
    std::uint32_t PlannedSampleSize_ = 0;
    std::vector<TPatch> Patches_;
    std::size_t NextPatch_ = 0;
};
