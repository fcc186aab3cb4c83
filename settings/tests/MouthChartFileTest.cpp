#include "settings/MouthChartFile.h"

#include "base/Error.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>

TEST(MouthChartFile, KeepsTheChartBesideTheLayersDrawings) {
    TTempFolder folder;
    EXPECT_TRUE(TMouthChartFile::Load(folder / "").IsEmpty());

    WriteText(folder.Path() / "mouths.ini", "; drawn by Ann\n[other]\nx=1\n[MOUTHS]\nMBP=m.png\nrest = r.png\n");
    TMouthChart chart = TMouthChartFile::Load(folder / "");
    EXPECT_EQ(chart.DrawingFor("mbp"), "m.png");
    EXPECT_EQ(chart.DrawingFor("O"), "r.png");

    chart.Set("O", "o.png");
    chart.Set("MBP", "");
    TMouthChartFile::Save(folder.Path().string(), chart);
    EXPECT_EQ(ReadText(folder.Path() / "mouths.ini"), "; drawn by Ann\n[other]\nx=1\n[mouths]\nrest=r.png\nO=o.png\n");
    EXPECT_EQ(TMouthChartFile::Load(folder / ""), chart);

    // A chart the folder holds already leaves the folder as it is.
    TTempFolder drawings;
    TMouthChartFile::Save(drawings / "", TMouthChart());
    TMouthChartFile::Save("", TMouthChart());
    EXPECT_FALSE(std::filesystem::exists(drawings / "mouths.ini"));

    EXPECT_THROW(TMouthChartFile::Save("", chart), ECwError);
    EXPECT_THROW(TMouthChartFile::Save(folder / "missing/", chart), ECwError);
}
