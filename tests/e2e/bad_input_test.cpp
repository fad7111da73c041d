// Hostile and oversized input for the real SETUP.EXE under Wine: scripts of garbage,
// of 10,000 lines, with every string at its limit and one past it, long lists, long
// paths and names, percent signs everywhere; a planted version.dll; the uninstall
// log over repeated runs. Every case ends with clear boxes or the defined cut, Wine
// reports no exception, and nothing is written outside the places the script names.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "harness.h"

using namespace e2e;

namespace {

const char* const kSucceeded = "Setup completed successfully";

std::string Repeat(char c, size_t n) { return std::string(n, c); }

// A path of exactly `length` characters: `head` followed by `fill` characters.
std::string PathOfLength(const std::string& head, size_t length, char fill = 'd') {
    return head + Repeat(fill, length - head.size());
}

// The transcript without the progress lines: what the boxes said and were answered.
// `withIcon` false also drops the icon, which the watcher recognises by its picture:
// a box whose text is one word wider than the screen shows only part of it.
std::string BoxesOnly(const std::string& transcript, bool withIcon = true) {
    std::istringstream in(transcript);
    std::string line, out;
    while (std::getline(in, line))
        if (line.rfind("progress:", 0) != 0 && (withIcon || line.rfind("icon:", 0) != 0)) out += line + "\n";
    return out;
}

// Every file under drive C with its size and change time.
using DriveListing = std::map<std::string, std::pair<uintmax_t, long long>>;

DriveListing ListDrive(const WineCase& wine) {
    namespace fs = std::filesystem;
    DriveListing listing;
    std::string root = wine.HostPath("C:\\");
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
         it != end; it.increment(ec)) {
        if (ec) break;
        if (it->is_symlink(ec)) {
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file(ec)) continue;
        struct stat st;
        if (stat(it->path().c_str(), &st) != 0) continue;
        std::string relative = it->path().string().substr(root.size());
        while (!relative.empty() && relative[0] == '/') relative.erase(0, 1);
        std::string windows = "c:\\";
        for (char c : relative) windows += c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        long long stamp = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
        listing[windows] = {static_cast<uintmax_t>(st.st_size), stamp};
    }
    return listing;
}

// Files that are new or changed and lie under none of the allowed places (lower
// case Windows paths; a place ending in a backslash is a directory).
std::vector<std::string> WrittenElsewhere(const DriveListing& before, const DriveListing& after,
                                          std::vector<std::string> allowed) {
    // What Wine itself keeps writing while programs run, and the harness's own tools.
    allowed.push_back("c:\\e2e\\");
    allowed.push_back("c:\\users\\");
    allowed.push_back("c:\\windows\\temp\\");
    for (std::string& place : allowed)
        std::transform(place.begin(), place.end(), place.begin(), [](unsigned char c) { return std::tolower(c); });
    std::vector<std::string> elsewhere;
    for (const auto& [path, state] : after) {
        auto old = before.find(path);
        if (old != before.end() && old->second == state) continue;
        bool ok = false;
        for (const std::string& place : allowed)
            ok = ok || (place.back() == '\\' ? path.rfind(place, 0) == 0 : path == place);
        if (!ok) elsewhere.push_back(path);
    }
    return elsewhere;
}

// Wine's own report of a crash in the setup process.
void ExpectNoWineException(const SetupRun& run) {
    EXPECT_TRUE(run.setup.finished) << "the setup did not end";
    std::string log = ReadHostFile(run.setup.outputFile);
    std::string lower = log;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    EXPECT_EQ(lower.find("exception"), std::string::npos) << log;
    EXPECT_EQ(lower.find("page fault"), std::string::npos) << log;
}

// Runs the setup and checks the three things every case shares.
SetupRun RunChecked(WineCase& wine, const SetupOptions& options, const std::vector<std::string>& allowed) {
    DriveListing before = ListDrive(wine);
    SetupRun run = wine.RunSetup(options);
    ExpectNoWineException(run);
    std::vector<std::string> elsewhere = WrittenElsewhere(before, ListDrive(wine), allowed);
    std::string names;
    for (const std::string& path : elsewhere) names += "\n  " + path;
    EXPECT_TRUE(elsewhere.empty()) << "written outside the script's places:" << names;
    return run;
}

