// The command line of the real SETUP.EXE under Wine: /uninst in its forms, an
// unknown option and a long quoted argument change nothing about an installation.
// Every tail must give the same boxes, files and uninstall log as no tail at all.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "harness.h"

using namespace e2e;

namespace {

const char* const kProduct = "Args Demo";
const char* const kLogPath = "C:\\windows\\ARGSUN.INI";

struct TailCase {
    const char* name;
    std::string tail;
};

// Test listings show a row by its name, not as a dump of its bytes.
void PrintTo(const TailCase& row, std::ostream* out) { *out << row.name; }

class CommandLine : public ::testing::TestWithParam<TailCase> {};

TEST_P(CommandLine, InstallationIsTheSameAsWithoutArguments) {
    WineCase wine("nt40");
    wine.SetupInf(std::string("[SETUP]\r\nProduct=") + kProduct +
                  "\r\nInitialPrompt=1\r\nUninstFile=ARGSUN.INI\r\n"
                  "[AddFiles.WIN32]\r\nviewer.txt=\r\nreadme.txt=\r\n"
                  "[viewer.txt]\r\nTargetDir=C:\\Args\\\r\n");
    wine.MediumFile("viewer.txt", "viewer");
    wine.MediumFile("readme.txt", "readme");
    const std::vector<std::string> mediumBefore = wine.ListDir("C:\\medium");

    SetupOptions options;
    options.answers = {"Yes", "OK"};
    options.commandTail = GetParam().tail;
    SetupRun run = wine.RunSetup(options);

    EXPECT_TRUE(run.setup.finished);
    EXPECT_EQ(run.setup.exitCode, 0);
    EXPECT_EQ(run.transcript,
              Transcript({QuestionBox(kProduct, std::string("This will install ") + kProduct +
                                                    ". Do you wish to continue?",
                                      "Yes"),
                          OkBox(kProduct, "Setup completed successfully")}));
    EXPECT_EQ(wine.ListDir("C:\\Args"), (std::vector<std::string>{"readme.txt", "viewer.txt"}));
    EXPECT_EQ(wine.ReadFile("C:\\Args\\viewer.txt"), "viewer");
    EXPECT_EQ(wine.ReadFile("C:\\Args\\readme.txt"), "readme");
    EXPECT_EQ(wine.ListDir("C:\\medium"), mediumBefore);
    EXPECT_EQ(wine.ReadFile(kLogPath),
              "[UNINST]\r\nProduct=Args Demo\r\n"
              "[UninstCreatedDirs]\r\nC:\\Args\\=\r\n"
              "[UninstFiles]\r\nC:\\Args\\viewer.txt=\r\nC:\\Args\\readme.txt=\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Tails, CommandLine,
    ::testing::Values(TailCase{"NoArguments", ""}, TailCase{"Uninst", "/uninst"},
                      TailCase{"UninstUpperCaseWithValue", "-UNINST:abc"},
                      TailCase{"UnknownOption", "/unknown x"},
                      TailCase{"LongQuotedArgument",
                               "\"C:\\a long quoted argument " + std::string(300, 'x') + "\" tail"}),
    [](const ::testing::TestParamInfo<TailCase>& info) { return std::string(info.param.name); });

}  // namespace
