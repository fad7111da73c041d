// Start-up initialisation of the setup state and its small shared operations.
#include <gtest/gtest.h>

#include <cstring>

#include "fake/fake_machine.h"
#include "setup/setup_context.h"

namespace {

using fake::M;

class SetupState : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
};

TEST_F(SetupState, StartedFromADriveRootFindsTheScriptThere) {
    M().moduleFileName = "A:\\SETUP.EXE";
    InitSetupContext("SETUP.INF");
    EXPECT_STREQ(g_Setup.SRCDIR.c_str(), "A:\\");
    EXPECT_STREQ(g_Setup.INFFILE.c_str(), "A:\\SETUP.INF");
}

TEST_F(SetupState, ModuleNameWithoutBackslashIsKeptWhole) {
    M().moduleFileName = "SETUP.EXE";
    InitSetupContext("SETUP.INF");
    EXPECT_STREQ(g_Setup.SRCDIR.c_str(), "SETUP.EXE");
    EXPECT_STREQ(g_Setup.INFFILE.c_str(), "SETUP.EXE\\SETUP.INF");
}

TEST_F(SetupState, SystemDirectoriesGetExactlyOneTrailingBackslash) {
    M().windowsDirectory = "C:\\";
    M().systemDirectory = "C:\\WINNT\\SYSTEM32";
    InitSetupContext("SETUP.INF");
    EXPECT_STREQ(g_Setup.WINDIR.c_str(), "C:\\");
    EXPECT_STREQ(g_Setup.WINSYSDIR.c_str(), "C:\\WINNT\\SYSTEM32\\");
    EXPECT_TRUE(g_Setup.TARGETDIR.empty());
}

TEST_F(SetupState, ProductNameDefaultsOnlyWhenTheKeyIsAbsent) {
    fake::SetScript("[SETUP]\r\nRequireMajorVersion=4\r\n");
    InitSetupContext("SETUP.INF");
    EXPECT_STREQ(g_Setup.PRODUCTNAME.c_str(), "product");

    fake::Reset();
    fake::SetScript("[SETUP]\r\nProduct=\r\n");
    InitSetupContext("SETUP.INF");
    EXPECT_STREQ(g_Setup.PRODUCTNAME.c_str(), "");
}

TEST_F(SetupState, LongProductNameIsCutTo127Characters) {
    std::string name(300, 'P');
    fake::SetScript("[SETUP]\r\nProduct=" + name + "\r\n");
    InitSetupContext("SETUP.INF");
    EXPECT_EQ(std::string(g_Setup.PRODUCTNAME.c_str()), name.substr(0, 127));
}

TEST_F(SetupState, SettingsReadersUseTheirDefaults) {
    InitSetupContext("SETUP.INF");
    EXPECT_EQ(ReadRequireMajorVersion(), 0u);
    EXPECT_EQ(ReadInitialPrompt(), 0u);
    fake::SetScript("[setup]\r\nrequiremajorversion=4\r\nINITIALPROMPT=1\r\n");
    EXPECT_EQ(ReadRequireMajorVersion(), 4u);
    EXPECT_EQ(ReadInitialPrompt(), 1u);
}

