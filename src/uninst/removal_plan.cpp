#include "uninst/removal_plan.h"

#include "ui/messages.h"
#include "uninst/identity_set.h"
#include "uninst/log_paths.h"
#include "uninst/uninst_state.h"
#include "uninstlog/log_file.h"
#include "uninstlog/log_image.h"

namespace {
constexpr char kHeader[] = "[UninstPlan]\r\nLog=";
constexpr char kEndKey[] = "End=";

struct RemovalPlan {
    PlanAct* Acts;
    DWORD ActCount, ActCapacity;
    char* Text;
    DWORD TextUsed, TextCapacity;
    char* Marks;  // mark lines not yet on the disk
    DWORD MarksUsed, MarksCapacity;
    DWORD LogSize, LogHash;
    HANDLE File;    // the plan file, open for its marks once written or found
    PathText Path;  // its path, once written or found
};

RemovalPlan g_Plan;

using LineText = FixedText<96>;

// A decimal number at the start of the text, which moves past it and one blank after.
bool ReadNumber(const char*& at, DWORD* n) {
    const char* start = at;
    DWORD value = 0;
    while (*at >= '0' && *at <= '9' && at - start < 10) value = value * 10 + static_cast<DWORD>(*at++ - '0');
    *n = value;
    if (*at == ' ') ++at;
    return at != start;
}

int AppendText(char** block, DWORD* used, DWORD* capacity, std::string_view text) {
    if (!ReserveBlock(reinterpret_cast<void**>(block), capacity, *used + static_cast<DWORD>(text.size()) + 1))
        return 0;
    for (char c : text) (*block)[(*used)++] = c;
    return 1;
}

// Adds to what the next flush writes: the plan itself, then the marks.
int Pend(std::string_view text) {
    return AppendText(&g_Plan.Marks, &g_Plan.MarksUsed, &g_Plan.MarksCapacity, text);
}

// Whether the text begins with `prefix`, which it then moves past (only then).
template <typename Text>
bool ConsumePrefix(Text*& text, const char* prefix) {
    Text* at = text;
    for (; *prefix != '\0'; ++prefix)
        if (*at++ != *prefix) return false;
    text = at;
    return true;
}

// The next whole line, ended in place, or nullptr at the end and before a line that a
// cut left without its line end.
char* NextLine(char*& at) {
    char* line = at;
    while (*at != '\0' && *at != '\n') ++at;
    if (*at != '\n' || at == line || at[-1] != '\r') return nullptr;
    at[-1] = '\0';
    ++at;
    return line;
}

const char* LogFile() {
    return g_Uninst.LogPath.c_str();
}

bool IsLetterOf(const char* letters, char c) {
    while (*letters != '\0' && *letters != c) ++letters;
    return c != '\0' && *letters == c;
}

// The act lines and marks of a plan file's text (ended by a terminator) into the plan;
// false when it is not a whole plan of this log.
bool ReadPlanText(char* text, bool anyLog, FixedText<128>& product) {
    const char* line = nullptr;
    DWORD size = 0, hash = 0, n = 0;
    if (!ConsumePrefix(text, kHeader) || (line = NextLine(text)) == nullptr || !ReadNumber(line, &size) ||
        !ReadNumber(line, &hash))
        return false;
    if (!anyLog && (size != g_Plan.LogSize || hash != g_Plan.LogHash)) return false;
    if ((line = NextLine(text)) == nullptr || !ConsumePrefix(line, "Product=")) return false;
    product.Assign(line);
    while ((line = NextLine(text)) != nullptr && !ConsumePrefix(line, kEndKey)) {
        char kind = line[0], decision = kind ? line[1] : '\0';
        line += decision ? 2 : 1;
        if (!IsLetterOf("CRFD", kind) || !IsLetterOf("-yckanox", decision) || *line++ != ' ' ||
            !ReadNumber(line, &n))
            return false;
        // A plan names only what its log may: an act on a path no run may hand to a file
        // function is not this program's plan.
        std::string_view text(line, TextLength(line));
        if (kind != 'C' && IsActing(decision) && ClassifyLogPath(text) != PathVerdict::Usable) return false;
        if (!AddPlanAct(kind, decision, n, text)) return false;
    }
    if (line == nullptr || !ReadNumber(line, &n) || n != g_Plan.ActCount) return false;
    // The marks: the last one of an act says its state.
    while ((line = NextLine(text)) != nullptr) {
        if (!ReadNumber(line, &n) || n >= g_Plan.ActCount || line[0] == '\0' || line[1] != '\0') continue;
        PlanAct& act = g_Plan.Acts[n];
        if (IsActing(act.Decision)) act.State = line[0] == '+' ? ActDone : line[0] == '*' ? ActStaged : ActPending;
    }
    return true;
}

// Whether the file may take the plan: there is none, it is empty (a plan cut as it was
// made) or it is a plan. A file of that name that is not is someone else's.
bool MayHoldPlan(const char* path) {
    DWORD size = 0;
    int missing = 0;
    char* text = ReadLogFile(path, &size, &missing);
    if (text == nullptr) return missing != 0;
    const char* at = text;
    bool plan = size == 0 || ConsumePrefix(at, kHeader);
    HeapFree(GetProcessHeap(), 0, text);
    return plan;
}

HANDLE OpenPlanFile(const PathText& path, DWORD disposition) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

}  // namespace

bool IsActing(char decision) {
    return decision == Decision::Remove || decision == Decision::RemoveByAnswer || decision == Decision::Uncount;
}

void StartPlan() {
    // Not freed: a run starts here in a new process (or on the test machine after its
    // reset, which took the blocks back).
    g_Plan = RemovalPlan{};
    g_Plan.File = INVALID_HANDLE_VALUE;
    LogImageFingerprint(&g_Plan.LogSize, &g_Plan.LogHash);
}

