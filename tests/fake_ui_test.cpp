// The fake machine's user interface: the string table as the resource script holds
// it, wsprintfA, message boxes and the modeless dialog.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "ui/resource_ids.h"

namespace {

using fake::M;

HINSTANCE const kInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));

class FakeUi : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
};

// --- the string table -------------------------------------------------------------

struct CatalogueText {
    UINT id;
    const char* text;
};

// Every message of the catalogue, as the user must read it.
const CatalogueText kCatalogue[] = {
    {200, "%s requires Windows 95 (%u.0) or NT %u.0"},
    {201, "This will install %s. Do you wish to continue?"},
    {202, "Setup completed successfully"},
    {203, "Setup failed for %s"},
    {204, "The system needs to be restarted to activate the changes.  Do you want to restart now?"},
    {205, "The source file %s is older than the destination file. \nDo you want to keep the existing file?"},
    {206, "Copy Error (%lx) "},
    {220, "Cannot read destination. "},
    {221, "Cannot read source. "},
    {222, "Out of memory. "},
    {223, "Cannot delete current file. "},
    {224, "Out of disk space. "},
    {225, "Disk write protected. "},
    {226, "Cannot create file. "},
    {227, "Cannot rename file. "},
    {228, "Cannot delete file. "},
    {229, "Access violation. "},
    {230, "Different type. "},
    {231, "Different code page. "},
    {232, "Different language. "},
    {233, "Buffer too small. "},
    {240, "Setup Copy Error"},
    {241, "File Copy Failed"},
    {242, "Unable to open file"},
    {243, "Execution failed"},
    {244,
     "The Setup Program has detected a Netscape installation at \n\n%s\n\nInstall/Update the Tarvex Drovane "
     "plugin in this installation?"},
};

TEST_F(FakeUi, EveryCatalogueTextLoadsExactlyFromTheResourceScript) {
    for (const CatalogueText& entry : kCatalogue) {
        SCOPED_TRACE(entry.id);
        char buffer[256];
        memset(buffer, '*', sizeof buffer);
        int n = LoadStringA(kInstance, entry.id, buffer, sizeof buffer);
        EXPECT_EQ(n, static_cast<int>(strlen(entry.text)));
        EXPECT_STREQ(buffer, entry.text);
    }
    // Nothing else is in the table.
    EXPECT_EQ(fake::StringTable().size(), sizeof kCatalogue / sizeof kCatalogue[0]);
}

TEST_F(FakeUi, UnusedIdsLoadNothing) {
    for (UINT id : {199u, 207u, 219u, 234u, 239u, 245u}) {
        char buffer[16] = "unchanged";
        EXPECT_EQ(LoadStringA(kInstance, id, buffer, sizeof buffer), 0) << id;
        EXPECT_STREQ(buffer, "") << id;
    }
}

TEST_F(FakeUi, LoadedTextIsCutToTheBufferWithItsTerminator) {
    char buffer[12];
    memset(buffer, '*', sizeof buffer);
    EXPECT_EQ(LoadStringA(kInstance, IDS_SETUP_SUCCEEDED, buffer, 10), 9);
    EXPECT_STREQ(buffer, "Setup com");
    EXPECT_EQ(buffer[10], '*');
}

// --- wsprintfA ----------------------------------------------------------------------

TEST_F(FakeUi, WsprintfFormatsTheCatalogueConversions) {
    char out[1100];
    EXPECT_EQ(wsprintfA(out, "%s requires Windows 95 (%u.0) or NT %u.0", "product", 4u, 4u), 43);
    EXPECT_STREQ(out, "product requires Windows 95 (4.0) or NT 4.0");
    wsprintfA(out, "Copy Error (%lx) ", static_cast<unsigned long>(0x20000));
    EXPECT_STREQ(out, "Copy Error (20000) ");
    wsprintfA(out, "%lx|%x|%lu|%ld|%d|%c|%%|%s", static_cast<unsigned long>(0xFFFFFFFF), 0x1Au, 4000000000ul, -7l, -12,
              'Q', "100%");
    EXPECT_STREQ(out, "ffffffff|1a|4000000000|-7|-12|Q|%|100%");
}

