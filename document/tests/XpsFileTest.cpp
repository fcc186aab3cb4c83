#include "base/Error.h"
#include "document/SheetLoading.h"
#include "base/TextUtil.h"
#include "document/SheetDocument.h"
#include "document/XpsFile.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const fs::path kXpsFolder = fs::path(CELWRIGHT_SOURCE_DIR) / "document" / "tests" / "xps";

std::string FileText(const fs::path& path) {
    const auto bytes = ReadFileBytes(path);
    EXPECT_TRUE(bytes) << path;
    return bytes.value_or("");
}

// A folder of its own under the system's temporary folder, removed with the object.
class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        Path = fs::temp_directory_path() / ("cw-xps-test-" + std::to_string(random()));
        fs::create_directories(Path);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(Path, ignored);
    }
    fs::path Path;
};

// The preferences in force while a test opens a sheet; fields a file does not give keep these.
TXpsSettings Preferences() {
    TXpsSettings settings;
    settings.Fps = 24;
    settings.Step = 1;
    settings.Numbering = "frame";
    settings.Color = 2;
    settings.Format = TcwImageFormat::jpg;
    settings.Path = "/home/me/Pictures/";
    return settings;
}

TXpsFile OpenText(std::string_view text) {
    TXpsFile io;
    io.OpenText(text);
    return io;
}

std::string Describe(const TCelData& cel) {
    return cel.Caption + "@" + std::to_string(cel.Row) + "+" + std::to_string(cel.Duration);
}

// Cels of every layer as "name@row+hold", layers separated by " | ".
std::string DescribeCels(const TLayersData& layers) {
    std::string text;
    for (std::size_t i = 0; i < layers.size(); ++i) {
        if (i > 0)
            text += " | ";
        for (std::size_t k = 0; k < layers[i].Cels.size(); ++k)
            text += (k > 0 ? " " : "") + Describe(layers[i].Cels[k]);
    }
    return text;
}

// Every field of the layer records: "col,caption,dir,color,visible[name@row+hold/col ...]".
std::string DescribeLayers(const TLayersData& layers) {
    std::string text;
    for (const auto& layer : layers) {
        text += std::to_string(layer.Col) + "," + layer.Caption + "," + layer.Dir + "," +
                std::to_string(layer.Color) + "," + std::to_string(layer.Visible) + "[";
        for (std::size_t k = 0; k < layer.Cels.size(); ++k)
            text += (k > 0 ? " " : "") + Describe(layer.Cels[k]) + "/" + std::to_string(layer.Cels[k].Col);
        text += "]";
        EXPECT_EQ(layer.CelCount, static_cast<std::int32_t>(layer.Cels.size()));
    }
    return text;
}

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ECwError& e) {
        return e.what();
    }
    return "";
}

