// The progress window on the fake machine: creation from template 100, centring,
// the file line and its 50-character rule, and a window that cannot be created.
#include "ui/progress_window.h"

#include <gtest/gtest.h>

#include <string>

#include "actions/file_install.h"
#include "fake/fake_machine.h"
#include "setup/setup_context.h"

namespace {

using fake::M;

class ProgressWindow : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }

    static void Start(const std::string& script = "[SETUP]\r\nProduct=Widget\r\n") {
        fake::SetScript(script);
        InitSetupContext("SETUP.INF");
    }

    static fake::Window& Shown() { return M().windows.at(g_Setup.ProgressWindow); }
    static std::string FileLine() { return Shown().controlText.at(102); }

    // A path of exactly `length` characters whose characters all differ from their
    // neighbours, split into TARGETDIR (with its backslash) and TARGETFILE.
    static std::string SetPathOfLength(size_t length) {
        std::string path = "C:\\";
        while (path.size() < length - 6) path += static_cast<char>('a' + path.size() % 26);
        path += "\\F.DLL";
        g_Setup.TARGETDIR.Assign(path.substr(0, path.size() - 5));
        g_Setup.TARGETFILE.Assign("F.DLL");
        return path;
    }

    static int CallIndex(const std::string& text, int from = 0) {
        for (size_t i = static_cast<size_t>(from); i < M().calls.size(); ++i)
            if (M().calls[i].compare(0, text.size(), text) == 0) return static_cast<int>(i);
        return -1;
    }
};

// --- Creation --------------------------------------------------------------------------

TEST_F(ProgressWindow, IsCreatedFromTemplate100WithProductCaptionAndEmptyFileLine) {
    Start();
    EXPECT_EQ(CreateProgressWindow(), 1);
    ASSERT_NE(g_Setup.ProgressWindow, nullptr);
    EXPECT_EQ(fake::CallsStartingWith("CreateDialogParamA"), std::vector<std::string>{"CreateDialogParamA 100"});
    EXPECT_EQ(Shown().caption, "Widget");
    EXPECT_EQ(Shown().controlText.at(101), "Copying files");
    EXPECT_EQ(FileLine(), "");
    EXPECT_EQ(Shown().moveCount, 1);
    // Centred at creation, before anything else is asked of the window.
    EXPECT_LT(CallIndex("MoveWindow"), CallIndex("SetWindowTextA"));
}

TEST_F(ProgressWindow, CaptionIsProductWhenTheScriptNamesNone) {
    Start("");
    CreateProgressWindow();
    EXPECT_EQ(Shown().caption, "product");
}

TEST_F(ProgressWindow, DialogProcedureHandlesOnlyInitialisation) {
    Start();
    CreateProgressWindow();
    size_t callsBefore = M().calls.size();
    for (UINT message : {0x0010u /* WM_CLOSE */, 0x0111u /* WM_COMMAND */, 0x000Fu /* WM_PAINT */})
        EXPECT_EQ(ProgressDialogProc(g_Setup.ProgressWindow, message, 0, 0), FALSE);
    EXPECT_EQ(M().calls.size(), callsBefore);
    EXPECT_EQ(ProgressDialogProc(g_Setup.ProgressWindow, WM_INITDIALOG, 0, 0), TRUE);
}

TEST_F(ProgressWindow, WindowThatCannotBeCreatedLeavesTheInstallationUnchanged) {
    fake::SetScript("[SETUP]\r\nProduct=Widget\r\n[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\nTargetDir=C:\\APP\r\n");
    InitSetupContext("SETUP.INF");
    fake::WriteFile("C:\\MEDIA\\LIB.DLL", "lib");
    fake::FailAlways("CreateDialogParamA");
    EXPECT_EQ(CreateProgressWindow(), 1);
    EXPECT_EQ(g_Setup.ProgressWindow, nullptr);
    EXPECT_EQ(ShowProgressFile(), 0);
    EXPECT_EQ(DestroyProgressWindow(), 1);

    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_EQ(fake::ReadFile("C:\\APP\\LIB.DLL"), std::optional<std::string>("lib"));
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_EQ(fake::CountCalls("SetDlgItemTextA"), 0);
    EXPECT_EQ(fake::CountCalls("DestroyWindow"), 0);
    EXPECT_EQ(fake::CountCalls("PeekMessageA"), 0);
}