// Deterministic bytes: the same garbage on every run.
std::string Garbage(size_t n, uint32_t seed) {
    std::string bytes;
    for (size_t i = 0; i < n; ++i) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        bytes += static_cast<char>(seed & 0xFF);
    }
    return bytes;
}

// Keys of one section of an INI file on the host, in file order, duplicates kept.
std::vector<std::string> IniKeys(const WineCase& wine, const std::string& winPath, const std::string& section) {
    std::vector<std::string> keys;
    std::optional<std::string> text = wine.ReadFile(winPath);
    if (!text) return keys;
    std::istringstream in(*text);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') {
            std::string name = line.substr(1, line.find(']') - 1);
            inside = name.size() == section.size() &&
                     std::equal(name.begin(), name.end(), section.begin(),
                                [](char a, char b) { return std::tolower(a) == std::tolower(b); });
            continue;
        }
        if (inside && !line.empty()) keys.push_back(line.substr(0, line.find('=')));
    }
    return keys;
}

// The probe's record once it is complete: a started program runs on by itself.
std::optional<std::string> WaitForProbeRecord(const WineCase& wine, const std::string& winPath) {
    std::optional<std::string> text;
    for (int i = 0; i < 300; ++i) {
        text = wine.ReadFile(winPath);
        if (text && text->find("\nend\n") != std::string::npos) break;
        usleep(100 * 1000);
    }
    return text;
}

}  // namespace

// ---- Scripts that are not scripts -------------------------------------------------

TEST(BadScript, BinaryGarbageRunsAsAScriptWithoutSectionsAndReportsSuccess) {
    WineCase wine;
    wine.SetupInf("garbage follows\r\n" + Garbage(64 * 1024, 0x2545F491u));
    SetupRun run = RunChecked(wine, {{"OK"}}, {});
    EXPECT_EQ(run.transcript, Transcript({OkBox("product", kSucceeded)}));
}

TEST(BadScript, TenThousandLinesAreReadToTheEnd) {
    WineCase wine;
    std::string script;
    for (int i = 0; i < 4999; ++i) script += "[Filler" + std::to_string(i) + "]\r\nKey=" + std::to_string(i) + "\r\n";
    // The sections that count come last: lines 9,999 to 10,005.
    script += "[SETUP]\r\nProduct=Long Script\r\n[AddFiles.WIN32]\r\nlast.txt=\r\n[last.txt]\r\nTargetDir=C:\\LONGSCR\\\r\n";
    wine.SetupInf(script);
    wine.MediumFile("last.txt", "the last line counts");
    SetupRun run = RunChecked(wine, {{"OK"}}, {"C:\\LONGSCR\\"});
    EXPECT_EQ(BoxesOnly(run.transcript), BoxesOnly(Transcript({OkBox("Long Script", kSucceeded)})));
    EXPECT_EQ(wine.ReadFile("C:\\LONGSCR\\last.txt"), "the last line counts");
}

// ---- Every string key at its limit and one past it ----------------------------------

