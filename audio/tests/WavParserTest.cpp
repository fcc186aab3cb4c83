#include "../../testsupport/TempFolder.h"
#include "WavWriter.h"
#include "audio/WavParser.h"
#include "base/Error.h"

#include <gtest/gtest.h>

namespace {

struct TParseCase {
    const char* Name;
    std::vector<std::uint8_t> File;
    std::vector<std::pair<std::string, std::uint32_t>> Chunks; // id and size held, in file order
};

std::vector<TParseCase> ParseCases() {
    const std::vector<std::uint8_t> three = {1, 2, 3};
    const std::vector<std::uint8_t> four = {9, 8, 7, 6};
    return {
        {"lower-case ids", TRiffBuilder("riff", "wave").Chunk("fmt ", four).Data(), {{"fmt ", 4}}},
        {"odd chunk padded before data",
         TRiffBuilder().Chunk("LIST", three).Chunk("data", four).Data(),
         {{"LIST", 3}, {"data", 4}}},
        {"chunk cut at the end of the file",
         TRiffBuilder().Chunk("fmt ", four).Chunk("data", four, 1000).Data(),
         {{"fmt ", 4}, {"data", 4}}},
        {"size 0xFFFFFFFF", TRiffBuilder().Chunk("data", four, 0xFFFFFFFF).Data(), {{"data", 4}}},
        {"not RIFF", TRiffBuilder("RIFX").Chunk("data", four).Data(), {}},
        {"not WAVE", TRiffBuilder("RIFF", "AVI ").Chunk("data", four).Data(), {}},
        {"shorter than a header", {'R', 'I', 'F', 'F'}, {}},
        {"empty chunk list", TRiffBuilder().Data(), {}},
    };
}

TEST(AudioParser, ChunkTable) {
    for (const auto& c : ParseCases()) {
        SCOPED_TRACE(c.Name);
        TWavParser parser;
        parser.LoadFromBytes(c.File.data(), c.File.size());
        ASSERT_EQ(parser.ChunkCount(), static_cast<std::int32_t>(c.Chunks.size()));
        for (std::size_t i = 0; i < c.Chunks.size(); ++i) {
            const TRiffChunk* chunk = parser.GetChunk(static_cast<std::int32_t>(i));
            EXPECT_EQ(chunk->ID, c.Chunks[i].first);
            EXPECT_EQ(chunk->Size, c.Chunks[i].second);
            EXPECT_EQ(chunk->Data.size(), chunk->Size);
        }
    }
}

TEST(AudioParser, DataAfterOddChunkIsAtTheRightPlace) {
    const auto file = TRiffBuilder().Chunk("LIST", {1, 2, 3}).Chunk("data", {9, 8, 7, 6}).Data();
    TWavParser parser;
    parser.LoadFromBytes(file.data(), file.size());
    ASSERT_NE(parser.FindChunk("data"), nullptr);
    EXPECT_EQ(parser.FindChunk("data")->Data, (std::vector<std::uint8_t>{9, 8, 7, 6}));
}

TEST(AudioParser, FindAndGetChunk) {
    const auto file = TRiffBuilder().Chunk("fmt ", {1, 2}).Chunk("data", {3, 4}).Chunk("DATA", {5, 6}).Data();
    TWavParser parser;
    parser.LoadFromBytes(file.data(), file.size());
    ASSERT_NE(parser.FindChunk("FMT "), nullptr);
    EXPECT_EQ(parser.FindChunk("FMT ")->ID, "fmt ");
    EXPECT_EQ(parser.FindChunk("Data")->Data[0], 3); // the first in file order
    EXPECT_EQ(parser.FindChunk("fmt"), nullptr);     // four characters or nothing
    EXPECT_EQ(parser.FindChunk("LIST"), nullptr);
    EXPECT_EQ(parser.GetChunk(-1), nullptr);
    EXPECT_EQ(parser.GetChunk(parser.ChunkCount()), nullptr);
    parser.Reset();
    EXPECT_EQ(parser.ChunkCount(), 0);
}

TEST(AudioParser, FilesOnDisk) {
    TTempFolder folder;
    WriteText(folder / "a.wav", TRiffBuilder().Chunk("data", {1, 2, 3, 4}, 0xFFFFFFFF).Text());
    TWavParser parser;
    parser.LoadFromFile(folder / "a.wav");
    EXPECT_EQ(parser.FileName(), folder / "a.wav");
    ASSERT_EQ(parser.ChunkCount(), 1);
    EXPECT_EQ(parser.GetChunk(0)->Size, 4u);
    try {
        parser.LoadFromFile(folder / "missing.wav");
        FAIL() << "no error for a missing file";
    } catch (const ECwError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.wav"), std::string::npos) << e.what();
    }
    EXPECT_EQ(parser.ChunkCount(), 0);
}

} // namespace
