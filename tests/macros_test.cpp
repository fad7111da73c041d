// %NAME% expansion: the one left-to-right pass, the live setup buffers, the process
// environment behind them, and the fixed limits.
#include "script/macros.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fake/fake_machine.h"
#include "setup/setup_context.h"

namespace {

using fake::M;

class Macros : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        g_Setup.SRCDIR.Assign("C:\\MEDIA\\");
        g_Setup.INFFILE.Assign("C:\\MEDIA\\SETUP.INF");
        g_Setup.WINDIR.Assign("C:\\WINDOWS\\");
        g_Setup.WINSYSDIR.Assign("C:\\WINDOWS\\SYSTEM\\");
        g_Setup.PRODUCTNAME.Assign("Sample");
    }

    // The expansion of `text` in a path buffer; `whole` receives the result of
    // ExpandMacros, which must otherwise be 1 (the text fitted).
    static std::string Expand(const std::string& text, int* whole = nullptr) {
        PathText buffer;
        EXPECT_TRUE(buffer.Assign(text)) << "test text too long: " << text;
        int result = ExpandMacros(buffer);
        if (whole != nullptr)
            *whole = result;
        else
            EXPECT_EQ(result, 1) << text;
        return buffer.c_str();
    }

    // The expansion of `text` in a block of its own, or "<refused>".
    static std::string ExpandToBlock(const std::string& text, size_t maxChars = 32767) {
        char* block = reinterpret_cast<char*>(1);
        if (!ExpandMacrosToBlock(text, maxChars, &block)) {
            EXPECT_EQ(block, nullptr);
            return "<refused>";
        }
        std::string result = block != nullptr ? block : "";
        if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
        return result;
    }
};

struct Case {
    const char* input;
    const char* expected;
};

TEST_F(Macros, PercentSignsPairFromTheLeft) {
    fake::SetEnvironment("A", "1");
    fake::SetEnvironment("B", "2");
    fake::SetEnvironment("C", "3");
    const Case cases[] = {
        {"", ""},
        {"plain text", "plain text"},
        {"%A%B%C%", "1B3"},
        {"%A%%B%", "12"},
        {"x%A%y%B%z", "x1y2z"},
        {"%%", "%"},
        {"100%%", "100%"},
        {"%%WINDIR%%", "%WINDIR%"},
        {"%%%A%", "%1"},
        {"%A%%%", "1%"},
        {"%%%%", "%%"},
    };
    for (const Case& c : cases) EXPECT_EQ(Expand(c.input), c.expected) << "input: " << c.input;
}

TEST_F(Macros, LonePercentSignIsDroppedAndTheRestKept) {
    fake::SetEnvironment("A", "1");
    const Case cases[] = {
        {"50%", "50"}, {"a%b", "ab"}, {"%", ""}, {"%WINDIR", "WINDIR"}, {"%A%x%y", "1xy"}, {"%%%", "%"},
    };
    for (const Case& c : cases) EXPECT_EQ(Expand(c.input), c.expected) << "input: " << c.input;
}

TEST_F(Macros, EveryMacroReadsItsOwnSetupBuffer) {
    g_Setup.TARGETDIR.Assign("C:\\APP\\");
    g_Setup.SRCFILE.Assign("VIEWER.EX_");
    g_Setup.TARGETFILE.Assign("VIEWER.EXE");
    const Case cases[] = {
        {"%INFFILE%", "C:\\MEDIA\\SETUP.INF"},
        {"%SRCDIR%", "C:\\MEDIA\\"},
        {"%TARGETDIR%", "C:\\APP\\"},
        {"%WINDIR%", "C:\\WINDOWS\\"},
        {"%WINSYSDIR%", "C:\\WINDOWS\\SYSTEM\\"},
        {"%SRCFILE%", "VIEWER.EX_"},
        {"%TARGETFILE%", "VIEWER.EXE"},
        {"%PRODUCTNAME%", "Sample"},
        {"%WINDIR%SYSTEM", "C:\\WINDOWS\\SYSTEM"},
        {"%windir%", "C:\\WINDOWS\\"},
        {"%TargetDir%%TargetFile%", "C:\\APP\\VIEWER.EXE"},
    };
    for (const Case& c : cases) EXPECT_EQ(Expand(c.input), c.expected) << "input: " << c.input;
}

