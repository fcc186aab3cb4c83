#include "platform/StillCamera.h"

#include "base/Error.h"
#include "testsupport/RecordedGPhoto.h"
#include "testsupport/TempFolder.h"

#include <gphoto2/gphoto2-port-result.h>
#include <gtest/gtest.h>

namespace {

std::string Failure(const std::function<void()>& work) {
    try {
        work();
    } catch (const ECwError& error) {
        return error.what();
    }
    return "no failure";
}

TStillCameraInfo Eos() {
    return {"Canon EOS 550D", "Canon EOS 550D", "usb:001,004"};
}

} // namespace

// Through recorded answers.
class StillCameraTest : public ::testing::Test {
protected:
    TTempFolder Scratch;
    std::shared_ptr<TRecordedGPhoto> Recorded = RecordedDslr(Scratch.Path() / "scratch.jpg");
};

TEST_F(StillCameraTest, ListsCamerasNamingTwinsByTheirPort) {
    EXPECT_EQ(ListStillCameras(*Recorded).size(), 1u);
    Recorded->Cameras = {
        {"Nikon Z 6", "usb:002,003"}, {"Canon EOS 550D", "usb:001,004"}, {"Nikon Z 6", "usb:002,007"}};
    const std::vector<TStillCameraInfo> cameras = ListStillCameras(*Recorded);
    ASSERT_EQ(cameras.size(), 3u);
    EXPECT_EQ(cameras[0].Name, "Nikon Z 6 (usb:002,003)");
    EXPECT_EQ(cameras[1].Name, "Canon EOS 550D");
    EXPECT_EQ(cameras[2].Name, "Nikon Z 6 (usb:002,007)");
    EXPECT_EQ(cameras[2].Model, "Nikon Z 6");
    EXPECT_EQ(cameras[2].Port, "usb:002,007");
}

TEST_F(StillCameraTest, PreviewAndCaptureBringTheCamerasBytes) {
    TStillCamera camera(*Recorded, Eos());
    EXPECT_EQ(camera.Preview(), Recorded->PreviewJpeg);
    const std::vector<TStillFile> files = camera.Capture();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].Name, "IMG_0042.CR2");
    EXPECT_EQ(files[0].Bytes, Recorded->CaptureFiles[0].Bytes);
    EXPECT_EQ(files[1].Name, "IMG_0042.JPG");
    EXPECT_EQ(files[1].Bytes, Recorded->CaptureFiles[1].Bytes);

    Recorded->CaptureFiles.resize(1); // RAW only
    EXPECT_EQ(camera.Capture().size(), 1u);
}

TEST_F(StillCameraTest, FailuresSayWhichCameraAndWhat) {
    TStillCamera camera(*Recorded, Eos());
    Recorded->CaptureResult = GP_ERROR_CAMERA_BUSY;
    EXPECT_NE(Failure([&] { camera.Capture(); }).find("\"Canon EOS 550D\" is busy"), std::string::npos);
    Recorded->PreviewResult = GP_ERROR_IO_USB_FIND;
    EXPECT_NE(Failure([&] { camera.Preview(); }).find("\"Canon EOS 550D\" is not connected"),
              std::string::npos);
    Recorded->OpenResult = GP_ERROR_IO_USB_CLAIM;
    EXPECT_NE(Failure([&] { TStillCamera again(*Recorded, Eos()); }).find("in use by another program"),
              std::string::npos);
}

TEST_F(StillCameraTest, OffersTheFourSettingsAndWritesThem) {
    TStillCamera camera(*Recorded, Eos());
    std::vector<TStillSetting> settings = camera.Settings();
    ASSERT_EQ(settings.size(), 4u);
    EXPECT_EQ(settings[0].Label, "ISO");
    EXPECT_EQ(settings[0].Value, "400");
    EXPECT_EQ(settings[0].Choices.size(), 6u);
    EXPECT_EQ(settings[1].Label, "Shutter speed");
    EXPECT_EQ(settings[1].Value, "1/60");
    EXPECT_EQ(settings[2].Label, "Aperture");
    EXPECT_EQ(settings[3].Label, "White balance");

    camera.SetSetting("iso", "1600");
    camera.SetSetting("whitebalance", "Tungsten");
    EXPECT_EQ(Recorded->Written, (std::vector<std::pair<std::string, std::string>>{
                                     {"iso", "1600"}, {"whitebalance", "Tungsten"}}));
    EXPECT_EQ(camera.Settings()[0].Value, "1600");

    EXPECT_EQ(Failure([&] { camera.SetSetting("iso", "12800"); }),
              "The camera \"Canon EOS 550D\" does not take \"12800\" for iso.");
    Recorded->SetConfigResult = GP_ERROR_CAMERA_BUSY;
    EXPECT_NE(Failure([&] { camera.SetSetting("iso", "100"); }).find("is busy"), std::string::npos);
}

TEST_F(StillCameraTest, RangesTogglesAndTextSettings) {
    Recorded->Widgets = {
        {"f-number", "F-Number", GP_WIDGET_RANGE, {}, "5.5", 3.5f, 8.0f, 0.5f},
        {"whitebalance", "Auto White Balance", GP_WIDGET_TOGGLE, {}, "1"},
        {"iso", "ISO", GP_WIDGET_TEXT, {}, "200"},
    };
    TStillCamera camera(*Recorded, Eos());
    const std::vector<TStillSetting> settings = camera.Settings();
    ASSERT_EQ(settings.size(), 3u);
    EXPECT_EQ(settings[0].Label, "ISO");
    EXPECT_TRUE(settings[0].ReadOnly);
    EXPECT_EQ(settings[1].Kind, TStillSettingKind::sskRange);
    EXPECT_EQ(settings[1].Value, "5.5");
    EXPECT_EQ(StillSettingValues(settings[1]),
              (std::vector<std::string>{"3.5", "4", "4.5", "5", "5.5", "6", "6.5", "7", "7.5", "8"}));
    EXPECT_EQ(settings[2].Kind, TStillSettingKind::sskToggle);
    EXPECT_EQ(settings[2].Value, "1");

    camera.SetSetting("f-number", "7.5");
    camera.SetSetting("whitebalance", "0");
    EXPECT_EQ(camera.Settings()[1].Value, "7.5");
    EXPECT_EQ(camera.Settings()[2].Value, "0");
    EXPECT_NE(Failure([&] { camera.SetSetting("f-number", "11"); }).find("does not take \"11\""),
              std::string::npos);
    EXPECT_NE(Failure([&] { camera.SetSetting("iso", "400"); }).find("does not take"), std::string::npos);
}