// A small sheet at 24 fps: one layer with a.png on frames 1 to 3 and b.png on frame 5, a sound
// file and a phoneme on frame 2.
void BuildExampleSheet(TSheetDocument& doc, TXpsSettings& settings) {
    doc.AddLayer("Layer 1", "C:\\Anim\\Layer 1\\", LayerColorScheme(0));
    doc.PlaceCelAt(1, 1, "a.png", 3);
    doc.PlaceCelAt(1, 5, "b.png", 1);
    doc.LoadAudio("C:\\Anim\\voice.wav");
    doc.SetPhoneme(2, "MBP");
    settings = {24, 1, "frame", 0, TcwImageFormat::png, "C:\\Anim\\"};
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Golden files: each layout read, loaded into a sheet and written as "4.0".

TEST(XpsGolden, EveryLayoutIsReadLoadedAndWrittenAsVersion4) {
    struct Case {
        const char* folder;
        float version;
    };
    for (const Case& c : {Case{"v1", 1}, Case{"v2", 2}, Case{"v3", 3}, Case{"v4", 4}}) {
        SCOPED_TRACE(c.folder);
        const auto input = kXpsFolder / c.folder / "input.xps";
        TXpsFile io;
        ASSERT_TRUE(io.Open(input));
        EXPECT_EQ(io.Version, c.version);

        TSheetDocument doc;
        TXpsSettings settings = Preferences();
        LoadSheet(doc, input, settings);
        EXPECT_EQ(TXpsFile::SheetText(doc, settings), FileText(kXpsFolder / c.folder / "expected.xps"));
    }
}

TEST(XpsGolden, TheExampleSheetIsWrittenByteForByte) {
    TSheetDocument doc;
    TXpsSettings settings;
    BuildExampleSheet(doc, settings);
    const auto expected = FileText(kXpsFolder / "example" / "expected.xps");
    EXPECT_EQ(TXpsFile::SheetText(doc, settings), expected);

    std::ostringstream stream;
    EXPECT_TRUE(TXpsFile().Write(doc, settings, stream));
    EXPECT_EQ(stream.str(), expected);

    // Saving replaces a longer file completely.
    TempFolder temp;
    const auto path = temp.Path / "sheet.xps";
    WriteFileAtomically(path, std::string(5000, 'x'));
    TXpsFile::SaveSheet(path, doc, settings);
    EXPECT_EQ(FileText(path), expected);
    EXPECT_NE(ErrorOf([&] { TXpsFile::SaveSheet(temp.Path / "missing" / "sheet.xps", doc, settings); }), "");
}

// ---------------------------------------------------------------------------------------------
// Writing

TEST(XpsWrite, ASheetWrittenAndReadBackIsTheSameSheet) {
    TSheetDocument doc;
    doc.AddLayer("Back ground", "/anim/bg/", LayerColorScheme(1));
    doc.AddLayer("Hero", "/anim/hero/", LayerColorScheme(2));
    doc.AddLayer("FX", "/anim/fx/", LayerColorScheme(0));
    doc.SetLayerVisible(2, false);
    doc.PlaceCelAt(1, 1, "bg.png", 12);
    doc.PlaceCelAt(2, 2, "h1.png", 2);
    doc.PlaceCelAt(2, 4, "h2.png", 1);       // directly below another cel
    doc.PlaceCelAt(2, 7, "h1.png", 3);       // the same drawing again after a gap
    doc.PlaceCelAt(3, 1630, "spark.png", 8); // ends on the last frame a sheet can have
    doc.LoadAudio("/anim/voice.wav");
    doc.SetPhoneme(1, "MBP");
    doc.SetPhoneme(9, "E");
    doc.SetPhoneme(kMaxFrames, "O");
    const TXpsSettings settings{12, 2, "sequential", 1, TcwImageFormat::bmp, "/anim/"};

    TempFolder temp;
    const auto path = temp.Path / "sheet.xps";
    TXpsFile::SaveSheet(path, doc, settings);
    TSheetDocument copy;
    TXpsSettings read = Preferences();
    LoadSheet(copy, path, read);

    EXPECT_EQ(read.Fps, 12);
    EXPECT_EQ(read.Step, 2);
    EXPECT_EQ(read.Numbering, "sequential");
    EXPECT_EQ(read.Color, 1);
    EXPECT_EQ(read.Format, TcwImageFormat::bmp);
    EXPECT_EQ(read.Path, "/anim/");
    ASSERT_EQ(copy.LayerCount(), 3);
    ASSERT_EQ(copy.FrameCount(), kMaxFrames);
    for (std::int32_t layer = 1; layer <= 3; ++layer) {
        EXPECT_EQ(copy.LayerCaption(layer), doc.LayerCaption(layer));
        EXPECT_EQ(copy.LayerFolder(layer), doc.LayerFolder(layer));
        EXPECT_EQ(copy.LayerColors(layer), doc.LayerColors(layer));
        EXPECT_EQ(copy.LayerVisible(layer), doc.LayerVisible(layer));
        for (std::int32_t frame = 1; frame <= kMaxFrames; ++frame) {
            const TCel* a = doc.CelAt(layer, frame);
            const TCel* b = copy.CelAt(layer, frame);
            ASSERT_EQ(a == nullptr, b == nullptr) << layer << ":" << frame;
            if (a) {
                EXPECT_EQ(a->Name, b->Name);
                EXPECT_EQ(a->Row, b->Row);
                EXPECT_EQ(a->Duration, b->Duration);
            }
        }
    }
    EXPECT_EQ(copy.AudioFileName(), "/anim/voice.wav");
    for (std::int32_t frame = 1; frame <= kMaxFrames; ++frame)
        EXPECT_EQ(copy.Phoneme(frame), doc.Phoneme(frame)) << frame;
    EXPECT_EQ(TXpsFile::SheetText(copy, read), TXpsFile::SheetText(doc, settings));
}

// Random names made of attribute-like words, quotes, marks, UTF-8 and blanks come back as they
// were written, except that the writer turns a double quote in a caption or folder into an
// apostrophe. Blanks at either end are not part of a value, so the names have none there.
TEST(XpsWrite, RandomNamesComeBackUnchanged) {
    const std::vector<std::string> words = {
        "dir=", "color=", "visible=", "row=", "duration=", "caption=", "col=", "cols=", "=", "\"",
        "=\"",  "'",      "<",        ">",    "</cel>",    "Café",     "→",    "日本",  "a", "Walk",
        "left", "1",      "0",        "-1",   ".png",      "/",        "\\",   "&",     "#", "\t"};
    std::mt19937 random(20261210);
    auto pick = [&](std::size_t count) {
        std::string text;
        const auto parts = 1 + random() % count;
        for (std::size_t i = 0; i < parts; ++i) {
            if (i > 0 && random() % 2 == 0)
                text += ' ';
            text += words[random() % words.size()];
        }
        return std::string(Trim(text)).empty() ? std::string("x") : "x" + text + "x";
    };
    auto quotesAsWritten = [](std::string text) {
        std::replace(text.begin(), text.end(), '"', '\'');
        return text;
    };

    TempFolder temp;
    for (int round = 0; round < 40; ++round) {
        TSheetDocument doc;
        std::vector<std::vector<std::pair<std::int32_t, std::string>>> cels;
        for (std::int32_t layer = 1; layer <= 3; ++layer) {
            doc.AddLayer(pick(5), "/anim/" + pick(4) + "/", LayerColorScheme(layer % 3));
            cels.emplace_back();
            for (std::int32_t frame = 1; frame < 40; frame += 1 + static_cast<std::int32_t>(random() % 4)) {
                cels.back().emplace_back(frame, pick(4));
                doc.PlaceCelAt(layer, frame, cels.back().back().second, 1);
            }
        }
        doc.LoadAudio("/anim/" + pick(3) + ".wav");
        std::vector<std::string> phonemes;
        for (std::int32_t frame = 1; frame <= 10; ++frame) {
            phonemes.push_back(pick(2));
            doc.SetPhoneme(frame, phonemes.back());
        }
        const TXpsSettings settings{24, 1, "frame", 0, TcwImageFormat::png, "/anim/" + pick(3) + "/"};
        SCOPED_TRACE(TXpsFile::SheetText(doc, settings));

        const auto path = temp.Path / "random.xps";
        TXpsFile::SaveSheet(path, doc, settings);
        TSheetDocument copy;
        TXpsSettings read = Preferences();
        LoadSheet(copy, path, read);
        EXPECT_EQ(read.Path, settings.Path);
        EXPECT_EQ(copy.AudioFileName(), doc.AudioFileName());
        ASSERT_EQ(copy.LayerCount(), 3);
        for (std::int32_t layer = 1; layer <= 3; ++layer) {
            EXPECT_EQ(copy.LayerCaption(layer), quotesAsWritten(doc.LayerCaption(layer)));
            EXPECT_EQ(copy.LayerFolder(layer), quotesAsWritten(doc.LayerFolder(layer)));
            EXPECT_EQ(copy.LayerColors(layer), doc.LayerColors(layer));
            for (const auto& [frame, name] : cels[static_cast<std::size_t>(layer - 1)]) {
                ASSERT_NE(copy.CelAt(layer, frame), nullptr) << layer << ":" << frame;
                EXPECT_EQ(copy.CelName(layer, frame), name);
                EXPECT_EQ(copy.CelAt(layer, frame)->Duration, 1);
            }
        }
        for (std::int32_t frame = 1; frame <= 10; ++frame)
            EXPECT_EQ(copy.Phoneme(frame), phonemes[static_cast<std::size_t>(frame - 1)]);
    }
}

// A caption that reads like an attribute once took the folder's place: the layer's drawings went
// missing.
TEST(XpsRead, AttributesAreWholeAttributes) {
    auto io =
        OpenText("<xsheet version=\"4.0\">\n<settings>\n</settings>\n<layers cols=\"2\">\n"
                 "<layer col=\"1\" caption=\"Walk dir=left color=2 visible=0\" dir=\"/anim/walk/\" "
                 "color=\"1\" visible=\"1\">\n"
                 "<cel col=\"1\" row=\"3\" duration=\"2\">row=9 duration=5.png</cel>\n</layer>\n"
                 "<layer col=\"2\" caption=\"x dir=\" dir=\"/b/\" color=\"0\" visible=\"0\">\n</layer>\n"
                 "</layers>\n</xsheet>\n");
    TXpsSettings settings = Preferences();
    ASSERT_TRUE(io.ReadSettings(settings));
    TLayersData layers;
    ASSERT_TRUE(io.ReadLayers(layers));
    EXPECT_EQ(DescribeLayers(layers),
              "1,Walk dir=left color=2 visible=0,/anim/walk/,1,1[row=9 duration=5.png@3+2/1]"
              "2,x dir=,/b/,0,0[]");
}

TEST(XpsWrite, AudioWithoutPhonemesAndASheetWithoutLayers) {
    TSheetDocument doc;
    const TXpsSettings settings{24, 1, "frame", 0, TcwImageFormat::png, ""};
    const std::string head =
        "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>24</fps>\r\n\t<step>1</step>\r\n"
        "\t<numbering>frame</numbering>\r\n\t<color>0</color>\r\n\t<format>png</format>\r\n"
        "\t<path></path>\r\n</settings>\r\n";
    EXPECT_EQ(TXpsFile::SheetText(doc, settings), head + "<audio>\r\n</audio>\r\n</xsheet>\r\n");

    doc.LoadAudio("/anim/voice.wav");
    const auto text = TXpsFile::SheetText(doc, settings);
    EXPECT_EQ(text, head + "<audio>\r\n\t<audiofile>/anim/voice.wav</audiofile>\r\n\t<phonemes>\r\n"
                           "\t</phonemes>\r\n</audio>\r\n</xsheet>\r\n");

    // A sheet without layers is written but cannot be read back as a sheet.
    auto io = OpenText(text);
    TLayersData layers{TLayerData{}};
    EXPECT_FALSE(io.ReadLayers(layers));
    EXPECT_EQ(layers.size(), 1u);
    TAudioInfo audio;
    audio.Phonemes.push_back({"old", 3});
    ASSERT_TRUE(io.ReadAudio(audio));
    EXPECT_EQ(audio.AudioFile, "/anim/voice.wav");
    EXPECT_TRUE(audio.Phonemes.empty());
}

// ---------------------------------------------------------------------------------------------
// Opening and version detection

TEST(XpsOpen, TheVersionChoosesTheReader) {
    struct Case {
        const char* text;
        float version; // when no error
        const char* error;
    };
    const Case cases[] = {
        {"<xsheet version=\"4.0\">\n", 4, ""},
        {"<xsheet version=\"3\">\n", 3, ""},
        {"  <XSHEET version=\"3.25\">\n", 3.25f, ""},
        {"<xsheet version=\"4.5\">\n", 0, "This Xps file was created by a newer version and cannot be read."},
        {"<xsheet version=\"5\">\n", 0, "This Xps file was created by a newer version and cannot be read."},
        {"fps=12\ncols=1\nbegin\ncol1\na.png\n", 1, ""},
        {"", 1, ""},
        {"version=2\nbegin\n", 2, ""},
        {"VERSION=2.5\n<xsheet version=\"4.0\">\n", 2.5f, ""},
        // A key version of 3 or more leaves the choice to the xsheet line, or to the default.
        {"version=3\n<xsheet version=\"4.0\">\n", 4, ""},
        {"version=3\ncols=1\n", 1, ""},
        {"<xsheet version=\"four\">\n", 0, "'four' is not a valid integer value"},
        {"<xsheet version=\"4.x\">\n", 0, "'x' is not a valid integer value"},
        {"<xsheet>\n", 0, "'' is not a valid integer value"},
        {"version=two\n", 0, "'two' is not a valid integer value"},
        // Keys live before "begin": a cel named like one does not count.
        {"cols=1\nbegin\ncol1\nversion=x.png\n", 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TXpsFile io;
        EXPECT_EQ(ErrorOf([&] { io.OpenText(c.text); }), c.error);
        EXPECT_EQ(io.Opened, std::string_view(c.error).empty());
        if (io.Opened) {
            EXPECT_EQ(io.Version, c.version);
        }
    }
}

TEST(XpsOpen, AMissingFileOrAFolderIsNotOpened) {
    TempFolder temp;
    TXpsFile io;
    EXPECT_FALSE(io.Open(temp.Path / "none.xps"));
    EXPECT_FALSE(io.Open(temp.Path));
    EXPECT_FALSE(io.Opened);
    TXpsSettings settings;
    TLayersData layers;
    TAudioInfo audio;
    EXPECT_FALSE(io.ReadSettings(settings));
    EXPECT_FALSE(io.ReadLayers(layers));
    EXPECT_FALSE(io.ReadAudio(audio));
}

TEST(XpsOpen, LineEndsAndEncodingDoNotChangeWhatIsRead) {
    // A byte-order mark first; one line in Windows-1252 among lines in UTF-8.
    const std::string lines[] = {
        "\xEF\xBB\xBF<xsheet version=\"4.0\">",
        "<settings>",
        "\t<fps>12</fps>",
        "</settings>",
        "<audio>",
        "\t<audiofile>/anim/v.wav</audiofile>",
        "\t<phonemes>",
        "\t\t<phoneme row=\"2\">A</phoneme>",
        "\t</phonemes>",
        "</audio>",
        "<layers cols=\"1\">",
        "\t<layer col=\"1\" caption=\"Caf\xE9\" dir=\"/a/\" color=\"1\" visible=\"1\">",
        "\t\t<cel col=\"1\" row=\"1\" duration=\"2\">d\xC3\xA9j\xC3\xA0.png</cel>",
        "\t</layer>",
        "</layers>",
        "</xsheet>"};
    for (const char* end : {"\r\n", "\n", "\r"}) {
        SCOPED_TRACE(testing::PrintToString(end));
        std::string text;
        for (const auto& line : lines)
            text += line + end;
        auto io = OpenText(text);
        TXpsSettings settings = Preferences();
        TLayersData layers;
        TAudioInfo audio;
        ASSERT_TRUE(io.ReadSettings(settings));
        ASSERT_TRUE(io.ReadLayers(layers));
        ASSERT_TRUE(io.ReadAudio(audio));
        EXPECT_EQ(settings.Fps, 12);
        EXPECT_EQ(DescribeLayers(layers), "1,Café,/a/,1,1[déjà.png@1+2/1]");
        ASSERT_EQ(audio.Phonemes.size(), 1u);
        EXPECT_EQ(audio.Phonemes[0].Text, "A");
    }
}

// ---------------------------------------------------------------------------------------------
// Line primitives

TEST(XpsLines, ValuesComeFromAttributesAndElementText) {
    const std::string_view cel = "\t\t<cel col=\"2\" row=\" 7 \" duration=\"x\">  a b.png </cel>";
    EXPECT_EQ(TXpsFile::Attr(cel, "col"), "2");
    EXPECT_EQ(TXpsFile::AttrInt(cel, "row"), 7);
    EXPECT_EQ(TXpsFile::AttrInt(cel, "duration"), -1);
    EXPECT_EQ(TXpsFile::AttrInt(cel, "caption"), -1);
    EXPECT_EQ(TXpsFile::Attr(cel, "Col"), ""); // attribute names keep their case
    EXPECT_EQ(TXpsFile::Text(cel), "a b.png");

    struct Case {
        std::string_view line;
        std::string_view attrColor; // Attr(line, "color")
        std::int32_t textInt;
        std::string_view tagName;
    };
    const Case cases[] = {
        {"<layer col=\"1\" color=\"2\">", "2", -1, "layer"},
        {"<a color=\"99999999999\">12</a>", "99999999999", 12, "a"},
        {"<a color=\"-3\">-3</a>", "-3", -3, "a"},
        {"<a color=2>", "", -1, "a"},       // no quotes
        {"<a color=\"2>", "", -1, "a"},     // no closing quote
        {"<a>2147483648</a>", "", -1, "a"}, // beyond 32 bits
        {"<a>12", "", -1, "a"},             // no "<" after the text
        {"12</a>", "", -1, "/a"},
        {"  < phoneme row=\"1\">", "", -1, "phoneme"},
        {"<phoneme\trow=\"1\">", "", -1, "phoneme\trow=\"1\""},
        {"plain text", "", -1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(TXpsFile::Attr(c.line, "color"), c.attrColor);
        EXPECT_EQ(TXpsFile::TextInt(c.line), c.textInt);
        EXPECT_EQ(TXpsFile::TagName(c.line), c.tagName);
    }
}

TEST(XpsLines, BlocksAndFirstLinesMatchTagNamesAtTheLineStart) {
    const std::vector<std::string> lines = {
        "<layers cols=\"1\">", // 0: not a "layer"
        "<layer",              // 1: nothing after the name
        "  <LAYER col=\"1\">", // 2
        "<cel>a</cel>",        // 3
        "</layers>",           // 4: not a "layer" closing
        "\t</layer >",         // 5
        "<layer></layer>",     // 6: the closing line must be another line
        "<layer>",             // 7
    };
    using Range = std::pair<std::size_t, std::size_t>;
    struct Case {
        std::string_view name;
        std::size_t start;
        std::optional<Range> block;
    };
    const Case cases[] = {
        {"layer", 0, Range{2, 5}}, {"layers", 0, Range{0, 4}}, {"layer", 3, std::nullopt},
        {"cel", 0, std::nullopt},  {"layer", 9, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " from " + std::to_string(c.start));
        const auto block = TXpsFile::FindBlock(c.name, lines, c.start);
        ASSERT_EQ(block.has_value(), c.block.has_value());
        if (block) {
            EXPECT_EQ(Range(block->First, block->Last), *c.block);
        }
    }
    EXPECT_EQ(TXpsFile::FirstLine("layer", lines), "<layers cols=\"1\">");
    EXPECT_EQ(TXpsFile::FirstLine("Cel", lines), "<cel>a</cel>");
    EXPECT_EQ(TXpsFile::FirstLine("audio", lines), "");
}

// ---------------------------------------------------------------------------------------------
// Versions 1 and 2

TEST(XpsRead, Version1ColumnsBecomeCels) {
    struct Case {
        const char* columns; // the lines after "begin" of a file with two layers
        const char* cels;
    };
    const Case cases[] = {
        {"col1\na.png\n*\n*\n\nb.png\ncol2\nc.png\n", "a.png@1+3 b.png@5+1 | c.png@1+1"},
        // "*" holds only the cel on the frame right above it.
        {"col1\n*\na.png\n\n*\nb.png\n*\ncol2\n", "a.png@2+1 b.png@5+2 | "},
        // Names are whole lines; column headers are matched exactly.
        {"col1\n c.png \nCOL2\ncol2\n", " c.png @1+1 COL2@2+1 | "},
        // A column without its header line is empty; the last column runs to the end of the file.
        {"col2\nx.png\n\n", " | x.png@1+1"},
        // A header that comes before the column's own ends it at once.
        {"col2\nb.png\ncol1\na.png\n", " | b.png@1+1 col1@2+1 a.png@3+1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.columns);
        auto io = OpenText(std::string("version=2\ncols=2\nlayer1path=/a/\nBEGIN\n") + c.columns);
        TLayersData layers;
        ASSERT_TRUE(io.ReadLayers(layers));
        EXPECT_EQ(DescribeCels(layers), c.cels);
    }
}

TEST(XpsRead, Version1HeaderGivesSettingsAndLayerFolders) {
    const std::string file = "version=1\nfps=12\nstep=\nnumbering=frame\ncols=2\nlayer2path=/anim/two/\n"
                             "begin\ncol1\nfps=2.png\ncol2\n";
    auto io = OpenText(file);
    TXpsSettings settings = Preferences();
    settings.Step = 3;
    ASSERT_TRUE(io.ReadSettings(settings));
    EXPECT_EQ(settings.Fps, 12);
    EXPECT_EQ(settings.Step, 3); // empty value
    EXPECT_EQ(settings.Numbering, "frame");
    EXPECT_EQ(settings.Color, 2);
    EXPECT_EQ(settings.Format, TcwImageFormat::jpg);
    EXPECT_EQ(settings.Path, "/home/me/Pictures/");

    TLayersData layers;
    ASSERT_TRUE(io.ReadLayers(layers));
    EXPECT_EQ(DescribeLayers(layers), "1,,,0,1[fps=2.png@1+1/1]2,,/anim/two/,0,1[]");
    EXPECT_EQ(io.FileLines.front(), "col1"); // the header is gone

    // Only header lines are keys: a cel named "fps=2.png" sets nothing.
    auto noFps = OpenText("cols=1\nbegin\ncol1\nfps=2.png\n");
    settings = Preferences();
    ASSERT_TRUE(noFps.ReadSettings(settings));
    EXPECT_EQ(settings.Fps, 24);

    struct Bad {
        const char* file;
        const char* error; // empty: ReadLayers gives false
    };
    const Bad bad[] = {
        {"fps=twelve\ncols=1\n", "line 1: 'twelve' is not a valid integer value"},
        {"cols=1\nstep=1.5\n", "line 2: '1.5' is not a valid integer value"},
        {"fps=12\nbegin\ncol1\n", "'' is not a valid integer value"},
        {"cols=x\n", "line 1: 'x' is not a valid integer value"},
        {"cols=0\nbegin\ncol1\na.png\n", ""},
        {"cols=-1\n", ""},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.file);
        auto broken = OpenText(b.file);
        TXpsSettings s = Preferences();
        TLayersData l;
        EXPECT_EQ(ErrorOf([&] {
                      broken.ReadSettings(s);
                      EXPECT_FALSE(broken.ReadLayers(l));
                  }),
                  b.error);
    }
}

// ---------------------------------------------------------------------------------------------
// Versions 3 and 4

TEST(XpsRead, TaggedLayersGiveTheirRecords) {
    struct Case {
        const char* text; // inside the xsheet element
        const char* layers;
    };
    const Case cases[] = {
        // A missing "visible" reads as -1, which counts as visible.
        {"<layers cols=\"2\">\n<layer col=\"1\" caption=\" A \" dir=\"/a/\" color=\"1\">\n</layer>\n"
         "<layer col=\"2\" caption=\"B\" dir=\"/b/\" color=\"2\" visible=\"0\">\n"
         "<cel col=\"2\" row=\"3\" duration=\"2\">b.png</cel>\n</layer>\n</layers>",
         "1,A,/a/,1,-1[]2,B,/b/,2,0[b.png@3+2/2]"},
        // Missing and broken numbers read as -1.
        {"<layers cols=\"1\">\n<layer>\n<cel row=\"x\" "
         "duration=\"99999999999\">a</cel>\n<CEL>b</CEL>\n</layer>\n"
         "</layers>",
         "-1,,,-1,-1[a@-1+-1/-1 b@-1+-1/-1]"},
        // More layers stored than present: only those present are read.
        {"<layers cols=\"2\">\n<layer col=\"1\" visible=\"1\">\n</layer>\n</layers>", "1,,,-1,1[]"},
        // A layer without its closing line runs to the next one's.
        {"<layers cols=\"2\">\n<layer col=\"1\">\n<cel>a</cel>\n<layer col=\"2\">\n<cel>b</cel>\n</layer>\n"
         "</layers>",
         "1,,,-1,-1[a@-1+-1/-1 b@-1+-1/-1]"},
        // The next layer is looked for from the lines taken so far, so lines ahead of a short
        // layer make it count twice.
        {"<layers cols=\"3\">\n\n\n<layer col=\"1\">\n</layer>\n<layer col=\"2\">\n</layer>\n</layers>",
         "1,,,-1,-1[]1,,,-1,-1[]2,,,-1,-1[]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto io = OpenText(std::string("<xsheet version=\"4.0\">\n") + c.text + "\n</xsheet>\n");
        TLayersData layers;
        ASSERT_TRUE(io.ReadLayers(layers));
        EXPECT_EQ(DescribeLayers(layers), c.layers);
    }

    auto v3 = OpenText("<xsheet version=\"3\">\n<layers value=\"2\">\n"
                       "<layer value=\"1\" caption=\"A\" dir=\"/a/\" color=\"1\" visible=\"0\">\n"
                       "<cel col=\"1\" row=\"2\" duration=\"3\" caption=\"a.png\">ignored</cel>\n</layer>\n"
                       "</layers>\n</xsheet>\n");
    TLayersData layers;
    ASSERT_TRUE(v3.ReadLayers(layers));
    EXPECT_EQ(DescribeLayers(layers), "1,A,/a/,1,1[a.png@2+3/1]");
}

TEST(XpsRead, TaggedFilesWithoutUsableLayersFail) {
    const char* const texts[] = {
        "<xsheet version=\"4.0\">\n<settings>\n</settings>\n</xsheet>\n",
        "<xsheet version=\"4.0\">\n<layers cols=\"0\">\n</layers>\n",
        "<xsheet version=\"4.0\">\n<layers>\n<layer col=\"1\">\n</layer>\n</layers>\n",
        "<xsheet version=\"4.0\">\n<layers cols=\"1\">\n<layer col=\"1\">\n</layer>\n",
        "<xsheet version=\"3\">\n<layers cols=\"1\">\n</layers>\n", // version 3 counts in "value"
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        auto io = OpenText(text);
        TLayersData layers;
        EXPECT_FALSE(io.ReadLayers(layers));
    }
}

TEST(XpsRead, TaggedSettingsKeepTheCallersValuesForWhatIsMissing) {
    struct Case {
        const char* text;
        TXpsSettings expected;
    };
    const TXpsSettings prefs = Preferences();
    const Case cases[] = {
        {"<xsheet "
         "version=\"4.0\">\n<settings>\n<fps>12</fps>\n<step>3</step>\n<numbering>sequential</numbering>\n"
         "<color>1</color>\n<format>BMP</format>\n<path>/p/</path>\n</settings>\n",
         {12, 3, "sequential", 1, TcwImageFormat::bmp, "/p/"}},
        {"<xsheet "
         "version=\"4.0\">\n<settings>\n<fps>-5</fps>\n<step>99999999999</step>\n<numbering></numbering>\n"
         "<color>x</color>\n<format>tiff</format>\n</settings>\n",
         prefs},
        {"<xsheet version=\"3\">\n<settings>\n<fps value=\"15\" />\n<numbering value=\"sequential\" />\n"
         "<format value=\"png\" />\n<path>/ignored/</path>\n</settings>\n",
         {15, prefs.Step, "sequential", prefs.Color, TcwImageFormat::png, prefs.Path}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto io = OpenText(c.text);
        TXpsSettings settings = prefs;
        ASSERT_TRUE(io.ReadSettings(settings));
        EXPECT_EQ(settings.Fps, c.expected.Fps);
        EXPECT_EQ(settings.Step, c.expected.Step);
        EXPECT_EQ(settings.Numbering, c.expected.Numbering);
        EXPECT_EQ(settings.Color, c.expected.Color);
        EXPECT_EQ(settings.Format, c.expected.Format);
        EXPECT_EQ(settings.Path, c.expected.Path);
    }
    auto noBlock = OpenText("<xsheet version=\"4.0\">\n<settings>\n<fps>12</fps>\n");
    TXpsSettings settings = prefs;
    EXPECT_FALSE(noBlock.ReadSettings(settings));
    EXPECT_EQ(settings.Fps, prefs.Fps);
}

TEST(XpsRead, AudioBlockGivesTheSoundFileAndPhonemes) {
    struct Case {
        const char* text;
        bool found;
        const char* audioFile;
        const char* phonemes; // "text@row ..."
    };
    const Case cases[] = {
        {"<audio>\n<audiofile>/v.wav</audiofile>\n<phonemes>\n<phoneme row=\"2\">MBP</phoneme>\n"
         "  < phoneme row=\"9\" >E</phoneme>\n<phonemex row=\"3\">X</phonemex>\n<PHONEME "
         "row=\"4\">Y</PHONEME>\n"
         "<phoneme>O</phoneme>\n</phonemes>\n</audio>",
         true, "/v.wav", "MBP@2 E@9 O@-1"},
        {"<audio>\n<audiofile>/v.wav</audiofile>\n<phonemes>\n</phonemes>\n</audio>", true, "/v.wav", ""},
        {"<audio>\n</audio>", true, "", ""},
        {"<audio>\n<phonemes>\n<phoneme row=\"1\">A</phoneme>\n</audio>", true, "", ""}, // no closing line
        {"<audio>\n<audiofile>/v.wav</audiofile>\n", false, "", ""},
        {"", false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto io = OpenText(std::string("<xsheet version=\"4.0\">\n") + c.text + "\n</xsheet>\n");
        TAudioInfo audio;
        ASSERT_EQ(io.ReadAudio(audio), c.found);
        if (!c.found)
            continue;
        EXPECT_EQ(audio.AudioFile, c.audioFile);
        std::string phonemes;
        for (const auto& p : audio.Phonemes)
            phonemes += (phonemes.empty() ? "" : " ") + p.Text + "@" + std::to_string(p.Row);
        EXPECT_EQ(phonemes, c.phonemes);
    }
}

// ---------------------------------------------------------------------------------------------
// Hostile files: the reader's work follows the file's size, not the numbers written in it.

TEST(XpsRead, HugeCountsAndLongFilesStayBounded) {
    // A layer count of two billion over a file of a few lines.
    auto huge = OpenText("<xsheet version=\"4.0\">\n<layers cols=\"2000000000\">\n</layers>\n</xsheet>\n");
    TLayersData layers;
    ASSERT_TRUE(huge.ReadLayers(layers));
    EXPECT_TRUE(layers.empty());

    // Layers count for as long as the file names each one; layer 7 has no layer 2 before it.
    auto hugeV1 = OpenText("cols=2000000000\nlayer7path=/p/\nlayer2path=/q/\nbegin\ncol1\na.png\n");
    ASSERT_TRUE(hugeV1.ReadLayers(layers));
    EXPECT_EQ(DescribeCels(layers), "a.png@1+1 | ");

    // A thousand columns over two hundred thousand lines.
    std::string file = "cols=1000\nbegin\n";
    for (int col = 1; col <= 1000; ++col) {
        file += "col" + std::to_string(col) + "\n";
        for (int frame = 0; frame < 200; ++frame)
            file += frame % 2 ? "*\n" : "c" + std::to_string(col) + ".png\n";
    }
    auto longV1 = OpenText(file);
    ASSERT_TRUE(longV1.ReadLayers(layers));
    ASSERT_EQ(layers.size(), 1000u);
    ASSERT_EQ(layers[999].Cels.size(), 100u);
    EXPECT_EQ(Describe(layers[999].Cels[99]), "c1000.png@199+2");

    // Columns whose header lines alternate from both ends overlap each other; together they may
    // copy no more than about twice the file.
    file = "cols=2000\nbegin\n";
    for (int col = 1; col <= 2001; col += 2)
        file += "col" + std::to_string(col) + "\n";
    for (int line = 0; line < 20000; ++line)
        file += "x\n";
    for (int col = 2000; col >= 2; col -= 2)
        file += "col" + std::to_string(col) + "\n";
    auto overlapping = OpenText(file);
    ASSERT_TRUE(overlapping.ReadLayers(layers));
    std::size_t cels = 0;
    for (const auto& layer : layers)
        cels += layer.Cels.size();
    EXPECT_GT(cels, 20000u);
    EXPECT_LT(cels, 2 * file.size() + (1u << 20));

    // One line of sixteen megabytes.
    std::string longLine =
        "<xsheet version=\"4.0\">\n<layers cols=\"1\">\n<layer col=\"1\">\n<cel row=\"1\">";
    longLine += std::string(16 << 20, ' ');
    longLine += "a</cel>\n</layer>\n</layers>\n";
    auto wide = OpenText(longLine);
    ASSERT_TRUE(wide.ReadLayers(layers));
    EXPECT_EQ(DescribeCels(layers), "a@1+-1");
}