TEST_F(Macros, ValuesAreReadAtTheMomentOfExpansion) {
    EXPECT_EQ(Expand("%TARGETDIR%x"), "x");
    g_Setup.TARGETDIR.Assign("C:\\FIRST\\");
    EXPECT_EQ(Expand("%TARGETDIR%x"), "C:\\FIRST\\x");
    g_Setup.TARGETDIR.Assign("D:\\SECOND\\");
    EXPECT_EQ(Expand("%TARGETDIR%x"), "D:\\SECOND\\x");
    fake::SetEnvironment("LATER", "now");
    EXPECT_EQ(Expand("%LATER%"), "now");
}

TEST_F(Macros, UnknownNamesVanish) {
    EXPECT_EQ(Expand("%NOSUCHNAME%x"), "x");
    EXPECT_EQ(Expand("a%NOSUCHNAME%b%ALSONOT%c"), "abc");
}

TEST_F(Macros, EnvironmentVariablesAreFoundWithoutRegardToCase) {
    fake::SetEnvironment("Sample_Home", "D:\\Sample");
    fake::SetEnvironment("PATH", "C:\\WINDOWS;C:\\WINDOWS\\SYSTEM");
    EXPECT_EQ(Expand("%SAMPLE_HOME%\\bin"), "D:\\Sample\\bin");
    EXPECT_EQ(Expand("%sample_home%"), "D:\\Sample");
    EXPECT_EQ(Expand("%PATH%;%SRCDIR%"), "C:\\WINDOWS;C:\\WINDOWS\\SYSTEM;C:\\MEDIA\\");
}

TEST_F(Macros, MacroWinsOverAnEnvironmentVariableOfTheSameName) {
    fake::SetEnvironment("TARGETDIR", "D:\\FROM_ENVIRONMENT\\");
    fake::SetEnvironment("windir", "D:\\OTHER\\");
    // Even an empty macro buffer hides the variable.
    EXPECT_EQ(Expand("[%TARGETDIR%]"), "[]");
    g_Setup.TARGETDIR.Assign("C:\\APP\\");
    EXPECT_EQ(Expand("%TARGETDIR%"), "C:\\APP\\");
    EXPECT_EQ(Expand("%WINDIR%"), "C:\\WINDOWS\\");
}

TEST_F(Macros, ValuesContainingPercentSignsAreInsertedUnchanged) {
    g_Setup.PRODUCTNAME.Assign("100%% %WINDIR% sure%");
    fake::SetEnvironment("RAW", "%PATH%;50%");
    fake::SetEnvironment("PATH", "must not appear");
    EXPECT_EQ(Expand("%PRODUCTNAME%"), "100%% %WINDIR% sure%");
    EXPECT_EQ(Expand("<%RAW%>"), "<%PATH%;50%>");
}

TEST_F(Macros, ExpansionIsInPlaceOverTheBufferItReads) {
    g_Setup.TARGETDIR.Assign("%TARGETDIR%SUB\\");
    // The buffer is both the text and the value of its own macro: the value is the
    // text as it was before expansion.
    ExpandMacros(g_Setup.TARGETDIR);
    EXPECT_STREQ(g_Setup.TARGETDIR.c_str(), "%TARGETDIR%SUB\\SUB\\");
}

