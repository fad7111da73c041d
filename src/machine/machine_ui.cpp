// User interface: the string table and dialog template read from the resource
// script, wsprintfA, message boxes and the modeless dialog's windows.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "machine/machine_internal.h"
#include "machine/resource_sources.h"

namespace {

// --- the resource script ------------------------------------------------------------

// "../ui/shared_strings.rc" -> "shared_strings.rc": the built-in texts are named
// by their file names alone.
std::string FileNameOf(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const std::string& ResourceText(const std::string& name) {
    static std::map<std::string, std::string> texts;
    auto found = texts.find(name);
    if (found != texts.end()) return found->second;
    for (const ResourceSource* source = kResourceSources; source->Name != nullptr; ++source)
        if (name == source->Name) return texts[name] = source->Text;
    throw std::runtime_error("machine: no resource source " + name);
}

struct Token {
    bool isString;
    std::string text;
};

// Tokens of a resource script: quoted strings (with "" and backslash escapes
// resolved), words and numbers; commas, blanks and comments separate them.
std::vector<Token> Tokenise(const std::string& src) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < src.size()) {
        char c = src[i];
        if (isspace(static_cast<unsigned char>(c)) || c == ',') {
            ++i;
        } else if (c == '/' && i + 1 < src.size() && src[i + 1] == '/') {
            while (i < src.size() && src[i] != '\n') ++i;
        } else if (c == '/' && i + 1 < src.size() && src[i + 1] == '*') {
            size_t end = src.find("*/", i + 2);
            i = end == std::string::npos ? src.size() : end + 2;
        } else if (c == '"') {
            std::string text;
            ++i;
            while (i < src.size()) {
                char d = src[i];
                if (d == '"') {
                    if (i + 1 < src.size() && src[i + 1] == '"') {
                        text += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (d == '\\' && i + 1 < src.size()) {
                    char e = src[i + 1];
                    i += 2;
                    switch (e) {
                        case 'n':
                            text += '\n';
                            break;
                        case 't':
                            text += '\t';
                            break;
                        case 'r':
                            text += '\r';
                            break;
                        case 'a':
                            text += '\a';
                            break;
                        case '0':
                            text += '\0';
                            break;
                        default:
                            text += e;
                            break;
                    }
                    continue;
                }
                text += d;
                ++i;
            }
            tokens.push_back({true, text});
        } else {
            size_t start = i;
            while (i < src.size() && !isspace(static_cast<unsigned char>(src[i])) && src[i] != ',' && src[i] != '"')
                ++i;
            tokens.push_back({false, src.substr(start, i - start)});
        }
    }
    return tokens;
}

struct DialogControl {
    int id;
    std::string text;
};

struct DialogTemplate {
    int x = 0, y = 0, width = 0, height = 0;
    std::string caption;
    std::vector<DialogControl> controls;
};

struct Resources {
    std::map<UINT, std::string> strings;
    std::map<UINT, DialogTemplate> dialogs;
};

// A resource script as the resource compiler sees it: another script that it
// includes is read in its place, the headers it includes give the numeric
// identifiers, and `#define NAME "text"` gives a text that later lines name. Scripts
// and headers are the built-in texts, found by their file names.
void PreprocessScript(const std::string& name, std::map<std::string, long>& defines,
                      std::map<std::string, std::string>& texts, std::string& body) {
    std::istringstream lines(ResourceText(FileNameOf(name)));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find('#') != 0) {
            body += line + "\n";
            continue;
        }
        size_t q1 = line.find("#include \"");
        if (q1 != std::string::npos) {
            size_t q2 = line.find('"', q1 + 10);
            std::string included = line.substr(q1 + 10, q2 - q1 - 10);
            if (included.size() > 3 && included.compare(included.size() - 3, 3, ".rc") == 0) {
                PreprocessScript(included, defines, texts, body);
                continue;
            }
            std::istringstream header(ResourceText(FileNameOf(included)));
            std::string hl;
            while (std::getline(header, hl)) {
                std::istringstream words(hl);
                std::string directive, name, value;
                if (words >> directive >> name >> value && directive == "#define")
                    defines[name] = strtol(value.c_str(), nullptr, 0);
            }
            continue;
        }
        std::istringstream words(line);
        std::string directive, name;
        if (words >> directive >> name && directive == "#define") {
            std::string rest;
            std::getline(words, rest);
            size_t open = rest.find('"'), close = rest.rfind('"');
            if (open != std::string::npos && close > open) texts[name] = rest.substr(open + 1, close - open - 1);
        }
    }
}

