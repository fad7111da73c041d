// The harness itself: the watcher reads boxes right, answers them in order, flags
// boxes the test did not expect, and a hung program is stopped and reported.
#include "harness.h"

#include <gtest/gtest.h>

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

// The 32-bit set runs this too: a 64-bit program or SETUP.EXE slipped into it would
// make every 32-bit case prove nothing.
TEST(Harness, ProgramsRunWithThePointerSizeOfTheBuildUnderTest) {
    WineCase wine;
    wine.PutTestBinary("C:\\e2e\\probe.exe", "e2e_probe.exe");
    ProcessResult result = wine.RunWine({"C:\\e2e\\probe.exe"}, 60);
    ASSERT_TRUE(result.finished);
    std::string record = wine.ReadFile("C:\\e2e\\probe.exe.txt").value_or("");
    bool win32 = BuildUnderTest() == BuildKind::Win32;
    EXPECT_NE(record.find(win32 ? "\nbits: 32\nwow64: yes\n" : "\nbits: 64\nwow64: no\n"), std::string::npos) << record;
    // PE machine field: i386 or x86_64.
    std::string setup = wine.ReadFile("C:\\medium\\SETUP.EXE").value_or("");
    ASSERT_GT(setup.size(), 0x40u);
    size_t pe = static_cast<unsigned char>(setup[0x3c]) | static_cast<unsigned char>(setup[0x3d]) << 8;
    ASSERT_GT(setup.size(), pe + 6);
    EXPECT_EQ(setup.substr(pe + 4, 2), win32 ? std::string("\x4c\x01", 2) : std::string("\x64\x86", 2));
}

TEST(Harness, TranscriptsOfThe32BitBuildKeepTextsAndAnswersButNotIconsOrGeometry) {
    struct Row {
        const char* line;
        const char* kept;
    };
    const Row rows[] = {
        // Icons cannot be told apart in WoW64 mode: every icon reads the same.
        {"icon: question", "icon: -"},
        {"icon: none?", "icon: -"},
        // The progress window's labels are read from its controls and stay; its size
        // comes from text measurement, which fails there.
        {"progress: caption=Demo; label=Copying files; file=C:\\\\x; rect=1,2,3,4; screen=1024,768",
         "progress: caption=Demo; label=Copying files; file=C:\\\\x"},
        // Whether it was visible is not drawing.
        {"progress: caption=Demo; label=L; file=F; rect=1,2,3,4; screen=1024,768; hidden",
         "progress: caption=Demo; label=L; file=F; hidden"},
        {"progress: none", "progress: none"},
        // Texts, buttons and answers as they are, even when they look like the above.
        {"text: icon: question; rect=1,2,3,4", "text: icon: question; rect=1,2,3,4"},
        {"buttons: YesNo", "buttons: YesNo"},
        {"answer: UNEXPECTED (wanted Yes)", "answer: UNEXPECTED (wanted Yes)"},
        {"", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(WithoutDrawing(std::string(row.line) + "\n"), std::string(row.kept) + "\n") << row.line;
}