TEST_F(Macros, NamesUpTo79CharactersAreLookedUpLongerOnesVanish) {
    std::string name79(79, 'N');
    std::string name80(80, 'N');
    fake::SetEnvironment(name79, "found");
    fake::SetEnvironment(name80, "must not appear");
    EXPECT_EQ(Expand("a%" + name79 + "%b"), "afoundb");
    EXPECT_EQ(Expand("a%" + name80 + "%b"), "ab");
    EXPECT_EQ(LookUpMacro(name80), nullptr);
    ASSERT_NE(LookUpMacro(name79), nullptr);
    EXPECT_STREQ(LookUpMacro(name79), "found");
}

TEST_F(Macros, LookUpMacroGivesNothingForUnknownNames) {
    EXPECT_EQ(LookUpMacro("NOSUCHNAME"), nullptr);
    EXPECT_EQ(LookUpMacro(""), nullptr);
    ASSERT_NE(LookUpMacro("srcdir"), nullptr);
    EXPECT_STREQ(LookUpMacro("srcdir"), "C:\\MEDIA\\");
}

// A buffer with guard bytes after the part handed to ExpandMacros.
struct GuardedBuffer {
    static constexpr size_t kGuard = 64;
    char bytes[PathText::Capacity + kGuard];

    explicit GuardedBuffer(const std::string& text) {
        std::memset(bytes, '#', sizeof bytes);
        std::memcpy(bytes, text.c_str(), text.size() + 1);
    }
    bool GuardIntact(size_t capacity) const {
        for (size_t i = capacity; i < sizeof bytes; ++i)
            if (bytes[i] != '#') return false;
        return true;
    }
};

TEST_F(Macros, ExpansionIsCutAt259Characters) {
    std::string value(300, 'v');
    fake::SetEnvironment("LONG", value);
    GuardedBuffer buffer("ab%LONG%cd");
    ExpandMacros(buffer.bytes, PathText::Capacity);
    EXPECT_EQ(std::string(buffer.bytes), "ab" + value.substr(0, 257));
    EXPECT_TRUE(buffer.GuardIntact(PathText::Capacity));
}

TEST_F(Macros, ExactlyFittingExpansionIsKeptWhole) {
    std::string value(250, 'v');
    fake::SetEnvironment("LONG", value);
    EXPECT_EQ(Expand("%LONG%123456789"), value + "123456789");
    int whole = 1;
    EXPECT_EQ(Expand("%LONG%1234567890", &whole), value + "123456789");
    EXPECT_EQ(whole, 0);  // one character cut: a path caller refuses it
}

TEST_F(Macros, ExpansionNeverExceeds259EvenInALargerBuffer) {
    fake::SetEnvironment("LONG", std::string(400, 'v'));
    char buffer[1024];
    std::memset(buffer, '#', sizeof buffer);
    std::memcpy(buffer, "%LONG%", 7);
    ExpandMacros(buffer, sizeof buffer);
    EXPECT_EQ(std::strlen(buffer), 259u);
    EXPECT_EQ(buffer[260], '#');
}

TEST_F(Macros, ExpansionIsCutToAnEightyByteCallerBuffer) {
    g_Setup.WINDIR.Assign("C:\\" + std::string(120, 'W') + "\\");
    GuardedBuffer buffer("%WINDIR%Section");
    ExpandMacros(buffer.bytes, 80);
    EXPECT_EQ(std::string(buffer.bytes), g_Setup.WINDIR.view().substr(0, 79));
    EXPECT_TRUE(buffer.GuardIntact(80));

    FixedText<80> name;
    name.Assign("[%SRCDIR%]");
    ExpandMacros(name);
    EXPECT_STREQ(name.c_str(), "[C:\\MEDIA\\]");
}

TEST_F(Macros, InheritedValueLongerThanAPathStillExpandsItsBeginning) {
    // A long search path must not vanish: '%PATH%;...' then keeps its first 259 characters.
    std::string path;
    while (path.size() < 1000) path += "C:\\TOOLS\\BIN" + std::to_string(path.size()) + ";";
    fake::SetEnvironment("PATH", path);
    int whole = 1;
    EXPECT_EQ(Expand("%PATH%;%SRCDIR%", &whole), path.substr(0, 259));
    EXPECT_EQ(whole, 0);
    // Expanded into a block of its own, nothing is lost.
    EXPECT_EQ(ExpandToBlock("%PATH%;%SRCDIR%"), path + ";C:\\MEDIA\\");
    EXPECT_TRUE(M().heapBlocks.empty());
}