TEST(RootKeys, LookupIgnoresCaseAndKnowsOnlyTheFourRoots) {
    EXPECT_EQ(LookupRootKey("hkey_local_machine"), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(LookupRootKey("HKEY_CLASSES_ROOT"), HKEY_CLASSES_ROOT);
    EXPECT_EQ(LookupRootKey("Hkey_Current_User"), HKEY_CURRENT_USER);
    EXPECT_EQ(LookupRootKey("HKEY_USERS"), HKEY_USERS);
    EXPECT_EQ(LookupRootKey("HKEY_CURRENT_CONFIG"), nullptr);
    EXPECT_EQ(LookupRootKey("HKLM"), nullptr);
    EXPECT_EQ(LookupRootKey(""), nullptr);
    EXPECT_EQ(LookupRootKey(" HKEY_USERS"), nullptr);
}

TEST(Paths, JoinInsertsABackslashOnlyWhenMissing) {
    PathText out;
    ASSERT_EQ(JoinPath(out, "C:\\APP", "RUN.EXE"), 1);
    EXPECT_STREQ(out.c_str(), "C:\\APP\\RUN.EXE");
    ASSERT_EQ(JoinPath(out, "C:\\APP\\", "RUN.EXE"), 1);
    EXPECT_STREQ(out.c_str(), "C:\\APP\\RUN.EXE");
    ASSERT_EQ(JoinPath(out, "", "RUN.EXE"), 1);
    EXPECT_STREQ(out.c_str(), "\\RUN.EXE");
}

TEST(Paths, JoinIntoItsOwnDirectoryBuffer) {
    PathText path;
    path.Assign("C:\\APP");
    ASSERT_EQ(JoinPath(path, path.view(), "X.DLL"), 1);
    EXPECT_STREQ(path.c_str(), "C:\\APP\\X.DLL");
}

TEST(Paths, JoinRefusesAPathThatWouldNotFitInsteadOfCuttingIt) {
    PathText out;
    std::string dir(250, 'd');
    EXPECT_EQ(JoinPath(out, dir, "12345678"), 1);  // 259 characters
    EXPECT_EQ(out.length(), 259u);
    EXPECT_EQ(JoinPath(out, dir, "123456789"), 0);  // 260 characters
    EXPECT_TRUE(out.empty());
}

TEST(Paths, OnlyDriveAndNetworkPathsAreFull) {
    struct Row {
        const char* path;
        bool full;
    };
    constexpr Row rows[] = {
        {"C:\\APP\\RUN.EXE", true},
        {"c:\\", true},
        {"\\\\server\\share\\APP\\", true},
        {"\\\\server\\share", true},
        {"", false},                  // no TargetDir at all
        {"RUN.EXE", false},           // searched for, or relative to the current directory
        {"APP\\RUN.EXE", false},
        {"\\APP\\RUN.EXE", false},     // root of whatever drive is current
        {"C:APP\\RUN.EXE", false},     // relative to drive C:'s current directory
        {"1:\\APP", false},
        {"\\\\server", false},
        {"\\\\server\\", false},
        {"\\\\\\share\\", false},
    };
    for (const Row& row : rows) EXPECT_EQ(IsFullPath(row.path), row.full) << row.path;
}

// The one form by which a file is named to other programs (its SharedDLLs count),
// which the remover's own folding must agree with.
TEST(Paths, FoldingGivesTheFormWindowsReads) {
    struct Row {
        const char* path;
        const char* folded;
    };
    const Row rows[] = {
        {"C:\\APP\\LIB.DLL", "C:\\APP\\LIB.DLL"},                            // already folded
        {"C:\\WINDOWS\\SYSTEM\\\\LIB.DLL", "C:\\WINDOWS\\SYSTEM\\LIB.DLL"},  // %WINSYSDIR%\ doubled
        {"C:\\APP\\\\\\LIB.DLL", "C:\\APP\\LIB.DLL"},                        // a run of three
        {"C:\\APP/LIB.DLL", "C:\\APP\\LIB.DLL"},                             // a forward slash
        {"C:\\APP/\\LIB.DLL", "C:\\APP\\LIB.DLL"},                           // a slash beside a backslash
        {"\\\\SERVER\\SHARE\\\\LIB.DLL", "\\\\SERVER\\SHARE\\LIB.DLL"},      // the network pair stays
        {"//SERVER/SHARE/LIB.DLL", "\\\\SERVER\\SHARE\\LIB.DLL"},            // written with slashes
        {"C:\\\xc9T\xc9\\\\A.DLL", "C:\\\xc9T\xc9\\A.DLL"},                  // other bytes pass as they are
        {"", ""},
    };
    for (const Row& row : rows) {
        PathText path;
        path.Assign(row.path);
        FoldPath(path);
        EXPECT_STREQ(path.c_str(), row.folded) << row.path;
    }
    // The longest path folds within its buffer.
    PathText full;
    full.Assign("C:\\" + std::string(256, 'a'));
    FoldPath(full);
    EXPECT_EQ(full.length(), 259u);
}

TEST(Paths, AppendBackslashNeverOverrunsAFullBuffer) {
    PathText path;
    path.Clear();
    EXPECT_EQ(AppendBackslash(path), 1);
    EXPECT_STREQ(path.c_str(), "\\");
    path.Assign(std::string(259, 'x'));
    EXPECT_EQ(AppendBackslash(path), 0);
    EXPECT_EQ(path.length(), 259u);
    path.Assign(std::string(258, 'x'));
    EXPECT_EQ(AppendBackslash(path), 1);
    EXPECT_EQ(path.last(), '\\');
}

TEST_F(SetupState, SectionKeysComeInFileOrder) {
    fake::SetScript("[AddFiles.WIN32]\r\nb.dll=\r\na.exe=x\r\nC.TXT\r\n");
    InitSetupContext("SETUP.INF");
    SectionKeys keys{};
    ASSERT_EQ(ReadSectionKeys(g_Setup.INFFILE.c_str(), "addfiles.win32", &keys), 1);
    std::vector<std::string> names;
    for (const char* p = keys.Names; *p; p += std::strlen(p) + 1) names.emplace_back(p);
    FreeSectionKeys(&keys);
    EXPECT_EQ(names, (std::vector<std::string>{"b.dll", "a.exe"}));
}

TEST_F(SetupState, LongListsAreReadWholeBeyondTheFirstKilobyte) {
    std::string script = "[AddFiles.WIN32]\r\n";
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        expected.push_back("component-file-" + std::to_string(i) + ".dll");
        script += expected.back() + "=\r\n";
    }
    fake::SetScript(script);
    InitSetupContext("SETUP.INF");
    SectionKeys keys{};
    ASSERT_EQ(ReadSectionKeys(g_Setup.INFFILE.c_str(), "AddFiles.WIN32", &keys), 1);
    std::vector<std::string> names;
    for (const char* p = keys.Names; *p; p += std::strlen(p) + 1) names.emplace_back(p);
    FreeSectionKeys(&keys);
    EXPECT_EQ(names, expected);
}

