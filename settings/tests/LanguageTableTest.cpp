#include "settings/LanguageTable.h"

#include "testsupport/TempFolder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace {
using Texts = std::map<std::string, std::string>;

std::string Replace(std::string text, std::string_view from, std::string_view to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Every key of the table with its text.
Texts Contents(const TLanguageTable& handler, const std::vector<std::string>& keys) {
    Texts texts;
    for (const auto& key : keys) {
        if (handler.Table().Exists(key))
            texts[key] = handler.Lookup(key);
    }
    return texts;
}

// The "%s" placeholders of a text, as a count.
int Placeholders(std::string_view text) {
    int count = 0;
    for (auto at = text.find("%s"); at != std::string_view::npos; at = text.find("%s", at + 2))
        ++count;
    return count;
}

std::string ShippedLanguages() {
    return LanguageFolder(std::string(CELWRIGHT_SOURCE_DIR) + "/");
}
} // namespace

TEST(LanguageFile, ReadsEntriesCommentsContinuationsAndEscapes) {
    struct Case {
        const char* name;
        std::string file; // lines end with LF here; each case is also read with CR LF and CR
        Texts expected;
    };
    const Case cases[] = {
        {"comment line, entries, a continuation",
         "// German texts\nsFile\tDatei\nsEdit\tBear+_\nbeiten\n",
         {{"sFile", "Datei"}, {"sEdit", "Bearbeiten"}}},
        {"comment after a text", "sExit\tEnde // closes the program\n", {{"sExit", "Ende"}}},
        {"indented comment, blank lines", "   // note\n\n \t \nsCut\tCouper\n", {{"sCut", "Couper"}}},
        {"continuations chain, the next lines trimmed", "sCut\tA+_\n   B+_\n\tC  \n", {{"sCut", "ABC"}}},
        {"a comment may follow +_", "sCut\tA+_ // more below\n// between\nB\n", {{"sCut", "AB"}}},
        {"a space after +_ ends the text", "sCut\tA+_ \nsCopy\tB\n", {{"sCut", "A+_"}, {"sCopy", "B"}}},
        {"+_ on the last line", "sCut\tA+_+_", {{"sCut", "A"}}},
        {"( ) keeps a space where lines join", "sCut\tA( )+_\n( )B( )\n", {{"sCut", "A  B"}}},
        {"(cr/lf) is a line break",
         "msgSaveChanges\tSpeichern?(cr/lf)%s\n",
         {{"msgSaveChanges", "Speichern?\r\n%s"}}},
        {"the later line wins", "sOK\tErst\nsOK\tZweit\n", {{"sOK", "Zweit"}}},
        {"keys differ by case", "sOk\tklein\nsOK\tgross\n", {{"sOk", "klein"}, {"sOK", "gross"}}},
        {"the key is not trimmed, the text is",
         " sCut\t  Couper \t\nsCopy\t\n",
         {{" sCut", "Couper"}, {"sCopy", ""}}},
        {"only the first tab ends the key", "sCut\tA\tB\n", {{"sCut", "A\tB"}}},
        {"Windows-1252 when not UTF-8", "sCut\tD\xE9placer\n", {{"sCut", "D\xC3\xA9placer"}}},
        {"a byte-order mark is not part of the key", "\xEF\xBB\xBFsCut\tCouper\n", {{"sCut", "Couper"}}},
    };
    const std::vector<std::string> keys{"sFile", "sEdit",          "sExit", "sCut", "sCopy",
                                        " sCut", "msgSaveChanges", "sOK",   "sOk"};
    for (const Case& c : cases) {
        for (const std::string_view lineEnd : {"\n", "\r\n", "\r"}) {
            SCOPED_TRACE(std::string(c.name) + ", line end " + testing::PrintToString(std::string(lineEnd)));
            TLanguageTable handler;
            handler.LoadLanguageText(Replace(c.file, "\n", lineEnd));
            EXPECT_EQ(Contents(handler, keys), c.expected);
            EXPECT_EQ(handler.Table().Count(), c.expected.size());
        }
    }
}

TEST(LanguageFile, ALineWithoutATabStopsTheLoadKeepingTheLinesBefore) {
    TLanguageTable handler;
    handler.LoadLanguageText("sCut\told\n");
    try {
        handler.LoadLanguageText("// German\n\nsFile\tDatei +_\n und mehr\nnot an entry\nsEdit\tBearbeiten\n",
                                 "German.lng");
        FAIL() << "no error";
    } catch (const EHashInvalidKeyError& e) {
        EXPECT_STREQ(e.what(), "\"German.lng\" line 5: Key cannot be an empty string");
    }
    EXPECT_EQ(Contents(handler, {"sCut", "sFile", "sEdit"}), (Texts{{"sFile", "Datei und mehr"}}));
}

TEST(LanguageFile, OnlyPlainNamesAreLoadedFromTheLanguagesFolder) {
    TTempFolder folder;
    std::filesystem::create_directories(folder / "Languages");
    WriteText(folder / "Outside.lng", "sFile\tDraussen\n");
    WriteText(folder / "Languages/German.lng", "sFile\tDatei\n");
    TLanguageTable handler;
    ASSERT_TRUE(handler.LoadLanguage(folder / "Languages/", "German"));
    for (const char* name : {"../Outside", "..", "sub/German", "/etc/passwd", ""}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(handler.LoadLanguage(folder / "Languages/", name));
        EXPECT_EQ(handler.Lookup("sFile"), "Datei");
    }
}

