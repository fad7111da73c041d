// setupcheck's plan: SETUP.EXE's own core run against the described machine, with
// files, versions and components taken from real file contents (PE version resources
// and exports, compressed sources expanded).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "setupcheck/check_command.h"
#include "setupcheck/pe_file.h"

namespace {

namespace fs = std::filesystem;

void Put32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}
void Put16(std::string& b, size_t at, uint32_t v) {
    b[at] = static_cast<char>(v & 0xff);
    b[at + 1] = static_cast<char>((v >> 8) & 0xff);
}

// A PE32 file with one section at RVA 0x1000 (file offset 0x200) holding, as asked, a
// version resource with that file version and an export table naming `exported`.
std::string MakePe(uint64_t version, const std::string& exported) {
    std::string b(0x200 + 0x400, '\0');
    b[0] = 'M', b[1] = 'Z';
    Put32(b, 0x3c, 0x80);
    memcpy(&b[0x80], "PE\0\0", 4);
    Put16(b, 0x84, 0x14c);  // i386
    Put16(b, 0x86, 1);      // one section
    Put16(b, 0x94, 0xe0);   // optional header size
    size_t opt = 0x98;
    Put16(b, opt, 0x10b);
    Put32(b, opt + 92, 16);  // data directories
    size_t dirs = opt + 96;
    size_t sec = opt + 0xe0;
    memcpy(&b[sec], ".data", 5);
    Put32(b, sec + 8, 0x400);    // virtual size
    Put32(b, sec + 12, 0x1000);  // RVA
    Put32(b, sec + 16, 0x400);   // raw size
    Put32(b, sec + 20, 0x200);   // raw offset
    auto at = [](uint32_t rva) { return 0x200 + (rva - 0x1000); };
    if (!exported.empty()) {
        // Export directory at 0x1000, name pointer table at 0x1040, the name at 0x1050.
        Put32(b, dirs + 0, 0x1000);
        Put32(b, dirs + 4, 0x60);
        Put32(b, at(0x1000) + 24, 1);
        Put32(b, at(0x1000) + 32, 0x1040);
        Put32(b, at(0x1040), 0x1050);
        memcpy(&b[at(0x1050)], exported.c_str(), exported.size() + 1);
    }
    if (version != 0) {
        // Resource tree at 0x1100: type 16 -> name 1 -> language 0x409 -> data at 0x1200.
        Put32(b, dirs + 16, 0x1100);
        Put32(b, dirs + 20, 0x200);
        uint32_t root = 0x1100, names = 0x1118, langs = 0x1130, entry = 0x1148;
        Put16(b, at(root) + 14, 1);
        Put32(b, at(root) + 16, 16);
        Put32(b, at(root) + 20, 0x80000000u | (names - root));
        Put16(b, at(names) + 14, 1);
        Put32(b, at(names) + 16, 1);
        Put32(b, at(names) + 20, 0x80000000u | (langs - root));
        Put16(b, at(langs) + 14, 1);
        Put32(b, at(langs) + 16, 0x409);
        Put32(b, at(langs) + 20, entry - root);
        Put32(b, at(entry), 0x1200);
        Put32(b, at(entry) + 4, 0x5c);
        // VS_VERSIONINFO: length, value length, type, "VS_VERSION_INFO" in UTF-16, padding,
        // then the fixed part at offset 40.
        size_t v = at(0x1200);
        Put16(b, v, 0x5c);
        Put16(b, v + 2, 0x34);
        const char key[] = "VS_VERSION_INFO";
        for (size_t i = 0; i < sizeof key; ++i) b[v + 6 + 2 * i] = key[i];
        Put32(b, v + 40, 0xFEEF04BDu);
        Put32(b, v + 44, 0x10000);
        Put32(b, v + 48, static_cast<uint32_t>(version >> 32));
        Put32(b, v + 52, static_cast<uint32_t>(version));
    }
    return b;
}

TEST(PeFile, VersionAndExportsAreReadFromTheFile) {
    std::string pe = MakePe(0x0001000200030004ull, "DllRegisterServer");
    EXPECT_TRUE(IsPeModule(pe));
    EXPECT_EQ(ReadFileVersion(pe), 0x0001000200030004ull);
    EXPECT_TRUE(ExportsFunction(pe, "DllRegisterServer"));
    EXPECT_FALSE(ExportsFunction(pe, "DllRegister")) << "a name is matched whole";
    std::string plain = MakePe(0, "");
    EXPECT_EQ(ReadFileVersion(plain), 0u);
    EXPECT_FALSE(ExportsFunction(plain, "DllRegisterServer"));
    EXPECT_FALSE(IsPeModule("just text"));
    EXPECT_EQ(ReadFileVersion("MZ but nothing more"), 0u);
}

// A file on a medium may be damaged or made to harm: each row damages a good module in
// one place, and the readers answer "no version", "no export" or "not a module".
struct DamagedPe {
    const char* why;
    std::function<void(std::string&)> damage;
    bool module;
    uint64_t version;
    bool exports;
};

TEST(PeFile, DamagedFilesReadAsNoModule) {
    const uint32_t sectionHeader = 0x98 + 0xe0, namePointer = 0x200 + 0x40, resourceEntry = 0x200 + 0x148;
    const DamagedPe rows[] = {
        // Found by fuzzing: a section claiming more raw bytes than the file has, and an
        // export name pointer into that missing part (the read ran past the end).
        {"export name beyond the end of the file",
         [&](std::string& b) { Put32(b, sectionHeader + 16, 0x10000), Put32(b, namePointer, 0x5000); }, true,
         0x0001000000000000ull, false},
        // The name starts inside the file but its last bytes are cut off.
        {"export name cut by the end of the file",
         [&](std::string& b) { Put32(b, namePointer, 0x13F8), b.replace(0x5F8, 8, "DllRegis"); }, true,
         0x0001000000000000ull, false},
        // A header offset near 4 GiB must not wrap round on a 32-bit build.
        {"PE header offset near 4 GiB", [&](std::string& b) { Put32(b, 0x3c, 0xFFFFFFF0u); }, false, 0, false},
        {"more sections than the file holds", [&](std::string& b) { Put16(b, 0x86, 200); }, false, 0, false},
        // The version data entry points beyond the file.
        {"version data beyond the end of the file",
         [&](std::string& b) { Put32(b, sectionHeader + 16, 0x10000), Put32(b, resourceEntry, 0x8000); }, true, 0,
         true},
    };
    for (const DamagedPe& row : rows) {
        SCOPED_TRACE(row.why);
        std::string pe = MakePe(0x0001000000000000ull, "DllRegisterServer");
        row.damage(pe);
        EXPECT_EQ(IsPeModule(pe), row.module);
        EXPECT_EQ(ReadFileVersion(pe), row.version);
        EXPECT_EQ(ExportsFunction(pe, "DllRegisterServer"), row.exports);
    }
}

