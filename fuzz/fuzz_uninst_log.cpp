// UNINST.EXE on the fake machine with an arbitrary uninstall log, files, shared-file
// counts, answers, platform failures and command line. Every input starts from a
// fresh machine (fake::Reset).
//
// Beyond the sanitizers, the remover's decisions must hold whatever the log says:
// no file function is given an entry that is not a full local path, the Windows,
// system and Program Files directories and the drive root survive, a file outside
// the log is never deleted, and every key and handle is closed again.
#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "fuzz_support.h"
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
// Files a removal must never delete: they are in no log the generator writes.
const char* const kBystanders[] = {"C:\\WINDOWS\\KEEP.INI", "C:\\OTHER\\KEEP.DLL"};
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
    fake::MakeDirectory("C:\\Program Files");
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
    fake::WriteFile("C:\\WINDOWS\\SAMPLE.INI", log);

    int code = fake::RunUninst(tail.c_str());
    FUZZ_CHECK(code >= 0 && code <= 2);

    // Decisions: nothing unusable reached a file function; protected places and
    // bystanders are still there.
    for (const std::string& call : m.calls) {
        for (const char* function : {"DeleteFileA ", "RemoveDirectoryA ", "SetFileAttributesA ", "LoadLibraryA "}) {
            if (call.rfind(function, 0) != 0) continue;
            std::string argument = call.substr(TextLength(function));
            if (function[0] == 'S') argument = argument.substr(0, argument.rfind(' '));
            bool temporaryCopy = argument.rfind("C:\\TEMP\\", 0) == 0;
            // The log, and the new log its checkpoints write beside it.
            bool log = argument == "C:\\WINDOWS\\SAMPLE.INI" || argument == "C:\\WINDOWS\\SAMPLE.IN$";
            FUZZ_CHECK(temporaryCopy || log || ClassifyLogPath(argument) == PathVerdict::Usable);
        }
    }
    for (const char* place : {"C:\\", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\Program Files"})
        FUZZ_CHECK(fake::DirectoryExists(place));
    for (const char* path : kBystanders) FUZZ_CHECK(Exists(path));

    FUZZ_CHECK(m.badHeapFrees == 0);
    FUZZ_CHECK(m.openKeys.empty());
    FUZZ_CHECK(m.openHandles.empty());
    fake::Reset();
    return 0;
}
