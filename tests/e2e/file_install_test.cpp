// The file phase of the real SETUP.EXE under Wine: versioned copies, the older-source
// question, files in use staged for the next restart (delayed move and wininit.ini),
// the failure boxes and the progress window behind them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "harness.h"

using namespace e2e;

namespace {

const char* const kSucceeded = "Setup completed successfully";
const char* const kRestart = "The system needs to be restarted to activate the changes.  Do you want to restart now?";
const char* const kOlder =
    "The source file comp.dll is older than the destination file. \nDo you want to keep the existing file?";
const char* const kDestination = "C:\\windows\\DEMO\\comp.dll";
const char* const kStaged = "C:\\windows\\DEMO\\comp.dl~";
const char* const kLog = "C:\\windows\\DEMOUN.INI";

// One component, copied into a directory below the Windows directory.
const char* const kOneComponent =
    "[SETUP]\r\nProduct=Demo\r\nUninstFile=DEMOUN.INI\r\n"
    "[AddFiles.WIN32]\r\ncomp.dll=\r\n"
    "[comp.dll]\r\nTargetDir=%WINDIR%DEMO\\\r\n";

// Which of the two component builds a file holds, so that a failure names it
// instead of printing the binary.
std::string Build(const std::optional<std::string>& content) {
    if (!content) return "missing";
    if (*content == ReadHostFile(TestBinary("e2e_version_v1.dll"))) return "v1";
    if (*content == ReadHostFile(TestBinary("e2e_version_v2.dll"))) return "v2";
    return "other (" + std::to_string(content->size()) + " bytes)";
}

std::string Escaped(const std::string& s) {
    std::string out;
    for (char c : s) out += (c == '\\') ? std::string("\\\\") : std::string(1, c);
    return out;
}

// The progress line behind the n-th box of a transcript, "none" when there is none.
std::string ProgressSeen(const std::string& transcript, size_t n) {
    std::istringstream in(transcript);
    std::string line;
    size_t seen = 0;
    while (std::getline(in, line))
        if (line.rfind("progress: ", 0) == 0 && seen++ == n) return line.substr(10);
    return "none";
}

// What the progress window must look like behind the n-th box: the product name as
// caption, the label, the file line, and the position that the centring arithmetic
// gives for the size and screen that the watcher saw.
std::string CentredProgress(const std::string& transcript, size_t n, const std::string& caption,
                            const std::string& fileLine) {
    std::string seen = ProgressSeen(transcript, n);
    long x = 0, y = 0, w = 0, h = 0, sw = 0, sh = 0;
    size_t at = seen.find("; rect=");
    if (at == std::string::npos ||
        std::sscanf(seen.c_str() + at, "; rect=%ld,%ld,%ld,%ld; screen=%ld,%ld", &x, &y, &w, &h, &sw, &sh) != 6)
        return "(no progress window seen: " + seen + ")";
    long cx = ((sw - w) / 2 + 4) & ~7L;
    long cy = (sh - h) / 2;
    if (cx <= 0) cx = 0;
    if (cy <= 0) cy = 0;
    return "caption=" + Escaped(caption) + "; label=Copying files; file=" + Escaped(fileLine) +
           "; rect=" + std::to_string(cx) + "," + std::to_string(cy) + "," + std::to_string(w) + "," +
           std::to_string(h) + "; screen=" + std::to_string(sw) + "," + std::to_string(sh);
}

// The [rename] entries of C:\windows\wininit.ini, as key/value pairs in file order.
std::vector<std::pair<std::string, std::string>> WininitRenames(const WineCase& wine) {
    std::vector<std::pair<std::string, std::string>> entries;
    std::optional<std::string> text = wine.ReadFile("C:\\windows\\wininit.ini");
    if (!text) return entries;
    std::istringstream in(*text);
    std::string line;
    bool inRename = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inRename = line == "[rename]" || line == "[Rename]" || line == "[RENAME]";
            continue;
        }
        size_t eq = line.find('=');
        if (inRename && eq != std::string::npos) entries.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return entries;
}

