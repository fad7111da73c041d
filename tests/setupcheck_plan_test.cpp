// setupcheck's plan: SETUP.EXE's own core run against the described machine, with
// files, versions and components taken from real file contents (PE version resources
// and exports, compressed sources expanded).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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
        ASSERT_EQ(RunSetupCheck(args, out, err), 0) << name << ": " << err;

        std::vector<std::string> planBoxes, planStarted, planRegistered;
        std::istringstream plan(out);
        for (std::string line; std::getline(plan, line);) {
            if (line.rfind("box: ", 0) == 0)
                planBoxes.push_back(Replaced(line.substr(5, line.rfind(" -> ") - 5), " | Yes/No", " | Yes, No"));
            if (line.rfind("start: ", 0) == 0 && line.find("(cannot be started)") == std::string::npos)
                planStarted.push_back(TrimBlanks(line.substr(7)));
            if (line.rfind("register: ", 0) == 0) planRegistered.push_back(line.substr(10));
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
              "], \"uninstallLog\": \"\", \"uninstallLogText\": \"\", \"restartOffered\": false}\n");
}

}  // namespace
