#include "harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace e2e {

namespace {

const char* const kWine = "/usr/lib/wine/wine64";
const char* const kWineserver = "/usr/lib/wine/wineserver";
// Mono and Gecko would offer downloads, and menu entries are of no use here.
const char* const kDllOverrides = "mscoree,mshtml=;winemenubuilder.exe=d";

double Now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool HostExists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

void MakeDirs(const std::string& path) {
    std::string partial;
    std::stringstream in(path);
    std::string part;
    if (!path.empty() && path[0] == '/') partial = "";
    while (std::getline(in, part, '/')) {
        if (part.empty()) continue;
        partial += "/" + part;
        mkdir(partial.c_str(), 0755);
    }
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::string EscapeLine(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

// Starts a host program (no shell) with its output in `outFile` and no input.
pid_t StartHostProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                       const std::string& outFile, int openFlags) {
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(outFile.c_str(), O_WRONLY | O_CREAT | openFlags, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            close(fd);
        }
        int nul = open("/dev/null", O_RDONLY);
        if (nul >= 0) dup2(nul, 0);
        std::vector<char*> args, envp;
        for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        for (auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    return pid;
}

// Runs a host command (no shell) and waits; output to `outFile`.
int RunHost(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& outFile,
            int timeoutSeconds) {
    pid_t pid = StartHostProcess(argv, env, outFile, O_APPEND);
    if (pid < 0) return -1;
    double deadline = Now() + timeoutSeconds;
    int status = 0;
    for (;;) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) break;
        if (Now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        SleepMs(20);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> BaseEnv() {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string v = *e;
        if (v.rfind("WINEPREFIX=", 0) == 0 || v.rfind("WINEDEBUG=", 0) == 0 || v.rfind("DISPLAY=", 0) == 0 ||
            v.rfind("WINEDLLOVERRIDES=", 0) == 0 || v.rfind("WINESERVER=", 0) == 0 || v.rfind("WINEARCH=", 0) == 0 ||
            v.rfind("WINEDLLPATH=", 0) == 0)
            continue;
        env.push_back(v);
    }
    env.push_back("WINEDEBUG=-all");
    env.push_back(std::string("WINEDLLOVERRIDES=") + kDllOverrides);
    // Booting and every run need it: wine64 looks up the 32-bit DLLs there.
    if (BuildUnderTest() == BuildKind::Win32) env.push_back("WINEDLLPATH=" + Wow64DllDir());
    return env;
}

// "C:\windows\system32\x" as a 32-bit program sees it: Windows redirects the
// system directory of a 32-bit process to syswow64.
std::string RedirectSystemDirectory(const std::string& winPath) {
    const std::string system = "c:\\windows\\system32";
    std::string lower = Lower(winPath);
    if (lower.compare(0, system.size(), system) != 0) return winPath;
    if (lower.size() > system.size() && lower[system.size()] != '\\') return winPath;
    return winPath.substr(0, system.size() - 8) + "syswow64" + winPath.substr(system.size());
}

// The machine field of a PE file's header (0x14c i386, 0x8664 x86_64), 0 if none.
unsigned PeMachine(const std::string& image) {
    if (image.size() < 0x40 || image.compare(0, 2, "MZ") != 0) return 0;
    size_t pe = static_cast<unsigned char>(image[0x3c]) | static_cast<unsigned char>(image[0x3d]) << 8 |
                static_cast<size_t>(static_cast<unsigned char>(image[0x3e])) << 16;
    if (pe + 6 > image.size() || image.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return 0;
    return static_cast<unsigned char>(image[pe + 4]) | static_cast<unsigned char>(image[pe + 5]) << 8;
}

// One Xvfb per test process, ended with the process (also if the process dies).
class Display {
public:
    ~Display() { Stop(); }

    const std::string& Name() {
        if (name_.empty()) Start();
        return name_;
    }

private:
    void Start() {
        std::string dir = E2eWorkDir() + "/displays";
        MakeDirs(dir);
        std::string numberFile = dir + "/xvfb-" + std::to_string(getpid()) + ".display";
        std::string logFile = dir + "/xvfb-" + std::to_string(getpid()) + ".log";
        unlink(numberFile.c_str());
        int fd = open(numberFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t parent = getpid();
        pid_t pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent) _exit(1);
            int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (log >= 0) {
                dup2(log, 1);
                dup2(log, 2);
            }
            // -displayfd: Xvfb picks a free display number itself and writes it.
            std::string fdText = std::to_string(fd);
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
                  "tcp", "-nolisten", "unix", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fd);
        pid_ = pid;
        for (int i = 0; i < 500; ++i) {
            std::string text = ReadHostFile(numberFile);
            if (!text.empty() && text.back() == '\n') {
                name_ = ":" + Trim(text);
                return;
            }
            SleepMs(20);
        }
        throw std::runtime_error("Xvfb did not start; see " + logFile);
    }

    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status;
            for (int i = 0; i < 100 && waitpid(pid_, &status, WNOHANG) == 0; ++i) SleepMs(20);
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, WNOHANG);
            pid_ = -1;
        }
    }