// Every component of the path is a valid 8.3 name.
bool IsShortPath(const std::string& path) {
    std::istringstream in(path.size() > 3 ? path.substr(3) : std::string());
    std::string part;
    while (std::getline(in, part, '\\')) {
        size_t dot = part.find('.');
        std::string name = part.substr(0, dot);
        std::string ext = dot == std::string::npos ? "" : part.substr(dot + 1);
        if (name.empty() || name.size() > 8 || ext.size() > 3 || ext.find('.') != std::string::npos) return false;
        if (part.find(' ') != std::string::npos) return false;
    }
    return true;
}

// `content` in the SZDD format of the classic COMPRESS tool, as Debian's mscompress
// writes it; empty when the tool is missing.
std::string Compressed(const WineCase& wine, const std::string& content) {
    std::string plain = wine.CaseDir() + "/szdd-source";
    WriteHostFile(plain, content);
    std::string command = "mscompress '" + plain + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return "";
    std::string packed = ReadHostFile(plain + "_");
    return packed.rfind("SZDD", 0) == 0 ? packed : "";
}

// Plain text that compresses to bytes unlike its own.
const std::string kNotes = "Release notes. Release notes. Release notes. Release notes.\r\nEnd of notes.\r\n";

}  // namespace

TEST(FileInstall, FreshComponentIsInstalledAndLogged) {
    WineCase wine;
    wine.SetupInf(kOneComponent);
    wine.MediumTestBinary("comp.dll", "e2e_version_v2.dll");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("Demo", kSucceeded)}));
    EXPECT_EQ(Build(wine.ReadFile(kDestination)), "v2");
    EXPECT_EQ(wine.IniValue(kLog, "UninstFiles", kDestination), "");
    EXPECT_TRUE(wine.ListDir("C:\\windows\\DEMO", "*.tmp").empty());
}

TEST(FileInstall, OlderSourceAnsweredYesKeepsTheFilePresentAndLogsIt) {
    WineCase wine;
    wine.SetupInf(kOneComponent);
    wine.MediumTestBinary("comp.dll", "e2e_version_v1.dll");
    wine.PutTestBinary(kDestination, "e2e_version_v2.dll");
    SetupRun run = wine.RunSetup({{"Yes", "OK"}});
    EXPECT_EQ(run.transcript,
              Transcript({QuestionBox("Demo", kOlder, "Yes", CentredProgress(run.transcript, 0, "Demo", kDestination)),
                          OkBox("Demo", kSucceeded)}));
    EXPECT_EQ(Build(wine.ReadFile(kDestination)), "v2");
    EXPECT_EQ(wine.ListDir("C:\\windows\\DEMO", "*.tmp"), std::vector<std::string>{});
    EXPECT_EQ(wine.IniValue(kLog, "UninstFiles", kDestination), "");
}

TEST(FileInstall, OlderSourceAnsweredNoReplacesTheFilePresentByForce) {
    WineCase wine;
    wine.SetupInf(kOneComponent);
    wine.MediumTestBinary("comp.dll", "e2e_version_v1.dll");
    wine.PutTestBinary(kDestination, "e2e_version_v2.dll");
    SetupRun run = wine.RunSetup({{"No", "OK"}});
    EXPECT_EQ(run.transcript,
              Transcript({QuestionBox("Demo", kOlder, "No", CentredProgress(run.transcript, 0, "Demo", kDestination)),
                          OkBox("Demo", kSucceeded)}));
    EXPECT_EQ(Build(wine.ReadFile(kDestination)), "v1");
    // Wine leaves the copy it was given for the forced install; it is removed.
    EXPECT_EQ(wine.ListDir("C:\\windows\\DEMO", "*.tmp"), std::vector<std::string>{});
    EXPECT_EQ(wine.IniValue(kLog, "UninstFiles", kDestination), "");
}

