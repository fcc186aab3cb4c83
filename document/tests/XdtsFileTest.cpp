#include "document/XdtsFile.h"

#include "base/Error.h"
#include "document/JsonValue.h"

#include <gtest/gtest.h>

namespace {

// A timesheet file with one column "A" of `duration` frames whose track holds `entries`, each
// "FRAME:VALUE".
std::string Xdts(std::int32_t duration, const std::vector<std::string>& entries) {
    std::string frames;
    for (const std::string& entry : entries) {
        const std::size_t colon = entry.find(':');
        frames += (frames.empty() ? "" : ",") + std::string("{\"frame\":") + entry.substr(0, colon) +
                  ",\"data\":[{\"id\":0,\"values\":[\"" + entry.substr(colon + 1) + "\"]}]}";
    }
    return "exchangeDigitalTimeSheet Save Data\n{\"timeTables\":[{\"duration\":" + std::to_string(duration) +
           ",\"fields\":[{\"fieldId\":0,\"tracks\":[{\"trackNo\":0,\"frames\":[" + frames +
           "]}]}],\"name\":\"cut1\",\"timeTableHeaders\":[{\"fieldId\":0,\"names\":[\"A\"]}]}],\"version\":5}";
}

// Exposures as "FRAME+HOLD=DRAWING" joined by blanks.
std::string Exposures(const TTimesheetColumn& column) {
    std::string text;
    for (const TTimesheetExposure& e : column.Exposures)
        text += (text.empty() ? "" : " ") + std::to_string(e.Frame) + "+" + std::to_string(e.Duration) + "=" +
                e.Drawing;
    return text;
}

} // namespace

TEST(XdtsFile, ReadsTracksIntoExposures) {
    struct Case {
        const char* what;
        std::int32_t duration;
        std::vector<std::string> entries;
        const char* expected;
    };
    const Case cases[] = {
        {"holds to the next entry and the last to the end", 10, {"0:1", "3:2"}, "0+3=1 3+7=2"},
        {"empty cell", 10, {"0:1", "2:SYMBOL_NULL_CELL", "5:3"}, "0+2=1 5+5=3"},
        {"late start", 8, {"4:7"}, "4+4=7"},
        {"letter suffix and leading zeros", 6, {"0:12a", "3:0012"}, "0+3=12a 3+3=12"},
        {"hyphen and ticks continue", 9, {"0:1", "2:SYMBOL_HYPHEN", "4:SYMBOL_TICK_1", "6:SYMBOL_TICK_2"},
         "0+9=1"},
        {"tick with nothing before stays empty", 5, {"0:SYMBOL_TICK_1", "2:4"}, "2+3=4"},
        {"negative frame sets the start", 6, {"-1:5", "3:6"}, "0+3=5 3+3=6"},
        {"unsorted entries", 9, {"6:3", "0:1", "3:2"}, "0+3=1 3+3=2 6+3=3"},
        {"the later of two entries at one frame wins", 4, {"0:1", "0:2"}, "0+4=2"},
        {"entries past the duration are ignored", 3, {"0:1", "5:2"}, "0+3=1"},
        {"a repeated value holds on", 6, {"0:1", "3:1"}, "0+6=1"},
    };
    for (const Case& c : cases) {
        const TTimesheet sheet = TXdtsFile::Read(Xdts(c.duration, c.entries));
        ASSERT_EQ(sheet.Columns.size(), 1u) << c.what;
        EXPECT_EQ(sheet.Columns[0].Name, "A") << c.what;
        EXPECT_EQ(Exposures(sheet.Columns[0]), c.expected) << c.what;
        EXPECT_EQ(sheet.Duration, c.duration) << c.what;
    }
}

TEST(XdtsFile, NotesValuesThatNameNoDrawing) {
    const TTimesheet sheet = TXdtsFile::Read(Xdts(6, {"0:1", "2:x1", "4:2"}));
    EXPECT_EQ(Exposures(sheet.Columns[0]), "0+2=1 4+2=2");
    ASSERT_EQ(sheet.OddValues.size(), 1u);
    EXPECT_EQ(sheet.OddValues[0].Value, "x1");
    EXPECT_EQ(sheet.OddValues[0].Frame, 2);
}