TEST_F(Macros, BlockExpansionRefusesWhatItCannotHoldWhole) {
    fake::SetEnvironment("V10", "0123456789");
    // Up to the limit it is whole; one past it, refused rather than cut.
    EXPECT_EQ(ExpandToBlock("%V10%%V10%", 20), "01234567890123456789");
    EXPECT_EQ(ExpandToBlock("%V10%%V10%x", 20), "<refused>");
    // An empty result has no block.
    EXPECT_EQ(ExpandToBlock("%NOSUCHNAME%"), "");
    // A long value that cannot be read whole would change the result: refused.
    fake::SetEnvironment("LONG", std::string(300, 'v'));
    fake::FailAlways("HeapAlloc");
    EXPECT_EQ(ExpandToBlock("[%LONG%]"), "<refused>");
    EXPECT_TRUE(M().heapBlocks.empty());
}

TEST_F(Macros, ValuesAroundThePathLengthComeThroughWhole) {
    std::string value259(259, 'a');
    std::string value260(259, 'b');
    value260 += 'B';
    fake::SetEnvironment("V259", value259);
    fake::SetEnvironment("V260", value260);
    int whole = 1;
    EXPECT_EQ(Expand("%V259%"), value259);
    EXPECT_EQ(Expand("%V260%", &whole), value260.substr(0, 259));
    EXPECT_EQ(whole, 0);
    EXPECT_EQ(Expand("%V260%tail", &whole), value260.substr(0, 259));
    EXPECT_EQ(whole, 0);
    // The block read for a long value is given back.
    EXPECT_TRUE(M().heapBlocks.empty());
}

TEST_F(Macros, LongInheritedValueWithoutMemoryForItExpandsToNothing) {
    fake::SetEnvironment("LONG", std::string(300, 'v'));
    fake::SetEnvironment("SHORT", "s");
    fake::FailAlways("HeapAlloc");
    int whole = 1;
    EXPECT_EQ(Expand("[%LONG%|%SHORT%]", &whole), "[|s]");
    EXPECT_EQ(whole, 0);  // not the real value: a path caller refuses it
    EXPECT_TRUE(M().heapBlocks.empty());
}

TEST_F(Macros, StartUpSeesOnlyTheDirectoriesAndTheProductName) {
    // Same-named inherited variables prove that the macros themselves are empty.
    fake::SetEnvironment("TARGETDIR", "env-targetdir");
    fake::SetEnvironment("TARGETFILE", "env-targetfile");
    fake::SetEnvironment("SRCFILE", "env-srcfile");
    fake::SetScript(
        "[SETUP]\r\nProduct=Sample\r\n"
        "[SetEnv.WIN32]\r\nSEEN=\r\nSEEN2=\r\n"
        "[SEEN]\r\nDataFrom=ENVIRONMENT\r\n"
        "EnvironmentValue=[%TARGETDIR%|%TARGETFILE%|%SRCFILE%]\r\n"
        "[SEEN2]\r\nDataFrom=ENVIRONMENT\r\n"
        "EnvironmentValue=%SRCDIR%|%INFFILE%|%WINDIR%|%WINSYSDIR%|%PRODUCTNAME%\r\n");
    InitSetupContext("SETUP.INF");
    EXPECT_EQ(fake::GetEnvironment("SEEN").value_or("<unset>"), "[||]");
    EXPECT_EQ(fake::GetEnvironment("SEEN2").value_or("<unset>"),
              "C:\\MEDIA\\|C:\\MEDIA\\SETUP.INF|C:\\WINDOWS\\|C:\\WINDOWS\\SYSTEM\\|Sample");
}

}  // namespace
