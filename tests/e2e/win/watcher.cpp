// Watches the message boxes of the setup under test, writes what the user would
// have seen to a transcript and answers each box from a list given by the test.
//
//   e2e_watcher.exe --transcript=C:\e2e\transcript.txt --answers=Yes,No,OK
//                   --ready=C:\e2e\watcher.ready --done=C:\e2e\setup.done
//                   [--image=SETUP.EXE] [--snap=C:\e2e\snap] [--windows]
//                   [--linger=SECONDS --running=C:\e2e\running.txt]
//
// --windows also writes "window: CAPTION" once for every other dialog window of the
// watched process that becomes visible (the progress window), for runs that must
// show nothing at all.
// --answers=* answers Yes to every question and OK to every report.
// It writes the ready file once it watches, and ends once the done file exists
// (the harness creates it after the setup process ended). With --snap, the first
// box shown while the progress window is up is held: <snap>.ready is written and
// the box is answered once <snap>.go exists (at most 30 s), so that a screenshot
// can be taken.
//
// --image=* watches every program of the prefix but Wine's own and the watcher:
// each block then starts with "program: NAME", and the other windows the programs
// show get a block of their own ("window: CAPTION", "class: NAME"). With --linger,
// once the done file exists the watch goes on while programs that were not running
// when the watch began are still alive, at most SECONDS; those still alive then are
// written to the running file, one "PATH<tab>SECONDS" line each, and ended.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

struct Options {
    std::string transcript;
    std::string ready;
    std::string done;
    std::string image = "SETUP.EXE";
    std::string snap;
    std::string running;
    int lingerSeconds = 0;
    bool windows = false;
    std::vector<std::string> answers;
    bool EveryProgram() const { return image == "*"; }
};

std::string ArgValue(const char* arg, const char* name) {
    size_t n = std::strlen(name);
    if (std::strncmp(arg, name, n) == 0) return arg + n;
    return {};
}

std::vector<std::string> SplitList(const std::string& list) {
    std::vector<std::string> items;
    std::string item;
    for (char c : list) {
        if (c == ',') {
            if (!item.empty()) items.push_back(item);
            item.clear();
        } else {
            item += c;
        }
    }
    if (!item.empty()) items.push_back(item);
    return items;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void TouchFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c == '\\') out += "\\\\";
        else out += c;
    }
    return out;
}

// Every running process by id, with its image's file name.
std::map<DWORD, std::string> RunningProcesses() {
    std::map<DWORD, std::string> names;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return names;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32First(snap, &entry); ok; ok = Process32Next(snap, &entry)) {
        const char* name = entry.szExeFile;
        const char* slash = std::strrchr(name, '\\');
        if (slash != nullptr) name = slash + 1;
        names[entry.th32ProcessID] = name;
    }
    CloseHandle(snap);
    return names;
}

// Wine's own programs, started when the prefix boots or on first use (the desktop,
// a console): never the program under test.
bool IsWineProgram(const std::string& name) {
    static const char* const kOwn[] = {"explorer.exe", "services.exe", "winedevice.exe", "plugplay.exe",
                                       "svchost.exe",  "rpcss.exe",    "conhost.exe",    "start.exe",
                                       "wineboot.exe", "winemenubuilder.exe", "tabtip.exe", "e2e_watcher.exe"};
    for (const char* own : kOwn)
        if (lstrcmpiA(name.c_str(), own) == 0) return true;
    return false;
}

// The full path of a running program's image, or its file name when it cannot be read.
std::string ImagePath(DWORD pid, const std::string& name) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) return name;
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof path;
    std::string result = QueryFullProcessImageNameA(process, 0, path, &size) ? path : name;
    CloseHandle(process);
    return result;
}

struct Dialog {
    HWND hwnd;
    DWORD pid;
};

struct Collection {
    std::vector<Dialog> dialogs;
    std::vector<Dialog> others;  // visible top-level windows that are no dialogs
};

BOOL CALLBACK CollectDialog(HWND hwnd, LPARAM param) {
    auto* found = reinterpret_cast<Collection*>(param);
    auto* dialogs = &found->dialogs;
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0) {
        if (!IsWindowVisible(hwnd)) return TRUE;
        dialogs = &found->others;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    dialogs->push_back({hwnd, pid});
    return TRUE;
}

std::string ControlText(HWND control) {
    char buf[2048] = {};
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, 20000,
                             &result))
        return "<no answer>";
    return buf;
}

