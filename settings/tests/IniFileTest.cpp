#include "settings/IniFile.h"

#include "base/Error.h"
#include "testsupport/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {
using Strings = std::vector<std::string>;

std::string Replace(std::string text, std::string_view from, std::string_view to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// What a file says about itself once read: every section with every key and value.
std::string Dump(const TIniFile& ini) {
    std::string out;
    for (const auto& section : ini.ReadSections()) {
        out += "[" + section + "]";
        for (const auto& key : ini.ReadSectionKeys(section))
            out += key + "=" + ini.ReadString(section, key, "?") + ";";
    }
    return out;
}
} // namespace

TEST(IniFile, ReadsSectionsAndKeysRegardlessOfCaseAndLineEnds) {
    const std::string lf = "stray line before any section\n"
                           "[General Preferences]\n"
                           "FPS=12\n"
                           "  default path = /home/ann/My Cels=2 \n"
                           "a line without an equals sign\n"
                           "; fps=99\n"
                           "\n"
                           "[editors]\n"
                           "img editor name=\n"
                           "[ spaced ]\n"
                           "=no key\n";
    for (const std::string_view lineEnd : {"\n", "\r\n", "\r"}) {
        SCOPED_TRACE(testing::PrintToString(std::string(lineEnd)));
        TIniFile ini;
        ini.LoadFromText(Replace(lf, "\n", lineEnd));
        EXPECT_EQ(ini.ReadSections(), (Strings{"General Preferences", "editors", "spaced"}));
        EXPECT_EQ(ini.ReadSectionKeys("general preferences"), (Strings{"FPS", "default path"}));
        EXPECT_EQ(ini.ReadInteger("general PREFERENCES", "fps", 0), 12);
        // The value is everything after the first "=", without the blanks around it.
        EXPECT_EQ(ini.ReadString("general preferences", "Default Path", "-"), "/home/ann/My Cels=2");
        EXPECT_EQ(ini.ReadString("editors", "img editor name", "-"), "");
        EXPECT_TRUE(ini.ValueExists("EDITORS", "img editor name"));
        EXPECT_FALSE(ini.ValueExists("editors", "img editor location"));
        EXPECT_EQ(ini.ReadString("editors", "img editor location", "-"), "-");
        EXPECT_EQ(ini.ReadString("nowhere", "fps", "-"), "-");
        EXPECT_EQ(ini.ReadString("spaced", "", "-"), "no key");
        EXPECT_TRUE(ini.SectionExists("Spaced"));
        EXPECT_FALSE(ini.SectionExists("stray line before any section"));
    }
}

