// The SANE source manager through the scan helper, on a driver that goes wrong on purpose: every
// fault ends the session within the watchdog's limit, with the fault told, and the helper gone.
#include "platform/ScanHelperClient.h"
#include "testsupport/SaneTestBackend.h"
#include "twain/TwainSession.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(ScanHelperTest, ADriverThatFailsEndsTheScanWithinTheLimit) {
    struct Case {
        const char* Failing;
        std::vector<TScanFault> Faults;
        std::vector<double> Limits; // the limit each fault names
        bool Picture;               // the page arrives before the fault
    };
    ::setenv("CELWRIGHT_SCAN_PAGE_SECONDS", "1", 1);
    ::setenv("CELWRIGHT_SCAN_CLOSING_SECONDS", "0.5", 1);
    for (const Case& c : {Case{"", {}, {}, true}, Case{"read", {TScanFault::Timeout}, {1}, false},
                          Case{"close", {TScanFault::Timeout}, {0.5}, true},
                          Case{"crash", {TScanFault::Crash}, {0}, false}}) {
        SCOPED_TRACE(c.Failing);
        UseStuckSaneBackend(c.Failing);
        std::vector<TScanFault> faults;
        std::vector<double> limits;
        TScanHelperSettings settings;
        settings.OnFault = [&](TScanFault fault, double seconds) {
            faults.push_back(fault);
            limits.push_back(seconds);
        };
        SetScanHelperSettings(settings);
        TTwainSession scan;
        scan.SourceManager = {"SANE", &ScanHelperDsmEntry};
        int pictures = 0;
        scan.OnDibReady = [&](TTwainSession&, const TPicture& picture) {
            EXPECT_EQ(picture.Width(), 8);
            ++pictures;
        };
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(scan.Acquire(""));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(faults, c.Faults);
        EXPECT_EQ(pictures, c.Picture ? 1 : 0);
        EXPECT_EQ(scan.State(), 1);
        EXPECT_EQ(limits, c.Limits);
        // The next session starts a helper of its own.
        std::vector<std::string> names;
        EXPECT_EQ(scan.ListSources(names), 0);
        EXPECT_EQ(names, std::vector<std::string>{"Stuck Flatbed"});
    }
    SetScanHelperSettings({});
    ::unsetenv("CELWRIGHT_SCAN_PAGE_SECONDS");
    ::unsetenv("CELWRIGHT_SCAN_CLOSING_SECONDS");
}

// The program's own waiting can be held up (a machine that pauses or is overloaded, a window busy
// with an event): the driver is judged by the time the program was there to wait for it.
TEST(ScanHelperTest, AWaitHeldUpPastTheLimitBlamesOnlyADriverThatNeverAnswers) {
    struct Case {
        const char* Failing;
        std::vector<TScanFault> Faults;
    };
    ::setenv("CELWRIGHT_SCAN_CLOSING_SECONDS", "0.4", 1);
    for (const Case& c : {Case{"slow-close", {}}, Case{"close", {TScanFault::Timeout}}}) {
        SCOPED_TRACE(c.Failing);
        UseStuckSaneBackend(c.Failing);
        std::vector<TScanFault> faults;
        TScanHelperSettings settings;
        // Each look at the helper is held up longer than the closing limit.
        settings.WhileWaiting = [] { std::this_thread::sleep_for(std::chrono::milliseconds(500)); };
        settings.OnFault = [&](TScanFault fault, double) { faults.push_back(fault); };
        SetScanHelperSettings(settings);
        TTwainSession scan;
        scan.SourceManager = {"SANE", &ScanHelperDsmEntry};
        int pictures = 0;
        scan.OnDibReady = [&](TTwainSession&, const TPicture&) { ++pictures; };
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(scan.Acquire(""));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_EQ(faults, c.Faults);
        EXPECT_EQ(pictures, 1);
        EXPECT_EQ(scan.State(), 1);
    }
    SetScanHelperSettings({});
    ::unsetenv("CELWRIGHT_SCAN_CLOSING_SECONDS");
}

} // namespace