TEST(LanguageHandler, TranslatesWithTheDefaultWhereTheLanguageGivesNoText) {
    TLanguageTable handler;
    EXPECT_EQ(handler.Translate("File", "sFile"), "File");
    EXPECT_EQ(handler.Translate(LanguageKey("sSaveAsDots")), "Save As...");

    handler.LoadLanguageText("sFile\tDatei\nsEdit\t\nmsgSaveChanges\tSpeichern?(cr/lf)%s\n");
    EXPECT_EQ(handler.Translate(LanguageKey("sFile")), "Datei");
    EXPECT_EQ(handler.Lookup("sEdit"), "");
    EXPECT_EQ(handler.Translate(LanguageKey("sEdit")), "Edit");
    EXPECT_EQ(handler.Lookup("sExit"), "");
    EXPECT_EQ(handler.Translate(LanguageKey("sExit")), "Exit");

    // Filled after translating: the second line is the document name.
    EXPECT_EQ(Replace(handler.Translate(LanguageKey("msgSaveChanges")), "%s", "walk.xps"),
              "Speichern?\r\nwalk.xps");
}

TEST(LanguageHandler, LoadsFilesByNameFromTheLanguagesFolder) {
    TTempFolder temp;
    const std::string folder = LanguageFolder(temp / "");
    EXPECT_EQ(folder, temp / "Languages/");
    fs::create_directories(folder);
    WriteText(folder + "Deutsch.lng", "sFile\tDatei\n");
    fs::create_directories(folder + "Folder.lng");

    TLanguageTable handler;
    EXPECT_TRUE(handler.LoadLanguage(folder, "Deutsch"));
    EXPECT_EQ(handler.Translate(LanguageKey("sFile")), "Datei");

    // A language without a readable file keeps the texts in force.
    EXPECT_FALSE(handler.LoadLanguage(folder, "Klingon"));
    EXPECT_FALSE(handler.LoadLanguage(folder, "Folder"));
    EXPECT_FALSE(handler.LoadLanguage(folder, "deutsch"));
    EXPECT_EQ(handler.Translate(LanguageKey("sFile")), "Datei");

    // English needs no file, and a file of that name is not read.
    WriteText(folder + "English.lng", "sFile\tNot this\n");
    EXPECT_TRUE(handler.LoadLanguage(folder, "English"));
    EXPECT_EQ(handler.Table().Count(), 0u);
    EXPECT_EQ(handler.Translate(LanguageKey("sFile")), "File");
}

TEST(LanguageCatalogue, HoldsEveryKeyOnceAndItsTemplateLoadsBackToTheSameTexts) {
    std::set<std::string_view> keys;
    for (const TLanguageKey& entry : kLanguageCatalogue) {
        SCOPED_TRACE(std::string(entry.Key));
        EXPECT_TRUE(keys.insert(entry.Key).second) << "twice";
        EXPECT_TRUE(entry.Key.starts_with("msg") || entry.Key.starts_with("s"));
        EXPECT_FALSE(entry.Text.empty());
        EXPECT_EQ(FindLanguageKey(entry.Key), &entry);
    }
    EXPECT_EQ(keys.size(), kLanguageKeyCount);
    EXPECT_EQ(FindLanguageKey("sfile"), nullptr);
    EXPECT_EQ(LanguageKey("msgFileExists").Text,
              "%s \r\n\r\nalready exists. Do you wish to overwrite the file?");

    const std::string text = LanguageTemplateText();
    EXPECT_NE(
        text.find("\nmsgFileExists\t%s (cr/lf)(cr/lf)already exists. Do you wish to overwrite the file?\n"),
        std::string::npos);
    TLanguageTable handler;
    handler.LoadLanguageText(text);
    EXPECT_EQ(handler.Table().Count(), kLanguageKeyCount);
    for (const TLanguageKey& entry : kLanguageCatalogue)
        EXPECT_EQ(handler.Lookup(entry.Key), entry.Text) << entry.Key;
}

TEST(LanguageCatalogue, ShippedLanguagesTranslateEveryKeyAndKeepThePlaceholders) {
    for (const char* name : {"German", "French"}) {
        SCOPED_TRACE(name);
        TLanguageTable handler;
        ASSERT_TRUE(handler.LoadLanguage(ShippedLanguages(), name));
        // Every key of the catalogue and no other.
        EXPECT_EQ(handler.Table().Count(), kLanguageKeyCount);
        for (const TLanguageKey& entry : kLanguageCatalogue) {
            SCOPED_TRACE(std::string(entry.Key));
            ASSERT_TRUE(handler.Table().Exists(entry.Key));
            const std::string text = handler.Lookup(entry.Key);
            EXPECT_FALSE(text.empty());
            EXPECT_EQ(Placeholders(text), Placeholders(entry.Text));
            EXPECT_EQ(std::count(text.begin(), text.end(), '%'), Placeholders(text))
                << "a % that is no placeholder";
        }

        // Back to English: every default again.
        ASSERT_TRUE(handler.LoadLanguage(ShippedLanguages(), "English"));
        for (const TLanguageKey& entry : kLanguageCatalogue)
            EXPECT_EQ(handler.Translate(entry), entry.Text);
    }
}