TEST(PeFile, DamagedCompressedFilesAreRefused) {
    std::string header = std::string("SZDD\x88\xf0\x27\x33", 8) + "A" + std::string(1, '\0');
    auto sized = [&](uint32_t size, const std::string& data) {
        std::string b = header + std::string(4, '\0');
        Put32(b, 10, size);
        return b + data;
    };
    std::string out;
    // Claims far more than its data gives.
    EXPECT_FALSE(ExpandSzddFile(sized(0xFFFFFFF0u, std::string("\xff", 1) + "abcdefgh"), out));
    // A reference whose second byte is missing.
    EXPECT_FALSE(ExpandSzddFile(sized(9, std::string("\x07", 1) + "abc" + std::string("\xf0", 1)), out));
    // Not the one method COMPRESS writes.
    std::string other = sized(3, std::string("\x07", 1) + "abc");
    other[8] = 'B';
    EXPECT_FALSE(ExpandSzddFile(other, out));
}

TEST(PeFile, CompressedFileExpandsWithLiteralsAndReferences) {
    // Three literals, then six bytes from the window position where they were written.
    std::string szdd = std::string("SZDD\x88\xf0\x27\x33", 8) + "A" + std::string(1, '\0');
    std::string size(4, '\0');
    Put32(size, 0, 9);
    szdd += size;
    szdd += std::string(
        "\x07"
        "abc"
        "\xf0\xf3",
        6);
    std::string out;
    ASSERT_TRUE(ExpandSzddFile(szdd, out));
    EXPECT_EQ(out, "abcabcabc");
    EXPECT_FALSE(ExpandSzddFile("SZDD but damaged", out));
}

std::string ReadHostFileForTest(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class SetupCheckPlan : public ::testing::Test {
protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("setupcheck-plan-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir / "medium");
        fs::create_directories(dir / "root");
    }
    void TearDown() override { fs::remove_all(dir); }
    void Put(const fs::path& path, const std::string& bytes) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    int Plan(std::vector<std::string> args, std::string& out) {
        std::string err;
        args.insert(args.begin(), "--plan");
        args.push_back((dir / "medium").string());
        int code = RunSetupCheck(args, out, err);
        out += err;
        return code;
    }
};

const char kScript[] =
    "[SETUP]\nProduct=Demo\nInitialPrompt=1\nUninstFile=DEMOUN.INI\n"
    "[SetEnv.WIN32]\nDEMO=\n[DEMO]\nDataFrom=ENVIRONMENT\nEnvironmentValue=%WINDIR%DEMO\\\n"
    "[AddFiles.WIN32]\ndemo.exe=\ndemo.dll=\nshared.dll=\n"
    "[demo.exe]\nTargetDir=%DEMO%\n[demo.dll]\n[shared.dll]\nTargetDir=%WINSYSDIR%\n"
    "[ExecFiles.WIN32]\ndemo.exe=\n[RegisterFiles.WIN32]\ndemo.dll=\n";

TEST_F(SetupCheckPlan, ShowsEveryStepOfTheRunInOrder) {
    Put(dir / "medium/SETUP.INF", kScript);
    Put(dir / "medium/demo.exe", MakePe(0x0001000000000000ull, ""));
    Put(dir / "medium/demo.dll", MakePe(0x0001000000000000ull, "DllRegisterServer"));
    Put(dir / "medium/shared.dll", MakePe(0x0001000000000000ull, ""));
    // A newer shared.dll is on the machine already.
    Put(dir / "root/WINDOWS/SYSTEM32/shared.dll", MakePe(0x0002000000000000ull, ""));
    std::string out;
    ASSERT_EQ(Plan({"--root", (dir / "root").string()}, out), 0) << out;
    EXPECT_EQ(out,
              "environment: DEMO=C:\\WINDOWS\\DEMO\\\n"
              "box: Demo | This will install Demo. Do you wish to continue? | Yes/No -> Yes\n"
              "copy: D:\\demo.exe -> C:\\WINDOWS\\DEMO\\demo.exe: new\n"
              "copy: D:\\demo.dll -> C:\\WINDOWS\\DEMO\\demo.dll: new\n"
              "copy: D:\\shared.dll -> C:\\WINDOWS\\SYSTEM32\\shared.dll: the source is older: the question follows\n"
              "box: Demo | The source file shared.dll is older than the destination file. \\nDo you want to keep the "
              "existing file? | Yes/No -> Yes\n"
              "start: C:\\WINDOWS\\DEMO\\demo.exe \n"
              "register: C:\\WINDOWS\\DEMO\\demo.dll\n"
              "box: Demo | Setup completed successfully | OK -> OK\n"
              "uninstall log: C:\\WINDOWS\\DEMOUN.INI\n"
              "  [UNINST]\n"
              "  Product=Demo\n"
              "  [UninstCreatedDirs]\n"
              "  C:\\WINDOWS\\DEMO\\=\n"
              "  [UninstFiles]\n"
              "  C:\\WINDOWS\\DEMO\\demo.exe=\n"
              "  C:\\WINDOWS\\DEMO\\demo.dll=\n"
              "  C:\\WINDOWS\\SYSTEM32\\shared.dll=\n"
              "  [UninstKeptFiles]\n"
              "  C:\\WINDOWS\\SYSTEM32\\shared.dll=\n"
              "  [UninstRegister]\n"
              "  C:\\WINDOWS\\DEMO\\demo.dll=\n"
              "restart offered: no\n");
}

TEST_F(SetupCheckPlan, FileInUseIsStagedAndTheRestartOffered) {
    Put(dir / "medium/SETUP.INF",
        "[SETUP]\nProduct=Demo\n[AddFiles.WIN32]\nshared.dll=\n[shared.dll]\nTargetDir=%WINSYSDIR%\n");
    Put(dir / "medium/shared.dll", MakePe(0x0003000000000000ull, ""));
    Put(dir / "root/WINDOWS/SYSTEM/shared.dll", MakePe(0x0002000000000000ull, ""));
    std::string out;
    ASSERT_EQ(
        Plan({"--windows", "95", "--root", (dir / "root").string(), "--in-use", "C:\\WINDOWS\\SYSTEM\\shared.dll"},
             out),
        0)
        << out;
    EXPECT_NE(out.find("copy: D:\\shared.dll -> C:\\WINDOWS\\SYSTEM\\shared.dll: in use\n"), std::string::npos) << out;
    EXPECT_NE(out.find("staged: "), std::string::npos) << out;
    EXPECT_NE(out.find("The system needs to be restarted"), std::string::npos) << out;
    EXPECT_NE(out.find("| Yes/No -> No\n"), std::string::npos) << "the default answer keeps Windows running: " << out;
    EXPECT_NE(out.find("restart offered: yes\n"), std::string::npos) << out;
}

// --silent plans a /S run: the same steps as a run answered with the default buttons,
// no box shown (each is listed as the trace gives it), no restart, and the exit code.
TEST_F(SetupCheckPlan, SilentPlanIsTheDefaultAnswersWithoutABoxOrARestart) {
    Put(dir / "medium/SETUP.INF",
        "[SETUP]\nProduct=Demo\nInitialPrompt=1\n[AddFiles.WIN32]\nshared.dll=\n[shared.dll]\nTargetDir=%WINSYSDIR%\n");
    Put(dir / "medium/shared.dll", MakePe(0x0003000000000000ull, ""));
    Put(dir / "root/WINDOWS/SYSTEM/shared.dll", MakePe(0x0002000000000000ull, ""));
    std::vector<std::string> machine = {"--windows", "95", "--root", (dir / "root").string(), "--in-use",
                                        "C:\\WINDOWS\\SYSTEM\\shared.dll"};
    std::string attended, silent;
    ASSERT_EQ(Plan(machine, attended), 0) << attended;
    machine.push_back("--silent");
    ASSERT_EQ(Plan(machine, silent), 0) << silent;

    auto steps = [](const std::string& plan) {
        std::string kept;
        std::istringstream lines(plan);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("box: ", 0) != 0 && line.rfind("restart offered: ", 0) != 0 &&
                line.rfind("exit code: ", 0) != 0)
                kept += line + "\n";
        return kept;
    };
    EXPECT_EQ(steps(silent), steps(attended));
    EXPECT_NE(silent.find("box: \"Demo\" \"This will install Demo. Do you wish to continue?\" Yes/No: Yes (not shown)\n"),
              std::string::npos)
        << silent;
    EXPECT_NE(silent.find("box: \"Demo\" \"Setup completed successfully\" OK: OK (not shown)\n"), std::string::npos)
        << silent;
    EXPECT_EQ(silent.find("The system needs to be restarted"), std::string::npos) << silent;
    EXPECT_NE(silent.find("restart offered: no\nexit code: 3010\n"), std::string::npos) << silent;
    EXPECT_EQ(attended.find("exit code"), std::string::npos) << "an attended plan is as it was: " << attended;
}

