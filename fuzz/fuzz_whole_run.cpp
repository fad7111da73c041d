// The whole installer, WinMain on the fake machine, with an arbitrary SETUP.INF,
// registry, environment, source files, version-installation results, message-box
// answers, platform failures and command line. Every input starts from a fresh
// machine and a zero-filled setup state (fake::Reset).
//
// Beyond the sanitizers, every run must leave the platform as a well-behaved
// program does: no heap block freed that the heap does not know, every registry
// key and kernel handle closed again.
#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "setup/exit_codes.h"
#include "setup/setup_context.h"
#include "fuzz_support.h"

namespace {

// Words the script generator and the registry share, so that lookups can meet.
const char* const kSections[] = {"SETUP", "AddFiles.WIN32", "ExecFiles.WIN32", "RegisterFiles.WIN32",
                                 "SetEnv.WIN32", "PLUGINFILE", "NETSCAPEDIR", "NETSCAPEDIREX",
                                 "a.dll", "B.EXE", "plug.dll", "APPDIR", "PATH", "TMPVAR"};
const char* const kKeys[] = {"Product", "RequireMajorVersion", "InitialPrompt", "UninstFile", "SourceFilename",
                             "TargetFilename", "TargetDir", "RequiredCopy", "ExecParam", "RequiredExec",
                             "UninstExecParam", "RequiredRegister", "DataFrom", "EndWithBackslash",
                             "RegistryRootKey", "RegistryMidKey", "RegistryMid2Key", "RegistryEndKey",
                             "RegistryInstallPathKey", "EnvironmentValue", "INIFile", "INIFileSect", "INIFileKey",
                             "PluginFileName", "a.dll", "B.EXE", "plug.dll", "APPDIR", "PATH", "TMPVAR"};
const char* const kValues[] = {"%WINDIR%", "%SRCDIR%", "%TARGETDIR%", "%WINSYSDIR%APP\\", "C:\\APP\\", "C:\\APP",
                               "%APPDIR%", "%PATH%;x", "%", "%%", "%A%B%C%", "REGISTRY", "ENVIRONMENT", "INIFILE",
                               "registry", "HKEY_LOCAL_MACHINE", "hkey_current_user", "HKEY_CLASSES_ROOT",
                               "HKEY_USERS", "Software\\Netscape\\Netscape Navigator", "Main", "Plugins",
                               "Install Directory", "Software\\X", "C:\\MEDIA\\OTHER.INI", "OTHER.INI", "S", "K",
                               "0", "1", "4", "5", "-1", "99999999999", "a.dll", "B.EXE", "plug.dll", "/q",
                               "UNINST.INI", "C:\\WINDOWS\\UNINST.INI", "PLUGINFILE", ""};
const char* const kRegistryPaths[] = {"Software\\Netscape\\Netscape Navigator",
                                      "Software\\Netscape\\Netscape Navigator\\4.0",
                                      "Software\\Netscape\\Netscape Navigator\\4.0\\Main",
                                      "Software\\Netscape\\Netscape Navigator\\3.0\\Main", "Software\\X"};
const char* const kValueNames[] = {"Plugins", "Install Directory", "CurrentVersion", "Path", ""};
const HKEY kRoots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};
const char* const kFailures[] = {"HeapAlloc", "HeapReAlloc", "RegOpenKeyExA", "RegQueryValueExA", "RegEnumKeyA",
                                 "RegEnumKeyExA", "CopyFileA", "MoveFileExA", "CreateDirectoryA",
                                 "GetPrivateProfileStringA", "WritePrivateProfileStringA", "LoadLibraryA",
                                 "GetProcAddress", "LoadStringA", "CreateDialogParamA", "GetModuleFileNameA",
                                 "GetWindowsDirectoryA", "GetSystemDirectoryA", "SetEnvironmentVariableA",
                                 "GetEnvironmentVariableA", "OpenProcessToken", "WinExec", "GetShortPathNameA",
                                 "DeleteFileA", "OleInitialize", "VerFindFileA", "GetVersionExA", "CreateFileA", "WriteFile",
                                 "LookupPrivilegeValueA", "wsprintfA"};
