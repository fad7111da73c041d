// SETUPCHK.EXE, the win64 build of setupcheck, under wine64: on the sample medium it
// finds what the native build finds, line for line.
#include <gtest/gtest.h>
#include <stdio.h>

#include <sstream>

#include "harness.h"

using namespace e2e;

namespace {

// The findings without the script's path, which names the medium where each program
// sees it: "SETUP.INF:23: note: ..." whether it was "C:\medium\SETUP.INF" or a host path.
std::vector<std::string> Findings(const std::string& output) {
    std::vector<std::string> found;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        size_t at = line.find("SETUP.INF:");
        if (at != std::string::npos) found.push_back(line.substr(at));
    }
    return found;
}

}  // namespace

TEST(SetupCheckUnderWine, Win64BuildFindsWhatTheNativeBuildFinds) {
    std::string native = RunHostCommand(E2eWorkDir() + "/../setupcheck '" + SampleMediumDir() + "'");
    ASSERT_FALSE(Findings(native).empty()) << "the native build finds the sample's note: " << native;

    WineCase wine;
    wine.UseMedium(SampleMediumDir());
    wine.PutFile("C:\\e2e\\SETUPCHK.EXE", ReadHostFile(Win64Dir() + "/SETUPCHK.EXE"));
    ProcessResult r = wine.RunWine({"C:\\e2e\\SETUPCHK.EXE", "C:\\medium"});
    ASSERT_TRUE(r.finished);
    std::string output = ReadHostFile(r.outputFile);
    EXPECT_EQ(r.exitCode, 0) << output;
    EXPECT_EQ(Findings(output), Findings(native)) << output;
    // Line ends are the same bytes too.
    EXPECT_EQ(output.find('\r'), std::string::npos) << output;
}
