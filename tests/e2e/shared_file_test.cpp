// Shared files under Wine: two products install the same SharedFile=1 entries, and
// the SharedDLLs counts that the real registry holds afterwards are read back with
// `reg query`.
#include <gtest/gtest.h>

#include "harness.h"

using namespace e2e;

namespace {

constexpr char kCounts[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// One product of the vendor: its own name and log, the same shared files.
std::string ProductScript(const std::string& product, const std::string& log) {
    return "[SETUP]\r\nProduct=" + product + "\r\nUninstFile=" + log +
           "\r\n"
           "[AddFiles.WIN32]\r\ncommon.dll=\r\nformat.dll=\r\n"
           "[common.dll]\r\nTargetDir=C:\\VENDOR\\COMMON\\\r\nSharedFile=1\r\n"
           "[format.dll]\r\nSharedFile=1\r\n";
}

}  // namespace

TEST(SharedCounts, TwoProductsCountTheFileTwiceAndARerunNotAgain) {
    WineCase wine("nt40");
    wine.PutFile("C:\\VENDOR\\README.TXT", "the vendor's directory");
    // Another installer counted format.dll before, as a decimal string.
    wine.ImportReg(
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs]\r\n"
        "\"C:\\\\VENDOR\\\\COMMON\\\\format.dll\"=\"2\"\r\n");
    wine.MediumFile("common.dll", "common");
    wine.MediumFile("format.dll", "format");

    wine.SetupInf(ProductScript("Chart Kit", "CHARTKIT.INI"));
    SetupRun first = wine.RunSetup({{"OK"}});
    EXPECT_EQ(first.transcript, Transcript({OkBox("Chart Kit", "Setup completed successfully")}));
    EXPECT_EQ(wine.RegQuery(kCounts, "C:\\VENDOR\\COMMON\\common.dll"), "0x1");
    // Read as a count and written back as a REG_DWORD.
    EXPECT_EQ(wine.RegQuery(kCounts, "C:\\VENDOR\\COMMON\\format.dll"), "0x3");
    EXPECT_EQ(wine.IniValue("C:\\windows\\CHARTKIT.INI", "UninstSharedFiles", "C:\\VENDOR\\COMMON\\common.dll"), "");

    // The second product, with its own log, counts the files for itself.
    wine.SetupInf(ProductScript("Map Kit", "MAPKIT.INI"));
    SetupRun second = wine.RunSetup({{"OK"}});
    EXPECT_EQ(second.transcript, Transcript({OkBox("Map Kit", "Setup completed successfully")}));
    EXPECT_EQ(wine.RegQuery(kCounts, "C:\\VENDOR\\COMMON\\common.dll"), "0x2");
    EXPECT_EQ(wine.RegQuery(kCounts, "C:\\VENDOR\\COMMON\\format.dll"), "0x4");

    // The second product once more, over its own log: counted already.
    SetupRun again = wine.RunSetup({{"OK"}});
    EXPECT_EQ(again.transcript, Transcript({OkBox("Map Kit", "Setup completed successfully")}));
    EXPECT_EQ(wine.RegQuery(kCounts, "C:\\VENDOR\\COMMON\\common.dll"), "0x2");
    EXPECT_EQ(wine.RegQuery(kCounts, "C:\\VENDOR\\COMMON\\format.dll"), "0x4");
    EXPECT_EQ(wine.ReadFile("C:\\windows\\MAPKIT.INI").value_or("<none>"),
              "[UNINST]\r\nProduct=Map Kit\r\n"
              "[UninstSharedFiles]\r\nC:\\VENDOR\\COMMON\\common.dll=\r\nC:\\VENDOR\\COMMON\\format.dll=\r\n"
              "[UninstFiles]\r\nC:\\VENDOR\\COMMON\\common.dll=\r\nC:\\VENDOR\\COMMON\\format.dll=\r\n");
}
