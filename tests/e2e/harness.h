// End-to-end harness: runs the real SETUP.EXE under wine64 in a fresh prefix per
// case, on an Xvfb display of its own, with a watcher program that records and
// answers every message box. See tests/e2e/README.md.
#ifndef SETUP_E2E_HARNESS_H
#define SETUP_E2E_HARNESS_H

#include <optional>
#include <string>
#include <vector>

namespace e2e {

// ---- The build under test -----------------------------------------------------

// A test process runs one build's SETUP.EXE and test programs: the x86_64 build in
// wine64's own mode, or the shipped i686 build in Wine's WoW64 mode. E2E_BUILD in
// the environment chooses ("win64", the default, or "win32"); CTest runs the 32-bit
// set with "win32" (tests/e2e/CMakeLists.txt).
enum class BuildKind { Win64, Win32 };
BuildKind BuildUnderTest();

// ---- Expected transcripts ---------------------------------------------------

// One message box as the watcher records it. `progress` is "none" or
// "caption=...; label=...; file=...; rect=x,y,w,h; screen=w,h".
struct Box {
    std::string caption;
    std::string text;     // line feeds as they are; escaped when formatted
    std::string buttons;  // "OK", "YesNo"
    std::string icon;     // "none", "question", "stop"
    std::string answer;   // "OK", "Yes", "No", or "UNEXPECTED..."
    std::string progress = "none";
};

// The transcript text the watcher writes for these boxes, in order. For the 32-bit
// build it leaves out what WoW64 mode cannot draw (see WithoutDrawing).
std::string Transcript(const std::vector<Box>& boxes);
// Wine 8's WoW64 mode cannot measure text: a 32-bit program's boxes are drawn black
// and too small, so their icons and window geometry mean nothing. This keeps the
// texts, buttons, answers and progress labels, and puts "-" for the icon and drops
// the progress window's rect and screen size.
std::string WithoutDrawing(const std::string& transcript);
// Shorthands for the usual boxes.
Box OkBox(const std::string& caption, const std::string& text, const std::string& progress = "none");
Box StopBox(const std::string& caption, const std::string& text, const std::string& progress = "none");
Box QuestionBox(const std::string& caption, const std::string& text, const std::string& answer,
                const std::string& progress = "none");

// ---- Running Windows programs ------------------------------------------------

struct ProcessResult {
    bool finished = false;  // ended within its time limit
    int exitCode = -1;      // exit status of the wine64 process (a killed process: -1)
    double seconds = 0;
    std::string outputFile;  // where its stdout and stderr went
};

struct SetupRun {
    ProcessResult setup;
    // What the watcher wrote (also kept on a time-out); for the 32-bit build
    // WithoutDrawing of it, as Transcript() gives it.
    std::string transcript;
    bool watcherFinished = false;
    bool Unexpected() const { return transcript.find("answer: UNEXPECTED") != std::string::npos; }
};

struct SetupOptions {
    std::vector<std::string> answers;  // "Yes", "No", "OK" in the order the boxes come
    std::string commandTail;           // appended to the command line after one blank
    int timeoutSeconds = 120;
    std::string snapBase;  // Windows path: hold a box for a screenshot (see watcher.cpp)
    // The program under test and, from its file name, the process whose boxes are
    // watched. The harness's own tests and the remover's cases (UNINST.EXE) change it.
    std::string program = "C:\\medium\\SETUP.EXE";
    // The image whose boxes are watched when it is not `program` itself (a batch
    // file run by cmd.exe that starts the program under test).
    std::string watchedImage;
    // Off: a time-out or an uncovered box is left to the test to judge.
    bool failOnTrouble = true;
    // The transcript also names every other window of the watched process ("window:
    // CAPTION"), for runs that must show nothing at all.
    bool reportWindows = false;
};

// A background Windows process started in the case's prefix (for example a program
// that holds a file open). It ends with the prefix's server at the latest.
struct Helper {
    int pid = -1;
};

// One end-to-end case: a private copy of the booted template prefix with its own
// wineserver. The destructor stops that server and the display-side processes it
// started; the prefix is removed when the test passed (E2E_KEEP=1 keeps it).
class WineCase {
public:
    // `windowsVersion`: "default", "win95", "win98", "nt40", "nt351", "winxp".
    explicit WineCase(const std::string& windowsVersion = "default");
    ~WineCase();
    WineCase(const WineCase&) = delete;
    WineCase& operator=(const WineCase&) = delete;