TEST(FileInstall, FileInUseOnNtIsStagedBesideItWithAPendingRename) {
    WineCase wine;  // the default version is of the NT family
    wine.SetupInf(kOneComponent);
    wine.MediumTestBinary("comp.dll", "e2e_version_v2.dll");
    wine.PutTestBinary(kDestination, "e2e_version_v1.dll");
    wine.HoldFile(kDestination, "none");
    SetupRun run = wine.RunSetup({{"OK", "No"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("Demo", kSucceeded), QuestionBox("Demo", kRestart, "No")}));
    EXPECT_EQ(Build(wine.ReadFile(kStaged)), "v2");
    EXPECT_EQ(Build(wine.ReadFile(kDestination)), "v1");
    std::optional<std::string> pending = wine.PendingFileRenames();
    ASSERT_TRUE(pending.has_value());
    EXPECT_NE(pending->find("comp.dl~"), std::string::npos) << *pending;
    EXPECT_NE(pending->find("comp.dll"), std::string::npos) << *pending;
    EXPECT_TRUE(WininitRenames(wine).empty());
    EXPECT_EQ(wine.IniValue(kLog, "UninstFiles", kDestination), "");
}

TEST(FileInstall, FileInUseOnNtIsReplacedWhenTheRestartIsAccepted) {
    WineCase wine;
    wine.SetupInf(kOneComponent);
    wine.MediumTestBinary("comp.dll", "e2e_version_v2.dll");
    wine.PutTestBinary(kDestination, "e2e_version_v1.dll");
    wine.HoldFile(kDestination, "none");
    wine.ArmRestartMarker();
    // Windows has closed every program when it carries out the renames at the next
    // start; Wine's restart does not wait for that. The holder lets go once the staged
    // copy is there, while the boxes are still up.
    std::thread releaser([&wine] {
        for (int i = 0; i < 3000 && !wine.Exists(kStaged); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        wine.ReleaseFile(kDestination);
    });
    SetupRun run = wine.RunSetup({{"OK", "Yes"}});
    releaser.join();
    EXPECT_EQ(run.transcript, Transcript({OkBox("Demo", kSucceeded), QuestionBox("Demo", kRestart, "Yes")}));
    EXPECT_TRUE(wine.RestartHappened());
    EXPECT_EQ(Build(wine.ReadFile(kDestination)), "v2");
    EXPECT_FALSE(wine.Exists(kStaged));
}

TEST(FileInstall, FileInUseOnWindows95IsStagedInWininitWithShortNames) {
    WineCase wine("win95");
    const std::string directory = "C:\\Program Files\\Demo Library\\";
    wine.SetupInf(
        "[SETUP]\r\nProduct=Demo\r\n[AddFiles.WIN32]\r\ncomponent.dll=\r\n"
        "[component.dll]\r\nTargetDir=" +
        directory + "\r\n");
    wine.MediumTestBinary("component.dll", "e2e_version_v2.dll");
    wine.PutTestBinary(directory + "component.dll", "e2e_version_v1.dll");
    wine.HoldFile(directory + "component.dll", "none");
    SetupRun run = wine.RunSetup({{"OK", "No"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("Demo", kSucceeded), QuestionBox("Demo", kRestart, "No")}));
    EXPECT_EQ(Build(wine.ReadFile(directory + "component.dl~")), "v2");

    auto renames = WininitRenames(wine);
    ASSERT_EQ(renames.size(), 1u);
    const std::string& destination = renames[0].first;
    const std::string& staged = renames[0].second;
    EXPECT_TRUE(IsShortPath(destination)) << destination;
    EXPECT_TRUE(IsShortPath(staged)) << staged;
    EXPECT_EQ(destination.substr(0, 3), "C:\\");
    // The short form of comp.dl~ may end otherwise ("~" is not kept in a short extension).
    EXPECT_NE(staged, destination);
    std::optional<std::string> pending = wine.PendingFileRenames();
    EXPECT_TRUE(!pending || pending->find("component") == std::string::npos) << *pending;

    // The next start carries the entry out.
    wine.ReleaseFile(directory + "component.dll");
    ProcessResult reboot = wine.RebootWindows();
    EXPECT_TRUE(reboot.finished);
    EXPECT_EQ(Build(wine.ReadFile(directory + "component.dll")), "v2");
    EXPECT_FALSE(wine.Exists(directory + "component.dl~"));
}

TEST(FileInstall, MissingSourceReportsCopyErrorFailedFileAndFailure) {
    WineCase wine;
    wine.SetupInf(kOneComponent);
    SetupRun run = wine.RunSetup({{"OK", "OK", "OK"}});
    std::string progress = CentredProgress(run.transcript, 0, "Demo", kDestination);
    EXPECT_EQ(run.transcript,
              Transcript({OkBox("Setup Copy Error", "Copy Error (10000) Cannot read source. ", progress),
                          OkBox("File Copy Failed", "comp.dll", progress),
                          StopBox("Demo", "Setup failed for C:\\windows\\DEMO\\")}));
    EXPECT_FALSE(wine.Exists(kDestination));
    EXPECT_FALSE(wine.IniValue(kLog, "UninstFiles", kDestination).has_value());
}

TEST(FileInstall, TargetDirTwoLevelsBelowAnExistingDirectoryCannotBeCreated) {
    WineCase wine;
    wine.SetupInf(
        "[SETUP]\r\nProduct=Demo\r\n[AddFiles.WIN32]\r\ncomp.dll=\r\n"
        "[comp.dll]\r\nTargetDir=C:\\NEWTOP\\DEEP\\\r\n");
    wine.MediumTestBinary("comp.dll", "e2e_version_v2.dll");
    SetupRun run = wine.RunSetup({{"OK", "OK", "OK"}});
    std::string progress = CentredProgress(run.transcript, 0, "Demo", "C:\\NEWTOP\\DEEP\\comp.dll");
    EXPECT_EQ(run.transcript, Transcript({OkBox("Setup Copy Error", "Copy Error (800) Cannot create file. ", progress),
                                          OkBox("File Copy Failed", "comp.dll", progress),
                                          StopBox("Demo", "Setup failed for C:\\NEWTOP\\DEEP\\")}));
    EXPECT_FALSE(wine.Exists("C:\\NEWTOP"));
}

TEST(FileInstall, ReadOnlyDestinationIsReportedWriteProtected) {
    WineCase wine;
    wine.SetupInf(kOneComponent);
    wine.MediumTestBinary("comp.dll", "e2e_version_v2.dll");
    wine.PutTestBinary(kDestination, "e2e_version_v1.dll");
    ASSERT_TRUE(wine.RunWine({"attrib", "+r", kDestination}).finished);
    SetupRun run = wine.RunSetup({{"OK", "OK", "OK"}});
    std::string progress = CentredProgress(run.transcript, 0, "Demo", kDestination);
    EXPECT_EQ(run.transcript, Transcript({OkBox("Setup Copy Error", "Copy Error (40) Disk write protected. ", progress),
                                          OkBox("File Copy Failed", "comp.dll", progress),
                                          StopBox("Demo", "Setup failed for C:\\windows\\DEMO\\")}));
    EXPECT_EQ(Build(wine.ReadFile(kDestination)), "v1");
    EXPECT_TRUE(wine.ListDir("C:\\windows\\DEMO", "*.tmp").empty());
}

TEST(FileInstall, OptionalFileFailureShowsOneBoxAndThePhaseGoesOn) {
    WineCase wine;
    wine.SetupInf(
        "[SETUP]\r\nProduct=Demo\r\nUninstFile=DEMOUN.INI\r\n"
        "[AddFiles.WIN32]\r\nextra.dll=\r\ncomp.dll=\r\n"
        "[extra.dll]\r\nRequiredCopy=0\r\nTargetDir=%WINDIR%DEMO\\\r\n");
    wine.MediumTestBinary("comp.dll", "e2e_version_v2.dll");
    SetupRun run = wine.RunSetup({{"OK", "OK"}});
    EXPECT_EQ(run.transcript,
              Transcript({OkBox("Setup Copy Error", "Copy Error (10000) Cannot read source. ",
                                CentredProgress(run.transcript, 0, "Demo", "C:\\windows\\DEMO\\extra.dll")),
                          OkBox("Demo", kSucceeded)}));
    // The next entry, without TargetDir of its own, goes to the same directory.
    EXPECT_EQ(Build(wine.ReadFile(kDestination)), "v2");
    EXPECT_EQ(wine.IniValue(kLog, "UninstFiles", kDestination), "");
    EXPECT_FALSE(wine.IniValue(kLog, "UninstFiles", "C:\\windows\\DEMO\\extra.dll").has_value());
}

TEST(FileInstall, EntryNamingAMissingSectionCopiesItsOwnNameIntoTheCurrentDirectory) {
    WineCase wine;
    wine.SetupInf(
        "[SETUP]\r\nProduct=Demo\r\n[AddFiles.WIN32]\r\ncomp.dll=\r\nreadme.txt=\r\n"
        "[comp.dll]\r\nTargetDir=%WINDIR%DEMO\\\r\n");
    wine.MediumTestBinary("comp.dll", "e2e_version_v2.dll");
    wine.MediumFile("readme.txt", "read me\r\n");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("Demo", kSucceeded)}));
    EXPECT_EQ(wine.ReadFile("C:\\windows\\DEMO\\readme.txt"), "read me\r\n");
}