TEST_F(ProgressWindow, DestroyRemovesTheWindowOnce) {
    Start();
    CreateProgressWindow();
    HWND window = g_Setup.ProgressWindow;
    EXPECT_EQ(DestroyProgressWindow(), 1);
    EXPECT_EQ(g_Setup.ProgressWindow, nullptr);
    EXPECT_TRUE(M().windows.at(window).destroyed);
    EXPECT_EQ(DestroyProgressWindow(), 1);
    EXPECT_EQ(fake::CountCalls("DestroyWindow"), 1);
    EXPECT_EQ(ShowProgressFile(), 0);
}

// --- Centring ---------------------------------------------------------------------------

struct CentreRow {
    int screenWidth, screenHeight, width, height;
    int x, y;
};

constexpr CentreRow kCentreRows[] = {
    {800, 600, 421, 95, 192, 252},   // (800 - 421) / 2 = 189, + 4 = 193, aligned down to 192
    {640, 480, 631, 95, 8, 192},     // 4 + 4
    {640, 480, 700, 95, 0, 192},     // wider than the screen: -30 + 4 = -26 goes to -32, then 0
    {640, 480, 421, 95, 112, 192},   // 109 + 4 = 113 -> 112
    {800, 600, 792, 95, 8, 252},     // exactly 4: halfway goes up
    {800, 600, 794, 95, 0, 252},     // 3 + 4 = 7 -> 0
    {640, 480, 640, 480, 0, 0},      // as large as the screen
    {640, 480, 421, 500, 112, 0},    // higher than the screen: y is never negative
    {1024, 768, 421, 96, 304, 336},  // 301 + 4 = 305 -> 304
    {640, 480, 421, 94, 112, 193},   // (480 - 94) / 2 = 193: no alignment of y
};

TEST_F(ProgressWindow, CentringFollowsTheAlignmentArithmetic) {
    for (const CentreRow& row : kCentreRows) {
        SCOPED_TRACE(::testing::Message()
                     << row.width << "x" << row.height << " on " << row.screenWidth << "x" << row.screenHeight);
        fake::Reset();
        Start();
        M().screenWidth = row.screenWidth;
        M().screenHeight = row.screenHeight;
        M().dialogPixelWidth = row.width;
        M().dialogPixelHeight = row.height;
        CreateProgressWindow();
        const RECT& r = Shown().rect;
        EXPECT_EQ(r.left, row.x);
        EXPECT_EQ(r.top, row.y);
        EXPECT_EQ(r.right - r.left, row.width);
        EXPECT_EQ(r.bottom - r.top, row.height);
    }
}

TEST_F(ProgressWindow, CentringIgnoresWhereTheWindowWas) {
    Start();
    CreateProgressWindow();
    Shown().rect = RECT{1000, -400, 1421, -305};
    CentreWindow(g_Setup.ProgressWindow);
    EXPECT_EQ(Shown().rect.left, 192);
    EXPECT_EQ(Shown().rect.top, 252);
    EXPECT_EQ(Shown().rect.right, 192 + 421);
    EXPECT_EQ(Shown().rect.bottom, 252 + 95);
    EXPECT_EQ(Shown().moveCount, 2);
}

// --- The file line ----------------------------------------------------------------------

TEST_F(ProgressWindow, PathOfFiftyCharactersIsShownWhole) {
    Start();
    CreateProgressWindow();
    std::string path = SetPathOfLength(50);
    EXPECT_EQ(ShowProgressFile(), 1);
    EXPECT_EQ(FileLine(), path);
}

TEST_F(ProgressWindow, LongerPathsShowFirstThreeEllipsisAndLastFortyFour) {
    for (size_t length : {51u, 52u, 60u, 200u, 259u}) {
        SCOPED_TRACE(length);
        fake::Reset();
        Start();
        CreateProgressWindow();
        std::string path = SetPathOfLength(length);
        ASSERT_EQ(path.size(), length);
        EXPECT_EQ(ShowProgressFile(), 1);
        EXPECT_EQ(FileLine(), path.substr(0, 3) + "..." + path.substr(length - 44));
        EXPECT_EQ(FileLine().size(), 50u);
    }
}