namespace {

// File, execution, registration and plug-in keys, each `extra` characters past its
// limit. The 259-character names cannot join SRCDIR or a directory into a path: the
// copy is refused with "Cannot read source", the command and the component are not
// tried; all three entries are optional, so the setup goes on and succeeds.
std::string EntryLimitsScript(size_t extra) {
    std::string s = "[SETUP]\r\nProduct=" + Repeat('P', 127 + extra) + "\r\nInitialPrompt=1\r\nUninstFile=" +
                    PathOfLength("C:\\windows\\", 259 + extra, 'u') + "\r\n";
    s += "[AddFiles.WIN32]\r\nf=\r\n[f]\r\nSourceFilename=" + Repeat('s', 259 + extra) +
         "\r\nTargetFilename=" + Repeat('t', 259 + extra) + "\r\nTargetDir=" + PathOfLength("C:\\", 259 + extra) +
         "\r\nRequiredCopy=0\r\n";
    s += "[ExecFiles.WIN32]\r\ne=\r\n[e]\r\nTargetFilename=" + Repeat('x', 259 + extra) +
         "\r\nTargetDir=" + PathOfLength("C:\\", 259 + extra) + "\r\nExecParam=" + Repeat('a', 127 + extra) +
         "\r\nUninstExecParam=" + Repeat('b', 127 + extra) + "\r\nRequiredExec=0\r\n";
    s += "[RegisterFiles.WIN32]\r\nr=\r\n[r]\r\nTargetFilename=" + Repeat('r', 259 + extra) +
         "\r\nTargetDir=" + PathOfLength("C:\\", 259 + extra) + "\r\nRequiredRegister=0\r\n";
    s += "[PLUGINFILE]\r\nPluginFileName=" + Repeat('p', 259 + extra) + "\r\n";
    return s;
}

void RunEntryLimits(size_t extra) {
    WineCase wine;
    std::string log = PathOfLength("C:\\windows\\", 259, 'u');  // one past is cut to the same name
    wine.SetupInf(EntryLimitsScript(extra));
    std::string product = Repeat('P', 127);
    SetupRun run = RunChecked(wine, {{"Yes", "OK", "OK"}}, {log});
    EXPECT_EQ(BoxesOnly(run.transcript),
              BoxesOnly(Transcript({QuestionBox(product, "This will install " + product + ". Do you wish to continue?",
                                                "Yes"),
                                    OkBox("Setup Copy Error", "Copy Error (10000) Cannot read source. "),
                                    OkBox(product, kSucceeded)})));
    // The log holds the product and nothing else: no file, command or component was done.
    EXPECT_EQ(wine.IniValue(log, "UNINST", "Product"), product);
    EXPECT_TRUE(IniKeys(wine, log, "UninstFiles").empty());
    EXPECT_TRUE(IniKeys(wine, log, "UninstExec").empty());
    EXPECT_TRUE(IniKeys(wine, log, "UninstRegister").empty());
}

// Variable and browser sections at their limits. A 79-character root name names no
// root (the script's own business); the real root with a 255-character key finds
// nothing on this machine, so the main file phase is held back: the defined
// outcome is IDS_SETUP_FAILED with the empty target directory.
std::string VariableLimitsScript(size_t extra) {
    std::string s = "[SETUP]\r\nProduct=Variable Limits\r\n[SetEnv.WIN32]\r\nE=\r\nI=\r\nD=\r\nR=\r\nR2=\r\n";
    s += "[R2]\r\nDataFrom=REGISTRY\r\nRegistryRootKey=HKEY_LOCAL_MACHINE\r\nRegistryMidKey=" + Repeat('M', 255 + extra) +
         "\r\nRegistryEndKey=" + Repeat('V', 255 + extra) + "\r\n";
    s += "[E]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=" + Repeat('e', 259 + extra) + "\r\nEndWithBackslash=1\r\n";
    s += "[I]\r\nDataFrom=INIFILE\r\nINIFile=" + PathOfLength("C:\\", 259 + extra) +
         "\r\nINIFileSect=" + Repeat('S', 79 + extra) + "\r\nINIFileKey=" + Repeat('K', 79 + extra) + "\r\n";
    s += "[D]\r\nDataFrom=" + Repeat('R', 39 + extra) + "\r\n";
    s += "[R]\r\nDataFrom=REGISTRY\r\nRegistryRootKey=" + Repeat('H', 79 + extra) +
         "\r\nRegistryMidKey=" + Repeat('M', 255 + extra) + "\r\nRegistryEndKey=" + Repeat('V', 255 + extra) + "\r\n";
    s += "[NETSCAPEDIR]\r\nRegistryRootKey=" + Repeat('H', 79 + extra) + "\r\nRegistryMidKey=" +
         Repeat('M', 255 + extra) + "\r\nRegistryEndKey=" + Repeat('V', 255 + extra) + "\r\n";
    s += "[NETSCAPEDIREX]\r\nRegistryRootKey=HKEY_LOCAL_MACHINE\r\nRegistryMidKey=Software\\BadInput\r\n"
         "RegistryMid2Key=" + Repeat('M', 255 + extra) + "\r\nRegistryEndKey=" + Repeat('V', 255 + extra) +
         "\r\nRegistryInstallPathKey=" + Repeat('I', 255 + extra) + "\r\n";
    return s;
}

void RunVariableLimits(size_t extra) {
    WineCase wine;
    wine.SetupInf(VariableLimitsScript(extra));
    // One browser installation whose path below it is too long to compose: skipped.
    wine.ImportReg("[HKEY_LOCAL_MACHINE\\Software\\BadInput\\" + Repeat('k', 200) + "]\r\n\"x\"=\"y\"\r\n");
    SetupRun run = RunChecked(wine, {{"OK"}}, {});
    EXPECT_EQ(BoxesOnly(run.transcript), BoxesOnly(Transcript({StopBox("Variable Limits", "Setup failed for ")})));
}

}  // namespace