TEST(FileInstall, LongPathIsShortenedInTheProgressWindow) {
    WineCase wine;
    const std::string directory = "C:\\Program Files\\Demo Product With A Long Name\\Components\\";
    const std::string file = "missing-component.dll";
    wine.SetupInf("[SETUP]\r\nProduct=Demo 100%\r\n[AddFiles.WIN32]\r\n" + file + "=\r\n[" + file +
                  "]\r\nRequiredCopy=0\r\nTargetDir=" + directory + "\r\n");
    SetupRun run = wine.RunSetup({{"OK", "OK"}});
    std::string path = directory + file;
    ASSERT_GT(path.size(), 50u);
    std::string shown = path.substr(0, 3) + "..." + path.substr(path.size() - 44);
    EXPECT_EQ(run.transcript, Transcript({OkBox("Setup Copy Error", "Copy Error (10000) Cannot read source. ",
                                                CentredProgress(run.transcript, 0, "Demo 100%", shown)),
                                          OkBox("Demo 100%", kSucceeded)}));
}

TEST(FileInstall, CompressedSourceIsInstalledExpanded) {
    WineCase wine;
    std::string packed = Compressed(wine, kNotes);
    ASSERT_FALSE(packed.empty()) << "mscompress is needed (scripts/install-deps.sh)";
    wine.SetupInf(
        "[SETUP]\r\nProduct=Demo\r\n[AddFiles.WIN32]\r\nnotes.txt=\r\n"
        "[notes.txt]\r\nSourceFilename=notes.tx_\r\nTargetDir=%WINDIR%DEMO\\\r\n");
    wine.MediumFile("notes.tx_", packed);
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("Demo", kSucceeded)}));
    EXPECT_EQ(wine.ReadFile("C:\\windows\\DEMO\\notes.txt"), kNotes);
}