int AddPlanAct(char kind, char decision, DWORD count, std::string_view text) {
    if (!ReserveBlock(reinterpret_cast<void**>(&g_Plan.Acts), &g_Plan.ActCapacity,
                      (g_Plan.ActCount + 1) * static_cast<DWORD>(sizeof(PlanAct))))
        return 0;
    DWORD at = g_Plan.TextUsed;
    if (!AppendText(&g_Plan.Text, &g_Plan.TextUsed, &g_Plan.TextCapacity, text)) return 0;
    g_Plan.Text[g_Plan.TextUsed++] = '\0';
    g_Plan.Acts[g_Plan.ActCount++] = PlanAct{kind, decision, IsActing(decision) ? ActPending : ActDone, 0, count, at};
    return 1;
}

DWORD PlanActCount() {
    return g_Plan.ActCount;
}

PlanAct& PlanActAt(DWORD index) {
    return g_Plan.Acts[index];
}

const char* PlanActText(const PlanAct& act) {
    return g_Plan.Text + act.Text;
}

bool FormPlanPath(const char* log, int choice, PathText& path) {
    if (!path.Assign(std::string_view(log, TextLength(log))) || path.empty()) return false;
    char& last = path.text[path.length() - 1];
    last = (last == '$' ? "#&" : "$#")[choice];
    return true;
}

const char* PlanFilePath() {
    return g_Plan.Path.c_str();
}

int WritePlanFile(const char* product) {
    FixedText<256> head;
    FormatText(head, "%s%lu %lu\r\nProduct=%s", kHeader, static_cast<unsigned long>(g_Plan.LogSize),
               static_cast<unsigned long>(g_Plan.LogHash), product);
    int formed = Pend(head.view());
    LineText line;
    for (DWORD i = 0; formed && i < g_Plan.ActCount; ++i) {
        const PlanAct& act = g_Plan.Acts[i];
        FormatText(line, "\r\n%c%c %lu ", act.Kind, act.Decision, static_cast<unsigned long>(act.Count));
        formed = Pend(line.view()) && Pend(PlanActText(act));
    }
    FormatText(line, "\r\n%s%lu\r\n", kEndKey, static_cast<unsigned long>(g_Plan.ActCount));
    formed = formed && Pend(line.view());
    // Written as the first batch of marks would be, once the file is chosen.
    for (int choice = 0; choice < 2 && formed && g_Plan.File == INVALID_HANDLE_VALUE; ++choice)
        if (FormPlanPath(LogFile(), choice, g_Plan.Path) && MayHoldPlan(g_Plan.Path.c_str()))
            g_Plan.File = OpenPlanFile(g_Plan.Path, CREATE_ALWAYS);
    if (g_Plan.File == INVALID_HANDLE_VALUE) g_Plan.Path.Clear();
    return FlushPlanMarks() && g_Plan.File != INVALID_HANDLE_VALUE;
}

// Frees what a plan read in part holds and starts an empty one.
void ForgetPlan() {
    HANDLE heap = GetProcessHeap();
    for (void* block : {static_cast<void*>(g_Plan.Acts), static_cast<void*>(g_Plan.Text), static_cast<void*>(g_Plan.Marks)})
        if (block != nullptr) HeapFree(heap, 0, block);
    StartPlan();
}

int LoadPlanFile(bool logMissing, FixedText<128>& product) {
    StartPlan();
    for (int choice = 0; choice < 2; ++choice) {
        ForgetPlan();
        DWORD size = 0;
        int missing = 0;
        char* text =
            FormPlanPath(LogFile(), choice, g_Plan.Path) ? ReadLogFile(g_Plan.Path.c_str(), &size, &missing) : nullptr;
        if (text == nullptr) continue;
        // Marks go after what is there: a mark a cut left without its line end is
        // ended first, so that it stays a line of its own, which no reader takes.
        bool ended = size >= 2 && text[size - 2] == '\r' && text[size - 1] == '\n';
        bool found = ReadPlanText(text, logMissing, product);
        HeapFree(GetProcessHeap(), 0, text);
        if (!found) continue;
        g_Plan.File = OpenPlanFile(g_Plan.Path, OPEN_EXISTING);
        if (g_Plan.File != INVALID_HANDLE_VALUE &&
            SetFilePointer(g_Plan.File, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
            (ended || Pend("\r\n")))
            return 1;
        if (g_Plan.File != INVALID_HANDLE_VALUE) CloseHandle(g_Plan.File);
    }
    ForgetPlan();
    return 0;
}

int MarkPlanAct(DWORD index, BYTE state) {
    LineText line;
    FormatText(line, "%lu%c\r\n", static_cast<unsigned long>(index), "+*."[state == ActDone ? 0 : state == ActStaged ? 1 : 2]);
    g_Plan.Acts[index].State = state;
    return Pend(line.view());
}

int FlushPlanMarks() {
    DWORD written = 0, size = g_Plan.MarksUsed;
    g_Plan.MarksUsed = 0;
    return size == 0 || (g_Plan.File != INVALID_HANDLE_VALUE &&
                         WriteFile(g_Plan.File, g_Plan.Marks, size, &written, nullptr) && written == size &&
                         FlushFileBuffers(g_Plan.File));
}

void ClosePlanFile() {
    if (g_Plan.File != INVALID_HANDLE_VALUE) CloseHandle(g_Plan.File);
    g_Plan.File = INVALID_HANDLE_VALUE;
}

int DeletePlanFile() {
    ClosePlanFile();
    const char* path = g_Plan.Path.c_str();
    return g_Plan.Path.empty() || DeleteFileA(path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
}