TEST(KeyLimits, FileExecutionRegistrationAndPluginKeysAtTheirLimits) { RunEntryLimits(0); }
TEST(KeyLimits, FileExecutionRegistrationAndPluginKeysOnePastAreCutToTheLimit) { RunEntryLimits(1); }
TEST(KeyLimits, VariableAndBrowserKeysAtTheirLimits) { RunVariableLimits(0); }
TEST(KeyLimits, VariableAndBrowserKeysOnePastAreCutToTheLimit) { RunVariableLimits(1); }

// ---- Long lists ---------------------------------------------------------------------

namespace {

// A file list whose names, each with its terminator, and the final terminator take
// exactly `bytes` bytes. Every entry copies the same source under its own name.
void RunListOfBytes(size_t bytes) {
    WineCase wine;
    const std::string log = "C:\\windows\\LISTLOG.INI";
    std::vector<std::string> names;
    size_t left = bytes - 1;
    for (int i = 0; left > 0; ++i) {
        size_t length = left >= 93 + 10 ? 92 : left - 1;  // the last name takes the rest
        std::string name = std::to_string(i) + "_";
        name += Repeat('n', length - name.size());
        names.push_back(name);
        left -= length + 1;
    }
    std::string script = "[SETUP]\r\nProduct=Long List\r\nUninstFile=" + log + "\r\n[AddFiles.WIN32]\r\n";
    for (const std::string& name : names) script += name + "=\r\n";
    for (const std::string& name : names)
        script += "[" + name + "]\r\nSourceFilename=item.txt\r\nTargetDir=C:\\LIST\\\r\n";
    wine.SetupInf(script);
    wine.MediumFile("item.txt", "item");
    SetupRun run = RunChecked(wine, {{"OK"}, "", 600}, {"C:\\LIST\\", log});
    EXPECT_EQ(BoxesOnly(run.transcript), BoxesOnly(Transcript({OkBox("Long List", kSucceeded)})));
    // Every entry was installed and logged once, the last one too.
    EXPECT_EQ(wine.ListDir("C:\\LIST").size(), names.size());
    EXPECT_EQ(wine.ReadFile("C:\\LIST\\" + names.back()), "item");
    EXPECT_EQ(IniKeys(wine, log, "UninstFiles").size(), names.size());
}

}  // namespace

TEST(LongLists, AListOfExactly1024BytesIsInstalledWhole) { RunListOfBytes(1024); }
TEST(LongLists, AListOf10KiBIsInstalledWhole) { RunListOfBytes(10 * 1024); }

// ---- Long paths, values and names ------------------------------------------------------