const DWORD kVersionBits[] = {0,
                              VIF_TEMPFILE | VIF_MISMATCH | VIF_SRCOLD,
                              VIF_MISMATCH | VIF_SRCOLD,
                              VIF_TEMPFILE | VIF_FILEINUSE,
                              VIF_TEMPFILE | VIF_ACCESSVIOLATION,
                              VIF_SHARINGVIOLATION,
                              VIF_CANNOTREADSRC,
                              VIF_OUTOFSPACE,
                              VIF_BUFFTOOSMALL,
                              VIF_TEMPFILE | VIF_MISMATCH | VIF_DIFFLANG,
                              VIF_WRITEPROT,
                              VIF_CANNOTCREATE | VIF_TEMPFILE};
const int kAnswers[] = {IDYES, IDNO, IDOK, IDCANCEL, 0};

template <typename T, size_t N>
const T& Pick(FuzzedDataProvider& in, const T (&table)[N]) {
    return table[in.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

std::string Value(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 4)) {
        case 0:
            return Pick(in, kValues);
        case 1:
            return std::string(Pick(in, kValues)) + Pick(in, kValues);
        case 2:
            return std::string(in.ConsumeIntegralInRange(0, 1100), in.ConsumeBool() ? 'x' : '%');
        default:
            return fuzz::ConsumeText(in, 80);
    }
}

