// setupcheck's diagnostics: every kind of finding once, in a table; the command line
// and its exit codes; and the scripts of docs/ and the sample medium, which must
// check exactly as the docs say.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "machine/machine.h"
#include "script/macros.h"
#include "setup/setup_context.h"
#include "setupcheck/check_command.h"
#include "setupcheck/core_answers.h"
#include "setupcheck/diagnostics.h"
#include "setupcheck/plan.h"
#include "setupcheck/report.h"

namespace {

namespace fs = std::filesystem;

// The findings as "LINE severity code", in the order given.
std::vector<std::string> Check(const std::string& text, std::vector<std::string> files) {
    ScriptText script;
    LoadScriptText(script, text);
    Medium medium;
    medium.Files = std::move(files);
    std::vector<std::string> found;
    for (const Diagnostic& d : CheckScript(script, &medium, CheckMachine()))
        found.push_back(std::to_string(d.Line) + " " + SeverityName(d.Level) + " " + d.Code);
    return found;
}

// The whole text of the findings, for rows that check the wording of a hint.
std::string CheckText(const std::string& text, std::vector<std::string> files) {
    ScriptText script;
    LoadScriptText(script, text);
    Medium medium;
    medium.Files = std::move(files);
    return FormatDiagnostics("SETUP.INF", CheckScript(script, &medium, CheckMachine()));
}

struct DiagnosticRow {
    const char* why;
    const char* script;
    std::vector<std::string> medium;
    std::vector<std::string> expected;
};

const std::string kLong(250, 'x');

TEST(SetupCheckDiagnostics, EveryKindIsFoundWhereItIs) {
    const std::string longDir = "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=%WINDIR%" + kLong + "\\\n";
    const std::string longName = "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=C:\\" + kLong +
                                 "\\\nTargetFilename=" + std::string(20, 'n') + "\n";
    const std::string longProduct = "[SETUP]\nProduct=" + std::string(130, 'p') + "\n";
    const std::string longProgram =
        "[ExecFiles.WIN32]\nrun.exe=\n[run.exe]\nTargetDir=C:\\" + std::string(252, 'x') + "\\\n";
    const DiagnosticRow rows[] = {
        // A clean script, with a file matched without regard to case, says nothing.
        {"clean", "[SETUP]\nProduct=P\n[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=%WINDIR%APP\\\n", {"A.TXT"}, {}},
        // The source is looked for on the medium under SourceFilename.
        {"missing source",
         "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=C:\\A\\\nSourceFilename=b.txt\n",
         {"a.txt"},
         {"5 error missing-source"}},
        // A directory that expands past 259 characters is cut by SETUP.EXE.
        {"long directory", longDir.c_str(), {"a.txt"}, {"4 error path-too-long"}},
        // Directory and file name joined past 259 characters: the copy is refused.
        {"long destination", longName.c_str(), {"nnnnnnnnnnnnnnnnnnnn", "a.txt"}, {"4 error path-too-long"}},
        // A DataFrom SETUP.EXE does not know removes the variable.
        {"unknown DataFrom", "[SetEnv.WIN32]\nV=\n[V]\nDataFrom=REGISTERY\n", {}, {"4 error unknown-data-from"}},
        // A registry variable with a root that is no root: the lookup fails and the files are skipped.
        {"unknown root",
         "[SetEnv.WIN32]\nV=\n[V]\nDataFrom=registry\nRegistryRootKey=HKLM\n",
         {},
         {"5 error unknown-root-key"}},
        // The browser sections need a root too.
        {"unknown browser root",
         "[NETSCAPEDIR]\nRegistryRootKey=HKEY_LOCAL_MASHINE\n",
         {},
         {"2 error unknown-root-key"}},
        // The first file entry without TargetDir has an empty target directory.
        {"empty target directory",
         "[AddFiles.WIN32]\na.txt=\n[a.txt]\nRequiredCopy=1\n",
         {"a.txt"},
         {"2 error bad-target-dir"}},
        // A macro that ends with a backslash, followed by another: logged doubled.
        {"doubled backslash",
         "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=%WINDIR%\\APP\\\n",
         {"a.txt"},
         {"4 warning doubled-backslash"}},
        // A relative directory would depend on the current directory: refused.
        {"relative target directory",
         "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=APP\\\n",
         {"a.txt"},
         {"4 error bad-target-dir"}},
        // A misspelt key is ignored by SETUP.EXE; the entry then has no TargetDir at all.
        {"unknown key",
         "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDirectory=C:\\A\\\n",
         {"a.txt"},
         {"2 error bad-target-dir", "4 error unknown-key"}},
        // A listed entry without its section runs on defaults (here into the directory before).
        {"missing section",
         "[AddFiles.WIN32]\na.txt=\nb.txt=\n[a.txt]\nTargetDir=C:\\A\\\n",
         {"a.txt", "b.txt"},
         {"3 warning missing-section"}},
        // The first of two equal keys wins.
        {"duplicate key", "[SETUP]\nProduct=One\nproduct=Two\n", {}, {"3 warning duplicate-key"}},
        // Only the first of two equal sections is read.
        {"duplicate section", "[SETUP]\nProduct=One\n[setup]\nInitialPrompt=1\n", {}, {"3 warning duplicate-section"}},
        // A list entry written twice runs twice.
        {"duplicate entry",
         "[AddFiles.WIN32]\na.txt=\nA.TXT=\n[a.txt]\nTargetDir=C:\\A\\\n",
         {"a.txt"},
         {"3 warning duplicate-entry"}},
        // Product holds 127 characters.
        {"value cut", longProduct.c_str(), {}, {"2 warning value-cut"}},
        // A name neither a macro nor set by [SetEnv.WIN32].
        {"unknown macro",
         "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=%APPROOT%\\\n",
         {"a.txt"},
         {"4 warning unknown-macro"}},
        // A variable set by [SetEnv.WIN32] is known, and its value is used.
        {"variable from SetEnv",
         "[SetEnv.WIN32]\nAPPROOT=\n[APPROOT]\nDataFrom=ENVIRONMENT\nEnvironmentValue=%WINDIR%APP\nEndWithBackslash=1\n"
         "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=%APPROOT%\n",
         {"a.txt"},
         {}},
        // A program nothing installs and the medium does not hold.
        {"program not installed",
         "[ExecFiles.WIN32]\ntool.exe=\n[tool.exe]\nTargetDir=C:\\TOOLS\\\n",
         {},
         {"2 warning program-not-installed"}},
        // A program without a full path would be searched for: it is not started.
        {"program without full path",
         "[ExecFiles.WIN32]\ntool.exe=\n[tool.exe]\nTargetDir=TOOLS\\\n",
         {"tool.exe"},
         {"4 error bad-target-dir"}},
        // Nor is a component loaded from a relative directory.
        {"component without full path",
         "[RegisterFiles.WIN32]\nx.dll=\n[x.dll]\nTargetDir=LIB\n",
         {},
         {"4 error bad-target-dir"}},
        // Lines outside sections, without '=' in a list, and with an empty name.
        {"ignored lines",
         "Product=X\n[AddFiles.WIN32]\na.txt\n[SETUP]\nProduct=P\n=y\n=z\n",
         {},
         {"1 note ignored-line", "3 note ignored-line", "6 note ignored-line", "7 note ignored-line"}},
        // A bare log name goes to the Windows directory.
        {"bare uninstall log", "[SETUP]\nUninstFile=APPUN.INI\n", {}, {"2 note bare-uninstall-log"}},
        // A section near a fixed name is probably that name misspelt.
        {"unknown section", "[AddFile.WIN32]\na.txt=\n", {}, {"1 error unknown-section"}},
        // A section nothing names is never read.
        {"unused section", "[Notes]\nText=1\n", {}, {"1 note unused-section"}},
        // The remover refuses a relative log path with directories, even the one SETUP.EXE keeps.
        {"remover refuses the log path",
         "[SETUP]\nUninstFile=LOGS\\A.INI\n[ExecFiles.WIN32]\nUNINST.EXE=\n[UNINST.EXE]\nTargetDir=%WINDIR%\n"
         "ExecParam=/register LOGS\\A.INI\n",
         {"UNINST.EXE"},
         {"7 error remover-wiring"}},
        // A program path the core cannot join whole is not started.
        {"program path too long", longProgram.c_str(), {"run.exe"}, {"4 error path-too-long"}},
        // A shared file is counted only into a log: without one, nobody knows this product uses it.
        {"shared file without a log",
         "[AddFiles.WIN32]\na.dll=\n[a.dll]\nTargetDir=C:\\A\\\nSharedFile=1\n",
         {"a.dll"},
         {"5 warning shared-without-log"}},
        {"shared file with a log",
         "[SETUP]\nUninstFile=C:\\WINDOWS\\A.INI\n[AddFiles.WIN32]\na.dll=\n[a.dll]\nTargetDir=C:\\A\\\n"
         "SharedFile=1\n",
         {"a.dll"},
         {}},
        // SharedFile=0 asks for no count, so the missing log takes nothing from it.
        {"SharedFile=0 without a log",
         "[AddFiles.WIN32]\na.dll=\n[a.dll]\nTargetDir=C:\\A\\\nSharedFile=0\n",
         {"a.dll"},
         {}},
        // The number is read as SETUP.EXE reads it: leading digits.
        {"SharedFile=yes is 0",
         "[AddFiles.WIN32]\na.dll=\n[a.dll]\nTargetDir=C:\\A\\\nSharedFile=yes\n",
         {"a.dll"},
         {}},
        // A key SETUP.EXE reads only in file entries.
        {"SharedFile of a program entry",
         "[ExecFiles.WIN32]\nrun.exe=\n[run.exe]\nTargetDir=C:\\A\\\nSharedFile=1\n",
         {"run.exe"},
         {"5 warning unknown-key"}},
    };
    for (const DiagnosticRow& row : rows) EXPECT_EQ(Check(row.script, row.medium), row.expected) << row.why;
}

TEST(SetupCheckDiagnostics, HintsNameWhatWasMeant) {
    std::string text = CheckText("[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDirectory=C:\\A\\\n", {"a.txt"});
    EXPECT_NE(text.find("SETUP.INF:4: error: TargetDirectory is not a key of [a.txt]: did you mean TargetDir? "
                        "SETUP.EXE uses the default of TargetDir [unknown-key]\n"),
              std::string::npos)
        << text;
    text = CheckText("[SETUP]\nProduct=One\nproduct=Two\n", {});
    EXPECT_NE(text.find("the first one, on line 2, wins"), std::string::npos) << text;
    text = CheckText("[SETUP]\nProduct=" + std::string(130, 'p') + "\n", {});
    EXPECT_NE(text.find("keeps the first 127: \"" + std::string(127, 'p') + "\""), std::string::npos) << text;
    text = CheckText(
        "[SetEnv.WIN32]\nA=\nB=\n[A]\nDataFrom=ENVIRONMENT\nEnvironmentValue=%B%x\n[B]\nDataFrom=ENVIRONMENT\n"
        "EnvironmentValue=y\n",
        {});
    EXPECT_NE(text.find("SETUP.INF:6: warning: %B% is set by [SetEnv.WIN32] only after this entry"), std::string::npos)
        << text;
    text = CheckText("[SetEnv.WIN32]\nV=\n[V]\nDataFrom=enviroment\n", {});
    EXPECT_NE(text.find("did you mean ENVIRONMENT?"), std::string::npos) << text;
}

TEST(SetupCheckDiagnostics, SharedFileWithoutALogSaysWhatIsLost) {
    std::string text = CheckText("[AddFiles.WIN32]\na.dll=\n[a.dll]\nTargetDir=C:\\A\\\nSharedFile=1\n", {"a.dll"});
    EXPECT_EQ(text,
              "SETUP.INF:5: warning: SharedFile=1 in [a.dll], but [SETUP] has no UninstFile: SETUP.EXE counts a "
              "shared file only in a log it keeps, so this one is not counted and another product's removal may "
              "delete it [shared-without-log]\n");
}

TEST(SetupCheckDiagnostics, KeysOfEverySectionRoleAreKnown) {
    // A section that is both a file and a program entry may hold the keys of both.
    EXPECT_EQ(Check("[AddFiles.WIN32]\nv.exe=\n[v.exe]\nTargetDir=C:\\V\\\nExecParam=/s\nUninstExecParam=/u\n"
                    "[ExecFiles.WIN32]\nv.exe=\n",
                    {"v.exe"}),
              std::vector<std::string>{});
    // ...but a file-only entry has no ExecParam.
    EXPECT_EQ(Check("[AddFiles.WIN32]\nv.exe=\n[v.exe]\nTargetDir=C:\\V\\\nExecParam=/s\n", {"v.exe"}),
              std::vector<std::string>{"5 warning unknown-key"});
}

// The checker measures values whole with the core's expansion; wherever the result
// fits a path, it is exactly what SETUP.EXE's path expansion holds, and where it does
// not, both say so and the path holds its beginning.
TEST(SetupCheckExpansion, AgreesWithSetupWhereTheResultFits) {
    machine::Reset();
    machine::SetEnvironment("HOME", "C:\\H\\");
    machine::SetEnvironment("PCT", "50%WINDIR%");
    g_Setup.WINDIR.Assign("C:\\WINDOWS\\");
    g_Setup.SRCDIR.Assign("D:\\");
    g_Setup.TARGETDIR.Assign("C:\\T\\");
    g_Setup.PRODUCTNAME.Assign("P");
    const std::string texts[] = {
        "",
        "%WINDIR%SYSTEM",
        "%windir%",
        "100%%",
        "%%WINDIR%%",
        "50%",
        "a%b",
        "%NOSUCH%x",
        "%A%B%C%",
        "%HOME%%PCT%",
        "%PCT%WINDIR%",
        "%TARGETDIR%%SRCDIR%x",
        "%" + std::string(80, 'N') + "%y",
        "%" + std::string(79, 'N') + "%z",
        "%WINDIR%" + std::string(250, 'x') + "%HOME%",
    };
    for (const std::string& text : texts) {
        PathText setup;
        setup.Assign(text);
        int whole = ExpandMacros(setup);
        CoreExpansion checked = ExpandWithCore(text, kExpandedChars);
        EXPECT_EQ(checked.Fits, whole == 1) << text;
        EXPECT_EQ(checked.Text.substr(0, kExpandedChars), setup.c_str()) << text;
    }
}

// Where the check takes each copy and program to go, beside where the plan (SETUP.EXE's
// core run on the same machine) copies and starts them: for values whose expansion or
// join is easy to get wrong, the two are the same, and are what the row says.
struct PathRow {
    const char* why;
    std::string script;
    std::vector<std::string> expected;  // the check's paths in run order; "" where it is refused
};

TEST(SetupCheckExpansion, CheckedPathsAreThoseThePlanCopiesAndStarts) {
    const std::string tooLong = "%WINDIR%" + std::string(250, 'x') + "\\";
    const std::string longName = "%" + std::string(80, 'N') + "%";
    const PathRow rows[] = {
        // %WINDIR% ends with a backslash: nothing is added between it and the name.
        {"macro ending in a backslash",
         "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=%WINDIR%APP\\\n",
         {"C:\\WINDOWS\\APP\\a.txt"}},
        // A backslash after it stays doubled, in the check as in the run.
        {"doubled backslash after %WINDIR%",
         "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=%WINDIR%\\APP\\\n",
         {"C:\\WINDOWS\\\\APP\\a.txt"}},
        // "%%" is one percent sign.
        {"%% in a directory", "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=C:\\100%%\\\n", {"C:\\100%\\a.txt"}},
        // A '%' without a closing one is dropped.
        {"lone %", "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=C:\\50%\\\n", {"C:\\50\\a.txt"}},
        // A name neither macro nor variable expands to nothing.
        {"unknown macro", "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=C:\\%NOSUCH%APP\\\n", {"C:\\APP\\a.txt"}},
        // A name longer than 79 characters names nothing, not even the environment.
        {"macro name over the limit",
         "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=C:\\" + longName + "X\\\n",
         {"C:\\X\\a.txt"}},
        // A directory without its backslash gets one in the join.
        {"TargetDir without trailing backslash",
         "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=C:\\APP\n",
         {"C:\\APP\\a.txt"}},
        // Past 259 characters the path is refused, never cut: no copy.
        {"too long", "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetDir=" + tooLong + "\n", {""}},
        // Without a TargetDir the entry keeps the directory before as it is: C:\100%\
        // expanded again would be C:\100\.
        {"inherited directory is not expanded again",
         "[AddFiles.WIN32]\na.txt=\nb.txt=\n[a.txt]\nTargetDir=C:\\100%%\\\n[b.txt]\nRequiredCopy=1\n",
         {"C:\\100%\\a.txt", "C:\\100%\\b.txt"}},
        // An empty TargetDir is a directory of its own, and no full path: refused.
        {"empty TargetDir",
         "[AddFiles.WIN32]\na.txt=\nb.txt=\n[a.txt]\nTargetDir=C:\\A\\\n[b.txt]\nTargetDir=\n",
         {"C:\\A\\a.txt", ""}},
        // %TARGETFILE% is the entry's own name, read before its directory.
        {"TARGETFILE in the directory",
         "[AddFiles.WIN32]\na.txt=\n[a.txt]\nTargetFilename=b.txt\nTargetDir=C:\\%TARGETFILE%.D\\\n",
         {"C:\\b.txt.D\\b.txt"}},
        // A variable set from the script, with its backslash added, and a program
        // started from the directory the file went to.
        {"variable and program",
         "[SetEnv.WIN32]\nAPPDIR=\n[APPDIR]\nDataFrom=ENVIRONMENT\nEnvironmentValue=%WINDIR%APP\nEndWithBackslash=1\n"
         "[AddFiles.WIN32]\ntool.exe=\n[ExecFiles.WIN32]\ntool.exe=\n[tool.exe]\nTargetDir=%APPDIR%\n",
         {"C:\\WINDOWS\\APP\\tool.exe", "C:\\WINDOWS\\APP\\tool.exe"}},
    };
    fs::path dir = fs::temp_directory_path() / "setupcheck-checked-paths";
    for (const PathRow& row : rows) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (const char* name : {"SETUP.INF", "a.txt", "b.txt", "tool.exe"})
            std::ofstream(dir / name, std::ios::binary) << (std::string(name) == "SETUP.INF" ? row.script : "x");
        Medium medium;
        std::string text;
        ASSERT_EQ(OpenMedium(dir.string(), medium, text), MediumRead) << row.why;
        ScriptText script;
        LoadScriptText(script, text);
        std::vector<CheckedPath> checked;
        CheckScript(script, &medium, CheckMachine(), &checked);
        std::vector<std::string> paths, checkedRun;
        for (const CheckedPath& c : checked) {
            paths.push_back(c.Path);
            if (c.Path.empty()) continue;
            checkedRun.push_back(c.List == "ExecFiles.WIN32" ? "start " + c.Path
                                                             : "copy " + c.Directory + " | " + c.File);
        }
        EXPECT_EQ(paths, row.expected) << row.why;

        PlanResult plan;
        std::string problem;
        ASSERT_EQ(PlanMedium(PlanMachine(), medium, plan, problem), 0) << row.why << ": " << problem;
        // The directory and name each copy was made with, and each command started (no
        // parameters: the path and one blank).
        std::vector<std::string> planned;
        size_t copy = 0;
        for (const std::string& call : machine::M().calls) {
            if (call.rfind("VerInstallFileA ", 0) == 0) {
                const machine::VerInstallCall& c = machine::M().verInstallCalls[copy++];
                planned.push_back("copy " + c.destDir + " | " + c.destFile);
            } else if (call.rfind("WinExec ", 0) == 0) {
                planned.push_back("start " + call.substr(8, call.size() - 9));
            }
        }
        EXPECT_EQ(checkedRun, planned) << row.why;
    }
    fs::remove_all(dir);
}