    // The medium: C:\medium\ holds SETUP.EXE of the build under test.
    static constexpr const char* kMedium = "C:\\medium\\";
    void SetupInf(const std::string& text);  // writes C:\medium\SETUP.INF
    void MediumFile(const std::string& name, const std::string& content);
    void MediumTestBinary(const std::string& name, const std::string& binary);  // copy of a tests/e2e/win artefact
    // Every file of a host directory onto the medium, such as SampleMediumDir().
    void UseMedium(const std::string& hostDir);

    // Files anywhere on drive C (Windows paths such as "C:\\windows\\x.ini"), as
    // the build under test sees them: for the 32-bit build C:\windows\system32 is
    // the host's syswow64 directory.
    void PutFile(const std::string& winPath, const std::string& content);
    void PutTestBinary(const std::string& winPath, const std::string& binary);
    bool Exists(const std::string& winPath) const;
    std::optional<std::string> ReadFile(const std::string& winPath) const;
    // Files of a directory whose names match the glob (`*`, `?`), sorted.
    std::vector<std::string> ListDir(const std::string& winDir, const std::string& glob = "*") const;
    // The host path of a Windows path; existing components are matched without case.
    std::string HostPath(const std::string& winPath) const;

    // Registry, in the view of the build under test (for the 32-bit build
    // HKLM\Software is the 64-bit view's HKLM\Software\Wow6432Node).
    void ImportReg(const std::string& regText);  // text of a REGEDIT4 / version 5 .reg file
    // Data of one value as `reg query` shows it (REG_MULTI_SZ items joined by "\0"
    // as reg prints them), or nothing when the key or value is missing.
    std::optional<std::string> RegQuery(const std::string& key, const std::string& value);
    std::optional<std::string> PendingFileRenames();

    // INI files on the host side (first matching section and key, no case).
    std::optional<std::string> IniValue(const std::string& winPath, const std::string& section,
                                        const std::string& key) const;

    // Programs. `args` are passed as separate arguments to wine64.
    ProcessResult RunWine(const std::vector<std::string>& args, int timeoutSeconds = 120);
    Helper StartHelper(const std::vector<std::string>& args);
    // Starts the file holder on `winPath` and waits until the file is held.
    // `share`: "none" (no sharing) or "delete" (shares delete access).
    Helper HoldFile(const std::string& winPath, const std::string& share = "none");
    void ReleaseFile(const std::string& winPath);

    // Restart detection: RunOnce entry that a restart (ExitWindowsEx or
    // `wineboot -r`) carries out; RestartHappened() looks for its marker.
    void ArmRestartMarker();
    bool RestartHappened() const;
    ProcessResult RebootWindows();  // wineboot -r: carries out staged renames

    // Runs C:\medium\SETUP.EXE with the watcher answering boxes.
    SetupRun RunSetup(const SetupOptions& options = {});

    const std::string& CaseDir() const { return caseDir_; }
    const std::string& Prefix() const { return prefix_; }
    const std::string& Display() const { return display_; }

private:
    void Prepare(const std::string& windowsVersion);
    void ImportRegView(const std::string& regText, const std::string& view);
    std::vector<std::string> WineEnv() const;
    int Spawn(const std::vector<std::string>& argv, const std::string& outFile);
    ProcessResult Wait(int pid, int timeoutSeconds, const std::string& outFile);
    void KillServer();
    std::string NextLog(const std::string& what);
    void Mark(const std::string& what);  // timing.log of the case

    std::string caseDir_;
    std::string prefix_;
    std::string display_;
    std::vector<int> helpers_;
    int logCounter_ = 0;
    bool serverStopped_ = false;
    double startTime_ = 0;
};

// ---- Paths of the builds and the shared template --------------------------------

std::string BuildDir();                           // the build under test (SETUP.EXE, e2e/ test binaries, sample/)
std::string Win64Dir();                           // the win64 build: the watcher comes from it for both builds
std::string TestBinary(const std::string& name);  // host path of a tests/e2e/win artefact of BuildDir()
std::string SampleMediumDir();                    // the Sample Viewer medium of BuildDir() (sample/medium)
std::string E2eWorkDir();                         // <native build>/e2e
std::string Wow64DllDir();                        // WINEDLLPATH of 32-bit runs (scripts/install-deps.sh)
// Boots the build's template prefix if there is none yet (lock-protected); `fresh`
// replaces an existing one. Returns its path.
std::string EnsureTemplatePrefix(bool fresh = false);

// Small host-side helpers.
std::string ReadHostFile(const std::string& path);
// The standard output of a shell command run on the host (a native tool such as setupcheck).
std::string RunHostCommand(const std::string& command);
void WriteHostFile(const std::string& path, const std::string& content);

}  // namespace e2e

#endif