std::string WindowCaption(HWND hwnd) {
    char buf[1024] = {};
    GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

bool IsMessageBox(HWND hwnd) {
    return GetDlgItem(hwnd, 0xFFFF) != nullptr &&
           (GetDlgItem(hwnd, IDOK) != nullptr || GetDlgItem(hwnd, IDYES) != nullptr ||
            GetDlgItem(hwnd, IDNO) != nullptr || GetDlgItem(hwnd, IDCANCEL) != nullptr);
}

bool IsProgressWindow(HWND hwnd) {
    return !IsMessageBox(hwnd) && GetDlgItem(hwnd, 101) != nullptr && GetDlgItem(hwnd, 102) != nullptr;
}

std::string Buttons(HWND box) {
    // A dialog of a program's own with buttons a message box never has (the
    // remover's "Yes to All"): each button named by its text, in the order shown.
    std::string named;
    bool others = false;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = "";
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Button") != 0) continue;
        int id = GetDlgCtrlID(child);
        others = others || (id != IDYES && id != IDNO && id != IDOK && id != IDCANCEL);
        char label[64] = "";
        GetWindowTextA(child, label, sizeof label);
        if (!named.empty()) named += ", ";
        for (const char* c = label; *c != '\0'; ++c)
            if (*c != '&') named += *c;
    }
    if (others) return named;
    std::string out;
    if (GetDlgItem(box, IDYES)) out += "Yes";
    if (GetDlgItem(box, IDNO)) out += "No";
    if (GetDlgItem(box, IDOK)) out += "OK";
    if (GetDlgItem(box, IDCANCEL)) out += "Cancel";
    return out;
}

// The icon static of another process cannot be asked for its icon's bits, so the
// icon is told by its picture: the static's pixels on the screen are compared with
// the stock question and stop icons drawn on the same background.
long long PictureDistance(HDC screen, const RECT& r, HICON icon) {
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return -1;
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* shotBits = nullptr;
    void* drawBits = nullptr;
    HBITMAP shot = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &shotBits, nullptr, 0);
    HBITMAP drawn = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &drawBits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, shot);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    // Background: the shot's top-left pixel (the icon does not reach the corner).
    COLORREF bg = GetPixel(mem, 0, 0);
    SelectObject(mem, drawn);
    HBRUSH brush = CreateSolidBrush(bg);
    RECT all = {0, 0, w, h};
    FillRect(mem, &all, brush);
    DeleteObject(brush);
    DrawIconEx(mem, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    GdiFlush();
    long long distance = 0;
    auto* a = static_cast<const unsigned char*>(shotBits);
    auto* b = static_cast<const unsigned char*>(drawBits);
    for (int i = 0; i < w * h * 4; ++i) {
        if (i % 4 == 3) continue;
        int d = int(a[i]) - int(b[i]);
        distance += d < 0 ? -d : d;
    }
    SelectObject(mem, old);
    DeleteObject(shot);
    DeleteObject(drawn);
    DeleteDC(mem);
    return distance;
}

std::string IconKind(HWND box) {
    HWND icon = GetDlgItem(box, 1088);
    if (icon == nullptr || !IsWindowVisible(icon)) return "none";
    // A box without an icon style may still have the static, with no icon set.
    DWORD_PTR handle = 0;
    if (!SendMessageTimeoutA(icon, STM_GETICON, 0, 0, SMTO_NORMAL, 20000, &handle) || handle == 0) return "none";
    // A box that is still being painted matches nothing yet: look again a little
    // later before settling on the nearest picture.
    std::string kind;
    for (int attempt = 0; attempt < 50; ++attempt) {
        RECT r;
        GetWindowRect(icon, &r);
        HDC screen = GetDC(nullptr);
        long long question = PictureDistance(screen, r, LoadIcon(nullptr, IDI_QUESTION));
        long long stop = PictureDistance(screen, r, LoadIcon(nullptr, IDI_HAND));
        long long warning = PictureDistance(screen, r, LoadIcon(nullptr, IDI_EXCLAMATION));
        long long info = PictureDistance(screen, r, LoadIcon(nullptr, IDI_ASTERISK));
        ReleaseDC(nullptr, screen);
        long long best = question;
        kind = "question";
        if (stop < best) best = stop, kind = "stop";
        if (warning < best) best = warning, kind = "warning";
        if (info < best) best = info, kind = "information";
        if (best == 0) return kind;
        Sleep(100);
    }
    return kind + "?";  // no exact match: the box was covered or drawn differently
}