// --- the command line ----------------------------------------------------------------

class SetupCheckCommand : public ::testing::Test {
protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("setupcheck-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    void Put(const std::string& name, const std::string& text) { std::ofstream(dir / name, std::ios::binary) << text; }
    int Run(std::vector<std::string> args, std::string& out) {
        std::string err;
        return RunSetupCheck(args, out, err);
    }
};

TEST_F(SetupCheckCommand, ExitCodesSayWhatWasFound) {
    std::string out;
    EXPECT_EQ(Run({dir.string()}, out), 1) << "no SETUP.INF is an error";
    EXPECT_NE(out.find(": error: no SETUP.INF on the medium"), std::string::npos) << out;
    Put("setup.inf", "[SETUP]\nProduct=P\nProduct=Q\n");
    out.clear();
    EXPECT_EQ(Run({dir.string()}, out), 0) << "a warning alone passes: " << out;
    EXPECT_EQ(Run({"--werror", dir.string()}, out), 1) << "--werror: warnings fail";
    EXPECT_EQ(Run({(dir / "setup.inf").string()}, out), 0) << "the script's own path is a medium too";
    EXPECT_EQ(Run({"--frobnicate", dir.string()}, out), 2);
    EXPECT_EQ(Run({}, out), 2);
    EXPECT_EQ(Run({(dir / "nowhere").string()}, out), 2) << "an unreadable medium";
}

TEST_F(SetupCheckCommand, ScriptIsNamedAsItLiesOnTheMedium) {
    Put("setup.inf", "[SETUP]\nUninstFile=X.INI\n");
    std::string out;
    Run({dir.string()}, out);
    EXPECT_EQ(out, (dir / "setup.inf").string() +
                       ":2: note: the uninstall log is a bare name: it goes to the Windows directory "
                       "(C:\\WINDOWS\\X.INI) [bare-uninstall-log]\n");
}

TEST_F(SetupCheckCommand, JsonCarriesEveryFindingAndTheCounts) {
    Put("SETUP.INF", "[SETUP]\nProduct=\"a\\b\"\nUninstFile=X.INI\n[AddFiles.WIN32]\na.txt=\n");
    std::string out;
    EXPECT_EQ(Run({"--json", dir.string()}, out), 1);
    std::string script = JsonString((dir / "SETUP.INF").string());
    EXPECT_EQ(out, "{\"script\": " + script +
                       ", \"diagnostics\": [\n"
                       "  {\"line\": 3, \"severity\": \"note\", \"text\": \"the uninstall log is a bare name: it goes "
                       "to the Windows directory (C:\\\\WINDOWS\\\\X.INI)\", \"code\": \"bare-uninstall-log\"},\n"
                       "  {\"line\": 5, \"severity\": \"warning\", \"text\": \"[a.txt] is missing: the entry runs on "
                       "its defaults: it copies a.txt from the medium into an empty target directory\", \"code\": "
                       "\"missing-section\"},\n"
                       "  {\"line\": 5, \"severity\": \"error\", \"text\": \"the source file a.txt is not on the "
                       "medium\", \"code\": \"missing-source\"},\n"
                       "  {\"line\": 5, \"severity\": \"error\", \"text\": \"the target directory of a.txt is empty: "
                       "SETUP.EXE refuses the entry\", \"code\": \"bad-target-dir\"}\n"
                       "], \"errors\": 2, \"warnings\": 1, \"notes\": 1}\n");
}

// --- the scripts of docs/ and the sample medium -----------------------------------

std::string ReadSource(const std::string& relative) {
    std::ifstream in(std::string(SETUP_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct DocExample {
    std::string where, script, check;
    std::vector<std::string> medium;
};

// The examples of the docs: the script, the files its expectation puts on the medium
// ("Medium: NAME ..."), and the "check=NAME" block with setupcheck's exact output.
std::map<std::string, DocExample> DocExamples() {
    std::map<std::string, DocExample> examples;
    for (const char* doc : {"docs/setup-inf.md", "docs/messages.md"}) {
        std::istringstream in(ReadSource(doc));
        std::string line, kind, name, body;
        int number = 0, opened = 0;
        bool open = false;
        while (std::getline(in, line)) {
            ++number;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind("```", 0) != 0) {
                if (open) body += line + "\n";
                continue;
            }
            if (open) {
                DocExample& e = examples[name];
                if (kind == "example") {
                    e.script = body;
                    e.where = std::string(doc) + ":" + std::to_string(opened);
                } else if (kind == "check") {
                    e.check = body;
                } else if (kind == "expect") {
                    std::istringstream lines(body);
                    for (std::string l; std::getline(lines, l);)
                        if (l.rfind("Medium: ", 0) == 0) {
                            std::istringstream words(l.substr(8));
                            std::string file;
                            words >> file;
                            e.medium.push_back(file);
                        }
                }
                open = false;
                continue;
            }
            open = true;
            opened = number;
            body.clear();
            kind.clear();
            std::istringstream words(line.substr(3));
            std::string w;
            words >> w >> w;
            if (w != "setup-inf") {
                kind = "other";
                continue;
            }
            while (words >> w) {
                size_t eq = w.find('=');
                std::string k = w.substr(0, eq);
                if (k == "example" || k == "expect" || k == "check") {
                    kind = k;
                    name = w.substr(eq + 1);
                }
            }
        }
    }
    return examples;
}

TEST(SetupCheckDocs, EveryExampleChecksAsItsDocSays) {
    auto examples = DocExamples();
    ASSERT_GT(examples.size(), 10u);
    for (const auto& [name, e] : examples) {
        if (e.script.empty()) continue;
        EXPECT_EQ(CheckText(e.script, e.medium), e.check) << e.where << ": example " << name;
    }
}

TEST(SetupCheckDocs, SampleMediumChecksAsTheDocsSay) {
    // The sample medium as it is laid out: the script beside the built files.
    auto examples = DocExamples();
    std::string expected = examples["sample"].check;
    std::string got = CheckText(ReadSource("sample/SETUP.INF"), {"SETUP.EXE", "UNINST.EXE", "SETUP.INF", "README.TXT",
                                                                 "viewer.exe", "sampreg.dll", "sampcore.dll"});
    EXPECT_EQ(got, expected);
    EXPECT_NE(expected, "") << "the docs show the sample's note";
}

// The setupcheck commands a reader copies from the README ("Test a medium before it
// ships") and from docs/setup-inf.md ("Test your medium"), each run as written from the
// repository's root: they name a medium that exists after the build and exit 0.
std::vector<std::string> DocumentedCommands(const std::string& relative, const std::string& heading,
                                            const std::string& program) {
    std::string doc = ReadSource(relative);
    size_t start = doc.find("\n## " + heading + "\n");
    if (start == std::string::npos) return {};
    size_t end = doc.find("\n## ", start + 1);
    std::istringstream section(doc.substr(start, end - start));
    std::vector<std::string> commands;
    bool fenced = false;
    for (std::string line; std::getline(section, line);) {
        if (line.rfind("```", 0) == 0) fenced = !fenced;
        if (fenced && line.rfind(program + " ", 0) == 0) commands.push_back(line.substr(0, line.find("  #")));
    }
    return commands;
}

TEST(SetupCheckDocs, TestYourMediumCommandsRunAsWritten) {
    fs::path root(SETUP_SOURCE_DIR);
    if (!fs::exists(root / "build/win64/sample/medium/SETUP.INF")) GTEST_SKIP() << "needs the win64 sample medium";
    std::vector<std::string> commands =
        DocumentedCommands("README.md", "Test a medium before it ships", "build/native/setupcheck");
    ASSERT_GE(commands.size(), 2u) << "the README shows a check and a plan";
    std::vector<std::string> docs = DocumentedCommands("docs/setup-inf.md", "Test your medium", "setupcheck");
    ASSERT_GE(docs.size(), 2u) << "the docs show a check and a plan";
    commands.insert(commands.end(), docs.begin(), docs.end());
    fs::path was = fs::current_path();
    fs::current_path(root);
    for (const std::string& command : commands) {
        std::istringstream words(command);
        std::vector<std::string> arguments;
        std::string word;
        words >> word;  // the program
        while (words >> word) arguments.push_back(word);
        std::string out, err;
        EXPECT_EQ(RunSetupCheck(arguments, out, err), 0) << command << "\n" << out << err;
        EXPECT_EQ(out.find(": error: "), std::string::npos) << command << "\n" << out;
    }
    fs::current_path(was);
}

}  // namespace
