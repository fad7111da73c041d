// The harness itself: the watcher reads boxes right, answers them in order, flags
// boxes the test did not expect, and a hung program is stopped and reported.
#include <gtest/gtest.h>

#include "harness.h"

using namespace e2e;

TEST(Watcher, ReadsCaptionTextButtonsAndIconOfEachBox) {
    WineCase wine;
    wine.PutTestBinary("C:\\e2e\\showbox.exe", "e2e_showbox.exe");
    SetupOptions question{{"No"}, "24 \"Ask me\" \"Line one\nLine two\""};
    question.program = "C:\\e2e\\showbox.exe";
    SetupRun asked = wine.RunSetup(question);
    EXPECT_EQ(asked.setup.exitCode, 7);  // IDNO reached the program
    EXPECT_EQ(asked.transcript, Transcript({Box{"Ask me", "Line one\nLine two", "YesNo", "question", "No"}}));

    SetupOptions stop{{"OK"}, "10 Failed \"Setup failed for \""};
    stop.program = "C:\\e2e\\showbox.exe";
    EXPECT_EQ(wine.RunSetup(stop).transcript, Transcript({StopBox("Failed", "Setup failed for ")}));

    SetupOptions plain{{"OK"}, "0 Plain Done"};
    plain.program = "C:\\e2e\\showbox.exe";
    EXPECT_EQ(wine.RunSetup(plain).transcript, Transcript({OkBox("Plain", "Done")}));
}

TEST(Watcher, BoxNotCoveredByTheAnswersIsFlaggedAndClosed) {
    WineCase wine;
    wine.PutTestBinary("C:\\e2e\\showbox.exe", "e2e_showbox.exe");
    SetupOptions options{{}, "24 Unasked Question"};
    options.program = "C:\\e2e\\showbox.exe";
    options.failOnTrouble = false;
    SetupRun run = wine.RunSetup(options);
    EXPECT_TRUE(run.setup.finished);
    EXPECT_EQ(run.setup.exitCode, 7);  // closed with No
    EXPECT_TRUE(run.Unexpected());
    EXPECT_EQ(run.transcript, Transcript({Box{"Unasked", "Question", "YesNo", "question", "UNEXPECTED"}}));
}

TEST(Watcher, AnswerThatTheBoxDoesNotOfferIsFlagged) {
    WineCase wine;
    wine.PutTestBinary("C:\\e2e\\showbox.exe", "e2e_showbox.exe");
    SetupOptions options{{"Yes"}, "0 Report Done"};
    options.program = "C:\\e2e\\showbox.exe";
    options.failOnTrouble = false;
    SetupRun run = wine.RunSetup(options);
    EXPECT_EQ(run.transcript, Transcript({Box{"Report", "Done", "OK", "none", "UNEXPECTED (wanted Yes)"}}));
}

TEST(Harness, HungProgramIsStoppedAtItsTimeLimitAndItsPrefixEnded) {
    WineCase wine;
    wine.PutFile("C:\\e2e\\held.txt", "x");
    wine.PutTestBinary("C:\\e2e\\hold.exe", "e2e_holdfile.exe");
    SetupOptions options{{}, "C:\\e2e\\held.txt"};
    options.program = "C:\\e2e\\hold.exe";  // never ends: nobody releases the file
    options.timeoutSeconds = 5;
    options.failOnTrouble = false;
    SetupRun run = wine.RunSetup(options);
    EXPECT_FALSE(run.setup.finished);
    EXPECT_GE(run.setup.seconds, 5.0);
    EXPECT_LT(run.setup.seconds, 30.0);
    EXPECT_TRUE(run.watcherFinished);  // ended with the prefix's server
}

TEST(Harness, ProgramsSeeTheExactCommandTail) {
    WineCase wine;
    wine.PutTestBinary("C:\\e2e\\probe.exe", "e2e_probe.exe");
    SetupOptions options{{}, "/uninst  \"C:\\a b\\c.ini\""};
    options.program = "C:\\e2e\\probe.exe";
    SetupRun run = wine.RunSetup(options);
    std::string record = wine.ReadFile("C:\\e2e\\probe.exe.txt").value_or("");
    EXPECT_NE(record.find("cmdline: C:\\e2e\\probe.exe /uninst  \"C:\\a b\\c.ini\"\n"), std::string::npos) << record;
}

TEST(Harness, RegistryFixturesAreVisibleToQueries) {
    WineCase wine;
    wine.ImportReg("[HKEY_CURRENT_USER\\Software\\SetupE2E]\n\"Dir\"=\"C:\\\\Apps\\\\\"\n");
    EXPECT_EQ(wine.RegQuery("HKCU\\Software\\SetupE2E", "Dir"), "C:\\Apps\\");
    EXPECT_EQ(wine.RegQuery("HKCU\\Software\\SetupE2E", "Missing"), std::nullopt);
}

TEST(Harness, RebootCarriesOutWininitRenamesAndMarksTheRestart) {
    WineCase wine;
    wine.PutFile("C:\\e2e\\staged.new", "new");
    wine.PutFile("C:\\e2e\\target.txt", "old");
    wine.PutFile("C:\\windows\\wininit.ini", "[rename]\r\nC:\\e2e\\target.txt=C:\\e2e\\staged.new\r\n");
    wine.ArmRestartMarker();
    EXPECT_FALSE(wine.Exists("C:\\e2e\\restarted.txt"));
    wine.RebootWindows();
    EXPECT_TRUE(wine.RestartHappened());
    EXPECT_EQ(wine.ReadFile("C:\\e2e\\target.txt"), "new");
    EXPECT_FALSE(wine.Exists("C:\\windows\\wininit.ini"));
}