TEST(XdtsFile, ReadsSeveralColumnsAndIgnoresOtherFields) {
    const std::string text = "exchangeDigitalTimeSheet Save Data\r\n"
                             R"({"header":{"cut":"1","scene":"2"},"timeTables":[{"duration":4,
        "fields":[{"fieldId":3,"tracks":[{"trackNo":0,"frames":[{"frame":0,"data":[{"id":0,"values":["hi"]}]}]}]},
                  {"fieldId":0,"tracks":[
                    {"trackNo":1,"frames":[{"frame":1,"data":[{"id":0,"values":["2"],"options":["OPTION_KEYFRAME"]}]}]},
                    {"trackNo":0,"frames":[{"frame":0,"data":[{"id":0,"values":["1"]}]}]},
                    {"trackNo":7,"frames":[{"frame":0,"data":[{"id":0,"values":["9"]}]}]}]}],
        "name":"t","timeTableHeaders":[{"fieldId":3,"names":["Dialogue"]},{"fieldId":0,"names":["A","B","C"]}]}],
        "version":5,"subversion":6})";
    const TTimesheet sheet = TXdtsFile::Read(text);
    ASSERT_EQ(sheet.Columns.size(), 3u);
    EXPECT_EQ(sheet.Columns[0].Name + sheet.Columns[1].Name + sheet.Columns[2].Name, "ABC");
    EXPECT_EQ(Exposures(sheet.Columns[0]), "0+4=1");
    EXPECT_EQ(Exposures(sheet.Columns[1]), "1+3=2");
    EXPECT_EQ(Exposures(sheet.Columns[2]), "");
    EXPECT_TRUE(sheet.OddValues.empty());
}

TEST(XdtsFile, RefusesWhatIsNoTimesheet) {
    const std::string good = Xdts(4, {"0:1"});
    const std::string body = good.substr(good.find('\n') + 1);
    struct Case {
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {body, "the first line is not \"exchangeDigitalTimeSheet Save Data\""},
        {"exchangeDigitalTimeSheet Save Data", "the first line is not \"exchangeDigitalTimeSheet Save Data\""},
        {"exchangeDigitalTimeSheet Save Data\n{\"timeTables\": [", "broken JSON at line 2, column 17: the text ends early"},
        {"exchangeDigitalTimeSheet Save Data\n{\"version\": 5}", "it holds no time table"},
        {"exchangeDigitalTimeSheet Save Data\n{\"timeTables\": [], \"version\": 5}", "it holds no time table"},
        {"exchangeDigitalTimeSheet Save Data\n{\"timeTables\": [{\"duration\": 1638}]}",
         "the time table's duration is not a number of frames from 1 to 1637"},
        {"exchangeDigitalTimeSheet Save Data\n{\"timeTables\": [{\"duration\": 0.5}]}",
         "the time table's duration is not a number of frames from 1 to 1637"},
        {"exchangeDigitalTimeSheet Save Data\n" + std::string(100, '[') + std::string(100, ']'),
         "broken JSON at line 2, column 65: nested more than 64 deep"},
    };
    for (const Case& c : cases) {
        try {
            TXdtsFile::Read(c.text);
            ADD_FAILURE() << c.text;
        } catch (const ECwError& error) {
            EXPECT_STREQ(error.what(), c.message) << c.text;
        }
    }
}

TEST(XdtsFile, WritesChangePointsThatReadBack) {
    TTimesheet sheet;
    sheet.Name = "cut \"1\"";
    sheet.Duration = 12;
    sheet.Columns = {{"A", {{0, 3, "1"}, {3, 2, "2a"}, {8, 2, "3"}}}, {"B\\C", {}}};
    const std::string text = TXdtsFile::Text(sheet);
    EXPECT_TRUE(text.starts_with("exchangeDigitalTimeSheet Save Data\n{"));
    // A drawing followed by empty cells ends with an empty-cell entry; one that runs on into the
    // next drawing does not.
    EXPECT_NE(text.find(R"({"frame": 5, "data": [{"id": 0, "values": ["SYMBOL_NULL_CELL"]}]})"),
              std::string::npos);
    EXPECT_EQ(text.find(R"({"frame": 3, "data": [{"id": 0, "values": ["SYMBOL_NULL_CELL"]}]})"),
              std::string::npos);
    const TTimesheet back = TXdtsFile::Read(text);
    EXPECT_EQ(back.Name, sheet.Name);
    EXPECT_EQ(back.Duration, 12);
    ASSERT_EQ(back.Columns.size(), 2u);
    EXPECT_EQ(Exposures(back.Columns[0]), "0+3=1 3+2=2a 8+2=3");
    EXPECT_EQ(back.Columns[1].Name, "B\\C");
    EXPECT_TRUE(back.Columns[1].Exposures.empty());
}

TEST(JsonValue, ReadsEscapesAndNumbers) {
    const TJsonValue value = ParseJson(R"( {"a": "x\"\\\/\n\u00e9\ud83d\ude00", "b": [-1.5e2, 0.5, true, null]} )");
    EXPECT_EQ(value.Member("a")->String, "x\"\\/\n\xC3\xA9\xF0\x9F\x98\x80");
    const auto& items = value.Member("b")->Elements();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].Int32(), -150);
    EXPECT_EQ(items[1].Number, 0.5);
    EXPECT_FALSE(items[1].Int32());
    EXPECT_TRUE(items[2].Bool);
    EXPECT_EQ(items[3].Kind, TJsonValue::TKind::Null);
    for (const char* broken : {"01", "[1,]", "{\"a\" 1}", "\"\x01\"", "[1] 2", "1e", "\"\\x\"", "tru", ""})
        EXPECT_THROW(ParseJson(broken), ECwError) << broken;
    EXPECT_EQ(ParseJson(JsonQuoted("a\"b\\c\x01")).String, "a\"b\\c\x01");
}
