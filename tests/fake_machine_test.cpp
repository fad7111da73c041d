// The fake machine's own model of Windows: paths and files, the version service,
// programs, the registry and the environment, as the installer relies on them.
#include "fake/fake_machine.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

using fake::M;

class FakeMachine : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
};

// --- paths and files ------------------------------------------------------------------

TEST_F(FakeMachine, DoubledBackslashesInsideAPathNameTheSameFile) {
    fake::WriteFile("C:\\APP\\A.DLL", "x");
    EXPECT_TRUE(fake::FileExists("C:\\APP\\\\A.DLL"));
    EXPECT_TRUE(DeleteFileA("c:\\app\\\\a.dll"));
    EXPECT_FALSE(fake::FileExists("C:\\APP\\A.DLL"));
}

TEST_F(FakeMachine, PathsAreNormalisedToOneFormPerFile) {
    EXPECT_EQ(fake::NormalisePath("c:/app//a.dll"), "c:\\app\\a.dll");
    EXPECT_EQ(fake::NormalisePath("C:\\"), "C:\\");
    EXPECT_EQ(fake::NormalisePath("C:\\WINDOWS\\"), "C:\\WINDOWS");
    EXPECT_EQ(fake::NormalisePath("C:\\WINDOWS\\SYSTEM\\..\\.\\WIN.INI"), "C:\\WINDOWS\\WIN.INI");
    EXPECT_EQ(fake::NormalisePath("SETUP.INF"), "C:\\MEDIA\\SETUP.INF");  // the current directory
}

TEST_F(FakeMachine, CreateDirectoryMakesOnlyTheLastLevel) {
    EXPECT_FALSE(CreateDirectoryA("C:\\A\\B", nullptr));
    EXPECT_FALSE(fake::DirectoryExists("C:\\A"));
    EXPECT_TRUE(CreateDirectoryA("C:\\A\\", nullptr));
    EXPECT_FALSE(CreateDirectoryA("C:\\A", nullptr));  // exists already
    EXPECT_TRUE(CreateDirectoryA("C:\\A\\B", nullptr));
}

TEST_F(FakeMachine, CopyFileRefusesBusyOrProtectedDestinationsAndMissingDirectories) {
    fake::WriteFile("C:\\MEDIA\\A.DLL", "new", 0x0002000000000000);
    fake::WriteFile("C:\\APP\\A.DLL", "old");
    EXPECT_FALSE(CopyFileA("C:\\MEDIA\\A.DLL", "C:\\APP\\A.DLL", TRUE));
    M().files["C:\\APP\\A.DLL"].inUse = true;
    EXPECT_FALSE(CopyFileA("C:\\MEDIA\\A.DLL", "C:\\APP\\A.DLL", FALSE));
    M().files["C:\\APP\\A.DLL"] = fake::FileData{"old", true, false, 0};
    EXPECT_FALSE(CopyFileA("C:\\MEDIA\\A.DLL", "C:\\APP\\A.DLL", FALSE));
    EXPECT_FALSE(CopyFileA("C:\\MEDIA\\A.DLL", "C:\\NOWHERE\\A.DLL", FALSE));
    EXPECT_FALSE(CopyFileA("C:\\MEDIA\\MISSING.DLL", "C:\\APP\\B.DLL", FALSE));
    EXPECT_TRUE(CopyFileA("C:\\MEDIA\\A.DLL", "C:\\APP\\A.DL~", FALSE));
    EXPECT_EQ(M().files["C:\\APP\\A.DL~"].content, "new");
    EXPECT_EQ(M().files["C:\\APP\\A.DL~"].version, 0x0002000000000000u);
}

