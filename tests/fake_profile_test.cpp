// The fake machine's profile functions against the shared rows of profile_cases.h,
// and where profile files live.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "profile_cases.h"

namespace profile_cases {
// Test listings show a row by the behaviour it names, not as a dump of its bytes.
void PrintTo(const Case& row, std::ostream* out) { *out << row.name; }
}  // namespace profile_cases

namespace {

using fake::M;
using profile_cases::Call;
using profile_cases::Case;

const char* const kProfile = "C:\\TEST\\CASE.INI";

std::string Printable(std::string_view bytes) {
    std::string out;
    for (char c : bytes) out += c == '\0' ? std::string("\\0") : std::string(1, c);
    return out;
}

class ProfileCases : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        fake::Reset();
        fake::MakeDirectory("C:\\TEST");
    }
};

TEST_P(ProfileCases, BehaveAsTheRowSays) {
    const Case& row = GetParam();
    if (row.fileText) fake::WriteFile(kProfile, row.fileText);
    switch (row.call) {
        case Call::GetString: {
            std::vector<char> buffer(row.size + 8, '*');
            DWORD n = GetPrivateProfileStringA(row.section, row.key, row.text, buffer.data(), row.size, kProfile);
            EXPECT_EQ(n, row.expectedResult);
            std::string_view got(buffer.data(), row.expectedBuffer.size());
            EXPECT_EQ(Printable(got), Printable(row.expectedBuffer));
            // Nothing is written past the buffer.
            EXPECT_EQ(std::string(buffer.data() + row.size, 8), std::string(8, '*'));
            break;
        }
        case Call::GetInt:
            EXPECT_EQ(GetPrivateProfileIntA(row.section, row.key, row.intDefault, kProfile), row.expectedResult);
            break;
        case Call::Write: {
            EXPECT_EQ(static_cast<unsigned long>(WritePrivateProfileStringA(row.section, row.key, row.text, kProfile)),
                      row.expectedResult);
            auto text = fake::ReadFile(kProfile);
            if (row.expectedFile == nullptr)
                EXPECT_FALSE(text.has_value());
            else
                EXPECT_EQ(text.value_or("<no file>"), row.expectedFile);
            break;
        }
    }
}

std::string RowName(const ::testing::TestParamInfo<Case>& info) {
    std::string name;
    bool upper = true;
    for (const char* p = info.param.name; *p; ++p) {
        char c = *p;
        bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum) {
            upper = true;
            continue;
        }
        name += upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        upper = false;
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Rows, ProfileCases, ::testing::ValuesIn(profile_cases::kCases), RowName);

class ProfileFiles : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
};

TEST_F(ProfileFiles, BareFileNameMeansAFileInTheWindowsDirectory) {
    EXPECT_TRUE(WritePrivateProfileStringA("rename", "C:\\APP\\A.DLL", "C:\\APP\\A.DL~", "wininit.ini"));
    EXPECT_EQ(fake::ReadFile("C:\\WINDOWS\\wininit.ini").value_or("<none>"),
              "[rename]\r\nC:\\APP\\A.DLL=C:\\APP\\A.DL~\r\n");
    char value[32];
    EXPECT_EQ(GetPrivateProfileStringA("rename", "c:\\app\\a.dll", "", value, sizeof value, "WININIT.INI"), 12u);
    EXPECT_STREQ(value, "C:\\APP\\A.DL~");
}

TEST_F(ProfileFiles, WindowsDirectoryIsTakenAtTheTimeOfTheCall) {
    M().windowsDirectory = "D:\\WIN95";
    fake::MakeDirectory("D:\\WIN95");
    EXPECT_TRUE(WritePrivateProfileStringA("S", "K", "V", "LOG.INI"));
    EXPECT_TRUE(fake::FileExists("D:\\WIN95\\LOG.INI"));
    EXPECT_FALSE(fake::FileExists("C:\\WINDOWS\\LOG.INI"));
}

TEST_F(ProfileFiles, WriteIntoAMissingDirectoryFailsAndCreatesNothing) {
    EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "V", "C:\\NOWHERE\\LOG.INI"));
    EXPECT_FALSE(fake::FileExists("C:\\NOWHERE\\LOG.INI"));
    EXPECT_FALSE(fake::DirectoryExists("C:\\NOWHERE"));
}

TEST_F(ProfileFiles, ReadOnlyOrInUseFileIsNotChanged) {
    fake::WriteFile("C:\\APP\\LOG.INI", "[S]\r\nK=old\r\n");
    M().files["C:\\APP\\LOG.INI"].readOnly = true;
    EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "new", "C:\\APP\\LOG.INI"));
    M().files["C:\\APP\\LOG.INI"].readOnly = false;
    M().files["C:\\APP\\LOG.INI"].inUse = true;
    EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "new", "C:\\APP\\LOG.INI"));
    EXPECT_EQ(fake::ReadFile("C:\\APP\\LOG.INI").value_or(""), "[S]\r\nK=old\r\n");
}

TEST_F(ProfileFiles, PathsWithDoubledBackslashesNameTheSameFile) {
    fake::WriteFile("C:\\APP\\SETUP.INF", "[SETUP]\r\nProduct=Sample\r\n");
    char value[32];
    EXPECT_EQ(GetPrivateProfileStringA("SETUP", "Product", "product", value, sizeof value, "C:\\APP\\\\SETUP.INF"), 6u);
    EXPECT_STREQ(value, "Sample");
}

TEST_F(ProfileFiles, InjectedWriteFailureLeavesTheFileAlone) {
    fake::FailCall("WritePrivateProfileStringA");
    EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "V", "LOG.INI"));
    EXPECT_FALSE(fake::FileExists("C:\\WINDOWS\\LOG.INI"));
    EXPECT_TRUE(WritePrivateProfileStringA("S", "K", "V", "LOG.INI"));
}

}  // namespace
