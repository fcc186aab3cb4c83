#pragma once

// Reads back the AVI files the tests write: every header field we set, the frames in file order,
// and all three kinds of index, checking that sizes and offsets hold together on the way.

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

struct TAviIdx1Entry {
    std::string Id;
    std::uint32_t Flags = 0;
    std::uint32_t Offset = 0;
    std::uint32_t Size = 0;
};

struct TAviSuperIndexEntry {
    std::uint64_t Offset = 0;
    std::uint32_t Size = 0;
    std::uint32_t Duration = 0;
};

struct TParsedAvi {
    std::vector<std::string> RiffTypes;
    // avih
    std::uint32_t MicroSecPerFrame = 0, MaxBytesPerSec = 0, Flags = 0, TotalFrames = 0, Streams = 0,
                  SuggestedBufferSize = 0, Width = 0, Height = 0;
    // strh
    std::string StreamType;
    std::uint32_t Handler = 0, StreamFlags = 0, Scale = 0, Rate = 0, Start = 0, Length = 0,
                  StreamSuggestedBufferSize = 0, Quality = 0, SampleSize = 0;
    std::int16_t Rect[4] = {0, 0, 0, 0};
    std::string Format; // strf
    std::vector<std::string> Frames;
    std::vector<std::uint64_t> FramePositions; // of each chunk's header
    std::vector<TAviIdx1Entry> Idx1;
    std::uint64_t FirstMoviPos = 0;
    bool HasDmlh = false;
    std::uint32_t DmlhFrames = 0;
    std::vector<TAviSuperIndexEntry> SuperIndex;
    // Per standard index: (data position, size with the key-frame bit) of each entry.
    std::vector<std::vector<std::pair<std::uint64_t, std::uint32_t>>> StandardIndexes;
};

class TAviReader {
public:
    explicit TAviReader(const std::string& bytes) : Bytes(bytes) {}

    TParsedAvi Parse() {
        std::uint64_t pos = 0;
        while (pos + 12 <= Bytes.size()) {
            EXPECT_EQ(FourCC(pos), "RIFF") << "at " << pos;
            const std::uint32_t size = U32(pos + 4);
            Result.RiffTypes.push_back(FourCC(pos + 8));
            EXPECT_LE(pos + 8 + size, Bytes.size()) << "RIFF part runs past the end";
            Walk(pos + 12, pos + 8 + size);
            pos += 8 + size + (size & 1);
        }
        EXPECT_EQ(pos, Bytes.size()) << "bytes after the last RIFF part";
        return Result;
    }

    std::uint32_t U32(std::uint64_t at) const {
        return static_cast<std::uint32_t>(Byte(at) | (Byte(at + 1) << 8) | (Byte(at + 2) << 16) |
                                          (static_cast<std::uint32_t>(Byte(at + 3)) << 24));
    }
    std::uint16_t U16(std::uint64_t at) const {
        return static_cast<std::uint16_t>(Byte(at) | (Byte(at + 1) << 8));
    }
    std::uint64_t U64(std::uint64_t at) const {
        return U32(at) | (static_cast<std::uint64_t>(U32(at + 4)) << 32);
    }
    std::string FourCC(std::uint64_t at) const { return Bytes.substr(at, 4); }

private:
    std::uint32_t Byte(std::uint64_t at) const { return static_cast<std::uint8_t>(Bytes.at(at)); }

    void Walk(std::uint64_t pos, std::uint64_t end) {
        while (pos + 8 <= end) {
            const std::string id = FourCC(pos);
            const std::uint32_t size = U32(pos + 4);
            const std::uint64_t data = pos + 8;
            EXPECT_LE(data + size, end) << id << " at " << pos << " runs past its list";
            if (id == "LIST") {
                if (FourCC(data) == "movi" && Result.FirstMoviPos == 0)
                    Result.FirstMoviPos = data;
                Walk(data + 4, data + size);
            } else {
                Chunk(id, data, size, pos);
            }
            pos = data + size + (size & 1);
        }
        EXPECT_EQ(pos, end) << "chunks do not fill their list";
    }

    void Chunk(const std::string& id, std::uint64_t data, std::uint32_t size, std::uint64_t header) {
        if (id == "avih") {
            EXPECT_EQ(size, 56u);
            Result.MicroSecPerFrame = U32(data);
            Result.MaxBytesPerSec = U32(data + 4);
            Result.Flags = U32(data + 12);
            Result.TotalFrames = U32(data + 16);
            Result.Streams = U32(data + 24);
            Result.SuggestedBufferSize = U32(data + 28);
            Result.Width = U32(data + 32);
            Result.Height = U32(data + 36);
        } else if (id == "strh") {
            EXPECT_EQ(size, 56u);
            Result.StreamType = FourCC(data);
            Result.Handler = U32(data + 4);
            Result.StreamFlags = U32(data + 8);
            Result.Scale = U32(data + 20);
            Result.Rate = U32(data + 24);
            Result.Start = U32(data + 28);
            Result.Length = U32(data + 32);
            Result.StreamSuggestedBufferSize = U32(data + 36);
            Result.Quality = U32(data + 40);
            Result.SampleSize = U32(data + 44);
            for (int i = 0; i < 4; ++i)
                Result.Rect[i] =
                    static_cast<std::int16_t>(U16(data + 48 + 2 * static_cast<std::uint64_t>(i)));
        } else if (id == "strf") {
            Result.Format = Bytes.substr(data, size);
        } else if (id == "00db") {
            Result.Frames.push_back(Bytes.substr(data, size));
            Result.FramePositions.push_back(header);
        } else if (id == "idx1") {
            for (std::uint64_t at = data; at + 16 <= data + size; at += 16)
                Result.Idx1.push_back({FourCC(at), U32(at + 4), U32(at + 8), U32(at + 12)});
        } else if (id == "dmlh") {
            Result.HasDmlh = true;
            Result.DmlhFrames = U32(data);
        } else if (id == "indx") {
            EXPECT_EQ(U16(data), 4u);
            EXPECT_EQ(Bytes[data + 3], 0); // an index of indexes
            EXPECT_EQ(FourCC(data + 8), "00db");
            const std::uint32_t count = U32(data + 4);
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint64_t at = data + 24 + 16 * static_cast<std::uint64_t>(i);
                Result.SuperIndex.push_back({U64(at), U32(at + 8), U32(at + 12)});
                EXPECT_EQ(FourCC(U64(at)), "ix00") << "super index entry " << i;
            }
        } else if (id == "ix00") {
            EXPECT_EQ(U16(data), 2u);
            EXPECT_EQ(Bytes[data + 3], 1); // an index of chunks
            EXPECT_EQ(FourCC(data + 8), "00db");
            const std::uint32_t count = U32(data + 4);
            const std::uint64_t base = U64(data + 12);
            std::vector<std::pair<std::uint64_t, std::uint32_t>> entries;
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint64_t at = data + 24 + 8 * static_cast<std::uint64_t>(i);
                const std::uint64_t frameData = base + U32(at);
                entries.emplace_back(frameData, U32(at + 4));
                EXPECT_EQ(FourCC(frameData - 8), "00db") << "standard index entry " << i;
                EXPECT_EQ(U32(frameData - 4), U32(at + 4) & 0x7FFFFFFF);
            }
            Result.StandardIndexes.push_back(entries);
        } else {
            EXPECT_EQ(id, "JUNK") << "unexpected chunk at " << header;
        }
    }

    const std::string& Bytes;
    TParsedAvi Result;
};