TEST_F(FakeUi, WsprintfWritesAtMost1024BytesWithTheTerminator) {
    std::string longText(2000, 'x');
    std::vector<char> out(1200, '*');
    EXPECT_EQ(wsprintfA(out.data(), "%s!", longText.c_str()), 1023);
    EXPECT_EQ(out[1023], '\0');
    EXPECT_EQ(out[1022], 'x');
    EXPECT_EQ(out[1024], '*');
}

// --- message boxes and the dialog ---------------------------------------------------

std::vector<UINT> g_DialogMessages;
INT_PTR RecordingProc(HWND window, UINT message, WPARAM, LPARAM) {
    g_DialogMessages.push_back(message);
    if (message == WM_INITDIALOG) SetWindowTextA(window, "Widget");
    return message == WM_INITDIALOG;
}

TEST_F(FakeUi, DialogFromTemplate100HasItsControlsAndIsInitialised) {
    g_DialogMessages.clear();
    HWND dialog = CreateDialogParamA(kInstance, MAKEINTRESOURCEA(100), nullptr, RecordingProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(g_DialogMessages, std::vector<UINT>{WM_INITDIALOG});
    const fake::Window& window = M().windows[dialog];
    EXPECT_EQ(window.caption, "Widget");
    EXPECT_EQ(window.controlText.at(101), "Copying files");
    EXPECT_EQ(window.controlText.at(102), "Filename");
    RECT rect;
    ASSERT_TRUE(GetWindowRect(dialog, &rect));
    EXPECT_EQ(rect.right - rect.left, M().dialogPixelWidth);
    EXPECT_EQ(rect.bottom - rect.top, M().dialogPixelHeight);
    EXPECT_TRUE(MoveWindow(dialog, 192, 252, rect.right - rect.left, rect.bottom - rect.top, TRUE));
    ASSERT_TRUE(GetWindowRect(dialog, &rect));
    EXPECT_EQ(rect.left, 192);
    EXPECT_EQ(rect.top, 252);
    EXPECT_FALSE(SetDlgItemTextA(dialog, 103, "no such control"));
}

TEST_F(FakeUi, UnknownTemplateOrInjectedFailureCreatesNoWindow) {
    EXPECT_EQ(CreateDialogParamA(kInstance, MAKEINTRESOURCEA(101), nullptr, RecordingProc, 0), nullptr);
    fake::FailCall("CreateDialogParamA");
    EXPECT_EQ(CreateDialogParamA(kInstance, MAKEINTRESOURCEA(100), nullptr, RecordingProc, 0), nullptr);
    EXPECT_TRUE(M().windows.empty());
}

TEST_F(FakeUi, MessageBoxRecordsTheProgressWindowAsItIsThen) {
    HWND dialog = CreateDialogParamA(kInstance, MAKEINTRESOURCEA(100), nullptr, RecordingProc, 0);
    SetDlgItemTextA(dialog, 102, "C:\\APP\\A.DLL");
    EXPECT_EQ(MessageBoxA(nullptr, "first", "Caption", MB_OK), IDOK);
    DestroyWindow(dialog);
    EXPECT_FALSE(SetDlgItemTextA(dialog, 102, "after"));
    MessageBoxA(nullptr, "second", "Caption", MB_OK);
    ASSERT_EQ(M().boxes.size(), 2u);
    EXPECT_TRUE(M().boxes[0].progressWindowExists);
    EXPECT_EQ(M().boxes[0].progressCaption, "Widget");
    EXPECT_EQ(M().boxes[0].progressFileLine, "C:\\APP\\A.DLL");
    EXPECT_FALSE(M().boxes[1].progressWindowExists);
}

TEST_F(FakeUi, QuestionsTakeTheScriptedAnswersInOrderAndCountUnansweredOnes) {
    M().answers = {IDNO, IDYES};
    EXPECT_EQ(MessageBoxA(nullptr, "q1", "c", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "info", "c", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "q2", "c", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "q3", "c", MB_YESNO | MB_ICONQUESTION), 0);
    EXPECT_EQ(M().unansweredQuestions, 1);
    ASSERT_EQ(M().boxes.size(), 4u);
    EXPECT_EQ(M().boxes[0].style, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(M().boxes[3].answer, 0);
}

}  // namespace