TEST(LongPaths, TargetDirOf259CharactersWithALongFileNameIsRefusedNotCut) {
    WineCase wine;
    std::string directory = PathOfLength("C:\\LONGDIR\\", 258) + "\\";  // 259 with its backslash
    ASSERT_EQ(directory.size(), 259u);
    std::string file = Repeat('f', 200) + ".txt";
    wine.SetupInf("[SETUP]\r\nProduct=Long Path\r\n[AddFiles.WIN32]\r\nentry=\r\n[entry]\r\nSourceFilename=src.txt\r\n"
                  "TargetFilename=" + file + "\r\nTargetDir=" + directory + "\r\n");
    wine.MediumFile("src.txt", "source");
    SetupRun run = RunChecked(wine, {{"OK", "OK", "OK"}}, {});
    EXPECT_EQ(BoxesOnly(run.transcript, false),
              BoxesOnly(Transcript({OkBox("Setup Copy Error", "Copy Error (800) Cannot create file. "),
                                    OkBox("File Copy Failed", file),
                                    StopBox("Long Path", "Setup failed for " + directory)}),
                        false));
    EXPECT_FALSE(wine.Exists("C:\\LONGDIR"));
}

TEST(LongPaths, EnvironmentValueOf259CharactersStillGetsItsBackslash) {
    WineCase wine;
    std::string value = PathOfLength("C:\\", 259, 'v');
    wine.SetupInf("[SETUP]\r\nProduct=Long Value\r\n[SetEnv.WIN32]\r\nLONGVAL=\r\nSHORTVAL=\r\n"
                  "[LONGVAL]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=" + value + "\r\nEndWithBackslash=1\r\n"
                  "[SHORTVAL]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=C:\\short\r\nEndWithBackslash=1\r\n"
                  "[ExecFiles.WIN32]\r\nprobe=\r\n[probe]\r\nTargetFilename=probe.exe\r\nTargetDir=%SRCDIR%\r\n");
    wine.MediumTestBinary("probe.exe", "e2e_probe.exe");
    SetupRun run = RunChecked(wine, {{"OK"}}, {"C:\\medium\\probe.exe.txt"});
    EXPECT_EQ(BoxesOnly(run.transcript), BoxesOnly(Transcript({OkBox("Long Value", kSucceeded)})));
    std::optional<std::string> record = WaitForProbeRecord(wine, "C:\\medium\\probe.exe.txt");
    ASSERT_TRUE(record.has_value());
    // A variable is no path: 259 characters are no limit for its backslash.
    EXPECT_NE(record->find("env: LONGVAL=" + value + "\\\n"), std::string::npos) << *record;
    EXPECT_NE(record->find("env: SHORTVAL=C:\\short\\\n"), std::string::npos) << *record;
}

TEST(LongNames, ProductNameOf300CharactersIsCutTo127Everywhere) {
    WineCase wine;
    std::string product;
    for (int i = 0; product.size() < 300; ++i) product += "Product" + std::to_string(i) + " ";
    product.resize(300);
    const std::string log = "C:\\windows\\LONGNAME.INI";
    wine.SetupInf("[SETUP]\r\nProduct=" + product + "\r\nInitialPrompt=1\r\nUninstFile=" + log + "\r\n");
    SetupRun run = RunChecked(wine, {{"Yes", "OK"}}, {log});
    std::string cut = product.substr(0, 127);
    while (!cut.empty() && cut.back() == ' ') cut.pop_back();  // the profile function trims the end
    EXPECT_EQ(BoxesOnly(run.transcript),
              BoxesOnly(Transcript({QuestionBox(cut, "This will install " + cut + ". Do you wish to continue?", "Yes"),
                                    OkBox(cut, kSucceeded)})));
    EXPECT_EQ(wine.IniValue(log, "UNINST", "Product"), cut);
}