    std::string name_;
    pid_t pid_ = -1;
};

Display& TheDisplay() {
    static Display display;
    return display;
}

std::string SafeName(const std::string& s) {
    std::string out;
    for (char c : s) out += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') ? c : '_';
    return out;
}

}  // namespace

// ---- The build under test -----------------------------------------------------

BuildKind BuildUnderTest() {
    const char* env = std::getenv("E2E_BUILD");
    if (env == nullptr || *env == '\0' || std::string(env) == "win64") return BuildKind::Win64;
    if (std::string(env) == "win32") return BuildKind::Win32;
    throw std::runtime_error(std::string("E2E_BUILD is \"") + env + "\"; win64 or win32");
}

// ---- Transcripts --------------------------------------------------------------

std::string WithoutDrawing(const std::string& transcript) {
    std::string out;
    std::istringstream in(transcript);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("icon: ", 0) == 0) {
            line = "icon: -";
        } else if (line.rfind("progress: ", 0) == 0) {
            size_t rect = line.find("; rect=");
            if (rect != std::string::npos) {
                size_t hidden = line.find("; hidden", rect);
                line = line.substr(0, rect) + (hidden == std::string::npos ? "" : line.substr(hidden));
            }
        }
        out += line + "\n";
    }
    return out;
}

std::string Transcript(const std::vector<Box>& boxes) {
    std::string out;
    for (const Box& b : boxes) {
        out += "caption: " + EscapeLine(b.caption) + "\n";
        out += "text: " + EscapeLine(b.text) + "\n";
        out += "buttons: " + b.buttons + "\n";
        out += "icon: " + b.icon + "\n";
        out += "answer: " + b.answer + "\n";
        out += "progress: " + b.progress + "\n\n";
    }
    return BuildUnderTest() == BuildKind::Win32 ? WithoutDrawing(out) : out;
}

Box OkBox(const std::string& caption, const std::string& text, const std::string& progress) {
    return Box{caption, text, "OK", "none", "OK", progress};
}

Box StopBox(const std::string& caption, const std::string& text, const std::string& progress) {
    return Box{caption, text, "OK", "stop", "OK", progress};
}

Box QuestionBox(const std::string& caption, const std::string& text, const std::string& answer,
                const std::string& progress) {
    return Box{caption, text, "YesNo", "question", answer, progress};
}

// ---- Paths --------------------------------------------------------------------

std::string Win64Dir() {
    const char* env = std::getenv("SETUP_E2E_WIN64_DIR");
    if (env != nullptr && *env != '\0') return env;
    return SETUP_E2E_WIN64_DIR;
}

std::string BuildDir() {
    if (BuildUnderTest() == BuildKind::Win64) return Win64Dir();
    const char* env = std::getenv("SETUP_E2E_WIN32_DIR");
    if (env != nullptr && *env != '\0') return env;
    return SETUP_E2E_WIN32_DIR;
}

