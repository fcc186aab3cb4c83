// One QApplication for all the widget tests of a test program.
#include <QApplication>

#include <gtest/gtest.h>

namespace {
class TQtEnvironment : public testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "celwright_tests";
        static char* argv[] = {name, nullptr};
        App = new QApplication(argc, argv);
    }
    void TearDown() override {
        delete App;
        App = nullptr;
    }

private:
    QApplication* App = nullptr;
};

[[maybe_unused]] testing::Environment* const kEnvironment = testing::AddGlobalTestEnvironment(new TQtEnvironment);
} // namespace
