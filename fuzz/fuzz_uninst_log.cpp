// UNINST.EXE on the fake machine with an arbitrary uninstall log, files, shared-file
// counts, answers, platform failures and command line. Every input starts from a
// fresh machine (fake::Reset).
//
// Beyond the sanitizers, the remover's decisions must hold whatever the log (and a plan
// of it found beside it) says: no file function is given an entry that is not a full
// local path, the Windows, system, Program Files and Common Files directories, a shell
// folder, a junction and the drive root survive, a file outside the log is never
// deleted (nor one the log says to keep, nor one another product counts), and every
// key and handle is closed again; a second run, which carries on what the first left,
// keeps every one of these.
#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "fuzz_support.h"
#include "setup/exit_codes.h"
#include "setup/setup_context.h"
#include "uninst/log_paths.h"
#include "uninst/uninst_resource_ids.h"
#include "uninst/uninst_state.h"

namespace {

const char* const kSections[] = {"UNINST", "UninstFiles", "UninstExec", "UninstRegister", "UninstDirs", "rename"};
const char* const kPaths[] = {"C:\\APP\\A.DLL",
                              "C:\\APP\\SUB\\B.EXE",
                              "C:\\APP\\UNINST.EXE",
                              "C:\\WINDOWS\\SYSTEM\\S.DLL",
                              "C:\\WINDOWS\\W.HLP",
                              "C:\\WINDOWS",
                              "C:\\WINDOWS\\SYSTEM",
                              "C:\\Program Files",
                              "C:\\Program Files\\P\\P.EXE",
                              "C:\\",
                              "C:\\APP",
                              "C:\\APP\\..\\WINDOWS\\KEEP.INI",
                              "C:\\APP\\CON",
                              "C:\\APP\\*.DLL",
                              "APP\\A.DLL",
                              "\\\\SERVER\\SHARE\\A.DLL",
                              "C:\\APP\\B.EXE /uninstall",
                              "C:\\WINDOWS.",
                              "C:APP"};
// Lines a log may end with, read only from what an input leaves after its log, so that
// the stored inputs read as they did before these were added.
const char* const kMoreLines[] = {"[UninstCreatedDirs]",
                                  "[UninstKeptFiles]",
                                  "C:\\APP\\\\SUB/B.EXE=",
                                  "C:\\Common Files=",
                                  "C:\\Common Files\\C.DLL=",
                                  "C:\\DESKTOP=",
                                  "C:\\JUNCTION=",
                                  "C:\\KEPT.DLL=",
                                  "C:\\APP\\=",
                                  "C:\\APP\\SUB\\=",
                                  "[UninstSharedFiles]",
                                  "C:\\APP\\A.DLL=",
                                  "C:\\WINDOWS\\SYSTEM\\S.DLL=",
                                  "C:\\PROGRA~1=",
                                  "C:\\PROGRA~1\\P\\P.EXE=",
                                  "C:\\COMMON~1\\C.DLL=",
                                  "C:\\OTHER\\COUNTED.DLL="};
// Directories that must outlive every removal, whatever the log names.
const char* const kProtected[] = {
    "C:\\",        "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\Program Files", "C:\\Common Files",
    "C:\\DESKTOP", "C:\\JUNCTION"};
// Files a removal must never delete: they are in no log the generator writes.
const char* const kBystanders[] = {"C:\\WINDOWS\\KEEP.INI", "C:\\OTHER\\KEEP.DLL"};
// Another product's file that a count keeps, whatever the log says of it.
constexpr char kCounted[] = "C:\\OTHER\\COUNTED.DLL";
const char* const kFailures[] = {"DeleteFileA",
                                 "MoveFileExA",
                                 "RemoveDirectoryA",
                                 "GetPrivateProfileStringA",
                                 "WritePrivateProfileStringA",
                                 "GetPrivateProfileSectionA",
                                 "WritePrivateProfileSectionA",
                                 "HeapAlloc",
                                 "HeapReAlloc",
                                 "CreateProcessA",
                                 "LoadLibraryA",
                                 "GetProcAddress",
                                 "RegOpenKeyExA",
                                 "RegCreateKeyExA",
                                 "GetShortPathNameA",
                                 "GetTempFileNameA",
                                 "CopyFileA",
                                 "DuplicateHandle",
                                 "DialogBoxParamA",
                                 "GetFileAttributesA",
                                 "SetFileAttributesA",
                                 "LoadStringA"};
const int kAnswers[] = {IDYES, IDNO, IDC_REMOVE_ALL_SHARED, IDC_KEEP_ALL_SHARED, IDCANCEL, 0};

template <typename T, size_t N>
const T& Pick(FuzzedDataProvider& in, const T (&table)[N]) {
    return table[in.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

std::string GeneratedLog(FuzzedDataProvider& in) {
    std::string text;
    int lines = in.ConsumeIntegralInRange(0, 40);
    for (int l = 0; l < lines && in.remaining_bytes() > 0; ++l) {
        switch (in.ConsumeIntegralInRange(0, 5)) {
            case 0:
                text += std::string("[") + Pick(in, kSections) + "]\r\n";
                break;
            case 1:
                text += "Product=" + fuzz::ConsumeText(in, 200) + "\r\n";
                break;
            case 2:
                text += fuzz::ConsumeText(in, 300) + "=\r\n";
                break;
            default:
                text += std::string(Pick(in, kPaths)) + "=\r\n";
                break;
        }
    }
    return text;
}

bool Exists(const std::string& path) {
    return fake::FileExists(path) || fake::DirectoryExists(path);
}

// The log's fingerprint as a plan of it holds it.
std::string PlanHeader(const std::string& log) {
    uint32_t hash = 2166136261u;
    for (char c : log) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return "[UninstPlan]\r\nLog=" + std::to_string(log.size()) + " " + std::to_string(hash) + "\r\nProduct=P\r\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    fake::Reset();
    fake::Machine& m = fake::M();
    if (in.ConsumeBool()) fake::SetWindows95();
    m.moduleFileName = in.ConsumeBool() ? "C:\\APP\\UNINST.EXE" : "C:\\REMOVER\\UNINST.EXE";
    fake::WriteFile(m.moduleFileName, "remover");
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                            "C:\\Program Files");
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir",
                            "C:\\Common Files");
    fake::SetRegistryString(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                            "Desktop", "C:\\DESKTOP");
    for (const char* place : kProtected) fake::MakeDirectory(place);
    m.reparsePoints.insert("C:\\JUNCTION");
    fake::WriteFile("C:\\KEPT.DLL", "another product's newer file");
    fake::WriteFile(kCounted, "another product's shared file");
    fake::SetRegistryData(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", kCounted,
                          REG_SZ, std::string("1\0", 2));
    m.shortNames["C:\\Program Files"] = "C:\\PROGRA~1";
    m.shortNames["C:\\Common Files"] = "C:\\COMMON~1";
    for (const char* path : kBystanders) fake::WriteFile(path, "keep");
    for (const char* path : kPaths) {
        if (!in.ConsumeBool()) continue;
        std::string p = path;
        if (ClassifyLogPath(p) != PathVerdict::Usable || p.find(' ') != std::string::npos) continue;
        fake::WriteFile(p, "installed");
        fake::FileData& file = m.files[fake::NormalisePath(p)];
        file.readOnly = in.ConsumeBool();
        file.inUse = in.ConsumeIntegralInRange(0, 3) == 0;
        if (in.ConsumeBool()) {
            fake::Component& component = m.components[p];
            component.exportsUnregisterServer = in.ConsumeBool();
            component.unregisterResult = in.ConsumeIntegral<int32_t>();
        }
        if (in.ConsumeIntegralInRange(0, 3) == 0)
            fake::SetRegistryData(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", p,
                                  REG_DWORD, in.ConsumeBytesAsString(4));
    }
    int answers = in.ConsumeIntegralInRange(0, 8);
    for (int a = 0; a < answers; ++a) m.answers.push_back(Pick(in, kAnswers));
    int failures = in.ConsumeIntegralInRange(0, 2);
    for (int f = 0; f < failures; ++f) fake::FailCall(Pick(in, kFailures), in.ConsumeIntegralInRange(0, 6));

    static const char* const kTails[] = {"C:\\WINDOWS\\SAMPLE.INI", "/S C:\\WINDOWS\\SAMPLE.INI", "SAMPLE.INI",
                                         "/register SAMPLE.INI", "/s \"C:\\WINDOWS\\SAMPLE.INI\""};
    std::string tail = in.ConsumeIntegralInRange(0, 7) == 0 ? fuzz::ConsumeText(in, 300) : Pick(in, kTails);
    std::string log = in.ConsumeBool() ? GeneratedLog(in) : in.ConsumeRemainingBytesAsString();
    if (in.remaining_bytes() > 0 && in.ConsumeBool()) fake::FailCall("RegEnumValueA", in.ConsumeIntegralInRange(0, 3));
    // A plan of this very log found beside it, its acts as the input says: a forged plan
    // may name any file, as a forged log may, so the bystanders are not asked of it.
    std::string planTail;
    bool forged = in.remaining_bytes() > 0 && in.ConsumeIntegralInRange(0, 3) == 0;
    if (forged) planTail = in.ConsumeRandomLengthString(400);
    while (in.remaining_bytes() > 0) log += std::string("\r\n") + Pick(in, kMoreLines) + "\r\n";
    // The person kept this newer file at installation: whatever else the log says, it
    // stays (unless the log holds a section of that name already, which is the one
    // searched, or a NUL that may end the text early).
    std::string folded = log;
    for (char& c : folded) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    bool keptByLog = folded.find("keptfiles") == std::string::npos && log.find('\0') == std::string::npos;
    if (keptByLog) log += "\r\n[UninstKeptFiles]\r\nC:\\KEPT.DLL=\r\n";
    // Another product's count keeps its file, unless the log says the count is this
    // product's to lower.
    bool countKeeps = folded.find("sharedfiles") == std::string::npos;
    fake::WriteFile("C:\\WINDOWS\\SAMPLE.INI", log);
    if (forged) fake::WriteFile("C:\\WINDOWS\\SAMPLE.IN$", PlanHeader(log) + planTail);

    for (int run = 0; run < 2; ++run) {
    int code = fake::RunUninst(tail.c_str());
    // Only the remover's rows of the shared exit-code table.
    FUZZ_CHECK(code == kExitSuccess || code == kExitRestartRequired || code == kExitRestartStarted ||
               code == kExitUserDeclined || code == kExitFailed || code == kExitCannotOpen ||
               code == kExitNotUninstallLog || code == kExitBadCommandLine);

    // Decisions: nothing unusable reached a file function; protected places and
    // bystanders are still there.
    for (const std::string& call : m.calls) {
        for (const char* function : {"DeleteFileA ", "RemoveDirectoryA ", "SetFileAttributesA ", "LoadLibraryA "}) {
            if (call.rfind(function, 0) != 0) continue;
            std::string argument = call.substr(TextLength(function));
            if (function[0] == 'S') argument = argument.substr(0, argument.rfind(' '));
            bool temporaryCopy = argument.rfind("C:\\TEMP\\", 0) == 0;
            // The log, and the plan written beside it under one of its two names.
            bool log = argument == "C:\\WINDOWS\\SAMPLE.INI" || argument == "C:\\WINDOWS\\SAMPLE.IN$" ||
                       argument == "C:\\WINDOWS\\SAMPLE.IN#";
            FUZZ_CHECK(temporaryCopy || log || ClassifyLogPath(argument) == PathVerdict::Usable);
        }
    }
    for (const char* place : kProtected) FUZZ_CHECK(fake::DirectoryExists(place));
    if (keptByLog && !forged) FUZZ_CHECK(fake::FileExists("C:\\KEPT.DLL"));
    if (countKeeps && !forged) FUZZ_CHECK(fake::FileExists(kCounted));
    if (!forged)
        for (const char* path : kBystanders) FUZZ_CHECK(Exists(path));

    FUZZ_CHECK(m.badHeapFrees == 0);
    FUZZ_CHECK(m.openKeys.empty());
    FUZZ_CHECK(m.openHandles.empty());
    m.calls.clear();
    }
    fake::Reset();
    return 0;
}
