// The long form of a logged path on the fake machine: by one search per part on
// Windows 95 and NT 4, by GetLongPathNameA on a later Windows.
#include "platform/long_path.h"

#include <gtest/gtest.h>

#include <string>

#include "fake/fake_machine.h"

namespace {

using fake::M;

struct WindowsColumn {
    const char* name;
    void (*set)();
    bool hasLongPathName;
};
const WindowsColumn kWindows[] = {
    {"Windows 95", fake::SetWindows95, false},
    {"NT 4", fake::SetWindowsNT4, false},
    {"XP", fake::SetWindowsXP, true},
};

// Program Files holds two directories whose names begin alike: the viewer's short name
// is the second one generated.
void DescribeMachine(const WindowsColumn& windows) {
    fake::Reset();
    windows.set();
    fake::WriteFile("C:\\Program Files\\Common Files\\X.DLL", "x");
    fake::WriteFile("C:\\Program Files\\Widget Library\\library.dll", "l");
    fake::WriteFile("C:\\Program Files\\Widget Viewer\\viewer.exe", "v");
    M().shortNames["C:\\Program Files\\Widget Viewer"] = "C:\\PROGRA~1\\WIDGET~2";
    fake::WriteFile("C:\\WINDOWS\\SYSTEM\\MSVCRT.DLL", "m");
}

struct LongPathRow {
    const char* why;
    const char* path;
    const char* bySearch;    // Windows 95 and NT 4; nullptr: unchanged
    const char* byFunction;  // GetLongPathNameA; nullptr: as bySearch
};

const LongPathRow kLongPathRows[] = {
    {"every part spelt short", "C:\\PROGRA~1\\COMMON~1\\X.DLL", "C:\\Program Files\\Common Files\\X.DLL", nullptr},
    {"a configured short name, not the first generated one; the drive letter stays as written",
     "c:\\progra~1\\widget~2\\VIEWER.EXE", "c:\\Program Files\\Widget Viewer\\viewer.exe", nullptr},
    {"the first generated short name is the other directory's", "C:\\PROGRA~1\\WIDGET~1\\LIBRARY.DLL",
     "C:\\Program Files\\Widget Library\\library.dll", nullptr},
    {"a missing middle part: it and the rest stay as written, though COMMON~1 exists elsewhere",
     "C:\\PROGRA~1\\GONE~1\\COMMON~1\\X.DLL", "C:\\Program Files\\GONE~1\\COMMON~1\\X.DLL", nullptr},
    {"a logged file already removed: its directories still expand", "C:\\PROGRA~1\\COMMON~1\\GONE.DLL",
     "C:\\Program Files\\Common Files\\GONE.DLL", nullptr},
    {"case: a search gives the stored name, GetLongPathNameA keeps a long part as written",
     "C:\\PROGRAM FILES\\common files\\x.dll", "C:\\Program Files\\Common Files\\X.DLL",
     "C:\\PROGRAM FILES\\common files\\X.DLL"},
    {"parts that are their own short names take the stored case", "C:\\windows\\system\\msvcrt.dll",
     "C:\\WINDOWS\\SYSTEM\\MSVCRT.DLL", nullptr},
    {"already long", "C:\\Program Files\\Common Files\\X.DLL", nullptr, nullptr},
    {"a network path is not expanded", "\\\\SERVER\\SHARE\\PROGRA~1\\X.DLL", nullptr, nullptr},
    {"a relative path is not expanded", "PROGRA~1\\COMMON~1\\X.DLL", nullptr, nullptr},
    {"a path relative to the drive's current directory", "C:PROGRA~1\\X.DLL", nullptr, nullptr},
    {"a path from the current drive's root", "\\PROGRA~1\\X.DLL", nullptr, nullptr},
    {"a drive root", "C:\\", nullptr, nullptr},
    {"a trailing backslash", "C:\\PROGRA~1\\COMMON~1\\", nullptr, nullptr},
    {"a wildcard in the last part: the parts before it expand", "C:\\PROGRA~1\\COMMON~1\\*.DLL",
     "C:\\Program Files\\Common Files\\*.DLL", nullptr},
    {"a wildcard in a middle part: it and the rest stay as written", "C:\\PROGRA~1\\WIDGET?1\\LIBRARY.DLL",
     "C:\\Program Files\\WIDGET?1\\LIBRARY.DLL", nullptr},
    {"a wildcard in the first part: nothing is asked", "C:\\PROGRA*\\X.DLL", nullptr, nullptr},
    {"NT reads < > and \" as patterns too", "C:\\PROGRA~1\\COMMON~1\\X<.DLL", "C:\\Program Files\\Common Files\\X<.DLL",
     nullptr},
    {"an empty part (a path not folded) is no name to ask about", "C:\\PROGRA~1\\\\COMMON~1\\X.DLL",
     "C:\\Program Files\\\\COMMON~1\\X.DLL", nullptr},
    {"a part Windows would trim stays for the checks to refuse", "C:\\PROGRA~1\\COMMON~1.\\X.DLL",
     "C:\\Program Files\\COMMON~1.\\X.DLL", nullptr},
    {"a parent part stays as written: a search would name the directory it leads to",
     "C:\\PROGRA~1\\COMMON~1\\..\\WIDGET~1", "C:\\Program Files\\Common Files\\..\\WIDGET~1", nullptr},
};

bool AsksForAPattern(const std::string& call) {
    return call.find_first_of("*?\"<>", call.find(' ')) != std::string::npos;
}

TEST(LongPath, EachExistingPartTakesItsLongName) {
    for (const WindowsColumn& windows : kWindows)
        for (const LongPathRow& row : kLongPathRows) {
            SCOPED_TRACE(std::string(windows.name) + ": " + row.why);
            DescribeMachine(windows);
            PathText path;
            path.Assign(row.path);
            const char* expected = windows.hasLongPathName && row.byFunction ? row.byFunction : row.bySearch;
            EXPECT_EQ(ExpandToLongPath(path), 1);
            EXPECT_STREQ(path.c_str(), expected ? expected : row.path);
            EXPECT_TRUE(M().openSearches.empty());
            for (const std::string& call : M().calls)
                EXPECT_FALSE((call.rfind("FindFirstFileA", 0) == 0 || call.rfind("GetLongPathNameA", 0) == 0) &&
                             AsksForAPattern(call))
                    << call;
        }
}

TEST(LongPath, LaterWindowsAsksGetLongPathNameAOnceEarlierOnesSearchEachPart) {
    for (const WindowsColumn& windows : kWindows) {
        SCOPED_TRACE(windows.name);
        DescribeMachine(windows);
        for (int run = 0; run < 2; ++run) {
            PathText path;
            path.Assign("C:\\PROGRA~1\\COMMON~1\\X.DLL");
            EXPECT_EQ(ExpandToLongPath(path), 1);
        }
        EXPECT_EQ(fake::CountCalls("GetLongPathNameA"), windows.hasLongPathName ? 2 : 0);
        EXPECT_EQ(fake::CountCalls("FindFirstFileA"), windows.hasLongPathName ? 0 : 6);
        // kernel32 is asked once per process.
        EXPECT_EQ(fake::CountCalls("GetProcAddress GetLongPathNameA"), 1);
    }
}

struct FailureRow {
    const char* why;
    int windows;  // into kWindows
    const char* failing;
    int nth;
    const char* expected;
};

const FailureRow kFailureRows[] = {
    {"the second search fails: that part and the rest stay as written", 0, "FindFirstFileA", 2,
     "C:\\Program Files\\COMMON~1\\X.DLL"},
    {"the first search fails: nothing changes", 1, "FindFirstFileA", 1, "C:\\PROGRA~1\\COMMON~1\\X.DLL"},
    {"a search that cannot be closed has still answered", 0, "FindClose", 1, "C:\\Program Files\\Common Files\\X.DLL"},
    {"GetLongPathNameA fails: one search per part instead", 2, "GetLongPathNameA", 1,
     "C:\\Program Files\\Common Files\\X.DLL"},
    {"kernel32's handle cannot be had: searches", 2, "GetModuleHandleA", 1, "C:\\Program Files\\Common Files\\X.DLL"},
    {"GetLongPathNameA cannot be looked up: searches", 2, "GetProcAddress", 1,
     "C:\\Program Files\\Common Files\\X.DLL"},
};

TEST(LongPath, AFailedCallKeepsWhatItCouldNotExpandAsWritten) {
    for (const FailureRow& row : kFailureRows) {
        SCOPED_TRACE(row.why);
        DescribeMachine(kWindows[row.windows]);
        fake::FailCall(row.failing, row.nth);
        PathText path;
        path.Assign("C:\\PROGRA~1\\COMMON~1\\X.DLL");
        EXPECT_EQ(ExpandToLongPath(path), 1);
        EXPECT_STREQ(path.c_str(), row.expected);
        EXPECT_GE(M().callCounts[row.failing], row.nth);  // the failure was reached
    }
}

// A long form of 259 characters is the longest a PathText holds.
TEST(LongPath, ALongFormThatDoesNotFitLeavesThePathUnchanged) {
    const std::string directories = "C:\\" + std::string(120, 'L') + "\\" + std::string(120, 'M') + "\\";
    for (const WindowsColumn& windows : kWindows) {
        SCOPED_TRACE(windows.name);
        DescribeMachine(windows);
        fake::WriteFile(directories + "ABCDEFGHIJ.TXT", "fits");
        fake::WriteFile(directories + "QBCDEFGHIJK.TXT", "one more");
        PathText path;
        path.Assign("C:\\LLLLLL~1\\MMMMMM~1\\ABCDEF~1.TXT");
        EXPECT_EQ(ExpandToLongPath(path), 1);
        EXPECT_EQ(path.view(), directories + "ABCDEFGHIJ.TXT");
        EXPECT_EQ(path.length(), 259u);
        path.Assign("C:\\LLLLLL~1\\MMMMMM~1\\QBCDEF~1.TXT");
        EXPECT_EQ(ExpandToLongPath(path), 0);
        EXPECT_STREQ(path.c_str(), "C:\\LLLLLL~1\\MMMMMM~1\\QBCDEF~1.TXT");
    }
}

TEST(LongPath, TheShortFormOfAPathExpandsBackToIt) {
    const char* const kLongPaths[] = {
        "C:\\Program Files\\Common Files\\X.DLL",
        "C:\\Program Files\\Widget Library\\library.dll",
        "C:\\Program Files\\Widget Viewer\\viewer.exe",
        "C:\\Program Files\\Widget Viewer",
    };
    for (const WindowsColumn& windows : kWindows)
        for (const char* longPath : kLongPaths) {
            SCOPED_TRACE(std::string(windows.name) + ": " + longPath);
            DescribeMachine(windows);
            PathText path;
            ASSERT_GT(GetShortPathNameA(longPath, path.data(), PathText::Capacity), 0u);
            EXPECT_STRNE(path.c_str(), longPath);
            EXPECT_EQ(ExpandToLongPath(path), 1);
            EXPECT_STREQ(path.c_str(), longPath);
        }
}

}  // namespace
