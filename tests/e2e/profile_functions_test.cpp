// The profile-function rows that the fake machine is tested with hold for the real
// functions under Wine too: the fake is trusted exactly where they agree.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "harness.h"

using namespace e2e;

namespace {

// Where Wine 8 is known to differ from the rows (which follow Windows), with the
// exact report line: a changed Wine or a changed row shows up as a failure.
// Wine's ANSI profile functions copy a cut key or section list with one NUL
// after the last (cut) name and leave the buffer's last byte as it was; Windows,
// and Wine's wide functions, end the list with two NULs. SETUP.EXE grows its key
// list block until the list is not cut, so it never relies on that last byte.
const std::set<std::string> kKnownWineDifferences = {
    "DIFF: cut key list returns size-2 and ends with two NULs: buffer \"alpha\\0b\\0*\", expected "
    "\"alpha\\0b\\0\\0\"; ",
    "DIFF: cut key list may drop a whole name: buffer \"abc\\0\\0*\", expected \"abc\\0\\0\\0\"; ",
    "DIFF: cut section list returns size-2 and ends with two NULs: buffer \"Alpha\\0\\0*\", expected "
    "\"Alpha\\0\\0\\0\"; ",
};

}  // namespace

TEST(ProfileFunctions, RealFunctionsAgreeWithEverySharedRow) {
    WineCase wine;
    wine.PutTestBinary("C:\\e2e\\profile_check.exe", "e2e_profile_check.exe");
    ProcessResult r = wine.RunWine({"C:\\e2e\\profile_check.exe", "C:\\e2e\\profile-report.txt"});
    ASSERT_TRUE(r.finished);
    std::string report = wine.ReadFile("C:\\e2e\\profile-report.txt").value_or("<no report>");

    std::set<std::string> differences;
    int rows = 0, ok = 0;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("DIFF: ", 0) == 0) differences.insert(line);
        if (line.rfind("ok: ", 0) == 0) ++ok;
        if (line.rfind("rows: ", 0) == 0) rows = std::stoi(line.substr(6));
    }
    EXPECT_GT(rows, 0) << report;
    EXPECT_EQ(ok + static_cast<int>(differences.size()), rows) << report;
    for (const std::string& d : differences)
        EXPECT_TRUE(kKnownWineDifferences.count(d) != 0) << "disagreement: " << d;
    for (const std::string& known : kKnownWineDifferences)
        EXPECT_TRUE(differences.count(known) != 0) << "no longer differs (drop it from the list): " << known;
    EXPECT_EQ(r.exitCode, static_cast<int>(differences.size())) << report;
}