Resources ReadResources(const std::string& scriptName) {
    Resources r;
    std::map<std::string, long> defines;
    std::map<std::string, std::string> texts;
    std::string body;
    PreprocessScript(scriptName, defines, texts, body);
    auto number = [&](const std::string& word) -> long {
        auto it = defines.find(word);
        if (it != defines.end()) return it->second;
        char* end = nullptr;
        long v = strtol(word.c_str(), &end, 0);
        return (end && *end == '\0' && !word.empty()) ? v : -1;
    };
    std::vector<Token> t = Tokenise(body);
    for (Token& token : t) {
        auto text = texts.find(token.text);
        if (!token.isString && text != texts.end()) token = Token{true, text->second};
    }
    for (size_t i = 0; i < t.size(); ++i) {
        if (!t[i].isString && t[i].text == "STRINGTABLE") {
            while (i < t.size() && t[i].text != "BEGIN") ++i;
            for (++i; i + 1 < t.size() && !(t[i].text == "END" && !t[i].isString); i += 2)
                if (!t[i].isString && t[i + 1].isString)
                    r.strings[static_cast<UINT>(number(t[i].text))] = t[i + 1].text;
        } else if (!t[i].isString && (t[i].text == "DIALOG" || t[i].text == "DIALOGEX") && i > 0 && i + 4 < t.size()) {
            DialogTemplate d;
            long id = number(t[i - 1].text);
            d.x = atoi(t[i + 1].text.c_str());
            d.y = atoi(t[i + 2].text.c_str());
            d.width = atoi(t[i + 3].text.c_str());
            d.height = atoi(t[i + 4].text.c_str());
            i += 5;
            for (; i < t.size() && t[i].text != "BEGIN"; ++i)
                if (t[i].text == "CAPTION" && i + 1 < t.size()) d.caption = t[i + 1].text;
            for (++i; i < t.size() && !(t[i].text == "END" && !t[i].isString); ++i) {
                static const char* const kControlWords[] = {"CONTROL",    "LTEXT",         "RTEXT",   "CTEXT",
                                                            "PUSHBUTTON", "DEFPUSHBUTTON", "EDITTEXT"};
                for (const char* word : kControlWords)
                    if (!t[i].isString && t[i].text == word && i + 2 < t.size() && t[i + 1].isString)
                        d.controls.push_back({static_cast<int>(number(t[i + 2].text)), t[i + 1].text});
            }
            if (id >= 0) r.dialogs[static_cast<UINT>(id)] = d;
        }
    }
    return r;
}

// Each program's resources: SETUP.EXE's unless the instance is the remover's.
const Resources& LoadResources(HINSTANCE instance = nullptr) {
    static const Resources setup = ReadResources("setup.rc");
    static const Resources uninstaller = ReadResources("uninst.rc");
    return instance == machine::kUninstallerInstance ? uninstaller : setup;
}

// --- windows ----------------------------------------------------------------------

uintptr_t g_NextWindow = 0x20000;

machine::Window* LiveWindow(HWND window) {
    auto it = machine::M().windows.find(window);
    if (it == machine::M().windows.end() || it->second.destroyed) return nullptr;
    return &it->second;
}

// The dialog the installer created most recently and has not destroyed.
const machine::Window* ProgressWindow() {
    for (auto it = machine::M().createdDialogs.rbegin(); it != machine::M().createdDialogs.rend(); ++it)
        if (const machine::Window* w = LiveWindow(*it)) return w;
    return nullptr;
}

// --- wsprintfA ----------------------------------------------------------------------

constexpr size_t kWsprintfLimit = 1024;  // bytes, terminator included

