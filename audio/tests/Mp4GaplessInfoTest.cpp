#include "audio/Mp4GaplessInfo.h"

#include "../../testsupport/TempFolder.h"

#include <gtest/gtest.h>

namespace {

std::string Big(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<char>(value >> (8 * i)));
    return out;
}

std::string Box(const std::string& type, const std::string& body) {
    return Big(body.size() + 8, 4) + type + body;
}

// A movie of one track, laid out as an AAC encoder's muxer writes it: 1024 priming samples, the
// edit 2000 ms long in a movie scale of 1000, the track counted to the source's last sample.
struct TMovie {
    std::string Handler = "soun";
    std::uint64_t MovieScale = 1000, EditLength = 2000, EditStart = 1024, Decoded = 1024 + 88200;
    bool Wide = false; // version 1 boxes, 64-bit times
    bool SampleDataFirst = true;

    std::string File() const {
        const int width = Wide ? 8 : 4;
        const std::string version = Wide ? std::string("\1\0\0\0", 4) : std::string(4, '\0');
        const std::string dates(2 * static_cast<std::size_t>(width), '\0');
        const std::string mvhd = Box("mvhd", version + dates + Big(MovieScale, 4) + Big(2000, width) + std::string(80, '\0'));
        const std::string elst = Box("elst", version + Big(1, 4) + Big(EditLength, width) + Big(EditStart, width) + Big(0x10000, 4));
        const std::string mdhd = Box("mdhd", version + dates + Big(44100, 4) + Big(Decoded, width) + Big(0, 4));
        const std::string hdlr = Box("hdlr", std::string(8, '\0') + Handler + std::string(13, '\0'));
        const std::string trak = Box("trak", Box("edts", elst) + Box("mdia", mdhd + hdlr));
        const std::string moov = Box("moov", mvhd + trak);
        const std::string mdat = Box("mdat", std::string(300, 'x'));
        return Box("ftyp", "M4A " + Big(0, 4)) + (SampleDataFirst ? mdat + moov : moov + mdat);
    }
};

TEST(Mp4GaplessInfo, TheEditGivesTheEncodersDelayAndTheSourcesLength) {
    TTempFolder folder;
    const std::filesystem::path path = folder / "sound.m4a";
    struct Case {
        const char* Name;
        TMovie Movie;
        bool Read;
        std::uint64_t Samples;
    };
    TMovie padded; // counted to the end of the last whole frame: the edit's length holds
    padded.Decoded = 90112;
    TMovie wide;
    wide.Wide = true;
    TMovie headerFirst;
    headerFirst.SampleDataFirst = false;
    TMovie video;
    video.Handler = "vide";
    TMovie emptyEdit;
    emptyEdit.EditStart = 0xFFFFFFFF;
    TMovie startsPastItsEnd;
    startsPastItsEnd.EditStart = startsPastItsEnd.Decoded;
    TMovie underHalfASample; // a microsecond of 44.1 kHz sound
    underHalfASample.MovieScale = 1000000;
    underHalfASample.EditLength = 1;
    for (const Case& c : {Case{"exact", {}, true, 88200}, Case{"padded", padded, true, 88200},
                          Case{"64-bit", wide, true, 88200}, Case{"header first", headerFirst, true, 88200},
                          Case{"no sound track", video, false, 0}, Case{"empty edit", emptyEdit, false, 0},
                          Case{"starts past its end", startsPastItsEnd, false, 0},
                          Case{"under half a sample", underHalfASample, false, 0}}) {
        WriteText(path, c.Movie.File());
        TMp4GaplessInfo info;
        EXPECT_EQ(info.Read(path), c.Read) << c.Name;
        EXPECT_EQ(info.Samples, c.Samples) << c.Name;
        EXPECT_EQ(info.LeadingSamples, c.Read ? 1024u : 0u) << c.Name;
        EXPECT_EQ(info.SampleRate, c.Read ? 44100u : 0u) << c.Name;
    }
}

// Every cut of the file, and every byte of it broken in turn, is read without reaching outside it.
TEST(Mp4GaplessInfo, CutOrBrokenFilesAreReadSafely) {
    TTempFolder folder;
    const std::filesystem::path path = folder / "broken.m4a";
    const std::string file = TMovie{}.File();
    for (std::size_t length = 0; length < file.size(); ++length) {
        WriteText(path, file.substr(0, length));
        TMp4GaplessInfo info;
        EXPECT_FALSE(info.Read(path)) << length;
    }
    // A box before the movie whose 64-bit size, taken as a seek, would lead back to the box before.
    WriteText(path, Box("ftyp", "M4A " + Big(0, 4)) + Box("free", "") + Big(1, 4) + "skip" +
                        Big(~std::uint64_t{7}, 8) + std::string(32, '\0'));
    EXPECT_FALSE(TMp4GaplessInfo().Read(path));
    for (std::size_t at = 0; at < file.size(); ++at) {
        std::string broken = file;
        broken[at] = '\xff';
        WriteText(path, broken);
        TMp4GaplessInfo info;
        if (info.Read(path)) {
            EXPECT_LE(info.Samples, 0xFFFFFFFFull) << at;
        }
    }
}

} // namespace
