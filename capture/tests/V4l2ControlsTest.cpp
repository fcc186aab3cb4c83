#include "FakeCamera.h"
#include "capture/VideoGrabber.h"

#include <gtest/gtest.h>

TEST(V4l2Controls, QueriesListsAndSetsThroughIoctl) {
    TFakeCamera camera;
    auto device = camera.Device();

    const auto contrast = device->Query(V4L2_CID_CONTRAST);
    ASSERT_TRUE(contrast);
    EXPECT_EQ(contrast->Name, "Contrast");
    EXPECT_EQ(contrast->Minimum, 0);
    EXPECT_EQ(contrast->Maximum, 95);
    EXPECT_EQ(contrast->Default, 32);
    EXPECT_EQ(contrast->Value, 32);
    EXPECT_FALSE(device->Query(V4L2_CID_HUE));

    const std::vector<TV4l2Control> all = device->List();
    ASSERT_EQ(all.size(), camera.Controls.size());
    const auto exposure = std::find_if(all.begin(), all.end(),
                                       [](const TV4l2Control& c) { return c.Id == V4L2_CID_EXPOSURE_AUTO; });
    ASSERT_NE(exposure, all.end());
    EXPECT_EQ(exposure->Type, TV4l2ControlType::ctMenu);
    ASSERT_EQ(exposure->Menu.size(), 2u); // entries the driver skips are left out
    EXPECT_EQ(exposure->Menu[0].Index, 1);
    EXPECT_EQ(exposure->Menu[0].Name, "Manual Mode");

    EXPECT_TRUE(device->Set(V4L2_CID_EXPOSURE_AUTO, 1));
    EXPECT_FALSE(device->Set(V4L2_CID_CONTRAST, 500));
    EXPECT_EQ(device->Query(V4L2_CID_EXPOSURE_AUTO)->Value, 1);
}

TEST(V4l2Controls, GrabberPropertiesFollowTheCameraAndMissingOnesAreUnavailable) {
    TFakeCamera camera;
    TVideoGrabber grabber(false, false);
    EXPECT_FALSE(grabber.PropertyAvailable(TVideoProperty::Brightness)); // no camera at all
    EXPECT_FALSE(grabber.DialogAvailable(TCameraDialog::Device));
    grabber.SetControlDevice(camera.Device());

    EXPECT_TRUE(grabber.PropertyAvailable(TVideoProperty::Brightness));
    EXPECT_EQ(grabber.PropertyMinimum(TVideoProperty::Brightness), -64);
    EXPECT_EQ(grabber.PropertyStep(TVideoProperty::WhiteBalance), 10);
    EXPECT_EQ(grabber.PropertyDefault(TVideoProperty::WhiteBalance), 4600);
    EXPECT_FALSE(grabber.PropertyAvailable(TVideoProperty::Hue));
    EXPECT_FALSE(grabber.PropertyAvailable(TVideoProperty::Gamma));
    EXPECT_EQ(grabber.PropertyValue(TVideoProperty::Hue), 0);
    EXPECT_FALSE(grabber.SetProperty(TVideoProperty::Hue, 3));
    EXPECT_TRUE(grabber.SetProperty(TVideoProperty::BacklightCompensation, 2));
    EXPECT_EQ(grabber.PropertyValue(TVideoProperty::BacklightCompensation), 2);
    EXPECT_TRUE(grabber.DialogAvailable(TCameraDialog::Device));
    EXPECT_FALSE(grabber.DialogAvailable(TCameraDialog::Crossbar));
}