TEST(IniFile, NumbersAndBooleansFallBackToTheDefaultWhenNotAnInteger) {
    struct Case {
        const char* value; // nullptr: key missing
        std::int32_t integer;
        bool boolean;
    };
    const Case cases[] = {
        {"12", 12, true},   {" 30 ", 30, true},       {"-5", -5, true},   {"0", 0, false},
        {"1", 1, true},     {"abc", 7, true},         {"", 7, true},      {"1.5", 7, true},
        {"12fps", 7, true}, {"99999999999", 7, true}, {nullptr, 7, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(missing)");
        TIniFile ini;
        ini.LoadFromText(c.value ? std::string("[s]\nk=") + c.value + "\n" : "[s]\n");
        EXPECT_EQ(ini.ReadInteger("s", "k", 7), c.integer);
        EXPECT_EQ(ini.ReadBool("s", "k", true), c.boolean);
    }
    TIniFile ini;
    ini.LoadFromText("[s]\nk=yes\n");
    EXPECT_FALSE(ini.ReadBool("s", "k", false));
}

TEST(IniFile, WritingChangesOnlyWhatIsWrittenAndKeepsEverythingElseInPlace) {
    TIniFile ini;
    ini.LoadFromText("# made by hand\n"
                     "[celwright]\n"
                     "language=Deutsch\n"
                     "\n"
                     "[General Preferences]\n"
                     "Fps = 12\n"
                     "; a comment\n"
                     "fps=13\n"
                     "odd line\n"
                     "\n"
                     "[recent files]\n"
                     "file1=/a.xps\n");
    ini.WriteInteger("general preferences", "FPS", 30);
    ini.WriteString("general preferences", "default path", "/home/ann");
    ini.WriteBool("preview preferences", "auto build", false);
    ini.WriteString("celwright", "language", "English");
    EXPECT_EQ(ini.ToText(), "# made by hand\n"
                            "[celwright]\n"
                            "language=English\n"
                            "\n"
                            "[General Preferences]\n"
                            "Fps =30\n"
                            "; a comment\n"
                            "fps=13\n"
                            "odd line\n"
                            "default path=/home/ann\n"
                            "\n"
                            "[recent files]\n"
                            "file1=/a.xps\n"
                            "[preview preferences]\n"
                            "auto build=0\n");

    ini.EraseSection("CELWRIGHT");
    ini.EraseSection("no such section");
    EXPECT_EQ(ini.ReadSections(), (Strings{"General Preferences", "recent files", "preview preferences"}));
    ini.EraseSection("recent files");
    ini.WriteString("recent files", "file1", "/b.xps");
    EXPECT_EQ(ini.ReadSections(), (Strings{"General Preferences", "preview preferences", "recent files"}));
}

TEST(IniFile, RepeatedSectionsAreOneAndTheFirstOfRepeatedKeysCounts) {
    TIniFile ini;
    ini.LoadFromText("[a]\nx=1\n[b]\n[A]\nX=2\ny=3\n");
    EXPECT_EQ(Dump(ini), "[a]x=1;y=3;[b]");
    ini.WriteString("a", "x", "4");
    EXPECT_EQ(ini.ToText(), "[a]\nx=4\nX=2\ny=3\n[b]\n");
    ini.EraseSection("a");
    EXPECT_EQ(ini.ToText(), "[b]\n");
}

TEST(IniFile, WrittenTextReadsBackTheSameAfterReloading) {
    struct Case {
        std::string section, key, value;
    };
    const Case cases[] = {
        {"s", "k", "two\nlines\r"},
        {" padded ", " key ", " value "},
        {"[nested]", "k", "=starts with equals"},
        {"", "k", "nameless section"},
        {"ümlaut", "clé", "värde €"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.section + "/" + c.key);
        TIniFile ini;
        ini.WriteString(c.section, c.key, c.value);
        TIniFile reloaded;
        reloaded.LoadFromText(ini.ToText());
        EXPECT_EQ(Dump(reloaded), Dump(ini));
        EXPECT_EQ(reloaded.ToText(), ini.ToText());
    }
    TIniFile ini;
    ini.WriteString("s", "k", "two\nlines\r");
    EXPECT_EQ(ini.ReadString("s", "k", ""), "two lines");
}

TEST(IniFile, GarbageNeverBreaksReadingAndRereadsTheSame) {
    std::string manySections;
    for (int i = 0; i < 100000; ++i)
        manySections += "[s" + std::to_string(i % 5000) + "]\nk" + std::to_string(i) + "=v\n";
    const std::string cases[] = {
        "",
        "\0\0\0[\0]\n\0=\0\n"s,
        "\xFF\xFE[a]\r\r\n\x80=\x81\n[",
        "[\n]\n[]\n=\n==\n[=]\n][\n",
        "\xEF\xBB\xBF[bom]\nk=v",
        "\xEF\xBB\xBF\xEF\xBB\xBF[a]\n",
        std::string(1 << 20, '['),
        std::string(1 << 20, '\n'),
        "[a]\n" + std::string(1 << 20, '='),
        manySections,
    };
    for (const auto& text : cases) {
        SCOPED_TRACE(text.substr(0, 20));
        TIniFile ini;
        ini.LoadFromText(text);
        const std::string once = ini.ToText();
        TIniFile again;
        again.LoadFromText(once);
        EXPECT_EQ(again.ToText(), once);
        ini.WriteString("a", "k", "v");
        EXPECT_EQ(ini.ReadString("A", "K", ""), "v");
    }
    TIniFile bom;
    bom.LoadFromText(cases[4]);
    EXPECT_EQ(bom.ReadString("bom", "k", ""), "v");

    TIniFile latin1;
    latin1.LoadFromText("[caf\xE9]\nk=\x80\n");
    EXPECT_EQ(latin1.ReadString("café", "k", ""), "€");
}

TEST(IniFile, FilesAreReadAndWrittenWhole) {
    TTempFolder temp;
    const auto path = temp.Path() / "test.ini";
    TIniFile ini;
    ini.LoadFromText("[old]\nk=v\n");
    EXPECT_FALSE(ini.LoadFromFile(path));
    EXPECT_TRUE(ini.ReadSections().empty());
    EXPECT_FALSE(ini.LoadFromFile(temp.Path())); // a folder is no file
    // To be changed and saved back: a file not there yet is an empty one, a folder or a link that
    // leads round in a circle must be left alone.
    EXPECT_TRUE(ini.LoadForUpdate(path));
    EXPECT_TRUE(ini.LoadForUpdate(temp.Path() / "missing" / "test.ini"));
    EXPECT_FALSE(ini.LoadForUpdate(temp.Path()));
    std::filesystem::create_symlink("circle.ini", temp.Path() / "circle.ini");
    EXPECT_FALSE(ini.LoadForUpdate(temp.Path() / "circle.ini"));

    WriteText(path, "[a]\r\nk=1\r\n");
    ASSERT_TRUE(ini.LoadForUpdate(path));
    EXPECT_EQ(Dump(ini), "[a]k=1;");
    ASSERT_TRUE(ini.LoadFromFile(path));
    ini.WriteString("b", "k", "2");
    ini.SaveToFile(path);
    EXPECT_EQ(ReadText(path), "[a]\nk=1\n[b]\nk=2\n");

    EXPECT_THROW(ini.SaveToFile(temp.Path() / "missing" / "test.ini"), ECwError);
}