// The value's bytes as Wine's MoveFileExA leaves them (read back with RegQueryValueExA):
// a "\??\" source, then "" to delete or the destination, '!' first when it may replace;
// the restart carries them out in order and drops the value.
TEST_F(FakeMachine, StagedOperationsAreTheSessionManagerValueAndTheRestartCarriesThemOut) {
    fake::WriteFile("C:\\PR\\A.TXT", "a");
    fake::WriteFile("C:\\PR\\C.TXT", "c");
    EXPECT_TRUE(MoveFileExA("C:\\PR\\A.TXT", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_TRUE(MoveFileExA("C:\\PR", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_TRUE(MoveFileExA("C:\\PR\\C.TXT", "C:\\KEEP.TXT", MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
    const auto& value = M().registry["HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager"]
                            .values["PendingFileRenameOperations"];
    EXPECT_EQ(value.first, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(value.second,
              std::string("\\??\\C:\\PR\\A.TXT\0\0\\??\\C:\\PR\0\0\\??\\C:\\PR\\C.TXT\0!\\??\\C:\\KEEP.TXT\0\0", 62));
    fake::RestartWindows();
    EXPECT_FALSE(fake::FileExists("C:\\PR\\A.TXT"));
    EXPECT_EQ(fake::ReadFile("C:\\KEEP.TXT").value_or(""), "c");
    // The directory held C.TXT when its turn came: it stays.
    EXPECT_TRUE(fake::DirectoryExists("C:\\PR"));
    EXPECT_TRUE(fake::DelayedMoves().empty());
}

TEST_F(FakeMachine, DelayedMoveIsRecordedAndImmediateMoveHonoursReplaceAndInUse) {
    fake::WriteFile("C:\\APP\\A.DL~", "new");
    fake::WriteFile("C:\\APP\\A.DLL", "old");
    EXPECT_TRUE(
        MoveFileExA("C:\\APP\\A.DL~", "C:\\APP\\\\A.DLL", MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_EQ(fake::DelayedMoves().size(), 1u);
    EXPECT_EQ(fake::DelayedMoves()[0], std::make_pair(std::string("C:\\APP\\A.DL~"), std::string("C:\\APP\\A.DLL")));
    EXPECT_EQ(M().files["C:\\APP\\A.DLL"].content, "old");
    EXPECT_FALSE(MoveFileExA("C:\\APP\\A.DL~", "C:\\APP\\A.DLL", 0));
    M().files["C:\\APP\\A.DLL"].inUse = true;
    EXPECT_FALSE(MoveFileExA("C:\\APP\\A.DL~", "C:\\APP\\A.DLL", MOVEFILE_REPLACE_EXISTING));
    M().files["C:\\APP\\A.DLL"].inUse = false;
    EXPECT_TRUE(MoveFileExA("C:\\APP\\A.DL~", "C:\\APP\\A.DLL", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(fake::ReadFile("C:\\APP\\A.DLL").value_or(""), "new");
    EXPECT_FALSE(fake::FileExists("C:\\APP\\A.DL~"));
}

TEST_F(FakeMachine, ShortPathsUseTheMapOrTheFirstGeneratedForm) {
    fake::WriteFile("C:\\Program Files\\Widget Library\\library.dll", "x");
    char out[MAX_PATH];
    EXPECT_EQ(GetShortPathNameA("C:\\Program Files\\Widget Library\\library.dll", out, sizeof out), 32u);
    EXPECT_STREQ(out, "C:\\PROGRA~1\\WIDGET~1\\library.dll");
    M().shortNames["C:\\Program Files"] = "C:\\PROG~FBU";
    GetShortPathNameA("C:\\Program Files\\Widget Library\\library.dll", out, sizeof out);
    EXPECT_STREQ(out, "C:\\PROG~FBU\\WIDGET~1\\library.dll");
    // Too small: the size needed, terminator included; a missing path: 0.
    EXPECT_EQ(GetShortPathNameA("C:\\Program Files\\Widget Library\\library.dll", out, 10), 33u);
    EXPECT_EQ(GetShortPathNameA("C:\\Program Files\\missing.dll", out, sizeof out), 0u);
}

TEST_F(FakeMachine, ASearchFindsOneEntryByItsLongOrShortNameAndGivesBoth) {
    fake::WriteFile("C:\\Program Files\\Widget Library\\library.dll", "lib");
    fake::WriteFile("C:\\WINDOWS\\SYSTEM\\MSVCRT.DLL", "m");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("c:\\progra~1\\Widget Library\\LIBRARY.DLL", &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(found.cFileName, "library.dll");  // the stored name, case included
    EXPECT_EQ(found.nFileSizeLow, 3u);
    EXPECT_TRUE(FindClose(search));
    EXPECT_FALSE(FindClose(search));
    search = FindFirstFileA("C:\\PROGRAM FILES\\WIDGET~1", &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(found.cFileName, "Widget Library");
    EXPECT_STREQ(found.cAlternateFileName, "WIDGET~1");
    EXPECT_EQ(found.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    FindClose(search);
    // A name that is its own short name has no second one.
    search = FindFirstFileA("C:\\WINDOWS\\SYSTEM\\MSVCRT.DLL", &found);
    EXPECT_STREQ(found.cAlternateFileName, "");
    FindClose(search);
    EXPECT_TRUE(M().openSearches.empty());
    EXPECT_TRUE(M().openHandles.empty());
    EXPECT_EQ(FindFirstFileA("C:\\Program Files\\gone.dll", &found), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA("C:\\GONE\\gone.dll", &found), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    fake::FailCall("FindFirstFileA");
    EXPECT_EQ(FindFirstFileA("C:\\WINDOWS", &found), INVALID_HANDLE_VALUE);
    EXPECT_EQ(fake::CountCalls("FindFirstFileA"), 6);
}

using LongPathNameFunction = DWORD (*)(LPCSTR, LPSTR, DWORD);

LongPathNameFunction KernelLongPathName() {
    return reinterpret_cast<LongPathNameFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "GetLongPathNameA")));
}

TEST_F(FakeMachine, Kernel32HasGetLongPathNameAFromWindows98AndNT5On) {
    struct Row {
        const char* why;
        DWORD platform, major, minor;
        bool has;
    };
    const Row rows[] = {
        {"Windows 95", VER_PLATFORM_WIN32_WINDOWS, 4, 0, false},
        {"Windows 98", VER_PLATFORM_WIN32_WINDOWS, 4, 10, true},
        {"NT 3.51", VER_PLATFORM_WIN32_NT, 3, 51, false},
        {"NT 4", VER_PLATFORM_WIN32_NT, 4, 0, false},
        {"2000", VER_PLATFORM_WIN32_NT, 5, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        fake::Reset();
        M().version.dwPlatformId = row.platform;
        M().version.dwMajorVersion = row.major;
        M().version.dwMinorVersion = row.minor;
        EXPECT_EQ(KernelLongPathName() != nullptr, row.has);
    }
    fake::Reset();
    EXPECT_EQ(GetModuleHandleA("USER32.DLL"), nullptr);
    EXPECT_EQ(GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "GetShortPathNameA"), nullptr);
}

// As Wine's: a part that is a valid 8.3 name becomes the stored name, a longer part
// stays as written, and every part must exist.
TEST_F(FakeMachine, GetLongPathNameExpandsShortPartsOfAnExistingPath) {
    fake::SetWindowsXP();
    fake::WriteFile("C:\\Program Files\\Common Files\\X.DLL", "x");
    LongPathNameFunction longPathName = KernelLongPathName();
    ASSERT_NE(longPathName, nullptr);
    char out[MAX_PATH];
    EXPECT_EQ(longPathName("C:\\PROGRA~1\\common files\\x.dll", out, sizeof out), 35u);
    EXPECT_STREQ(out, "C:\\Program Files\\common files\\X.DLL");
    EXPECT_EQ(longPathName("C:\\PROGRA~1\\COMMON~1", out, 10), 30u);  // the size needed
    EXPECT_EQ(longPathName("C:\\PROGRA~1\\GONE~1\\X.DLL", out, sizeof out), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(longPathName("C:\\PROGRA~1\\*.DLL", out, sizeof out), 0u);
    fake::FailCall("GetLongPathNameA");
    EXPECT_EQ(longPathName("C:\\PROGRA~1", out, sizeof out), 0u);
    EXPECT_EQ(fake::CountCalls("GetLongPathNameA"), 5);
}

TEST_F(FakeMachine, DirectoryQueriesReturnTheNeededSizeWhenTheBufferIsTooSmall) {
    char out[MAX_PATH];
    memset(out, '*', sizeof out);
    EXPECT_EQ(GetWindowsDirectoryA(out, 10), 11u);
    EXPECT_EQ(out[0], '*');
    EXPECT_EQ(GetWindowsDirectoryA(out, 11), 10u);
    EXPECT_STREQ(out, "C:\\WINDOWS");
    EXPECT_EQ(GetSystemDirectoryA(out, sizeof out), 17u);
    EXPECT_STREQ(out, "C:\\WINDOWS\\SYSTEM");
    // The module name is cut without a terminator, as Windows NT does.
    memset(out, '*', sizeof out);
    EXPECT_EQ(GetModuleFileNameA(nullptr, out, 5), 5u);
    EXPECT_EQ(std::string(out, 6), "C:\\ME*");
}

// --- the version service --------------------------------------------------------------

class FakeVersionService : public FakeMachine {
protected:
    DWORD Install(DWORD flags, const char* src, const char* srcDir, UINT tempLength = MAX_PATH) {
        temp[0] = '\0';
        UINT length = tempLength;
        return VerInstallFileA(flags, const_cast<char*>(src), const_cast<char*>("A.DLL"), const_cast<char*>(srcDir),
                               const_cast<char*>("C:\\APP\\"), const_cast<char*>(""), temp, &length);
    }
    char temp[MAX_PATH];
};

TEST_F(FakeVersionService, FindFileReportsTheCurrentDirectoryOnlyForAFilePresent) {
    fake::MakeDirectory("C:\\APP");
    char cur[MAX_PATH], dest[MAX_PATH];
    UINT curLength = MAX_PATH, destLength = MAX_PATH;
    VerFindFileA(0, const_cast<char*>("A.DLL"), const_cast<char*>("C:\\WINDOWS\\"), const_cast<char*>("C:\\APP\\"), cur,
                 &curLength, dest, &destLength);
    EXPECT_STREQ(cur, "");
    EXPECT_STREQ(dest, "C:\\APP\\");
    fake::WriteFile("C:\\APP\\A.DLL", "old");
    curLength = destLength = MAX_PATH;
    VerFindFileA(0, const_cast<char*>("A.DLL"), const_cast<char*>("C:\\WINDOWS\\"), const_cast<char*>("C:\\APP\\"), cur,
                 &curLength, dest, &destLength);
    EXPECT_STREQ(cur, "C:\\APP\\");
}

TEST_F(FakeVersionService, NewerOrEqualSourceIsCopiedAndOlderLeavesATemporaryCopy) {
    fake::WriteFile("C:\\MEDIA\\A.DLL", "v2", 2);
    fake::MakeDirectory("C:\\APP");
    EXPECT_EQ(Install(VIFF_DONTDELETEOLD, "A.DLL", "C:\\MEDIA\\"), 0u);
    EXPECT_EQ(fake::ReadFile("C:\\APP\\A.DLL").value_or(""), "v2");

    M().files["C:\\APP\\A.DLL"] = fake::FileData{"v3", false, false, 3};
    EXPECT_EQ(Install(VIFF_DONTDELETEOLD, "A.DLL", "C:\\MEDIA\\"),
              static_cast<DWORD>(VIF_TEMPFILE | VIF_MISMATCH | VIF_SRCOLD));
    std::string tempPath = std::string("C:\\APP\\") + temp;
    EXPECT_EQ(fake::ReadFile(tempPath).value_or("<none>"), "v2");
    EXPECT_EQ(fake::ReadFile("C:\\APP\\A.DLL").value_or(""), "v3");
    ASSERT_EQ(M().verInstallCalls.size(), 2u);
    EXPECT_EQ(M().verInstallCalls[1].tempName, temp);

    // Installing the temporary copy by force replaces the file and uses the copy up.
    EXPECT_EQ(Install(VIFF_FORCEINSTALL, std::string(temp).c_str(), "C:\\APP\\"), 0u);
    EXPECT_EQ(fake::ReadFile("C:\\APP\\A.DLL").value_or(""), "v2");
    EXPECT_FALSE(fake::FileExists(tempPath));
}

TEST_F(FakeVersionService, ProblemsGiveTheBitsWindowsReturns) {
    fake::MakeDirectory("C:\\APP");
    EXPECT_EQ(Install(0, "A.DLL", "C:\\MEDIA\\"), static_cast<DWORD>(VIF_CANNOTREADSRC));
    fake::WriteFile("C:\\MEDIA\\A.DLL", "v1", 1);
    M().files["C:\\APP\\A.DLL"] = fake::FileData{"v1", false, true, 1};
    EXPECT_EQ(Install(0, "A.DLL", "C:\\MEDIA\\"), static_cast<DWORD>(VIF_SHARINGVIOLATION | VIF_CANNOTDELETE));
    M().files["C:\\APP\\A.DLL"] = fake::FileData{"v1", true, false, 1};
    EXPECT_EQ(Install(0, "A.DLL", "C:\\MEDIA\\"), static_cast<DWORD>(VIF_WRITEPROT));
    EXPECT_EQ(M().files.size(), 2u);  // no temporary copies
    EXPECT_EQ(VerInstallFileA(0, const_cast<char*>("A.DLL"), const_cast<char*>("A.DLL"), const_cast<char*>("C:\\MEDIA"),
                              const_cast<char*>("C:\\APP\\SUB"), const_cast<char*>(""), temp, nullptr),
              static_cast<DWORD>(VIF_CANNOTCREATE));
}

TEST_F(FakeVersionService, TemporaryNameThatDoesNotFitIsReportedAndNotLeft) {
    fake::WriteFile("C:\\MEDIA\\A.DLL", "v1", 1);
    fake::WriteFile("C:\\APP\\A.DLL", "v2", 2);
    EXPECT_EQ(Install(0, "A.DLL", "C:\\MEDIA\\", 4), static_cast<DWORD>(VIF_MISMATCH | VIF_SRCOLD | VIF_BUFFTOOSMALL));
    EXPECT_EQ(M().files.size(), 2u);
}

TEST_F(FakeVersionService, ScriptedOutcomeComesFirstAndLeavesItsTemporaryCopy) {
    fake::WriteFile("C:\\MEDIA\\A.DLL", "v1", 1);
    fake::MakeDirectory("C:\\APP");
    M().verInstallScript.push_back({VIF_TEMPFILE | VIF_FILEINUSE, "VER1A2B.TMP"});
    EXPECT_EQ(Install(0, "A.DLL", "C:\\MEDIA\\"), static_cast<DWORD>(VIF_TEMPFILE | VIF_FILEINUSE));
    EXPECT_STREQ(temp, "VER1A2B.TMP");
    EXPECT_TRUE(fake::FileExists("C:\\APP\\VER1A2B.TMP"));
    EXPECT_EQ(Install(0, "A.DLL", "C:\\MEDIA\\"), 0u);  // the script is used up
}

// --- programs, registry, environment ------------------------------------------------

TEST_F(FakeMachine, WinExecFindsTheProgramAsWindowsDoes) {
    fake::WriteFile("C:\\My App\\run.exe", "program");
    EXPECT_EQ(WinExec("\"C:\\My App\\run.exe\" /x", SW_SHOW), 33u);
    EXPECT_EQ(WinExec("C:\\My App\\run.exe /x", SW_SHOW), 33u);
    fake::WriteFile("C:\\My.exe", "planted");  // an unquoted path with a blank runs it
    EXPECT_EQ(WinExec("C:\\My App\\missing.exe", SW_SHOW), 33u);
    fake::WriteFile("C:\\WINDOWS\\SYSTEM\\tool.exe", "tool");
    EXPECT_EQ(WinExec("tool /q", SW_SHOW), 33u);  // a bare name, ".exe" added, in the system directory
    EXPECT_EQ(WinExec("C:\\APP\\missing.exe", SW_SHOW), 2u);
    EXPECT_EQ(M().started.size(), 4u);
    EXPECT_EQ(fake::CountCalls("WinExec"), 5);
}

TEST_F(FakeMachine, RegistryOpensEnumeratesAndCountsKeys) {
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Hosts\\Zeta", "Dir", "C:\\Z");
    fake::CreateRegistryKey(HKEY_LOCAL_MACHINE, "Software\\Hosts\\Alpha");
    HKEY hosts = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\hosts", 0, KEY_ENUMERATE_SUB_KEYS, &hosts), ERROR_SUCCESS);
    char name[8];
    DWORD size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(hosts, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Zeta");  // creation order
    EXPECT_EQ(size, 4u);
    size = 5;
    EXPECT_EQ(RegEnumKeyExA(hosts, 1, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(RegEnumKeyA(hosts, 1, name, 6), ERROR_SUCCESS);
    EXPECT_EQ(RegEnumKeyA(hosts, 2, name, 6), ERROR_NO_MORE_ITEMS);
    HKEY same = nullptr;
    EXPECT_EQ(RegOpenKeyExA(hosts, nullptr, 0, KEY_QUERY_VALUE, &same), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(hosts, "Missing", 0, KEY_QUERY_VALUE, &same), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(M().keysOpened, 2);
    EXPECT_EQ(RegCloseKey(hosts), ERROR_SUCCESS);
    EXPECT_EQ(M().keysClosed, 1);
}

TEST_F(FakeMachine, RegistryValueThatDoesNotFitReportsTheSizeNeeded) {
    fake::SetRegistryString(HKEY_CURRENT_USER, "Software\\Nav", "", "C:\\NAV");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Nav", 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    char data[16] = "untouched";
    DWORD type = 0, size = 4;
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 7u);
    EXPECT_STREQ(data, "untouched");
    size = sizeof data;
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(data), &size), ERROR_SUCCESS);
    EXPECT_STREQ(data, "C:\\NAV");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(RegQueryValueExA(key, "Other", nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(FakeMachine, EnvironmentNamesIgnoreCaseAndSmallBuffersGetTheNeededSize) {
    EXPECT_TRUE(SetEnvironmentVariableA("Sample_Home", "C:\\SAMPLE"));
    char out[16];
    EXPECT_EQ(GetEnvironmentVariableA("SAMPLE_HOME", out, sizeof out), 9u);
    EXPECT_STREQ(out, "C:\\SAMPLE");
    EXPECT_EQ(GetEnvironmentVariableA("sample_home", out, 9), 10u);
    EXPECT_TRUE(SetEnvironmentVariableA("SAMPLE_HOME", nullptr));
    EXPECT_EQ(GetEnvironmentVariableA("Sample_Home", out, sizeof out), 0u);
}

TEST_F(FakeMachine, FailureInjectionHitsTheNthCallOrEveryCall) {
    fake::FailCall("HeapAlloc", 2);
    void* first = HeapAlloc(GetProcessHeap(), 0, 16);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(HeapAlloc(GetProcessHeap(), 0, 16), nullptr);
    void* third = HeapAlloc(GetProcessHeap(), 0, 16);
    EXPECT_NE(third, nullptr);
    EXPECT_EQ(M().heapBlocks.size(), 2u);
    EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, first));
    EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, third));
    EXPECT_FALSE(HeapFree(GetProcessHeap(), 0, third));
    EXPECT_EQ(M().badHeapFrees, 1);
    fake::FailAlways("OpenProcessToken");
    HANDLE token;
    EXPECT_FALSE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    EXPECT_FALSE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
}

}  // namespace
