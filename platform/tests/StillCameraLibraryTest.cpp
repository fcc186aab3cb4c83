#include "base/Error.h"
#include "platform/StillCamera.h"

#include <gphoto2/gphoto2-port-result.h>
#include <gphoto2/gphoto2-result.h>
#include <gtest/gtest.h>

// libgphoto2 itself, on a machine without a camera.
TEST(StillCameraLibrary, LoadsTheDriversFindsNoCameraAndCannotOpenOne) {
    TGPhotoLibrary library;
    EXPECT_GT(library.KnownModels(), 500) << "the camera drivers' model list did not load";
    EXPECT_TRUE(ListStillCameras(library).empty());
    std::string failure;
    try {
        TStillCamera camera(library, {"Canon EOS 550D", "Canon EOS 550D", "usb:001,004"});
    } catch (const ECwError& error) {
        failure = error.what();
    }
    EXPECT_TRUE(failure.starts_with("The camera \"Canon EOS 550D\" ")) << failure;
    EXPECT_NE(failure.find("is not connected"), std::string::npos) << failure;
}

TEST(StillCameraLibrary, MessagesNameTheCameraWhatIsWrongAndTheLibrarysWords) {
    const struct {
        int Result;
        const char* Says;
        const char* Library;
    } cases[] = {
        {GP_ERROR_CAMERA_BUSY, "is busy", "I/O in progress"},
        {GP_ERROR_IO_USB_CLAIM, "is in use by another program", "Could not claim the USB device"},
        {GP_ERROR_MODEL_NOT_FOUND, "is not connected", "Unknown model"},
        {GP_ERROR_IO_USB_FIND, "is not connected", "Could not find the requested device on the USB port"},
        {GP_ERROR_TIMEOUT, "may be asleep, switched off or unplugged",
         "Timeout reading from or writing to the port"},
        {GP_ERROR_NOT_SUPPORTED, "cannot do this over USB", "Unsupported operation"},
        {GP_ERROR_CORRUPTED_DATA, "reported an error", "Corrupted data"},
    };
    for (const auto& c : cases) {
        const std::string message = StillCameraMessage("Nikon Z 6", c.Result);
        EXPECT_TRUE(message.starts_with("The camera \"Nikon Z 6\" ")) << message;
        EXPECT_NE(message.find(c.Says), std::string::npos) << message;
        EXPECT_TRUE(message.ends_with(std::string("(") + c.Library + ")")) << message;
    }
}
