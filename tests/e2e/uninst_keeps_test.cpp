// UNINST.EXE under Wine takes only what is the product's: a directory named with a
// doubled backslash, the newer file the person kept at installation, a directory
// that was there before, a shell folder of the profile, a file that another
// installer counts in SharedDLLs in any of its forms or under its long name while
// the log spells it short, and a remover in the Windows directory that two products
// share.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "harness.h"

using namespace e2e;

namespace {

const char* const kSharedDlls = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char* const kUninstallKey = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

SetupRun RunRemover(WineCase& wine, const std::string& tail, const std::string& program = "C:\\medium\\UNINST.EXE") {
    SetupOptions options;
    options.commandTail = tail;
    options.program = program;
    return wine.RunSetup(options);
}

// A value as `reg query` shows it, type and data ("REG_SZ 2", "REG_BINARY 01",
// "REG_DWORD 0x2"), so that a count rewritten in another form shows; "" when the
// value is missing.
std::string TypeAndData(WineCase& wine, const std::string& key, const std::string& value) {
    ProcessResult r =
        wine.RunWine({"reg", "query", key, "/v", value, BuildUnderTest() == BuildKind::Win32 ? "/reg:32" : "/reg:64"});
    if (!r.finished || r.exitCode != 0) return "";
    std::istringstream in(ReadHostFile(r.outputFile));
    const std::string name = "    " + value + "    ";
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, name.size(), name) != 0) continue;
        std::string rest = line.substr(name.size());
        size_t gap = rest.find("    ");
        return gap == std::string::npos ? rest : rest.substr(0, gap) + " " + rest.substr(gap + 4);
    }
    return "";
}

// The 8.3 spelling of each path as a program of the prefix gets it from
// GetShortPathNameA (Wine's hashed names, such as C:\PROG~FBU).
std::vector<std::string> ShortSpellings(WineCase& wine, const std::vector<std::string>& paths) {
    wine.PutTestBinary("C:\\e2e\\e2e_shortpath.exe", "e2e_shortpath.exe");
    std::vector<std::string> args{"C:\\e2e\\e2e_shortpath.exe", "C:\\e2e\\short.txt"};
    args.insert(args.end(), paths.begin(), paths.end());
    wine.RunWine(args);
    std::istringstream in(wine.ReadFile("C:\\e2e\\short.txt").value_or(""));
    std::vector<std::string> spellings;
    for (std::string line; std::getline(in, line);) spellings.push_back(line);
    return spellings;
}

}  // namespace

TEST(RemoverKeeps, RoundTripTakesTheProductAndLeavesTheKeptFileAndTheDirectoryThatWasThere) {
    WineCase wine;
    wine.SetupInf(
        "[SETUP]\r\nProduct=Keeps\r\nUninstFile=KEEPS.INI\r\n"
        "[AddFiles.WIN32]\r\nview.txt=\r\ncomp.dll=\r\ntool.txt=\r\n"
        "[view.txt]\r\nTargetDir=%WINDIR%\\KEEPS\r\n"
        "[comp.dll]\r\nTargetDir=C:\\shared\r\n"
        "[tool.txt]\r\nTargetDir=C:\\tools\r\n");
    wine.MediumFile("view.txt", "viewer");
    wine.MediumFile("tool.txt", "tool");
    wine.MediumTestBinary("comp.dll", "e2e_version_v1.dll");
    wine.MediumFile("UNINST.EXE", ReadHostFile(BuildDir() + "/UNINST.EXE"));
    // Another product's newer comp.dll, and an empty C:\tools, were there before.
    wine.PutTestBinary("C:\\shared\\comp.dll", "e2e_version_v2.dll");
    wine.PutFile("C:\\tools\\other.txt", "another product");
    SetupRun setup = wine.RunSetup({{"Yes", "OK"}});  // keep the newer comp.dll
    ASSERT_EQ(wine.ReadFile("C:\\windows\\KEEPS\\view.txt"), "viewer") << setup.transcript;
    std::optional<std::string> log = wine.ReadFile("C:\\windows\\KEEPS.INI");
    ASSERT_TRUE(log);
    EXPECT_NE(log->find("[UninstKeptFiles]\r\nC:\\shared\\comp.dll=\r\n"), std::string::npos) << *log;
    EXPECT_NE(log->find("C:\\windows\\\\KEEPS\\view.txt="), std::string::npos) << *log;
    // Emptied by the other product since: still not this product's to remove.
    ASSERT_TRUE(wine.Exists("C:\\tools\\other.txt"));
    std::remove(wine.HostPath("C:\\tools\\other.txt").c_str());

    SetupRun run = RunRemover(wine, "/S KEEPS.INI");
    EXPECT_EQ(run.setup.exitCode, 0);
    EXPECT_EQ(run.transcript, "");
    EXPECT_FALSE(wine.Exists("C:\\windows\\KEEPS"));
    EXPECT_EQ(wine.ReadFile("C:\\shared\\comp.dll"), ReadHostFile(TestBinary("e2e_version_v2.dll")));
    EXPECT_FALSE(wine.Exists("C:\\tools\\tool.txt"));
    EXPECT_TRUE(wine.Exists("C:\\tools"));
    EXPECT_FALSE(wine.Exists("C:\\windows\\KEEPS.INI"));
}