// A script line by line: headers and keys mostly from the installer's own names.
std::string GeneratedScript(FuzzedDataProvider& in) {
    std::string text;
    int lines = in.ConsumeIntegralInRange(0, 60);
    for (int l = 0; l < lines && in.remaining_bytes() > 0; ++l) {
        switch (in.ConsumeIntegralInRange(0, 5)) {
            case 0:
                text += std::string("[") + Pick(in, kSections) + "]\r\n";
                break;
            case 1:
                text += "[" + fuzz::ConsumeText(in, 300) + "]\r\n";
                break;
            case 2:
                text += fuzz::ConsumeText(in, 100) + "=" + Value(in) + "\r\n";
                break;
            default:
                text += std::string(Pick(in, kKeys)) + "=" + Value(in) + "\r\n";
                break;
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    fake::Reset();
    fake::Machine& m = fake::M();

    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0: fake::SetWindows95(); break;
        case 1: fake::SetWindowsNT4(); break;
        case 2: fake::SetWindowsNT351(); break;
        default: fake::SetWindowsXP(); break;
    }
    if (in.ConsumeIntegralInRange(0, 7) == 0) {
        // Long places: the medium and the Windows directory near the path limit.
        std::string medium = "C:\\" + std::string(in.ConsumeIntegralInRange(1, 300), 'M');
        m.moduleFileName = medium + "\\SETUP.EXE";
        m.currentDirectory = medium;
        fake::MakeDirectory(medium);
    }
    if (in.ConsumeIntegralInRange(0, 7) == 0) {
        m.windowsDirectory = "C:\\" + std::string(in.ConsumeIntegralInRange(1, 300), 'W');
        fake::MakeDirectory(m.windowsDirectory);
    }

    int registryValues = in.ConsumeIntegralInRange(0, 6);
    for (int r = 0; r < registryValues; ++r) {
        HKEY root = Pick(in, kRoots);
        std::string path = in.ConsumeBool() ? Pick(in, kRegistryPaths) : fuzz::ConsumeText(in, 300);
        std::string name = in.ConsumeBool() ? Pick(in, kValueNames) : fuzz::ConsumeText(in, 300);
        static const DWORD kTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD};
        DWORD type = Pick(in, kTypes);
        // Data as stored, terminator or not: a string value without one must not
        // make the reader run past it.
        std::string bytes = in.ConsumeBool() ? std::string(in.ConsumeIntegralInRange(0, 600), 'D')
                                             : in.ConsumeRandomLengthString(300);
        if (path.empty()) continue;
        fake::SetRegistryData(root, path, name, type, bytes);
    }
    int variables = in.ConsumeIntegralInRange(0, 3);
    for (int v = 0; v < variables; ++v) {
        std::string name = in.ConsumeBool() ? Pick(in, kSections) : fuzz::ConsumeText(in, 90);
        std::string value = in.ConsumeBool() ? std::string(in.ConsumeIntegralInRange(0, 400), 'e')
                                             : fuzz::ConsumeText(in, 100);
        if (!name.empty() && name.find('=') == std::string::npos) fake::SetEnvironment(name, value);
    }
    static const char* const kSourceFiles[] = {"a.dll", "B.EXE", "plug.dll", "OTHER.INI"};
    for (const char* name : kSourceFiles)
        if (in.ConsumeBool()) fake::WriteFile(m.currentDirectory + "\\" + name, fuzz::ConsumeText(in, 200),
                                              in.ConsumeIntegral<uint8_t>());
    static const char* const kComponents[] = {"C:\\APP\\a.dll", "C:\\WINDOWS\\a.dll", "C:\\APP\\plug.dll"};
    for (const char* path : kComponents) {
        if (!in.ConsumeBool()) continue;
        fake::Component component;
        component.exportsRegisterServer = in.ConsumeBool();
        component.registerResult = in.ConsumeIntegral<int32_t>();
        m.components[path] = component;
    }

    int outcomes = in.ConsumeIntegralInRange(0, 6);
    for (int o = 0; o < outcomes; ++o) {
        fake::VerInstallOutcome outcome;
        outcome.bits = in.ConsumeBool() ? Pick(in, kVersionBits) : in.ConsumeIntegral<uint32_t>();
        if (in.ConsumeBool()) outcome.tempName = fuzz::ConsumeText(in, 300);
        m.verInstallScript.push_back(outcome);
    }
    int answers = in.ConsumeIntegralInRange(0, 8);
    for (int a = 0; a < answers; ++a) m.answers.push_back(in.ConsumeBool() ? Pick(in, kAnswers) : in.ConsumeIntegral<int>());
    int failures = in.ConsumeIntegralInRange(0, 2);
    for (int f = 0; f < failures; ++f) fake::FailCall(Pick(in, kFailures), in.ConsumeIntegralInRange(0, 6));

    std::string tail = fuzz::ConsumeText(in, 400);
    std::string script = in.ConsumeBool() ? GeneratedScript(in) : in.ConsumeRemainingBytesAsString();
    fake::SetScript(script);

    // Every run ends with one of SETUP.EXE's exit codes; unattended, no box is shown.
    int code = fake::RunSetup(tail.c_str());
    FUZZ_CHECK(code == kExitSuccess || code == kExitRestartRequired || code == kExitRestartStarted ||
               code == kExitUserDeclined || code == kExitFailed || code == kExitCannotOpen ||
               code == kExitWindowsTooOld);
    FUZZ_CHECK(!g_Setup.Silent || fake::CountCalls("MessageBoxA") == 0);

    if (getenv("FUZZ_VERBOSE")) {
        fprintf(stderr, "--- command tail: %s\n--- script:\n%s\n--- boxes:\n", tail.c_str(), script.c_str());
        for (const fake::MessageBoxRecord& box : m.boxes)
            fprintf(stderr, "[%s] %s -> %d\n", box.caption.c_str(), box.text.c_str(), box.answer);
        fprintf(stderr, "--- %zu VerInstallFileA calls, %zu programs started\n", m.verInstallCalls.size(),
                m.started.size());
    }

    FUZZ_CHECK(m.badHeapFrees == 0);
    FUZZ_CHECK(m.openKeys.empty());
    FUZZ_CHECK(m.openHandles.empty());
    // What the program keeps for good (argument list, environment strings) goes back
    // to the heap here, so that the leak checker at exit does not count it.
    fake::Reset();
    return 0;
}