TEST_F(SetupCheckPlan, SilentIsAMachineOptionOfThePlanOnly) {
    Put(dir / "medium/SETUP.INF", "[SETUP]\nProduct=Demo\n");
    std::string out, err;
    EXPECT_EQ(RunSetupCheck({"--silent", (dir / "medium").string()}, out, err), 2) << out;
}

// The count each shared file's entry raises shows beside its copy, from what the
// described machine holds: the file there before, and the counts of its registry.
TEST_F(SetupCheckPlan, SharedFilesShowTheCountTheyRaise) {
    Put(dir / "medium/SETUP.INF",
        "[SETUP]\nProduct=Demo\nUninstFile=C:\\WINDOWS\\DEMOUN.INI\n"
        "[AddFiles.WIN32]\nnew.dll=\nthere.dll=\ncounted.dll=\nown.dll=\n"
        "[new.dll]\nTargetDir=%WINSYSDIR%\nSharedFile=1\n[there.dll]\nSharedFile=1\n[counted.dll]\nSharedFile=1\n"
        "[own.dll]\n");
    for (const char* name : {"new.dll", "there.dll", "counted.dll", "own.dll"})
        Put(dir / "medium" / name, std::string(name) + "\r\n");
    Put(dir / "root/WINDOWS/SYSTEM32/there.dll", "another product's\r\n");
    Put(dir / "machine.reg",
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs]\n"
        "\"C:\\\\WINDOWS\\\\SYSTEM32\\\\counted.dll\"=dword:00000003\n");
    std::string out;
    ASSERT_EQ(Plan({"--root", (dir / "root").string(), "--registry", (dir / "machine.reg").string()}, out), 0) << out;
    EXPECT_EQ(out,
              "copy: D:\\new.dll -> C:\\WINDOWS\\SYSTEM32\\new.dll: new\n"
              "shared: C:\\WINDOWS\\SYSTEM32\\new.dll: SharedDLLs count 1\n"
              "copy: D:\\there.dll -> C:\\WINDOWS\\SYSTEM32\\there.dll: replaced\n"
              "shared: C:\\WINDOWS\\SYSTEM32\\there.dll: SharedDLLs count 2\n"
              "copy: D:\\counted.dll -> C:\\WINDOWS\\SYSTEM32\\counted.dll: new\n"
              "shared: C:\\WINDOWS\\SYSTEM32\\counted.dll: SharedDLLs count 4\n"
              "copy: D:\\own.dll -> C:\\WINDOWS\\SYSTEM32\\own.dll: new\n"
              "box: Demo | Setup completed successfully | OK -> OK\n"
              "uninstall log: C:\\WINDOWS\\DEMOUN.INI\n"
              "  [UNINST]\n"
              "  Product=Demo\n"
              "  [UninstSharedFiles]\n"
              "  C:\\WINDOWS\\SYSTEM32\\new.dll=\n"
              "  C:\\WINDOWS\\SYSTEM32\\there.dll=\n"
              "  C:\\WINDOWS\\SYSTEM32\\counted.dll=\n"
              "  [UninstFiles]\n"
              "  C:\\WINDOWS\\SYSTEM32\\new.dll=\n"
              "  C:\\WINDOWS\\SYSTEM32\\there.dll=\n"
              "  C:\\WINDOWS\\SYSTEM32\\counted.dll=\n"
              "  C:\\WINDOWS\\SYSTEM32\\own.dll=\n"
              "restart offered: no\n");
    std::string json;
    ASSERT_EQ(Plan({"--json"}, json), 0) << json;
    EXPECT_NE(json.find("{\"kind\": \"shared\", \"path\": \"C:\\\\WINDOWS\\\\SYSTEM32\\\\new.dll\", "
                        "\"count\": \"1\"}"),
              std::string::npos)
        << json;
}

