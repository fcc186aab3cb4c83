#include "import/ImportFiles.h"

#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(ImportFilesTest, OnlyDrawingsAreImportable) {
    const std::pair<const char*, bool> cases[] = {
        {"/a/walk.png", true}, {"/a/WALK.PNG", true},   {"/a/s.Jpeg", true},
        {"/a/s.jpg", true},    {"/a/s.bmp", true},      {"/a/s.gif", false},
        {"/a/png", false},     {"/a.png/s.txt", false}, {"/a/.png", false},
    };
    for (const auto& [path, importable] : cases)
        EXPECT_EQ(IsImportableImage(path), importable) << path;
}

TEST(ImportFilesTest, SortsByFullPathIgnoringCase) {
    std::vector<std::string> paths{"/b/2.png", "/A/9.png", "/a/1.png", "/B/1.png"};
    SortImportList(paths);
    EXPECT_EQ(paths, (std::vector<std::string>{"/a/1.png", "/A/9.png", "/B/1.png", "/b/2.png"}));
    EXPECT_EQ(FolderOf("/a/b/c.png"), "/a/b/");
    EXPECT_EQ(FileNameOf("/a/b/c.png"), "c.png");
}

namespace {
class CopyTest : public ::testing::Test {
protected:
    CopyTest() {
        fs::create_directories(Source.Path() / "x");
        for (const char* name : {"a.png", "b.png", "c.png"})
            WriteText(Source.Path() / "x" / name, std::string("new ") + name);
        for (const char* name : {"a.png", "b.png"})
            WriteText(Layer.Path() / name, "old");
    }

    std::vector<std::string> Files() const {
        return {Source / "x/a.png", Source / "x/b.png", Source / "x/c.png"};
    }

    TCopyOutcome Copy(std::vector<TOverwriteAnswer> answers) {
        Asked.clear();
        return CopyFilesInto(
            Files(), Layer / "",
            [&](const std::string& target) {
                Asked.push_back(FileNameOf(target));
                const TOverwriteAnswer answer = answers.front();
                answers.erase(answers.begin());
                return answer;
            },
            [](std::size_t, std::size_t) { return true; });
    }

    std::string Content(const char* name) const { return ReadText(Layer.Path() / name); }

    TTempFolder Source;
    TTempFolder Layer;
    std::vector<std::string> Asked;
};
} // namespace

TEST_F(CopyTest, AsksBeforeReplacingEachFileUntilYesToAll) {
    struct TCase {
        std::vector<TOverwriteAnswer> Answers;
        bool Completed;
        std::vector<std::string> Asked;
        std::string A, B, C;
    };
    using A = TOverwriteAnswer;
    const TCase cases[] = {
        {{A::Yes, A::No}, true, {"a.png", "b.png"}, "new a.png", "old", "new c.png"},
        {{A::YesToAll}, true, {"a.png"}, "new a.png", "new b.png", "new c.png"},
        {{A::No, A::Cancel}, false, {"a.png", "b.png"}, "old", "old", ""},
    };
    for (const TCase& test : cases) {
        for (const char* name : {"a.png", "b.png"})
            WriteText(Layer.Path() / name, "old");
        fs::remove(Layer.Path() / "c.png");
        EXPECT_EQ(Copy(test.Answers).Completed, test.Completed);
        EXPECT_EQ(Asked, test.Asked);
        EXPECT_EQ(Content("a.png"), test.A);
        EXPECT_EQ(Content("b.png"), test.B);
        EXPECT_EQ(fs::exists(Layer.Path() / "c.png") ? Content("c.png") : "", test.C);
    }
}

TEST_F(CopyTest, AFileListedTwiceIsCopiedOnceWithoutAQuestion) {
    int questions = 0;
    const auto outcome = CopyFilesInto(
        {Source / "x/c.png", Source / "x/c.png"}, Layer / "",
        [&](const std::string&) {
            ++questions;
            return TOverwriteAnswer::Cancel;
        },
        [](std::size_t, std::size_t) { return true; });
    EXPECT_TRUE(outcome.Completed);
    EXPECT_EQ(questions, 0);
    EXPECT_EQ(Content("c.png"), "new c.png");
}

TEST_F(CopyTest, StopsWhenProgressSaysSoAndReportsFailures) {
    const auto stopped = CopyFilesInto(
        Files(), Layer / "", [](const std::string&) { return TOverwriteAnswer::Yes; },
        [](std::size_t done, std::size_t) { return done < 1; });
    EXPECT_FALSE(stopped.Completed);
    EXPECT_EQ(stopped.Error, "");
    EXPECT_EQ(Content("a.png"), "new a.png");
    EXPECT_EQ(Content("b.png"), "old");

    const auto noFolder = CopyFilesInto(
        Files(), Layer / "gone/", [](const std::string&) { return TOverwriteAnswer::Yes; },
        [](std::size_t, std::size_t) { return true; });
    EXPECT_FALSE(noFolder.Completed);
    EXPECT_NE(noFolder.Error.find("gone/"), std::string::npos) << noFolder.Error;

    const auto missing = CopyFilesInto(
        {Source / "x/none.png"}, Layer / "", [](const std::string&) { return TOverwriteAnswer::Yes; },
        [](std::size_t, std::size_t) { return true; });
    EXPECT_FALSE(missing.Completed);
    EXPECT_NE(missing.Error.find("none.png"), std::string::npos) << missing.Error;
}

TEST_F(CopyTest, LinksPointAtTheDrawingsAndReplaceOnlyEarlierLinks) {
    WriteText(Layer.Path() / "c.png.lnk", "a file, not a link");
    fs::create_symlink(Source / "x/b.png", Layer.Path() / "a.png.lnk");
    EXPECT_EQ(LinkFilesInto(Files(), Layer / ""), 2u);
    EXPECT_EQ(fs::read_symlink(Layer.Path() / "a.png.lnk"), Source / "x/a.png");
    EXPECT_EQ(fs::read_symlink(Layer.Path() / "b.png.lnk"), Source / "x/b.png");
    EXPECT_EQ(Content("c.png.lnk"), "a file, not a link");
    EXPECT_EQ(LinkFilesInto(Files(), Layer / "gone/"), 0u);
    EXPECT_FALSE(fs::exists(Layer.Path() / "gone"));
}