TEST(Percent, PercentSignsEverywhereExpandOnlyWhereMacrosAreAllowed) {
    WineCase wine;
    const std::string product = "100% %PRODUCTNAME% %%";
    wine.SetupInf("[SETUP]\r\nProduct=" + product + "\r\nInitialPrompt=1\r\nUninstFile=C:\\windows\\PCT%%LOG.INI\r\n"
                  "[SetEnv.WIN32]\r\nPCTVAR=\r\n[PCTVAR]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=%%%WINDIR%x%%\r\n"
                  "[AddFiles.WIN32]\r\npct%.txt=\r\n[pct%.txt]\r\nSourceFilename=pct.txt\r\nTargetDir=C:\\PCT%%DIR\\\r\n"
                  "[ExecFiles.WIN32]\r\nprobe=\r\n[probe]\r\nTargetFilename=probe.exe\r\nTargetDir=%SRCDIR%\r\n"
                  "ExecParam=%PCTVAR% %% 100%\r\n");
    wine.MediumFile("pct.txt", "percent");
    wine.MediumTestBinary("probe.exe", "e2e_probe.exe");
    SetupRun run = RunChecked(wine, {{"Yes", "OK"}},
                              {"C:\\PCT%DIR\\", "C:\\windows\\PCT%%LOG.INI", "C:\\medium\\probe.exe.txt"});
    EXPECT_EQ(BoxesOnly(run.transcript),
              BoxesOnly(Transcript({QuestionBox(product, "This will install " + product + ". Do you wish to continue?",
                                                "Yes"),
                                    OkBox(product, kSucceeded)})));
    EXPECT_EQ(wine.ReadFile("C:\\PCT%DIR\\pct%.txt"), "percent");
    EXPECT_EQ(wine.IniValue("C:\\windows\\PCT%%LOG.INI", "UNINST", "Product"), product);
    std::optional<std::string> record = WaitForProbeRecord(wine, "C:\\medium\\probe.exe.txt");
    ASSERT_TRUE(record.has_value());
    // Parameters are never expanded; the variable's value was, once.
    EXPECT_NE(record->find("cmdline: C:\\medium\\probe.exe %PCTVAR% %% 100%"), std::string::npos) << *record;
    EXPECT_NE(record->find("env: PCTVAR=%C:\\windows\\x%\n"), std::string::npos) << *record;
}

// ---- A planted version.dll -------------------------------------------------------------

namespace {
// Native DLLs first, as Windows loads them: a DLL beside the program wins over the
// system's own for any static import or load by bare name.
const char* const kNativeVersionFirst =
    "[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]\r\n\"version\"=\"native,builtin\"\r\n";
const char* const kPlantedLog = "C:\\medium\\planted_version.log";

std::vector<std::string> PlantedLines(const WineCase& wine, const std::string& what) {
    std::vector<std::string> lines;
    std::istringstream in(wine.ReadFile(kPlantedLog).value_or(""));
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(what, 0) == 0) lines.push_back(line);
    return lines;
}
}  // namespace

// SETUP.EXE takes the version service from the system directory by full path: the
// planted DLL's functions are never called, and the copy is the real service's work.
// Wine's own user32 imports version.dll by name, so under a native-first override any
// program that imports user32 maps the planted DLL at start, before its first
// instruction; the baseline program shows that this load is the platform's.
TEST(PlantedDll, VersionDllBesideSetupIsNeverUsed) {
    WineCase wine;
    wine.ImportReg(kNativeVersionFirst);
    wine.MediumTestBinary("version.dll", "e2e_planted_version.dll");
    wine.SetupInf("[SETUP]\r\nProduct=Planted\r\n[AddFiles.WIN32]\r\ndata.txt=\r\n[data.txt]\r\nTargetDir=C:\\PLANTED\\\r\n");
    wine.MediumFile("data.txt", "real data");
    SetupRun run = RunChecked(wine, {{"OK"}}, {"C:\\PLANTED\\", kPlantedLog});
    EXPECT_EQ(BoxesOnly(run.transcript), BoxesOnly(Transcript({OkBox("Planted", kSucceeded)})));
    // The planted VerInstallFileA would have failed the copy.
    EXPECT_EQ(wine.ReadFile("C:\\PLANTED\\data.txt"), "real data");
    EXPECT_TRUE(PlantedLines(wine, "called").empty()) << *wine.ReadFile(kPlantedLog);

    std::vector<std::string> setupLoads = PlantedLines(wine, "loaded");
    if (!setupLoads.empty()) {
        wine.MediumTestBinary("user32_only.exe", "e2e_user32_only.exe");
        wine.RunWine({"C:\\medium\\user32_only.exe"}, 60);
        bool baselineLoads = false;
        for (const std::string& line : PlantedLines(wine, "loaded"))
            baselineLoads = baselineLoads || line.find("user32_only.exe") != std::string::npos;
        EXPECT_TRUE(baselineLoads) << "SETUP.EXE mapped the planted DLL, and a program with user32 alone does not";
    }
}