std::string FormatWsprintf(const char* format, va_list args) {
    std::string out;
    for (const char* p = format; *p;) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        ++p;
        if (*p == '%') {
            out += *p++;
            continue;
        }
        bool left = false, zero = false, alt = false;
        for (;; ++p) {
            if (*p == '-')
                left = true;
            else if (*p == '0')
                zero = true;
            else if (*p == '#')
                alt = true;
            else
                break;
        }
        size_t width = 0;
        while (*p >= '0' && *p <= '9') width = width * 10 + static_cast<size_t>(*p++ - '0');
        bool hasPrecision = false;
        size_t precision = 0;
        if (*p == '.') {
            hasPrecision = true;
            ++p;
            while (*p >= '0' && *p <= '9') precision = precision * 10 + static_cast<size_t>(*p++ - '0');
        }
        bool isLong = false;
        if (*p == 'l') {
            isLong = true;
            ++p;
        } else if (*p == 'h') {
            ++p;
        }
        std::string field;
        bool numeric = true;
        char conv = *p;
        if (conv == '\0') break;
        ++p;
        char buf[32];
        switch (conv) {
            case 's': {
                const char* s = va_arg(args, const char*);
                field = s ? s : "(null)";
                if (hasPrecision && field.size() > precision) field.resize(precision);
                numeric = false;
                break;
            }
            case 'c':
                field = std::string(1, static_cast<char>(va_arg(args, int)));
                numeric = false;
                break;
            case 'd':
            case 'i':
                if (isLong)
                    snprintf(buf, sizeof buf, "%ld", va_arg(args, long));
                else
                    snprintf(buf, sizeof buf, "%d", va_arg(args, int));
                field = buf;
                break;
            case 'u':
                if (isLong)
                    snprintf(buf, sizeof buf, "%lu", va_arg(args, unsigned long));
                else
                    snprintf(buf, sizeof buf, "%u", va_arg(args, unsigned int));
                field = buf;
                break;
            case 'x':
            case 'X': {
                unsigned long v = isLong ? va_arg(args, unsigned long) : va_arg(args, unsigned int);
                snprintf(buf, sizeof buf, conv == 'x' ? "%lx" : "%lX", v);
                field = buf;
                if (alt && v != 0) field = (conv == 'x' ? "0x" : "0X") + field;
                break;
            }
            default:
                // An unknown type is copied as it stands.
                field = std::string(1, conv);
                numeric = false;
                break;
        }
        if (numeric && hasPrecision && field.size() < precision) {
            bool negative = !field.empty() && field[0] == '-';
            field.insert(negative ? 1 : 0, precision - field.size() + (negative ? 1 : 0), '0');
        }
        if (field.size() < width) {
            size_t pad = width - field.size();
            if (left)
                field.append(pad, ' ');
            else if (zero && numeric)
                field.insert(field[0] == '-' ? 1 : 0, pad, '0');
            else
                field.insert(0, pad, ' ');
        }
        out += field;
    }
    return out;
}

}  // namespace

namespace machine {
const std::map<UINT, std::string>& StringTable() {
    return LoadResources().strings;
}
}  // namespace machine

using namespace machine;

int LoadStringA(HINSTANCE instance, UINT id, LPSTR out, int size) {
    LogCall("LoadStringA " + std::to_string(id));
    if (ShouldFail("LoadStringA")) {
        if (out && size > 0) out[0] = '\0';
        return Fail(kErrorResourceNotFound, 0);
    }
    if (out == nullptr || size <= 0) return 0;
    const std::map<UINT, std::string>& table = LoadResources(instance).strings;
    auto it = table.find(id);
    if (it == table.end()) {
        out[0] = '\0';
        return Fail(kErrorResourceNotFound, 0);
    }
    size_t n = it->second.size() < static_cast<size_t>(size) - 1 ? it->second.size() : static_cast<size_t>(size) - 1;
    memcpy(out, it->second.data(), n);
    out[n] = '\0';
    return static_cast<int>(n);
}

int wsprintfA(LPSTR out, LPCSTR format, ...) {
    LogCall("wsprintfA " + Text(format));
    va_list args;
    va_start(args, format);
    std::string text = FormatWsprintf(format ? format : "", args);
    va_end(args);
    if (text.size() > kWsprintfLimit - 1) text.resize(kWsprintfLimit - 1);
    memcpy(out, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size());
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    LogCall("MessageBoxA " + Text(text));
    MessageBoxRecord box{owner, Text(text), caption ? std::string(caption) : std::string("Error"), type, 0, false,
                         "",    ""};
    if (const Window* progress = ProgressWindow()) {
        box.progressWindowExists = true;
        box.progressCaption = progress->caption;
        auto line = progress->controlText.find(102);
        if (line != progress->controlText.end()) box.progressFileLine = line->second;
    }
    if (ShouldFail("MessageBoxA")) {
        box.answer = 0;
    } else if ((type & 0xF) == MB_OK) {
        box.answer = IDOK;
    } else if (M().answers.empty() && M().answerWhenNoneLeft) {
        box.answer = M().answerWhenNoneLeft(box);
    } else if (M().answers.empty()) {
        ++M().unansweredQuestions;
        box.answer = 0;
    } else {
        box.answer = M().answers.front();
        M().answers.pop_front();
    }
    M().boxes.push_back(box);
    return box.answer;
}