TEST_F(SetupCheckPlan, AnswersAreTakenInTheOrderAsked) {
    Put(dir / "medium/SETUP.INF", "[SETUP]\nProduct=Demo\nInitialPrompt=1\n");
    std::string out;
    ASSERT_EQ(Plan({"--answers", "no"}, out), 0) << out;
    EXPECT_EQ(out,
              "box: Demo | This will install Demo. Do you wish to continue? | Yes/No -> No\n"
              "restart offered: no\n");
}

TEST_F(SetupCheckPlan, RegistryAndEnvironmentOfTheMachineAreRead) {
    Put(dir / "medium/SETUP.INF",
        "[SetEnv.WIN32]\nHOME=\nUSER=\n[HOME]\nDataFrom=REGISTRY\nRegistryRootKey=HKEY_LOCAL_MACHINE\n"
        "RegistryMidKey=Software\\Vendor\nRegistryEndKey=Home\n[USER]\nDataFrom=ENVIRONMENT\nEnvironmentValue=%NAME%"
        "\n");
    Put(dir / "machine.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Vendor]\n\"Home\"=\"C:\\\\VENDOR\"\n");
    std::string out;
    ASSERT_EQ(Plan({"--registry", (dir / "machine.reg").string(), "--env", "NAME=ann"}, out), 0) << out;
    EXPECT_NE(out.find("environment: HOME=C:\\VENDOR\n"), std::string::npos) << out;
    EXPECT_NE(out.find("environment: USER=ann\n"), std::string::npos) << out;
}

TEST_F(SetupCheckPlan, BadDescriptionIsABadCommandLine) {
    Put(dir / "medium/SETUP.INF", "[SETUP]\n");
    std::string out;
    EXPECT_EQ(Plan({"--windows", "3.1"}, out), 2);
    EXPECT_EQ(Plan({"--answers", "maybe"}, out), 2);
    EXPECT_EQ(Plan({"--in-use", "C:\\NOWHERE.DLL"}, out), 2);
    EXPECT_EQ(Plan({"--registry", (dir / "none.reg").string()}, out), 2);
    std::string err;
    EXPECT_EQ(RunSetupCheck({"--root", dir.string(), (dir / "medium").string()}, out, err), 2)
        << "machine options belong to --plan";
}

}  // namespace