// The version service expands the source; the staged copy must be expanded as well,
// or the restart puts the compressed image in place. A held destination gives no
// temporary copy under Wine, so the service expands into the staged name itself.
TEST(FileInstall, CompressedSourceOverAHeldFileIsInPlaceExpandedAfterTheRestart) {
    WineCase wine;
    std::string packed = Compressed(wine, kNotes);
    ASSERT_FALSE(packed.empty()) << "mscompress is needed (scripts/install-deps.sh)";
    const std::string destination = "C:\\windows\\DEMO\\notes.txt";
    wine.SetupInf(
        "[SETUP]\r\nProduct=Demo\r\n[AddFiles.WIN32]\r\nnotes.txt=\r\n"
        "[notes.txt]\r\nSourceFilename=notes.tx_\r\nTargetDir=%WINDIR%DEMO\\\r\n");
    wine.MediumFile("notes.tx_", packed);
    wine.PutFile(destination, "old notes\r\n");
    wine.HoldFile(destination, "none");
    SetupRun run = wine.RunSetup({{"OK", "No"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("Demo", kSucceeded), QuestionBox("Demo", kRestart, "No")}));
    EXPECT_EQ(wine.ReadFile("C:\\windows\\DEMO\\notes.tx~"), kNotes);
    EXPECT_TRUE(wine.ListDir("C:\\windows\\DEMO", "*.tmp").empty());

    wine.ReleaseFile(destination);
    ProcessResult reboot = wine.RebootWindows();
    EXPECT_TRUE(reboot.finished);
    EXPECT_EQ(wine.ReadFile(destination), kNotes);
}