std::string ProgressLine(const std::vector<HWND>& dialogs) {
    for (HWND w : dialogs) {
        if (!IsWindow(w) || !IsProgressWindow(w)) continue;
        RECT r;
        GetWindowRect(w, &r);
        char line[3000];
        std::snprintf(line, sizeof line, "caption=%s; label=%s; file=%s; rect=%ld,%ld,%ld,%ld; screen=%d,%d%s",
                      Escape(WindowCaption(w)).c_str(), Escape(ControlText(GetDlgItem(w, 101))).c_str(),
                      Escape(ControlText(GetDlgItem(w, 102))).c_str(), r.left, r.top, r.right - r.left,
                      r.bottom - r.top, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                      IsWindowVisible(w) ? "" : "; hidden");
        return line;
    }
    return "none";
}

int ButtonId(const std::string& answer) {
    if (answer == "Yes") return IDYES;
    if (answer == "No") return IDNO;
    if (answer == "OK") return IDOK;
    if (answer == "Cancel") return IDCANCEL;
    return 0;
}

void Press(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

class Watcher {
public:
    explicit Watcher(Options options) : options_(std::move(options)) {}

    int Run() {
        out_ = std::fopen(options_.transcript.c_str(), "wb");
        if (out_ == nullptr) return 2;
        for (const auto& p : RunningProcesses()) before_.insert(p.first);
        TouchFile(options_.ready);
        // The done file ends the watch; one more look afterwards catches a box that
        // came up in the same instant.
        for (;;) {
            bool done = FileExists(options_.done);
            Scan();
            if (done) break;
            Sleep(30);
        }
        if (options_.lingerSeconds > 0) Linger();
        std::fclose(out_);
        return 0;
    }

private:
    // Programs the setup started may outlive it: their boxes are still answered
    // while they run, up to the time given, and those left are named and ended so
    // that nothing of the run goes on unseen.
    void Linger() {
        DWORD start = GetTickCount();
        std::map<DWORD, std::string> left;
        for (;;) {
            left.clear();
            for (const auto& p : RunningProcesses())
                if (before_.count(p.first) == 0 && !IsWineProgram(p.second)) left.insert(p);
            if (left.empty() || GetTickCount() - start >= DWORD(options_.lingerSeconds) * 1000) break;
            Scan();
            Sleep(30);
        }
        FILE* running = options_.running.empty() ? nullptr : std::fopen(options_.running.c_str(), "wb");
        for (const auto& p : left) {
            if (running != nullptr)
                std::fprintf(running, "%s\t%d\n", ImagePath(p.first, p.second).c_str(), options_.lingerSeconds);
            HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, p.first);
            if (process == nullptr) continue;
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
        if (running != nullptr) std::fclose(running);
    }

    // Whether a process is watched; the names are refreshed at most once per scan.
    bool Watched(DWORD pid, bool& refreshed) {
        auto it = names_.find(pid);
        // Looked up again: a process id used again by another program, and a process
        // still starting, which may be listed without its image's name yet.
        if ((it == names_.end() || it->second.empty() || !WatchedName(it->second)) && !refreshed) {
            for (const auto& p : RunningProcesses()) names_[p.first] = p.second;
            refreshed = true;
            it = names_.find(pid);
        }
        return it != names_.end() && pid != GetCurrentProcessId() && WatchedName(it->second);
    }

    // The file name of a watched program's image, looked up again while unknown.
    std::string ProgramName(DWORD pid) {
        std::string& name = names_[pid];
        if (name.empty()) name = RunningProcesses()[pid];
        if (name.empty()) {
            std::string path = ImagePath(pid, "");
            name = path.substr(path.find_last_of('\\') + 1);
        }
        return name.empty() ? "(unknown)" : name;
    }

    bool WatchedName(const std::string& name) const {
        if (options_.EveryProgram()) return !IsWineProgram(name);
        return lstrcmpiA(name.c_str(), options_.image.c_str()) == 0;
    }

    void Scan() {
        // Dialogs first: the process list is asked for only when a window of a
        // process not yet known is up, which keeps the polling light for the setup
        // and the server.
        Collection all;
        EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&all));
        bool refreshed = false;
        std::vector<HWND> dialogs;
        std::map<HWND, DWORD> owner;
        for (const Dialog& d : all.dialogs) {
            if (!Watched(d.pid, refreshed)) continue;
            dialogs.push_back(d.hwnd);
            owner[d.hwnd] = d.pid;
        }
        for (HWND w : dialogs) {
            if (handled_.count(w) != 0 || !IsWindowVisible(w)) continue;
            if (IsMessageBox(w)) {
                Handle(w, dialogs, owner[w]);
                handled_.insert(w);
            } else if (options_.EveryProgram()) {
                RecordWindow(w, owner[w]);
            } else if (options_.windows) {
                std::fprintf(out_, "window: %s\n\n", WindowCaption(w).c_str());
                std::fflush(out_);
                handled_.insert(w);
            }
        }
        if (!options_.EveryProgram()) return;
        for (const Dialog& d : all.others)
            if (handled_.count(d.hwnd) == 0 && Watched(d.pid, refreshed)) RecordWindow(d.hwnd, d.pid);
    }

    // A window that is no message box, once, as it was when first seen.
    void RecordWindow(HWND w, DWORD pid) {
        char cls[64] = {};
        GetClassNameA(w, cls, sizeof cls);
        std::string kind = IsProgressWindow(w) ? std::string(cls) + " (the progress window)" : cls;
        std::fprintf(out_, "program: %s\nwindow: %s\nclass: %s\n\n", ProgramName(pid).c_str(),
                     Escape(WindowCaption(w)).c_str(), kind.c_str());
        std::fflush(out_);
        handled_.insert(w);
    }

    void Handle(HWND box, const std::vector<HWND>& dialogs, DWORD pid) {
        Sleep(60);  // let the box finish painting before its icon is looked at
        std::string caption = WindowCaption(box);
        std::string text = ControlText(GetDlgItem(box, 0xFFFF));
        std::string buttons = Buttons(box);
        std::string icon = IconKind(box);
        std::string progress = ProgressLine(dialogs);

        std::string answer;
        int id = 0;
        if (options_.answers.size() == 1 && options_.answers[0] == "*") {
            // Every question Yes, every report OK.
            id = GetDlgItem(box, IDYES) ? IDYES : IDOK;
            answer = id == IDYES ? "Yes" : "OK";
        } else if (next_ < options_.answers.size()) {
            answer = options_.answers[next_++];
            id = ButtonId(answer);
            if (id == 0 || GetDlgItem(box, id) == nullptr) {
                answer = "UNEXPECTED (wanted " + answer + ")";
                id = 0;
            }
        } else {
            answer = "UNEXPECTED";
        }
        if (id == 0) id = GetDlgItem(box, IDNO) ? IDNO : GetDlgItem(box, IDOK) ? IDOK : IDCANCEL;

        if (options_.EveryProgram()) std::fprintf(out_, "program: %s\n", ProgramName(pid).c_str());
        std::fprintf(out_, "caption: %s\ntext: %s\nbuttons: %s\nicon: %s\nanswer: %s\nprogress: %s\n\n",
                     Escape(caption).c_str(), Escape(text).c_str(), buttons.c_str(), icon.c_str(), answer.c_str(),
                     progress.c_str());
        std::fflush(out_);

        if (!options_.snap.empty() && !snapped_ && progress != "none") {
            snapped_ = true;
            TouchFile(options_.snap + ".ready");
            for (int i = 0; i < 1200 && !FileExists(options_.snap + ".go"); ++i) Sleep(25);
        }
        Press(box, id);
        for (int i = 0; i < 400 && IsWindow(box); ++i) Sleep(10);
    }

    Options options_;
    FILE* out_ = nullptr;
    std::set<HWND> handled_;
    std::map<DWORD, std::string> names_;  // image file names of the processes seen
    std::set<DWORD> before_;              // processes running when the watch began
    size_t next_ = 0;
    bool snapped_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string v;
        if (!(v = ArgValue(argv[i], "--transcript=")).empty()) options.transcript = v;
        else if (!(v = ArgValue(argv[i], "--ready=")).empty()) options.ready = v;
        else if (!(v = ArgValue(argv[i], "--done=")).empty()) options.done = v;
        else if (!(v = ArgValue(argv[i], "--image=")).empty()) options.image = v;
        else if (!(v = ArgValue(argv[i], "--snap=")).empty()) options.snap = v;
        else if (!(v = ArgValue(argv[i], "--running=")).empty()) options.running = v;
        else if (!(v = ArgValue(argv[i], "--linger=")).empty()) options.lingerSeconds = std::atoi(v.c_str());
        else if (std::strcmp(argv[i], "--windows") == 0) options.windows = true;
        else if (std::strncmp(argv[i], "--answers=", 10) == 0) options.answers = SplitList(argv[i] + 10);
        else {
            std::fprintf(stderr, "unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    if (options.transcript.empty() || options.ready.empty() || options.done.empty()) {
        std::fprintf(stderr, "usage: e2e_watcher --transcript=F --ready=F --done=F [--answers=Yes,No,OK]\n");
        return 2;
    }
    return Watcher(options).Run();
}