TEST_F(ProgressWindow, SixtyCharacterPathShowsItsCharacters17To60) {
    Start();
    CreateProgressWindow();
    g_Setup.TARGETDIR.Assign("C:\\0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJ");
    g_Setup.TARGETFILE.Assign("KLMNOPQRST");
    ShowProgressFile();
    // C:\0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJ\KLMNOPQRST is 60 characters;
    // its 17th is the 'd'.
    EXPECT_EQ(FileLine(), "C:\\...defghijklmnopqrstuvwxyzABCDEFGHIJ\\KLMNOPQRST");
}

TEST_F(ProgressWindow, PathTooLongForMaxPathIsShownShortenedNotCut) {
    Start();
    CreateProgressWindow();
    std::string directory = "C:\\" + std::string(250, 'd');
    g_Setup.TARGETDIR.Assign(directory);
    g_Setup.TARGETFILE.Assign("LAST-NAME-OF-TWENTY.X");
    EXPECT_EQ(ShowProgressFile(), 1);
    EXPECT_EQ(FileLine(), "C:\\..." + std::string(22, 'd') + "\\LAST-NAME-OF-TWENTY.X");
}

TEST_F(ProgressWindow, PendingMessagesOfTheWindowAreProcessedAfterEachUpdate) {
    Start();
    CreateProgressWindow();
    HWND progress = g_Setup.ProgressWindow;
    HWND other = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7770));
    M().pendingMessages.push_back(MSG{progress, 0x000F /* WM_PAINT */, 0, 0, 0, {0, 0}});
    M().pendingMessages.push_back(MSG{other, 0x0100 /* WM_KEYDOWN */, 0, 0, 0, {0, 0}});
    M().pendingMessages.push_back(MSG{progress, 0x0014 /* WM_ERASEBKGND */, 0, 0, 0, {0, 0}});
    SetPathOfLength(30);
    ShowProgressFile();

    int update = CallIndex("SetDlgItemTextA 102 C:");
    ASSERT_GE(update, 0);
    EXPECT_GT(CallIndex("PeekMessageA", update), update);
    ASSERT_EQ(M().dispatchedMessages.size(), 2u);
    EXPECT_EQ(M().dispatchedMessages[0].hwnd, progress);
    EXPECT_EQ(M().dispatchedMessages[0].message, 0x000Fu);
    EXPECT_EQ(M().dispatchedMessages[1].message, 0x0014u);
    // Another window's message is not ours to take: there is no message loop.
    ASSERT_EQ(M().pendingMessages.size(), 1u);
    EXPECT_EQ(M().pendingMessages[0].hwnd, other);
    EXPECT_EQ(fake::CountCalls("IsDialogMessageA"), 2);
    EXPECT_EQ(fake::CountCalls("TranslateMessage"), 2);
}

TEST_F(ProgressWindow, AWindowThatKeepsProducingMessagesDoesNotHoldTheInstallation) {
    Start();
    CreateProgressWindow();
    for (int i = 0; i < 1000; ++i) M().pendingMessages.push_back(MSG{g_Setup.ProgressWindow, 0x000F, 0, 0, 0, {0, 0}});
    SetPathOfLength(30);
    EXPECT_EQ(ShowProgressFile(), 1);
    EXPECT_LT(M().dispatchedMessages.size(), 1000u);
    EXPECT_GT(M().dispatchedMessages.size(), 0u);
}

TEST_F(ProgressWindow, EachEntryOfThePhaseIsShownBeforeItsCopy) {
    fake::SetScript(
        "[SETUP]\r\nProduct=Widget\r\n[AddFiles.WIN32]\r\nA.DLL=\r\nB.DLL=\r\n"
        "[A.DLL]\r\nTargetDir=C:\\APP\r\n[B.DLL]\r\nTargetDir=C:\\OTHER\\\r\n");
    InitSetupContext("SETUP.INF");
    fake::WriteFile("C:\\MEDIA\\A.DLL", "a");
    fake::WriteFile("C:\\MEDIA\\B.DLL", "b");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    int first = CallIndex("SetDlgItemTextA 102 C:\\APP\\A.DLL");
    int second = CallIndex("SetDlgItemTextA 102 C:\\OTHER\\B.DLL");
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    EXPECT_LT(first, CallIndex("VerInstallFileA A.DLL"));
    EXPECT_LT(CallIndex("VerInstallFileA A.DLL"), second);
    EXPECT_LT(second, CallIndex("VerInstallFileA B.DLL"));
    EXPECT_EQ(fake::CountCalls("CreateDialogParamA"), 1);
    EXPECT_EQ(g_Setup.ProgressWindow, nullptr);
}

}  // namespace