TEST(RemoverKeeps, ShellFolderStaysWhenALogNamesIt) {
    WineCase wine;
    std::optional<std::string> startup =
        wine.RegQuery("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Startup");
    ASSERT_TRUE(startup) << "Wine names no StartUp folder in this prefix";
    wine.PutFile(*startup + "\\run.lnk", "shortcut");
    wine.MediumFile("UNINST.EXE", ReadHostFile(BuildDir() + "/UNINST.EXE"));
    wine.PutFile("C:\\windows\\startup.ini", "[UNINST]\r\nProduct=Startup\r\n[UninstFiles]\r\n" + *startup +
                                                 "\\run.lnk=\r\n[UninstCreatedDirs]\r\n" + *startup + "=\r\n");
    SetupRun run = RunRemover(wine, "/S startup.ini");
    EXPECT_EQ(run.setup.exitCode, 0);
    EXPECT_FALSE(wine.Exists(*startup + "\\run.lnk"));
    EXPECT_TRUE(wine.Exists(*startup));
    EXPECT_FALSE(wine.Exists("C:\\windows\\startup.ini"));
}

// A count that another installer wrote in a form of its own: kept, and the count
// stays exactly as it was written.
struct CountForm {
    const char* name;
    const char* regData;  // the value's data as a .reg file writes it
    const char* shown;    // as `reg query` shows it, before and after the removal
};

void PrintTo(const CountForm& row, std::ostream* out) {
    *out << row.name;
}

class RemoverKeepsCountedFile : public ::testing::TestWithParam<CountForm> {};

TEST_P(RemoverKeepsCountedFile, TheFileStaysAndItsCountIsUnchanged) {
    const CountForm& row = GetParam();
    WineCase wine;
    wine.MediumFile("UNINST.EXE", ReadHostFile(BuildDir() + "/UNINST.EXE"));
    wine.PutFile("C:\\app\\own.dat", "the product's own");
    wine.PutFile("C:\\app\\shared.dll", "counted by another installer");
    wine.PutFile("C:\\windows\\counted.ini",
                 "[UNINST]\r\nProduct=Counted\r\n[UninstFiles]\r\nC:\\app\\own.dat=\r\nC:\\app\\shared.dll=\r\n");
    wine.ImportReg(
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs]\n"
        "\"C:\\\\app\\\\shared.dll\"=" +
        std::string(row.regData) + "\n");
    ASSERT_EQ(TypeAndData(wine, kSharedDlls, "C:\\app\\shared.dll"), row.shown);

    SetupRun run = RunRemover(wine, "/S /LOG:C:\\e2e\\trace.txt counted.ini");
    EXPECT_EQ(run.setup.exitCode, 0) << wine.ReadFile("C:\\e2e\\trace.txt").value_or("");
    EXPECT_EQ(run.transcript, "");
    EXPECT_FALSE(wine.Exists("C:\\app\\own.dat"));
    EXPECT_EQ(wine.ReadFile("C:\\app\\shared.dll"), "counted by another installer")
        << wine.ReadFile("C:\\e2e\\trace.txt").value_or("");
    EXPECT_EQ(TypeAndData(wine, kSharedDlls, "C:\\app\\shared.dll"), row.shown);
    EXPECT_FALSE(wine.Exists("C:\\windows\\counted.ini"));
}

INSTANTIATE_TEST_SUITE_P(CountForms, RemoverKeepsCountedFile,
                         ::testing::Values(
                             // Decimal text, as some installers write their counts.
                             CountForm{"TextTwo", "\"2\"", "REG_SZ 2"},
                             // One little-endian byte.
                             CountForm{"OneByte", "hex:01", "REG_BINARY 01"}),
                         [](const ::testing::TestParamInfo<CountForm>& info) { return std::string(info.param.name); });