TEST(PlantedDll, TheCheckSeesAStaticImportUseThePlantedDll) {
    WineCase wine;
    wine.ImportReg(kNativeVersionFirst);
    wine.MediumTestBinary("version.dll", "e2e_planted_version.dll");
    wine.MediumTestBinary("static_import.exe", "e2e_static_version_import.exe");
    ProcessResult result = wine.RunWine({"C:\\medium\\static_import.exe"}, 60);
    EXPECT_TRUE(result.finished);
    std::vector<std::string> calls = PlantedLines(wine, "called");
    ASSERT_EQ(calls.size(), 1u) << "a static import of version.dll did not use the planted DLL";
    EXPECT_NE(calls[0].find("GetFileVersionInfoSizeA by C:\\medium\\static_import.exe"), std::string::npos)
        << calls[0];
}

// ---- The uninstall log over three runs -------------------------------------------------

TEST(UninstallLogRepeated, ThreeRunsOfOneMediumKeepEveryEntryOnceAndEarlierSections) {
    WineCase wine;
    const std::string log = "C:\\windows\\THREE.INI";
    wine.PutFile(log, "[Earlier]\r\nKeep=me\r\n[UninstFiles]\r\nC:\\OLD\\old.dll=\r\n");
    wine.SetupInf("[SETUP]\r\nProduct=Three Runs\r\nUninstFile=" + log + "\r\n"
                  "[AddFiles.WIN32]\r\none.txt=\r\ntwo.txt=\r\nprobe.exe=\r\nselfreg.dll=\r\n"
                  "[one.txt]\r\nTargetDir=C:\\THREE\\\r\n[two.txt]\r\n[probe.exe]\r\nUninstExecParam=/remove\r\n"
                  "[selfreg.dll]\r\n"
                  "[ExecFiles.WIN32]\r\nprobe.exe=\r\n[RegisterFiles.WIN32]\r\nselfreg.dll=\r\n");
    wine.MediumFile("one.txt", "one");
    wine.MediumFile("two.txt", "two");
    wine.MediumTestBinary("probe.exe", "e2e_probe.exe");
    wine.MediumTestBinary("selfreg.dll", "e2e_selfreg.dll");
    for (int round = 1; round <= 3; ++round) {
        SetupRun run = RunChecked(wine, {{"OK"}}, {"C:\\THREE\\", log});
        ASSERT_EQ(BoxesOnly(run.transcript), BoxesOnly(Transcript({OkBox("Three Runs", kSucceeded)})))
            << "round " << round;
        EXPECT_EQ(IniKeys(wine, log, "UNINST"), std::vector<std::string>({"Product"})) << "round " << round;
        EXPECT_EQ(IniKeys(wine, log, "UninstFiles"),
                  std::vector<std::string>({"C:\\OLD\\old.dll", "C:\\THREE\\one.txt", "C:\\THREE\\two.txt",
                                            "C:\\THREE\\probe.exe", "C:\\THREE\\selfreg.dll"}))
            << "round " << round;
        EXPECT_EQ(IniKeys(wine, log, "UninstExec"), std::vector<std::string>({"C:\\THREE\\probe.exe /remove"}))
            << "round " << round;
        EXPECT_EQ(IniKeys(wine, log, "UninstRegister"), std::vector<std::string>({"C:\\THREE\\selfreg.dll"}))
            << "round " << round;
        // Created by the first run only: later runs find it there.
        EXPECT_EQ(IniKeys(wine, log, "UninstCreatedDirs"), std::vector<std::string>({"C:\\THREE\\"}))
            << "round " << round;
        EXPECT_EQ(IniKeys(wine, log, "Earlier"), std::vector<std::string>({"Keep"})) << "round " << round;
        EXPECT_EQ(wine.IniValue(log, "Earlier", "Keep"), "me");
    }
}
