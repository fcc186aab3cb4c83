// Opens sheets whose texts come from the input in the main window, offscreen. The input's lines are
// the first layer's caption, its folder's name, a cel name, a phoneme and the sound file's name.
// Every label and tool tip must show them as they are, and no window may read "bait.png", the file
// that markup in them names (relative names resolve in the private folder, the current one). Each
// input has a window of its own, gone before the next: none is left when the fuzzer exits, for by
// the time static destructors run the toolkit's own objects may be gone.
#include "FuzzFiles.h"
#include "app/MainWindow.h"
#include "app/SheetFiles.h"
#include "testsupport/FileWatch.h"
#include "testsupport/PlainTextCheck.h"
#include "ui/ErrorBox.h"

#include <QApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

TAppFolders Folders;
std::unique_ptr<TFileWatch> BaitWatch;

// A line as the sheet file can hold it: on one line, and without the quote that ends an attribute.
std::string Storable(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n' || c == '"')
            c = '\'';
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    const auto folder = FuzzFolder();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    ::setenv("HOME", folder.c_str(), 1);
    std::filesystem::create_directories(folder / "user/Celwright/3.0");
    WriteFuzzFile("bait.png", reinterpret_cast<const std::uint8_t*>("bait"), 4);
    std::filesystem::current_path(folder);
    new QApplication(*argc, *argv);
    ErrorBoxOverride() = [](const QString&) {};
    Folders = {QString(CELWRIGHT_SOURCE_DIR) + "/", QString::fromStdString((folder / "user/Celwright/3.0/").string())};
    BaitWatch = std::make_unique<TFileWatch>((folder / "bait.png").string());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> texts(5);
    std::size_t field = 0;
    for (std::size_t i = 0; i < size && field < texts.size(); ++i) {
        if (data[i] == '\n')
            ++field;
        else
            texts[field] += static_cast<char>(data[i]);
    }
    const auto folder = FuzzFolder();
    const std::string& caption = texts[0];
    // The layer's folder is made when its name is one folder's name; otherwise it is missing.
    const std::string layerName = texts[1].empty() || texts[1].find('/') != std::string::npos ||
                                          texts[1] == "." || texts[1] == ".." || texts[1].size() > 200
                                      ? "layer"
                                      : Storable(texts[1]);
    std::error_code ignored;
    std::filesystem::create_directory(folder / layerName, ignored);
    const std::string sheet =
        "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>12</fps>\r\n</settings>\r\n<audio>\r\n"
        "\t<audiofile>" + (folder / "sound").string() + Storable(texts[4]) + ".wav</audiofile>\r\n"
        "\t<phonemes>\r\n\t\t<phoneme row=\"1\">" + Storable(texts[3]) + "</phoneme>\r\n\t</phonemes>\r\n"
        "</audio>\r\n<layers cols=\"1\">\r\n\t<layer col=\"1\" caption=\"" + Storable(caption) + "\" dir=\"" +
        (folder / layerName).string() + "/\" color=\"0\" visible=\"1\">\r\n"
        "\t\t<cel col=\"1\" row=\"1\" duration=\"2\">" + Storable(texts[2]) + "</cel>\r\n"
        "\t</layer>\r\n</layers>\r\n</xsheet>\r\n";
    const auto path = WriteFuzzFile("hostile.xps", reinterpret_cast<const std::uint8_t*>(sheet.data()), sheet.size());
    {
        TMainWindow window(Folders);
        window.show();
        window.Files().OpenDocument(QString::fromStdString(path.string()));
        QApplication::processEvents();
        if (!RichRenderings().isEmpty())
            std::abort();
    }
    // What the window left to be deleted goes now, while the application runs.
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (BaitWatch->Events() != 0)
        std::abort();
    return 0;
}