TEST(RemoverKeeps, ARemoverInTheWindowsDirectoryTwoProductsCountStaysAndTheCountIsNeverLowered) {
    WineCase wine;
    wine.PutFile("C:\\windows\\uninst.exe", ReadHostFile(BuildDir() + "/UNINST.EXE"));
    // Each product logs the remover it shares, but neither raised its count: the
    // count of 2 is the two installers' own, and the log names no [UninstSharedFiles].
    for (const std::string product : {"first", "second"}) {
        wine.PutFile("C:\\" + product + "\\view.dat", product);
        wine.PutFile("C:\\windows\\" + product + ".ini", "[UNINST]\r\nProduct=" + product +
                                                             "\r\n[UninstFiles]\r\nC:\\" + product +
                                                             "\\view.dat=\r\nC:\\windows\\uninst.exe=\r\n");
        ASSERT_EQ(
            RunRemover(wine, "/register C:\\windows\\" + product + ".ini", "C:\\windows\\uninst.exe").setup.exitCode,
            0);
    }
    wine.ImportReg(
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs]\n"
        "\"C:\\\\windows\\\\uninst.exe\"=dword:00000002\n");
    ASSERT_EQ(wine.RegQuery(std::string(kUninstallKey) + "second", "UninstallString"),
              "\"C:\\windows\\uninst.exe\" \"C:\\windows\\second.ini\"");

    SetupRun first = RunRemover(wine, "/S /LOG:C:\\e2e\\first.txt C:\\windows\\first.ini", "C:\\windows\\uninst.exe");
    EXPECT_EQ(first.setup.exitCode, 0) << wine.ReadFile("C:\\e2e\\first.txt").value_or("");
    EXPECT_FALSE(wine.Exists("C:\\first\\view.dat"));
    EXPECT_FALSE(wine.Exists("C:\\windows\\first.ini"));
    EXPECT_FALSE(wine.Exists("C:\\windows\\first.in$"));
    EXPECT_EQ(wine.RegQuery(std::string(kUninstallKey) + "first", "UninstallString"), std::nullopt);
    EXPECT_TRUE(wine.Exists("C:\\windows\\uninst.exe"));
    EXPECT_TRUE(wine.Exists("C:\\second\\view.dat"));

    // Now nothing but the count claims the remover.
    SetupRun second =
        RunRemover(wine, "/S /LOG:C:\\e2e\\second.txt C:\\windows\\second.ini", "C:\\windows\\uninst.exe");
    std::string trace = wine.ReadFile("C:\\e2e\\second.txt").value_or("");
    EXPECT_EQ(second.setup.exitCode, 0) << trace;
    EXPECT_FALSE(wine.Exists("C:\\second\\view.dat"));
    EXPECT_FALSE(wine.Exists("C:\\windows\\second.ini"));
    EXPECT_FALSE(wine.Exists("C:\\windows\\second.in$"));
    EXPECT_EQ(wine.RegQuery(std::string(kUninstallKey) + "second", "UninstallString"), std::nullopt);
    EXPECT_NE(trace.find("file C:\\windows\\uninst.exe: kept (SharedDLLs)\r\n"), std::string::npos) << trace;
    // A kept remover does not hand its own file to a copy that would delete it later.
    EXPECT_EQ(trace.find("handed over to a temporary copy"), std::string::npos) << trace;
    EXPECT_TRUE(wine.Exists("C:\\windows\\uninst.exe"));
    EXPECT_EQ(TypeAndData(wine, kSharedDlls, "C:\\windows\\uninst.exe"), "REG_DWORD 0x2");
}

TEST(RemoverKeeps, AFileLoggedByItsShortSpellingIsKeptByTheCountOfItsLongName) {
    WineCase wine;
    const std::string dir = "C:\\Program Files\\Common Files\\Acme Shared";
    const std::string file = dir + "\\acme library.dll";
    wine.MediumFile("UNINST.EXE", ReadHostFile(BuildDir() + "/UNINST.EXE"));
    wine.PutFile(file, "counted under its long name");
    wine.ImportReg(
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs]\n"
        "\"C:\\\\Program Files\\\\Common Files\\\\Acme Shared\\\\acme library.dll\"=dword:00000001\n");
    std::vector<std::string> spelt = ShortSpellings(wine, {file, dir});
    ASSERT_EQ(spelt.size(), 2u);
    // Wine's short names are hashed (C:\PROG~FBU\COMM~CP1\ACME~PRA\ACME~UND.DLL): no
    // part of the long spelling is left in them.
    ASSERT_EQ(spelt[0].find("Program Files"), std::string::npos) << spelt[0];
    ASSERT_EQ(spelt[0].find("acme library"), std::string::npos) << spelt[0];
    ASSERT_EQ(spelt[1].find("Acme Shared"), std::string::npos) << spelt[1];
    wine.PutFile("C:\\windows\\acme.ini", "[UNINST]\r\nProduct=Acme\r\n[UninstFiles]\r\n" + spelt[0] +
                                              "=\r\n[UninstCreatedDirs]\r\n" + spelt[1] + "=\r\n");

    SetupRun run = RunRemover(wine, "/S /LOG:C:\\e2e\\trace.txt acme.ini");
    std::string trace = wine.ReadFile("C:\\e2e\\trace.txt").value_or("");
    EXPECT_EQ(run.setup.exitCode, 0) << trace;
    EXPECT_EQ(run.transcript, "");
    EXPECT_EQ(wine.ReadFile(file), "counted under its long name") << trace;
    EXPECT_NE(trace.find("file " + file + ": kept (SharedDLLs)\r\n"), std::string::npos) << trace;
    EXPECT_EQ(TypeAndData(wine, kSharedDlls, file), "REG_DWORD 0x1");
    EXPECT_TRUE(wine.Exists("C:\\Program Files\\Common Files"));
    EXPECT_FALSE(wine.Exists("C:\\windows\\acme.ini"));
}