// LIB.DLL and LIB.DLX would both be staged as LIB.DL~; the second takes another
// name, and after the restart each destination holds its own new file.
TEST(FileInstall, HeldFilesWhoseStagedNamesCollideEachGetTheirOwnFile) {
    WineCase wine;
    const std::string directory = "C:\\windows\\DEMO\\";
    wine.SetupInf(
        "[SETUP]\r\nProduct=Demo\r\n[AddFiles.WIN32]\r\nLIB.DLL=\r\nLIB.DLX=\r\n"
        "[LIB.DLL]\r\nTargetDir=%WINDIR%DEMO\\\r\n");
    wine.MediumFile("LIB.DLL", "new library\r\n");
    wine.MediumFile("LIB.DLX", "new extension\r\n");
    for (const char* name : {"LIB.DLL", "LIB.DLX"}) {
        wine.PutFile(directory + name, "old\r\n");
        wine.HoldFile(directory + name, "none");
    }
    SetupRun run = wine.RunSetup({{"OK", "No"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("Demo", kSucceeded), QuestionBox("Demo", kRestart, "No")}));
    EXPECT_EQ(wine.ReadFile(directory + "LIB.DL~"), "new library\r\n");
    EXPECT_EQ(wine.ReadFile(directory + "LIB.~01"), "new extension\r\n");

    for (const char* name : {"LIB.DLL", "LIB.DLX"}) wine.ReleaseFile(directory + name);
    ProcessResult reboot = wine.RebootWindows();
    EXPECT_TRUE(reboot.finished);
    EXPECT_EQ(wine.ReadFile(directory + "LIB.DLL"), "new library\r\n");
    EXPECT_EQ(wine.ReadFile(directory + "LIB.DLX"), "new extension\r\n");
}

// With no directory yet, the file would go to the root of the current drive (or below
// the current directory): it is refused before anything is written.
TEST(FileInstall, FirstEntryWithoutTargetDirIsRefusedWithNothingWritten) {
    WineCase wine;
    wine.SetupInf("[SETUP]\r\nProduct=Demo\r\nUninstFile=DEMOUN.INI\r\n[AddFiles.WIN32]\r\nnotes.exe=\r\n");
    wine.MediumFile("notes.exe", "not really a program\r\n");
    SetupRun run = wine.RunSetup({{"OK", "OK", "OK"}});
    EXPECT_EQ(
        run.transcript,
        Transcript({OkBox("Setup Copy Error", "Copy Error (800) Cannot create file. ", ProgressSeen(run.transcript, 0)),
                    OkBox("File Copy Failed", "notes.exe", ProgressSeen(run.transcript, 1)),
                    StopBox("Demo", "Setup failed for ")}));
    EXPECT_EQ(wine.ListDir("C:\\", "notes.*"), std::vector<std::string>{});
    EXPECT_EQ(wine.ListDir("C:\\windows", "notes.*"), std::vector<std::string>{});
    EXPECT_FALSE(wine.IniValue(kLog, "UninstFiles", "\\notes.exe").has_value());
    std::optional<std::string> pending = wine.PendingFileRenames();
    EXPECT_TRUE(!pending || pending->find("notes") == std::string::npos) << *pending;
}