namespace {
// A window made from a dialog template of the instance's resources, or nullptr.
HWND CreateDialogWindow(HINSTANCE instance, LPCSTR templateName) {
    uintptr_t id = reinterpret_cast<uintptr_t>(templateName);
    if (id > 0xFFFF) {
        // "#100" names the same template.
        const char* name = templateName;
        id = (name[0] == '#') ? strtoul(name + 1, nullptr, 10) : 0xFFFFFFFF;
    }
    const Resources& resources = LoadResources(instance);
    auto found = resources.dialogs.find(static_cast<UINT>(id));
    if (found == resources.dialogs.end()) return Fail<HWND>(kErrorResourceNotFound, nullptr);
    const DialogTemplate& t = found->second;
    Window window;
    window.caption = t.caption;
    for (const DialogControl& c : t.controls) window.controlText[c.id] = c.text;
    // Dialog units to pixels at the scale that makes the template dialogPixelWidth wide.
    LONG left = t.width ? t.x * M().dialogPixelWidth / t.width : t.x;
    LONG top = t.height ? t.y * M().dialogPixelHeight / t.height : t.y;
    window.rect = RECT{left, top, left + M().dialogPixelWidth, top + M().dialogPixelHeight};
    HWND hwnd = reinterpret_cast<HWND>(g_NextWindow);
    g_NextWindow += 0x10;
    M().windows[hwnd] = window;
    return hwnd;
}

std::string TemplateName(LPCSTR templateName) {
    uintptr_t id = reinterpret_cast<uintptr_t>(templateName);
    return id <= 0xFFFF ? std::to_string(id) : Text(templateName);
}
}  // namespace

HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND, DLGPROC proc, LPARAM param) {
    LogCall("CreateDialogParamA " + TemplateName(templateName));
    if (ShouldFail("CreateDialogParamA")) return Fail<HWND>(kErrorNotEnoughMemory, nullptr);
    HWND hwnd = CreateDialogWindow(instance, templateName);
    if (hwnd == nullptr) return nullptr;
    M().createdDialogs.push_back(hwnd);
    if (proc) proc(hwnd, WM_INITDIALOG, 0, param);
    return hwnd;
}

// A modal dialog: initialised by its procedure, recorded like a message box (its
// control texts in id order, one a line), then the next answer is pressed as the
// control of that id (IDCANCEL, the Esc key, when none is left).
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc, LPARAM param) {
    LogCall("DialogBoxParamA " + TemplateName(templateName));
    if (ShouldFail("DialogBoxParamA")) return Fail<INT_PTR>(kErrorNotEnoughMemory, -1);
    HWND hwnd = CreateDialogWindow(instance, templateName);
    if (hwnd == nullptr || proc == nullptr) return -1;
    proc(hwnd, WM_INITDIALOG, 0, param);
    MessageBoxRecord box{owner, "", M().windows[hwnd].caption, kDialogBoxStyle, IDCANCEL, false, "", ""};
    for (const auto& control : M().windows[hwnd].controlText) box.text += control.second + "\n";
    if (const Window* progress = ProgressWindow()) {
        box.progressWindowExists = true;
        box.progressCaption = progress->caption;
    }
    if (M().answers.empty()) {
        ++M().unansweredQuestions;
    } else {
        box.answer = M().answers.front();
        M().answers.pop_front();
    }
    M().boxes.push_back(box);
    proc(hwnd, WM_COMMAND, static_cast<WPARAM>(box.answer), 0);
    Window& window = M().windows[hwnd];
    window.destroyed = true;
    return window.ended ? window.endResult : 0;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    LogCall("EndDialog " + std::to_string(result));
    Window* w = LiveWindow(dialog);
    if (!w) return Fail<BOOL>(1400, FALSE);
    w->ended = true;
    w->endResult = result;
    return TRUE;
}

// A control's handle: its dialog's handle plus its id (dialog handles are 16 apart
// and ids small, which is all the callers need to tell them apart).
HWND GetDlgItem(HWND dialog, int id) {
    LogCall("GetDlgItem " + std::to_string(id));
    Window* w = LiveWindow(dialog);
    if (!w || !w->controlText.count(id)) return Fail<HWND>(1421, nullptr);
    return reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(dialog) * 0x10000 + static_cast<uintptr_t>(id));
}