std::string Wow64DllDir() {
    const char* env = std::getenv("SETUP_E2E_WOW64_DIR");
    std::string dir = env != nullptr && *env != '\0' ? env : SETUP_E2E_WOW64_DIR;
    if (!HostExists(dir + "/i386-windows/ntdll.dll"))
        throw std::runtime_error("no 32-bit Windows DLLs in " + dir + "/i386-windows (run scripts/install-deps.sh)");
    return dir;
}

std::string TestBinary(const std::string& name) {
    return BuildDir() + "/e2e/" + name;
}

std::string SampleMediumDir() {
    return BuildDir() + "/sample/medium";
}

std::string E2eWorkDir() {
    std::string dir = SETUP_E2E_WORK_DIR;
    MakeDirs(dir);
    return dir;
}

std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string RunHostCommand(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
    return output;
}

void WriteHostFile(const std::string& path, const std::string& content) {
    size_t slash = path.rfind('/');
    if (slash != std::string::npos) MakeDirs(path.substr(0, slash));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string EnsureTemplatePrefix(bool fresh) {
    std::string work = E2eWorkDir();
    // A 32-bit prefix has its syswow64 filled at boot, from the WoW64 DLLs.
    std::string suffix = BuildUnderTest() == BuildKind::Win32 ? "-win32" : "";
    std::string dir = work + "/template-prefix" + suffix;
    std::string stamp = dir + "/.e2e-ready";
    int lock = open((work + "/template" + suffix + ".lock").c_str(), O_RDWR | O_CREAT, 0644);
    if (lock < 0) throw std::runtime_error("cannot open the template lock");
    flock(lock, LOCK_EX);
    struct Unlock {
        int fd;
        ~Unlock() {
            flock(fd, LOCK_UN);
            close(fd);
        }
    } unlock{lock};

    if (!fresh && HostExists(stamp)) return dir;

    std::string tmp = dir + ".tmp";
    std::string log = work + "/template-boot" + suffix + ".log";
    unlink(log.c_str());
    RunHost({"/bin/rm", "-rf", dir, tmp}, BaseEnv(), log, 300);
    std::vector<std::string> env = BaseEnv();
    env.push_back("WINEPREFIX=" + tmp);
    // No display while booting: nothing is shown.
    if (RunHost({kWine, "wineboot", "--init"}, env, log, 240) != 0)
        throw std::runtime_error("wineboot --init failed; see " + log);
    // A crashing program must not leave a dialog that waits for somebody.
    RunHost({kWine, "reg", "add", "HKCU\\Software\\Wine\\WineDbg", "/v", "ShowCrashDialog", "/t", "REG_DWORD", "/d",
             "0", "/f"},
            env, log, 120);
    RunHost({kWineserver, "-w"}, env, log, 120);
    RunHost({kWineserver, "-k"}, env, log, 60);
    if (rename(tmp.c_str(), dir.c_str()) != 0) throw std::runtime_error("cannot move the template prefix into place");
    WriteHostFile(stamp, "booted\n");
    return dir;
}

// ---- WineCase -------------------------------------------------------------------

WineCase::WineCase(const std::string& windowsVersion) {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name() : "adhoc";
    // The 32-bit run of a case may run beside its 64-bit run.
    caseDir_ = E2eWorkDir() + (BuildUnderTest() == BuildKind::Win32 ? "/cases-win32/" : "/cases/") + SafeName(name);
    try {
        Prepare(windowsVersion);
    } catch (...) {
        KillServer();
        throw;
    }
}

void WineCase::Prepare(const std::string& windowsVersion) {
    RunHost({"/bin/rm", "-rf", caseDir_}, BaseEnv(), "/dev/null", 300);
    MakeDirs(caseDir_ + "/logs");
    Mark("start");
    std::string templ = EnsureTemplatePrefix(false);
    display_ = TheDisplay().Name();
    Mark("display " + display_);
    prefix_ = caseDir_ + "/prefix";
    if (RunHost({"/bin/cp", "-a", templ, prefix_}, BaseEnv(), caseDir_ + "/logs/copy.log", 300) != 0)
        throw std::runtime_error("cannot copy the template prefix");
    unlink((prefix_ + "/.e2e-ready").c_str());
    Mark("prefix copied");

    if (windowsVersion != "default") {
        // HKCU\Software\Wine "Version", written into the copied hive before the
        // server loads it: the same as `reg add`, without one more Wine process.
        std::ofstream hive(prefix_ + "/user.reg", std::ios::app | std::ios::binary);
        hive << "\n[Software\\\\Wine] 1700000000\n\"Version\"=\"" << windowsVersion << "\"\n";
        if (!hive) throw std::runtime_error("cannot set the Windows version");
    }

    // The prefix's own server, kept up for the whole case: if it ended between the
    // setup run and the checks, its next start would carry out staged renames.
    std::string out = NextLog("wineserver-start");
    int pid = Spawn({kWineserver, "-p"}, out);
    Wait(pid, 60, out);

    MakeDirs(HostPath("C:\\e2e"));
    MakeDirs(HostPath("C:\\medium"));
    std::string setupExe = BuildDir() + "/SETUP.EXE";
    std::string image = ReadHostFile(setupExe);
    unsigned machine = BuildUnderTest() == BuildKind::Win32 ? 0x14c : 0x8664;
    if (PeMachine(image) != machine) throw std::runtime_error("no SETUP.EXE of the build under test at " + setupExe);
    WriteHostFile(HostPath("C:\\medium\\SETUP.EXE"), image);
    // The 64-bit watcher reads the boxes of either build.
    std::string watcher = Win64Dir() + "/e2e/e2e_watcher.exe";
    if (!HostExists(watcher)) throw std::runtime_error("no watcher at " + watcher + " (build the win64 preset)");
    WriteHostFile(HostPath("C:\\e2e\\e2e_watcher.exe"), ReadHostFile(watcher));
}

WineCase::~WineCase() {
    KillServer();
    for (int pid : helpers_) {
        int status;
        for (int i = 0; i < 250 && waitpid(pid, &status, WNOHANG) == 0; ++i) SleepMs(20);
        if (waitpid(pid, &status, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
    }
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    bool passed = info == nullptr || !info->result()->Failed();
    const char* keep = std::getenv("E2E_KEEP");
    if (passed && (keep == nullptr || *keep == '\0' || *keep == '0'))
        RunHost({"/bin/rm", "-rf", prefix_}, BaseEnv(), "/dev/null", 300);
}

std::vector<std::string> WineCase::WineEnv() const {
    std::vector<std::string> env = BaseEnv();
    env.push_back("WINEPREFIX=" + prefix_);
    env.push_back("DISPLAY=" + display_);
    return env;
}

void WineCase::Mark(const std::string& what) {
    if (caseDir_.empty()) return;
    if (startTime_ == 0) startTime_ = Now();
    char line[64];
    std::snprintf(line, sizeof line, "%8.3f ", Now() - startTime_);
    std::ofstream(caseDir_ + "/timing.log", std::ios::app) << line << what << "\n";
}

std::string WineCase::NextLog(const std::string& what) {
    char n[16];
    std::snprintf(n, sizeof n, "%03d-", ++logCounter_);
    Mark(n + what);
    return caseDir_ + "/logs/" + n + SafeName(what) + ".log";
}

int WineCase::Spawn(const std::vector<std::string>& argv, const std::string& outFile) {
    std::vector<std::string> env = WineEnv();
    return StartHostProcess(argv, env, outFile, O_TRUNC);
}

ProcessResult WineCase::Wait(int pid, int timeoutSeconds, const std::string& outFile) {
    ProcessResult r;
    r.outputFile = outFile;
    double start = Now();
    int status = 0;
    for (;;) {
        pid_t w = waitpid(pid, &status, WNOHANG);
        if (w == pid) {
            r.finished = true;
            r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (w < 0) break;
        if (Now() - start > timeoutSeconds) {
            // Hung: end this prefix's processes only, then the one we started.
            KillServer();
            for (int i = 0; i < 500 && waitpid(pid, &status, WNOHANG) == 0; ++i) SleepMs(20);
            kill(pid, SIGKILL);
            waitpid(pid, &status, WNOHANG);
            break;
        }
        SleepMs(20);
    }
    r.seconds = Now() - start;
    return r;
}

void WineCase::KillServer() {
    if (serverStopped_ || prefix_.empty()) return;
    serverStopped_ = true;
    Mark("stopping the server");
    std::vector<std::string> env = WineEnv();
    RunHost({kWineserver, "-k"}, env, caseDir_ + "/logs/wineserver-kill.log", 60);
    RunHost({kWineserver, "-w"}, env, caseDir_ + "/logs/wineserver-kill.log", 30);
    Mark("server stopped");
}

ProcessResult WineCase::RunWine(const std::vector<std::string>& args, int timeoutSeconds) {
    std::vector<std::string> argv{kWine};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out = NextLog(args.empty() ? "wine" : args[0]);
    int pid = Spawn(argv, out);
    return Wait(pid, timeoutSeconds, out);
}

Helper WineCase::StartHelper(const std::vector<std::string>& args) {
    std::vector<std::string> argv{kWine};
    argv.insert(argv.end(), args.begin(), args.end());
    Helper h;
    h.pid = Spawn(argv, NextLog("helper"));
    helpers_.push_back(h.pid);
    return h;
}

Helper WineCase::HoldFile(const std::string& winPath, const std::string& share) {
    // Rewriting the program under a holder that runs already would end that holder.
    if (!Exists("C:\\e2e\\e2e_holdfile.exe")) PutTestBinary("C:\\e2e\\e2e_holdfile.exe", "e2e_holdfile.exe");
    std::string held = HostPath(winPath + ".held");
    unlink(held.c_str());
    Helper h = StartHelper({"C:\\e2e\\e2e_holdfile.exe", winPath, share});
    for (int i = 0; i < 6000 && !HostExists(held); ++i) SleepMs(20);
    if (!HostExists(held)) throw std::runtime_error("the file holder did not take " + winPath);
    return h;
}

void WineCase::ReleaseFile(const std::string& winPath) {
    std::string held = HostPath(winPath + ".held");
    WriteHostFile(HostPath(winPath + ".release"), "");
    for (int i = 0; i < 500 && HostExists(held); ++i) SleepMs(20);
}

std::string WineCase::HostPath(const std::string& winPath) const {
    std::string p = BuildUnderTest() == BuildKind::Win32 ? RedirectSystemDirectory(winPath) : winPath;
    std::replace(p.begin(), p.end(), '\\', '/');
    if (p.size() >= 2 && p[1] == ':') {
        if (std::tolower(static_cast<unsigned char>(p[0])) != 'c')
            throw std::runtime_error("only drive C is mapped: " + winPath);
        p = p.substr(2);
    }
    std::string host = prefix_ + "/drive_c";
    std::stringstream in(p);
    std::string part;
    bool exists = true;
    while (std::getline(in, part, '/')) {
        if (part.empty()) continue;
        std::string next = host + "/" + part;
        if (exists && !HostExists(next)) {
            // Windows names ignore case: take an existing entry that matches.
            exists = false;
            if (DIR* d = opendir(host.c_str())) {
                while (dirent* e = readdir(d)) {
                    if (Lower(e->d_name) == Lower(part)) {
                        next = host + "/" + e->d_name;
                        exists = true;
                        break;
                    }
                }
                closedir(d);
            }
        }
        host = next;
    }
    return host;
}

void WineCase::SetupInf(const std::string& text) {
    MediumFile("SETUP.INF", text);
}

void WineCase::MediumFile(const std::string& name, const std::string& content) {
    PutFile(std::string(kMedium) + name, content);
}

void WineCase::MediumTestBinary(const std::string& name, const std::string& binary) {
    PutTestBinary(std::string(kMedium) + name, binary);
}

void WineCase::UseMedium(const std::string& hostDir) {
    DIR* d = opendir(hostDir.c_str());
    if (d == nullptr)
        throw std::runtime_error("no medium at " + hostDir + " (build the preset of the build under test)");
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        MediumFile(name, ReadHostFile(hostDir + "/" + name));
    }
    closedir(d);
}

void WineCase::PutFile(const std::string& winPath, const std::string& content) {
    WriteHostFile(HostPath(winPath), content);
}

void WineCase::PutTestBinary(const std::string& winPath, const std::string& binary) {
    std::string src = TestBinary(binary);
    if (!HostExists(src))
        throw std::runtime_error("test binary missing: " + src + " (build the preset of the build under test)");
    WriteHostFile(HostPath(winPath), ReadHostFile(src));
}

bool WineCase::Exists(const std::string& winPath) const {
    return HostExists(HostPath(winPath));
}

std::optional<std::string> WineCase::ReadFile(const std::string& winPath) const {
    std::string host = HostPath(winPath);
    if (!HostExists(host)) return std::nullopt;
    return ReadHostFile(host);
}

std::vector<std::string> WineCase::ListDir(const std::string& winDir, const std::string& glob) const {
    std::vector<std::string> names;
    if (DIR* d = opendir(HostPath(winDir).c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n == "." || n == "..") continue;
            if (fnmatch(glob.c_str(), n.c_str(), FNM_CASEFOLD) == 0) names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void WineCase::ImportReg(const std::string& regText) {
    ImportRegView(regText, BuildUnderTest() == BuildKind::Win32 ? "32" : "64");
}

void WineCase::ImportRegView(const std::string& regText, const std::string& view) {
    static int counter = 0;
    std::string name = "C:\\e2e\\fixture" + std::to_string(++counter) + ".reg";
    std::string text = regText;
    if (text.rfind("REGEDIT4", 0) != 0 && text.rfind("Windows Registry Editor", 0) != 0) text = "REGEDIT4\n\n" + text;
    PutFile(name, text);
    ProcessResult r = RunWine({"reg", "import", name, "/reg:" + view});
    if (r.exitCode != 0) throw std::runtime_error("reg import failed; see " + r.outputFile);
}

std::optional<std::string> WineCase::RegQuery(const std::string& key, const std::string& value) {
    ProcessResult r =
        RunWine({"reg", "query", key, "/v", value, BuildUnderTest() == BuildKind::Win32 ? "/reg:32" : "/reg:64"});
    if (!r.finished || r.exitCode != 0) return std::nullopt;
    std::stringstream in(ReadHostFile(r.outputFile));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // "    Name    REG_SZ    data"
        std::string t = line;
        size_t b = t.find_first_not_of(' ');
        if (b == std::string::npos) continue;
        t = t.substr(b);
        if (Lower(t.substr(0, value.size())) != Lower(value)) continue;
        size_t typePos = t.find("    REG_", value.size());
        if (typePos != value.size()) continue;
        size_t dataPos = t.find("    ", typePos + 4);
        if (dataPos == std::string::npos) return std::string();
        return t.substr(dataPos + 4);
    }
    return std::nullopt;
}

std::optional<std::string> WineCase::PendingFileRenames() {
    return RegQuery("HKLM\\System\\CurrentControlSet\\Control\\Session Manager", "PendingFileRenameOperations");
}

std::optional<std::string> WineCase::IniValue(const std::string& winPath, const std::string& section,
                                              const std::string& key) const {
    std::optional<std::string> text = ReadFile(winPath);
    if (!text) return std::nullopt;
    std::stringstream in(*text);
    std::string line;
    bool inSection = false, seenSection = false;
    while (std::getline(in, line)) {
        std::string t = Trim(line);
        if (!t.empty() && t[0] == '[') {
            size_t close = t.find(']');
            std::string name = Lower(Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
            if (inSection) return std::nullopt;  // only the first such section counts
            inSection = !seenSection && name == Lower(section);
            seenSection = seenSection || inSection;
            continue;
        }
        if (!inSection) continue;
        size_t eq = t.find('=');
        if (eq == std::string::npos) continue;
        if (Lower(Trim(t.substr(0, eq))) == Lower(key)) return Trim(t.substr(eq + 1));
    }
    return std::nullopt;
}

void WineCase::ArmRestartMarker() {
    PutTestBinary("C:\\e2e\\e2e_probe.exe", "e2e_probe.exe");
    // The restart (64-bit wineboot) reads the 64-bit view.
    ImportRegView(
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce]\n"
        "\"e2e-restart-marker\"=\"C:\\\\e2e\\\\e2e_probe.exe --out=C:\\\\e2e\\\\restarted.txt\"\n",
        "64");
}

bool WineCase::RestartHappened() const {
    // RunOnce entries run asynchronously to the restart; give the marker a moment.
    for (int i = 0; i < 250; ++i) {
        if (Exists("C:\\e2e\\restarted.txt")) return true;
        SleepMs(20);
    }
    return false;
}

ProcessResult WineCase::RebootWindows() {
    return RunWine({"wineboot", "-r"}, 120);
}

SetupRun WineCase::RunSetup(const SetupOptions& options) {
    SetupRun run;
    std::string transcript = "C:\\e2e\\transcript.txt", ready = "C:\\e2e\\watcher.ready", done = "C:\\e2e\\setup.done";
    unlink(HostPath(transcript).c_str());
    unlink(HostPath(ready).c_str());
    unlink(HostPath(done).c_str());
    std::string answers;
    for (const std::string& a : options.answers) answers += (answers.empty() ? "" : ",") + a;

    std::vector<std::string> watcherArgs{kWine,
                                         "C:\\e2e\\e2e_watcher.exe",
                                         "--transcript=" + transcript,
                                         "--ready=" + ready,
                                         "--done=" + done,
                                         "--answers=" + answers,
                                         "--image=" + (options.watchedImage.empty()
                                                           ? options.program.substr(options.program.rfind('\\') + 1)
                                                           : options.watchedImage)};
    if (!options.snapBase.empty()) watcherArgs.push_back("--snap=" + options.snapBase);
    if (options.reportWindows) watcherArgs.push_back("--windows");
    std::string watcherLog = NextLog("watcher");
    int watcher = Spawn(watcherArgs, watcherLog);
    for (int i = 0; i < 6000 && !HostExists(HostPath(ready)); ++i) SleepMs(20);  // 120 s: a loaded machine
    Mark("watcher ready");
    if (!HostExists(HostPath(ready))) {
        ADD_FAILURE() << "the watcher did not start; see " << watcherLog;
        Wait(watcher, 5, watcherLog);
        return run;
    }

    std::vector<std::string> setupArgs{kWine, options.program};
    if (!options.commandTail.empty()) {
        // wine64 would quote an argument with blanks again: the launcher passes
        // the command line exactly as written.
        PutTestBinary("C:\\e2e\\e2e_launch.exe", "e2e_launch.exe");
        PutFile("C:\\e2e\\cmdline.txt", options.program + " " + options.commandTail);
        setupArgs = {kWine, "C:\\e2e\\e2e_launch.exe", "C:\\e2e\\cmdline.txt"};
    }
    std::string setupLog = NextLog("setup");
    int setup = Spawn(setupArgs, setupLog);
    run.setup = Wait(setup, options.timeoutSeconds, setupLog);
    Mark("setup ended");
    if (!run.setup.finished && options.failOnTrouble)
        ADD_FAILURE() << "SETUP.EXE did not end within " << options.timeoutSeconds << " s; transcript so far:\n"
                      << ReadHostFile(HostPath(transcript));

    WriteHostFile(HostPath(done), "");
    ProcessResult w = Wait(watcher, 20, watcherLog);
    run.watcherFinished = w.finished;
    Mark("watcher ended");
    run.transcript = ReadHostFile(HostPath(transcript));
    WriteHostFile(caseDir_ + "/transcript.txt", run.transcript);
    if (BuildUnderTest() == BuildKind::Win32) run.transcript = WithoutDrawing(run.transcript);
    if (run.Unexpected() && options.failOnTrouble)
        ADD_FAILURE() << "a message box was not covered by the answers:\n" << run.transcript;
    return run;
}

}  // namespace e2e