namespace {

std::string ReadSource(const std::string& relative) {
    std::ifstream in(std::string(SETUP_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The body of a fenced block of docs/setup-inf.md, found by its info string.
std::string DocBlock(const std::string& info) {
    std::string doc = ReadSource("docs/setup-inf.md");
    size_t start = doc.find("```" + info + "\n");
    if (start == std::string::npos) return "";
    start = doc.find('\n', start) + 1;
    return doc.substr(start, doc.find("\n```", start) - start + 1);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The sample medium as the win64 build lays it out, planned on the machine of the docs'
// sample example (a newer sampcore.dll 1.3 in the system directory, Yes to both
// questions), gives what the real SETUP.EXE did under Wine there: the docs' example is
// held to the real run by the end-to-end test of the sample (docs_sample_test).
TEST_F(SetupCheckPlan, SampleMediumPlanIsWhatTheRealRunDid) {
    fs::path built = fs::path(SETUP_SOURCE_DIR) / "build/win64/sample";
    if (!fs::exists(built / "medium/sampcore.dll")) GTEST_SKIP() << "needs the win64 build of the sample medium";
    // Versions come from the files themselves: 1.2 on the medium, 1.3 already there.
    Put(dir / "root/WINDOWS/SYSTEM32/sampcore.dll", ReadHostFileForTest(built / "sampcore_newer.dll"));
    std::string out, err;
    ASSERT_EQ(RunSetupCheck(
                  {"--plan", "--root", (dir / "root").string(), "--answers", "yes,yes", (built / "medium").string()},
                  out, err),
              0)
        << err;
    // The docs write the system directory of every example as C:\WINDOWS\SYSTEM.
    out = Replaced(out, "C:\\WINDOWS\\SYSTEM32\\", "C:\\WINDOWS\\SYSTEM\\");

    std::vector<std::string> expectedBoxes, planBoxes;
    std::istringstream expect(DocBlock("text setup-inf expect=sample"));
    std::vector<std::string> answers = {"Yes", "Yes"};
    size_t question = 0;
    for (std::string line; std::getline(expect, line);) {
        if (line.rfind("Box: ", 0) != 0) continue;
        // "Box: caption | text | buttons | icon" -> "box: caption | text | Yes/No -> answer"
        std::string rest = line.substr(5);
        size_t buttons = rest.rfind(" | ", rest.rfind(" | ") - 1);
        std::string head = rest.substr(0, buttons);
        bool yesNo = rest.compare(buttons + 3, 7, "Yes, No") == 0;
        expectedBoxes.push_back("box: " + head + (yesNo ? " | Yes/No -> " + answers[question++] : " | OK -> OK"));
    }
    std::istringstream plan(out);
    for (std::string line; std::getline(plan, line);)
        if (line.rfind("box: ", 0) == 0) planBoxes.push_back(line);
    EXPECT_EQ(planBoxes, expectedBoxes) << out;

    EXPECT_NE(out.find("start: C:\\WINDOWS\\SAMPLE\\viewer.exe /setup\n"), std::string::npos) << out;
    EXPECT_NE(out.find("register: C:\\WINDOWS\\SAMPLE\\sampreg.dll\n"), std::string::npos) << out;
    EXPECT_NE(out.find("copy: D:\\sampcore.dll -> C:\\WINDOWS\\SYSTEM\\sampcore.dll: the source is older"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("(forced)"), std::string::npos) << "the newer file is kept: " << out;
    // The uninstall log, line for line.
    std::string log;
    std::istringstream after(DocBlock("ini setup-inf after=sample path=C:\\WINDOWS\\SAMPVIEW.INI"));
    for (std::string line; std::getline(after, line);) log += "  " + line + "\n";
    EXPECT_NE(out.find("uninstall log: C:\\WINDOWS\\SAMPVIEW.INI\n" + log + "restart offered: no\n"), std::string::npos)
        << out;
}

}  // namespace

namespace {

std::string TrimBlanks(const std::string& s) {
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// "1.2" or "1.2.3.4" as a fixed file version.
uint64_t ParseVersion(const std::string& text) {
    uint64_t parts[4] = {0, 0, 0, 0};
    std::istringstream in(text);
    std::string part;
    for (int i = 0; i < 4 && std::getline(in, part, '.'); ++i) parts[i] = std::stoull(part);
    return (parts[0] << 48) | (parts[1] << 32) | (parts[2] << 16) | parts[3];
}

// Every worked example of the docs with its expectation block.
std::map<std::string, std::pair<std::string, std::string>> DocExamplesWithExpectations() {
    std::map<std::string, std::pair<std::string, std::string>> found;
    for (const char* doc : {"docs/setup-inf.md", "docs/messages.md"}) {
        std::istringstream in(ReadSource(doc));
        std::string line, kind, name, body;
        bool open = false;
        while (std::getline(in, line)) {
            if (line.rfind("```", 0) != 0) {
                if (open) body += line + "\n";
                continue;
            }
            if (open) {
                if (kind == "example") found[name].first = body;
                if (kind == "expect") found[name].second = body;
                open = false;
                continue;
            }
            open = true;
            body.clear();
            kind.clear();
            std::istringstream words(line.substr(3));
            std::string w;
            words >> w >> w;
            if (w != "setup-inf") continue;
            while (words >> w) {
                size_t eq = w.find('=');
                std::string k = w.substr(0, eq);
                if (k == "example" || k == "expect") kind = k, name = w.substr(eq + 1);
            }
        }
    }
    return found;
}

// The examples of the docs, planned on the machine each expectation describes (files
// with real version resources and exports, the registry, the environment, the
// answers), show the boxes, program commands and registered components the
// expectation lists. A read-only file has no description in a plan: that example is
// left out.
TEST_F(SetupCheckPlan, EveryDocsExamplePlansWhatItsDocSays) {
    auto examples = DocExamplesWithExpectations();
    ASSERT_GT(examples.size(), 10u);
    int planned = 0;
    for (const auto& [name, example] : examples) {
        const std::string& expect = example.second;
        if (example.first.empty() || expect.empty() || expect.find("read-only") != std::string::npos) continue;
        fs::path base = dir / name;
        fs::create_directories(base / "medium");
        fs::create_directories(base / "root");
        Put(base / "medium/SETUP.INF", example.first);
        std::vector<std::string> args = {"--plan", "--system-dir", "C:\\WINDOWS\\SYSTEM", "--root",
                                         (base / "root").string()};
        std::vector<std::string> boxes, started, registered, regLines;
        std::istringstream lines(expect);
        for (std::string line; std::getline(lines, line);) {
            size_t colon = line.find(": ");
            if (colon == std::string::npos) continue;
            std::string key = line.substr(0, colon), value = line.substr(colon + 2);
            if (key == "Registered") registered.push_back(value);
            if (key == "Started") started.push_back(TrimBlanks(value));
            if (key == "Box") boxes.push_back(value.substr(0, value.rfind(" | ")));
            if (key == "Windows") args.insert(args.end(), {"--windows", value == "95" ? "95" : "nt4"});
            if (key == "Answers") {
                std::string list;
                for (char c : value)
                    if (c != ' ') list += c;
                args.insert(args.end(), {"--answers", list});
            }
            if (key == "Environment") args.insert(args.end(), {"--env", value});
            if (key == "Folder") fs::create_directories(base / "root" / Replaced(value.substr(3), "\\", "/"));
            if (key == "Registry") {
                size_t a = value.find(" | "), b = value.find(" | ", a + 3);
                regLines.push_back("[" + value.substr(0, a) + "]\n\"" + value.substr(a + 3, b - a - 3) + "\"=\"" +
                                   Replaced(value.substr(b + 3), "\\", "\\\\") + "\"\n");
            }
        }
        // Files, once the components are known.
        std::istringstream again(expect);
        for (std::string line; std::getline(again, line);) {
            bool medium = line.rfind("Medium: ", 0) == 0, already = line.rfind("Already: ", 0) == 0;
            if (!medium && !already) continue;
            std::string thing = line.substr(medium ? 8 : 9);
            size_t open = thing.find(" (");
            std::string file = TrimBlanks(thing.substr(0, open));
            std::string attributes = open == std::string::npos ? "" : thing.substr(open + 2);
            uint64_t version = 0;
            size_t v = attributes.find("version ");
            if (v != std::string::npos)
                version = ParseVersion(attributes.substr(v + 8, attributes.find_first_of(",)", v) - v - 8));
            bool component = false;
            for (const std::string& r : registered)
                component |= r.size() >= file.size() && r.compare(r.size() - file.size(), file.size(), file) == 0;
            std::string bytes =
                version != 0 || component ? MakePe(version, component ? "DllRegisterServer" : "") : file + "\r\n";
            if (medium) Put(base / "medium" / file, bytes);
            if (already) Put(base / "root" / Replaced(file.substr(3), "\\", "/"), bytes);
            if (attributes.find("in use") != std::string::npos) args.insert(args.end(), {"--in-use", file});
        }
        if (!regLines.empty()) {
            std::string reg = "REGEDIT4\n";
            for (const std::string& l : regLines) reg += l;
            Put(base / "machine.reg", reg);
            args.insert(args.end(), {"--registry", (base / "machine.reg").string()});
        }
        args.push_back((base / "medium").string());
        std::string out, err;
        // Some examples show a failing run: the plan runs either way.
        ASSERT_NE(RunSetupCheck(args, out, err), 2) << name << ": " << err;

        std::vector<std::string> planBoxes, planStarted, planRegistered;
        std::istringstream plan(out);
        for (std::string line; std::getline(plan, line);) {
            if (line.rfind("box: ", 0) == 0)
                planBoxes.push_back(Replaced(line.substr(5, line.rfind(" -> ") - 5), " | Yes/No", " | Yes, No"));
            if (line.rfind("start: ", 0) == 0 && line.find("(cannot be started)") == std::string::npos)
                planStarted.push_back(TrimBlanks(line.substr(7)));
            // A component that is loaded and answers DllRegisterServer is named alone.
            if (line.rfind("register: ", 0) == 0 && line.find(" (") == std::string::npos)
                planRegistered.push_back(line.substr(10));
        }
        EXPECT_EQ(planBoxes, boxes) << name << "\n" << out;
        EXPECT_EQ(planStarted, started) << name << "\n" << out;
        EXPECT_EQ(planRegistered, registered) << name << "\n" << out;
        ++planned;
    }
    EXPECT_GT(planned, 10);
}

}  // namespace

namespace {

TEST_F(SetupCheckPlan, JsonGivesEachEventItsParts) {
    Put(dir / "medium/SETUP.INF", "[SETUP]\nProduct=Demo\n[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=C:\\A\\\n");
    Put(dir / "medium/a.txt", "text");
    std::string out;
    ASSERT_EQ(Plan({"--json"}, out), 0) << out;
    EXPECT_EQ(out,
              "{\"windows\": \"nt4\", \"events\": [\n"
              "  {\"kind\": \"copy\", \"source\": \"D:\\\\a.txt\", \"destination\": \"C:\\\\A\\\\a.txt\", "
              "\"forced\": \"no\", \"outcome\": \"new\"},\n"
              "  {\"kind\": \"box\", \"caption\": \"Demo\", \"text\": \"Setup completed successfully\", \"buttons\": "
              "\"OK\", \"answer\": \"OK\"}\n"
              "], \"uninstallLog\": \"\", \"uninstallLogText\": \"\", \"restartOffered\": false, \"failed\": false}\n");
}

}  // namespace

namespace {

// The author's medium of the walkthrough: a product into Program Files found through
// ProgramFilesDir, a component registered, a shared file in the system directory, the
// remover shipped and registered.
const char kGoodMedium[] =
    "[SETUP]\n"
    "Product=Acme Notes\n"
    "UninstFile=ACMENOTE.INI\n"
    "[SetEnv.WIN32]\n"
    "ACMEDIR=\n"
    "[ACMEDIR]\n"
    "DataFrom=REGISTRY\n"
    "RegistryRootKey=HKEY_LOCAL_MACHINE\n"
    "RegistryMidKey=Software\\Microsoft\\Windows\\CurrentVersion\n"
    "RegistryEndKey=ProgramFilesDir\n"
    "EndWithBackslash=1\n"
    "[AddFiles.WIN32]\n"
    "acmenote.exe=\n"
    "acmeext.dll=\n"
    "UNINST.EXE=\n"
    "acmecore.dll=\n"
    "[acmenote.exe]\n"
    "TargetDir=%ACMEDIR%Acme\\\n"
    "[acmeext.dll]\n"
    "TargetDir=%ACMEDIR%Acme\\\n"
    "[UNINST.EXE]\n"
    "TargetDir=%ACMEDIR%Acme\\\n"
    "[acmecore.dll]\n"
    "TargetDir=%WINSYSDIR%\n"
    "[ExecFiles.WIN32]\n"
    "firstrun=\n"
    "register=\n"
    "[firstrun]\n"
    "TargetFilename=acmenote.exe\n"
    "TargetDir=%ACMEDIR%Acme\\\n"
    "ExecParam=/firstrun\n"
    "[register]\n"
    "TargetFilename=UNINST.EXE\n"
    "TargetDir=%ACMEDIR%Acme\\\n"
    "ExecParam=/register ACMENOTE.INI\n"
    "[RegisterFiles.WIN32]\n"
    "acmeext.dll=\n";

struct Mistake {
    const char* name;
    std::vector<std::pair<const char*, const char*>> edits;  // texts of the good script changed into others
    const char* missingFile;                                 // a file left off the medium, or null
    const char* atLine;                                      // the finding is on the first line holding this text
    const char* expected;                                    // "severity code"
    const char* saying;                                      // and its text holds this
};

// Each row is one mistake an author made trying the product out, with the finding that
// must name it. Where a rule of its own catches the mistake it says why; where none was
// written, the plan catches the failure the mistake causes.
const std::vector<Mistake> kMistakes = {
    // The program entry loses its TargetDir and inherits the system directory of the
    // file before it: the program is looked for there and cannot be started.
    {"program after the system-directory file",
     {{"TargetFilename=acmenote.exe\nTargetDir=%ACMEDIR%Acme\\\n", "TargetFilename=acmenote.exe\n"}},
     nullptr,
     "firstrun=",
     "error planned-failure",
     "cannot be started"},
    {"the same entry's inherited directory is named",
     {{"TargetFilename=acmenote.exe\nTargetDir=%ACMEDIR%Acme\\\n", "TargetFilename=acmenote.exe\n"}},
     nullptr,
     "firstrun=",
     "warning inherited-system-dir",
     "system directory"},
    // A comment after a value is part of the value: the directory gets " ; app dir".
    {"comment after a directory",
     {{"[acmenote.exe]\nTargetDir=%ACMEDIR%Acme\\\n", "[acmenote.exe]\nTargetDir=%ACMEDIR%Acme\\ ; app dir\n"}},
     nullptr,
     "; app dir",
     "error comment-in-value",
     "part of the value"},
    // ...and in ExecParam it goes to the program as arguments.
    {"comment after program arguments",
     {{"ExecParam=/firstrun\n", "ExecParam=/firstrun ; first start\n"}},
     nullptr,
     "; first start",
     "error comment-in-value",
     "part of the value"},
    // A component nothing installs cannot be loaded: the plan says so on every version.
    {"component nothing installs",
     {{"[RegisterFiles.WIN32]\nacmeext.dll=\n",
       "[RegisterFiles.WIN32]\nacmeext.dll=\nacmehelp.dll=\n[acmehelp.dll]\nTargetDir=%ACMEDIR%Acme\\\n"}},
     nullptr,
     "acmehelp.dll=",
     "error planned-failure",
     "cannot be loaded"},
    // The remover is registered with a log SETUP.EXE never keeps.
    {"UninstFile left out",
     {{"UninstFile=ACMENOTE.INI\n", ""}},
     nullptr,
     "ExecParam=/register",
     "error remover-wiring",
     "no UninstFile"},
    {"the remover registered with another log",
     {{"ExecParam=/register ACMENOTE.INI\n", "ExecParam=/register ACMENOTES.INI\n"}},
     nullptr,
     "ExecParam=/register",
     "error remover-wiring",
     "another file"},
    // A quoted log name with blanks is read whole, and still compared with UninstFile.
    {"the remover registered with a quoted other log",
     {{"ExecParam=/register ACMENOTE.INI\n", "ExecParam=/register \"C:\\Acme Notes\\ACMENOTE.INI\"\n"}},
     nullptr,
     "ExecParam=/register",
     "error remover-wiring",
     "/register C:\\Acme Notes\\ACMENOTE.INI names another file"},
    // Misspellings that leave an entry on its defaults.
    {"TargetDirectory",
     {{"[acmenote.exe]\nTargetDir=", "[acmenote.exe]\nTargetDirectory="}},
     nullptr,
     "TargetDirectory=",
     "error unknown-key",
     "did you mean TargetDir?"},
    {"[AddFile.WIN32]",
     {{"[AddFiles.WIN32]", "[AddFile.WIN32]"}},
     nullptr,
     "[AddFile.WIN32]",
     "error unknown-section",
     "did you mean [AddFiles.WIN32]?"},
    {"[AddFiles]",
     {{"[AddFiles.WIN32]", "[AddFiles]"}},
     nullptr,
     "[AddFiles]",
     "error unknown-section",
     "did you mean [AddFiles.WIN32]?"},
    // A short root name other tools accept is no root to SETUP.EXE.
    {"RegistryRootKey=HKLM",
     {{"RegistryRootKey=HKEY_LOCAL_MACHINE", "RegistryRootKey=HKLM"}},
     nullptr,
     "RegistryRootKey=HKLM",
     "error unknown-root-key",
     "did you mean HKEY_LOCAL_MACHINE?"},
    // %ProgramFiles% is set from Windows 2000 on: fragile, and on the older versions the
    // plan shows the entry refused.
    {"%ProgramFiles% (the warning)",
     {{"[acmenote.exe]\nTargetDir=%ACMEDIR%Acme\\\n", "[acmenote.exe]\nTargetDir=%ProgramFiles%\\Acme\\\n"}},
     nullptr,
     "%ProgramFiles%",
     "warning version-macro",
     "Windows 2000 and later"},
    {"%ProgramFiles% (the failure)",
     {{"[acmenote.exe]\nTargetDir=%ACMEDIR%Acme\\\n", "[acmenote.exe]\nTargetDir=%ProgramFiles%\\Acme\\\n"}},
     nullptr,
     "acmenote.exe=",
     "error planned-failure",
     "Windows 95 and Windows NT 4.0"},
    // The log in a directory the setup creates loses its first line.
    {"log in the product directory",
     {{"UninstFile=ACMENOTE.INI\n", "UninstFile=C:\\ACME\\ACMENOTE.INI\n"},
      {"[acmenote.exe]\nTargetDir=%ACMEDIR%Acme\\\n", "[acmenote.exe]\nTargetDir=C:\\ACME\\\n"},
      {"/register ACMENOTE.INI", "/register C:\\ACME\\ACMENOTE.INI"}},
     nullptr,
     "UninstFile=",
     "warning log-in-product-dir",
     "creates"},
    // A file the script names is not on the medium.
    {"source missing from the medium",
     {},
     "acmecore.dll",
     "acmecore.dll=",
     "error missing-source",
     "not on the medium"},
    // A misspelt data source removes the variable.
    {"DataFrom misspelt",
     {{"DataFrom=REGISTRY", "DataFrom=REGISTERY"}},
     nullptr,
     "DataFrom=",
     "error unknown-data-from",
     "did you mean REGISTRY?"},
};

class SetupCheckWalkthrough : public SetupCheckPlan {
protected:
    void PutMedium(const std::string& script, const char* missing) {
        fs::remove_all(dir / "medium");
        Put(dir / "medium/SETUP.INF", script);
        const std::pair<const char*, std::string> files[] = {
            {"acmenote.exe", MakePe(0x0001000000000000ull, "")},
            {"acmeext.dll", MakePe(0x0001000000000000ull, "DllRegisterServer")},
            {"acmecore.dll", MakePe(0x0001000000000000ull, "")},
            {"UNINST.EXE", MakePe(0x0001000000000000ull, "")},
        };
        for (const auto& file : files)
            if (missing == nullptr || std::string(missing) != file.first) Put(dir / "medium" / file.first, file.second);
    }
    std::vector<std::string> Findings(std::string& out) {
        std::string err;
        out.clear();
        RunSetupCheck({(dir / "medium").string()}, out, err);
        std::vector<std::string> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

unsigned LineHolding(const std::string& script, const std::string& text) {
    std::istringstream in(script);
    unsigned number = 0;
    for (std::string line; std::getline(in, line);)
        if (++number && line.find(text) != std::string::npos) return number;
    return 0;
}

TEST_F(SetupCheckWalkthrough, GoodMediumChecksClean) {
    PutMedium(kGoodMedium, nullptr);
    std::string out;
    for (const std::string& line : Findings(out)) EXPECT_NE(line.find(": note: "), std::string::npos) << line;
    std::string err;
    EXPECT_EQ(RunSetupCheck({(dir / "medium").string()}, out, err), 0) << out;
}

TEST_F(SetupCheckWalkthrough, EveryMistakeIsFoundAtItsLine) {
    for (const Mistake& m : kMistakes) {
        SCOPED_TRACE(m.name);
        std::string script = kGoodMedium;
        for (const auto& edit : m.edits) {
            size_t at = script.find(edit.first);
            ASSERT_NE(at, std::string::npos) << "the row's text is in the good script: " << edit.first;
            script.replace(at, strlen(edit.first), edit.second);
        }
        PutMedium(script, m.missingFile);
        unsigned line = LineHolding(script, m.atLine);
        ASSERT_NE(line, 0u);
        std::string severity = std::string(m.expected).substr(0, std::string(m.expected).find(' '));
        std::string code = std::string(m.expected).substr(severity.size() + 1);
        std::string head = "SETUP.INF:" + std::to_string(line) + ": " + severity + ": ";
        std::string out;
        bool found = false;
        for (const std::string& finding : Findings(out))
            found |= finding.find(head) != std::string::npos && finding.find("[" + code + "]") != std::string::npos &&
                     finding.find(m.saying) != std::string::npos;
        EXPECT_TRUE(found) << "expected " << head << "... " << m.saying << " [" << code << "] in\n" << out;
        std::string err;
        if (severity == "error") EXPECT_EQ(RunSetupCheck({(dir / "medium").string()}, out, err), 1) << "errors fail";
    }
}

}  // namespace

namespace {

// A script that shows what a fresh installation offers: the Program Files folder from
// the registry, and the %ProgramFiles% variable.
const char kMachineProbe[] =
    "[SetEnv.WIN32]\nFROMREG=\nFROMENV=\n"
    "[FROMREG]\nDataFrom=REGISTRY\nRegistryRootKey=HKEY_LOCAL_MACHINE\n"
    "RegistryMidKey=Software\\Microsoft\\Windows\\CurrentVersion\nRegistryEndKey=ProgramFilesDir\n"
    "[FROMENV]\nDataFrom=ENVIRONMENT\nEnvironmentValue=%ProgramFiles%\n"
    "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=%WINSYSDIR%\n";

struct FreshWindows {
    const char* windows;
    const char* fromRegistry;  // the environment line for ProgramFilesDir
    const char* fromVariable;  // and for %ProgramFiles%
    const char* systemDir;
};

// Program Files came with the Windows 95 shell; %ProgramFiles% with Windows 2000.
const FreshWindows kFreshWindows[] = {
    {"95", "FROMREG=C:\\Program Files", "FROMENV (remove)", "C:\\WINDOWS\\SYSTEM"},
    {"98", "FROMREG=C:\\Program Files", "FROMENV (remove)", "C:\\WINDOWS\\SYSTEM"},
    // NT 3.51 has no Program Files at all: the registry lookup fails.
    {"nt351", nullptr, "FROMENV (remove)", "C:\\WINDOWS\\SYSTEM32"},
    {"nt4", "FROMREG=C:\\Program Files", "FROMENV (remove)", "C:\\WINDOWS\\SYSTEM32"},
    {"2000", "FROMREG=C:\\Program Files", "FROMENV=C:\\Program Files", "C:\\WINDOWS\\SYSTEM32"},
    {"xp", "FROMREG=C:\\Program Files", "FROMENV=C:\\Program Files", "C:\\WINDOWS\\SYSTEM32"},
    // What Wine reports by default.
    {"10", "FROMREG=C:\\Program Files", "FROMENV=C:\\Program Files", "C:\\WINDOWS\\SYSTEM32"},
};

TEST_F(SetupCheckPlan, EachWindowsVersionIsAFreshInstallationOfIt) {
    Put(dir / "medium/SETUP.INF", kMachineProbe);
    Put(dir / "medium/a.txt", "a");
    for (const FreshWindows& row : kFreshWindows) {
        SCOPED_TRACE(row.windows);
        std::string out;
        int code = Plan({"--windows", row.windows}, out);
        if (row.fromRegistry == nullptr) {
            // A failed registry lookup skips the file phase: the run fails.
            EXPECT_EQ(code, 1) << out;
            EXPECT_EQ(out.find("environment: FROMREG="), std::string::npos) << out;
            continue;
        }
        EXPECT_EQ(code, 0) << out;
        EXPECT_NE(out.find(std::string("environment: ") + row.fromRegistry + "\n"), std::string::npos) << out;
        EXPECT_NE(out.find(std::string("environment: ") + row.fromVariable + "\n"), std::string::npos) << out;
        EXPECT_NE(out.find(std::string("-> ") + row.systemDir + "\\a.txt: new"), std::string::npos) << out;
    }
}

struct PlanGap {
    const char* why;
    const char* script;  // null: no SETUP.INF on the medium
    std::vector<std::string> options;
    int exitCode;
    const char* shows;  // a line of the plan
};

const char kComponent[] =
    "[SETUP]\nProduct=Demo\n[AddFiles.WIN32]\nc.dll=\n[c.dll]\nTargetDir=C:\\DEMO\\\n"
    "[RegisterFiles.WIN32]\nc.dll=\n";

// What the plan could not say before, each with the exit code the planned run gives.
const PlanGap kPlanGaps[] = {
    // The real run shows the missing script's box with its path, and installs nothing.
    {"no SETUP.INF", nullptr, {}, 1, "box: product | Unable to open file D:\\SETUP.INF | OK -> OK\n"},
    // A component whose DllRegisterServer fails, named as it lies on the medium.
    {"a failing component",
     kComponent,
     {"--register-fails", "c.dll"},
     1,
     "register: C:\\DEMO\\c.dll (DllRegisterServer fails (0x80004005))\n"},
    {"the same component registers", kComponent, {}, 0, "register: C:\\DEMO\\c.dll\n"},
    // RequireMajorVersion 4 refuses NT 3.51 with its box.
    {"NT 3.51 is too old", "[SETUP]\nProduct=Demo\nRequireMajorVersion=4\n", {"--windows", "nt351"}, 1, "box: Demo | "},
    {"Windows 10 is new enough",
     "[SETUP]\nProduct=Demo\nRequireMajorVersion=4\n",
     {"--windows", "10"},
     0,
     "box: Demo | Setup completed successfully | OK -> OK\n"},
    // A box list copied as answers: "ok" answers the box with only an OK button.
    {"ok among the answers",
     "[SETUP]\nProduct=Demo\nInitialPrompt=1\n",
     {"--answers", "yes,ok"},
     0,
     "| Yes/No -> Yes\n"},
    // Declining is the person's choice, not a failure of the run.
    {"the person declines", "[SETUP]\nProduct=Demo\nInitialPrompt=1\n", {"--answers", "no"}, 0, "| Yes/No -> No\n"},
};

TEST_F(SetupCheckPlan, GapsOfThePlanAreClosed) {
    for (const PlanGap& row : kPlanGaps) {
        SCOPED_TRACE(row.why);
        fs::remove_all(dir / "medium");
        fs::create_directories(dir / "medium");
        if (row.script != nullptr) Put(dir / "medium/SETUP.INF", row.script);
        Put(dir / "medium/c.dll", MakePe(0x0001000000000000ull, "DllRegisterServer"));
        std::string out;
        EXPECT_EQ(Plan(row.options, out), row.exitCode) << out;
        EXPECT_NE(out.find(row.shows), std::string::npos) << out;
    }
}

TEST_F(SetupCheckPlan, FailingComponentIsAnErrorOfTheCheck) {
    // The check plans with no component failing; a component nothing installs fails.
    Put(dir / "medium/SETUP.INF", std::string(kComponent) + "other.dll=\n[other.dll]\nTargetDir=C:\\DEMO\\\n");
    Put(dir / "medium/c.dll", MakePe(0x0001000000000000ull, "DllRegisterServer"));
    std::string out, err;
    EXPECT_EQ(RunSetupCheck({(dir / "medium").string()}, out, err), 1);
    EXPECT_NE(out.find("SETUP.INF:9: error: the plan fails on Windows 95, Windows NT 4.0 and Windows XP: "
                       "[other.dll]: the component C:\\DEMO\\other.dll cannot be loaded"),
              std::string::npos)
        << out;
}

}  // namespace