HWND SetFocus(HWND window) {
    LogCall("SetFocus " + std::to_string(reinterpret_cast<uintptr_t>(window) & 0xFFFF));
    return nullptr;
}

BOOL DestroyWindow(HWND window) {
    LogCall("DestroyWindow");
    if (ShouldFail("DestroyWindow")) return Fail(kErrorAccessDenied, FALSE);
    Window* w = LiveWindow(window);
    if (!w) return Fail<BOOL>(1400, FALSE);  // ERROR_INVALID_WINDOW_HANDLE
    w->destroyed = true;
    return TRUE;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    LogCall("SetWindowTextA " + Text(text));
    if (ShouldFail("SetWindowTextA")) return Fail(kErrorAccessDenied, FALSE);
    Window* w = LiveWindow(window);
    if (!w) return Fail<BOOL>(1400, FALSE);
    w->caption = Text(text);
    return TRUE;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    LogCall("SetDlgItemTextA " + std::to_string(id) + " " + Text(text));
    if (ShouldFail("SetDlgItemTextA")) return Fail(kErrorAccessDenied, FALSE);
    Window* w = LiveWindow(dialog);
    if (!w) return Fail<BOOL>(1400, FALSE);
    auto control = w->controlText.find(id);
    if (control == w->controlText.end()) return Fail<BOOL>(1421, FALSE);  // ERROR_CONTROL_ID_NOT_FOUND
    control->second = Text(text);
    return TRUE;
}

int GetSystemMetrics(int index) {
    LogCall("GetSystemMetrics " + std::to_string(index));
    if (ShouldFail("GetSystemMetrics")) return 0;
    if (index == SM_CXSCREEN) return M().screenWidth;
    if (index == SM_CYSCREEN) return M().screenHeight;
    return 0;
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
    LogCall("GetWindowRect");
    if (ShouldFail("GetWindowRect")) return Fail(kErrorAccessDenied, FALSE);
    Window* w = LiveWindow(window);
    if (!w || !rect) return Fail<BOOL>(1400, FALSE);
    *rect = w->rect;
    return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL) {
    LogCall("MoveWindow " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(width) + " " +
            std::to_string(height));
    if (ShouldFail("MoveWindow")) return Fail(kErrorAccessDenied, FALSE);
    Window* w = LiveWindow(window);
    if (!w) return Fail<BOOL>(1400, FALSE);
    w->rect = RECT{x, y, x + width, y + height};
    ++w->moveCount;
    return TRUE;
}

// Only what a test put into the queue waits there; the machine's windows have no child
// windows, so a named window matches its own messages only.
BOOL PeekMessageA(LPMSG msg, HWND window, UINT, UINT, UINT remove) {
    LogCall("PeekMessageA");
    if (ShouldFail("PeekMessageA")) return FALSE;
    for (auto it = M().pendingMessages.begin(); it != M().pendingMessages.end(); ++it) {
        if (window != nullptr && it->hwnd != window) continue;
        if (msg) *msg = *it;
        if (remove & PM_REMOVE) M().pendingMessages.erase(it);
        return TRUE;
    }
    return FALSE;
}

BOOL IsDialogMessageA(HWND, LPMSG) {
    LogCall("IsDialogMessageA");
    ShouldFail("IsDialogMessageA");
    return FALSE;
}

BOOL TranslateMessage(const MSG*) {
    LogCall("TranslateMessage");
    ShouldFail("TranslateMessage");
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    LogCall("DispatchMessageA");
    ShouldFail("DispatchMessageA");
    if (msg) M().dispatchedMessages.push_back(*msg);
    return 0;
}

// The system's stock icons only (no instance): a handle per icon id.
HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    uintptr_t id = reinterpret_cast<uintptr_t>(name);
    LogCall("LoadIconA " + std::to_string(id));
    if (instance != nullptr || id < 32512 || id > 32517) return Fail<HICON>(kErrorResourceNotFound, nullptr);
    return reinterpret_cast<HICON>(0x90000 + id);
}

// STM_SETICON shows the stock icon's id in the control's text ("icon 32514").
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM) {
    LogCall("SendDlgItemMessageA " + std::to_string(id) + " " + std::to_string(message));
    Window* w = LiveWindow(dialog);
    if (!w || !w->controlText.count(id)) return Fail<LRESULT>(1421, 0);
    if (message == STM_SETICON && wParam >= 0x90000) w->controlText[id] = "icon " + std::to_string(wParam - 0x90000);
    return 0;
}