TEST_F(SetupState, MissingSectionGivesAnEmptyList) {
    InitSetupContext("SETUP.INF");
    SectionKeys keys{};
    ASSERT_EQ(ReadSectionKeys(g_Setup.INFFILE.c_str(), "ExecFiles.WIN32", &keys), 1);
    EXPECT_EQ(keys.Names[0], '\0');
    FreeSectionKeys(&keys);
}

TEST_F(SetupState, KeyListReportsAFailedAllocation) {
    InitSetupContext("SETUP.INF");
    SectionKeys keys{};
    fake::FailCall("HeapAlloc");
    EXPECT_EQ(ReadSectionKeys(g_Setup.INFFILE.c_str(), "AddFiles.WIN32", &keys), 0);
    EXPECT_EQ(keys.Names, nullptr);
}

TEST_F(SetupState, FailedGrowthOfTheKeyListReleasesTheBlock) {
    std::string script = "[AddFiles.WIN32]\r\n";
    for (int i = 0; i < 200; ++i) script += "file-number-" + std::to_string(i) + ".dll=\r\n";
    fake::SetScript(script);
    InitSetupContext("SETUP.INF");
    size_t blocksBefore = M().heapBlocks.size();
    SectionKeys keys{};
    fake::FailCall("HeapReAlloc");
    EXPECT_EQ(ReadSectionKeys(g_Setup.INFFILE.c_str(), "AddFiles.WIN32", &keys), 0);
    EXPECT_EQ(M().heapBlocks.size(), blocksBefore);
}

}  // namespace
