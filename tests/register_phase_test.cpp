// The RegisterFiles.WIN32 phase on the fake machine: the calls around each
// component's DllRegisterServer, which failures end the phase, and what is logged.
#include "actions/register_phase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "setup/setup_context.h"

namespace {

using fake::M;
using Strings = std::vector<std::string>;

constexpr char kLog[] = "C:\\UNINST.INI";
constexpr HRESULT kFailed = static_cast<HRESULT>(0x80004005);  // E_FAIL

class ComponentRegistration : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }

    static void Start(const std::string& sections) {
        fake::SetScript(std::string("[SETUP]\r\nUninstFile=") + kLog + "\r\n" + sections);
        InitSetupContext("SETUP.INF");
    }

    // A loadable component (the fake logs each call of its DllRegisterServer).
    static fake::Component& AddComponent(const std::string& path) {
        fake::WriteFile(path, "component");
        return M().components[path];
    }

    // The seam calls that matter around a component, in order.
    static Strings ModuleCalls() {
        static const char* const kNames[] = {"OleInitialize",  "OleUninitialize", "LoadLibraryA",
                                             "GetProcAddress", "FreeLibrary",     "DllRegisterServer"};
        Strings calls;
        for (const auto& call : M().calls)
            for (const char* name : kNames)
                if (call == name || call.rfind(std::string(name) + " ", 0) == 0) calls.push_back(call);
        return calls;
    }

    static Strings LogKeys(const char* section) {
        Strings keys;
        std::vector<char> buffer(8192, '\0');
        GetPrivateProfileStringA(section, nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()), kLog);
        for (const char* name = buffer.data(); *name != '\0'; name += std::char_traits<char>::length(name) + 1)
            keys.emplace_back(name);
        return keys;
    }

    // The seam call that reads `key`, by position, or -1.
    static int ReadOf(const std::string& key) {
        for (size_t i = 0; i < M().calls.size(); ++i)
            if (M().calls[i].rfind("GetPrivateProfile", 0) == 0 && M().calls[i].find(key) != std::string::npos)
                return static_cast<int>(i);
        return -1;
    }
};

// --- The calls around one component ------------------------------------------------

TEST_F(ComponentRegistration, ComponentIsLoadedCalledLoggedAndReleasedInOrder) {
    Start("[RegisterFiles.WIN32]\r\nsample.dll=\r\n[sample.dll]\r\nTargetDir=C:\\APP\\\r\n");
    AddComponent("C:\\APP\\sample.dll");
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 1);
    Strings calls = ModuleCalls();
    ASSERT_EQ(calls.size(), 6u) << ::testing::PrintToString(calls);
    EXPECT_EQ(calls[0], "OleInitialize");
    EXPECT_EQ(calls[1], "LoadLibraryA C:\\APP\\sample.dll");
    EXPECT_EQ(calls[2], "GetProcAddress DllRegisterServer");
    EXPECT_EQ(calls[3], "DllRegisterServer C:\\APP\\sample.dll");
    EXPECT_EQ(calls[4], "FreeLibrary");
    EXPECT_EQ(calls[5], "OleUninitialize");
    EXPECT_TRUE(M().loadedModules.empty());
    EXPECT_EQ(LogKeys("UninstRegister"), Strings{"C:\\APP\\sample.dll"});
    EXPECT_TRUE(M().boxes.empty());
}

TEST_F(ComponentRegistration, RequiredRegisterIsReadBeforeTheTarget) {
    Start("[RegisterFiles.WIN32]\r\nsample.dll=\r\n[sample.dll]\r\nTargetDir=C:\\APP\\\r\n");
    AddComponent("C:\\APP\\sample.dll");
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 1);
    int required = ReadOf("RequiredRegister");
    ASSERT_NE(required, -1);
    EXPECT_LT(required, ReadOf("TargetFilename"));
    EXPECT_LT(required, ReadOf("TargetDir"));
}

// What DllRegisterServer answers decides the entry; the path is logged either way.
struct RegisterAnswerCase {
    const char* why;
    HRESULT answer;
    int required;
    int phaseResult;
    bool nextRegistered;
};

TEST_F(ComponentRegistration, RefusedRegistrationFailsTheEntryButIsStillLogged) {
    const RegisterAnswerCase cases[] = {
        // A refusal of a required component ends the phase.
        {"E_FAIL, required", kFailed, 1, 0, false},
        {"E_ACCESSDENIED, required", static_cast<HRESULT>(0x80070005), 1, 0, false},
        // An optional one is passed over.
        {"E_FAIL, optional", kFailed, 0, 1, true},
        // Success codes other than S_OK are success.
        {"S_FALSE, required", 1, 1, 1, true},
    };
    for (const RegisterAnswerCase& c : cases) {
        fake::Reset();
        Start(
            "[RegisterFiles.WIN32]\r\nbad.dll=\r\nnext.dll=\r\n"
            "[bad.dll]\r\nTargetDir=C:\\APP\\\r\nRequiredRegister=" +
            std::to_string(c.required) + "\r\n");
        AddComponent("C:\\APP\\bad.dll").registerResult = c.answer;
        AddComponent("C:\\APP\\next.dll");
        EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), c.phaseResult) << c.why;
        // A component that refused may have written part of its registration.
        Strings logged =
            c.nextRegistered ? Strings{"C:\\APP\\bad.dll", "C:\\APP\\next.dll"} : Strings{"C:\\APP\\bad.dll"};
        EXPECT_EQ(LogKeys("UninstRegister"), logged) << c.why;
        EXPECT_TRUE(M().boxes.empty()) << c.why;
        // Released and uninitialised as after a success.
        EXPECT_TRUE(M().loadedModules.empty()) << c.why;
        EXPECT_EQ(fake::CountCalls("OleUninitialize"), fake::CountCalls("OleInitialize")) << c.why;
    }
}

TEST_F(ComponentRegistration, ComponentWithoutAFullPathIsNeverLoaded) {
    // Each would be searched for, or resolved against the current drive or directory.
    for (const char* directory : {"", "%NOSUCHNAME%", "LIB", "\\LIB", "C:LIB"}) {
        fake::Reset();
        std::string entry = "[viewer.dll]\r\nRequiredRegister=0\r\n";
        if (*directory != '\0') entry += std::string("TargetDir=") + directory + "\r\n";
        Start("[RegisterFiles.WIN32]\r\nviewer.dll=\r\nlast.dll=\r\n" + entry +
              "[last.dll]\r\nTargetDir=C:\\APP\\\r\n");
        AddComponent("C:\\MEDIA\\viewer.dll");
        AddComponent("C:\\APP\\last.dll");
        // Optional: passed over silently, unlogged; the next entry still runs.
        EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 1) << directory;
        EXPECT_EQ(fake::CallsStartingWith("LoadLibraryA"), Strings{"LoadLibraryA C:\\APP\\last.dll"}) << directory;
        EXPECT_EQ(LogKeys("UninstRegister"), Strings{"C:\\APP\\last.dll"}) << directory;
    }
    // Required: the phase fails, without a box.
    fake::Reset();
    Start("[RegisterFiles.WIN32]\r\nviewer.dll=\r\n[viewer.dll]\r\nTargetDir=LIB\r\n");
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 0);
    EXPECT_EQ(fake::CountCalls("LoadLibraryA"), 0);
    EXPECT_TRUE(M().boxes.empty());
}

TEST_F(ComponentRegistration, JoinInsertsTheMissingBackslash) {
    Start(
        "[RegisterFiles.WIN32]\r\nsample.dll=\r\nroot.dll=\r\n"
        "[sample.dll]\r\nTargetDir=C:\\APP\r\n[root.dll]\r\nTargetDir=C:\\\r\n");
    AddComponent("C:\\APP\\sample.dll");
    AddComponent("C:\\root.dll");
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 1);
    EXPECT_EQ(fake::CallsStartingWith("LoadLibraryA"),
              (Strings{"LoadLibraryA C:\\APP\\sample.dll", "LoadLibraryA C:\\root.dll"}));
    EXPECT_EQ(LogKeys("UninstRegister"), (Strings{"C:\\APP\\sample.dll", "C:\\root.dll"}));
    EXPECT_STREQ(g_Setup.TARGETDIR.c_str(), "C:\\");
}

TEST_F(ComponentRegistration, TargetFilenameAndExpandedTargetDirNameTheComponent) {
    Start(
        "[RegisterFiles.WIN32]\r\nviewer=\r\n"
        "[viewer]\r\nTargetFilename=viewer32.dll\r\nTargetDir=%WINSYSDIR%\r\n");
    AddComponent("C:\\WINDOWS\\SYSTEM\\viewer32.dll");
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 1);
    EXPECT_EQ(LogKeys("UninstRegister"), Strings{"C:\\WINDOWS\\SYSTEM\\viewer32.dll"});
    EXPECT_STREQ(g_Setup.TARGETFILE.c_str(), "viewer32.dll");
    EXPECT_STREQ(g_Setup.TARGETDIR.c_str(), "C:\\WINDOWS\\SYSTEM\\");
}

TEST_F(ComponentRegistration, EntryWithoutTargetDirUsesThePreviousDirectory) {
    Start(
        "[RegisterFiles.WIN32]\r\none.dll=\r\ntwo.dll=\r\n"
        "[one.dll]\r\nTargetDir=C:\\APP\\\r\n");
    AddComponent("C:\\APP\\one.dll");
    AddComponent("C:\\APP\\two.dll");
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 1);
    EXPECT_EQ(LogKeys("UninstRegister"), (Strings{"C:\\APP\\one.dll", "C:\\APP\\two.dll"}));
}

TEST_F(ComponentRegistration, WithoutAnUninstallLogNothingIsWritten) {
    fake::SetScript("[RegisterFiles.WIN32]\r\nsample.dll=\r\n[sample.dll]\r\nTargetDir=C:\\APP\\\r\n");
    InitSetupContext("SETUP.INF");
    AddComponent("C:\\APP\\sample.dll");
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 1);
    EXPECT_EQ(fake::CountCalls("DllRegisterServer"), 1);
    EXPECT_EQ(fake::CountCalls("WritePrivateProfileStringA"), 0);
}

// --- Components that fail ----------------------------------------------------------

TEST_F(ComponentRegistration, MissingRequiredComponentEndsThePhaseSilently) {
    Start(
        "[RegisterFiles.WIN32]\r\nmissing.dll=\r\nlater.dll=\r\n"
        "[missing.dll]\r\nTargetDir=C:\\APP\\\r\n");
    AddComponent("C:\\APP\\later.dll");
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 0);
    EXPECT_EQ(ModuleCalls(), (Strings{"OleInitialize", "LoadLibraryA C:\\APP\\missing.dll", "OleUninitialize"}));
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_TRUE(LogKeys("UninstRegister").empty());
}

TEST_F(ComponentRegistration, ComponentWithoutDllRegisterServerEndsThePhaseSilently) {
    Start(
        "[RegisterFiles.WIN32]\r\nplain.dll=\r\nlater.dll=\r\n"
        "[plain.dll]\r\nTargetDir=C:\\APP\\\r\n");
    AddComponent("C:\\APP\\plain.dll").exportsRegisterServer = false;
    AddComponent("C:\\APP\\later.dll");
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 0);
    Strings calls = ModuleCalls();
    ASSERT_EQ(calls.size(), 5u) << ::testing::PrintToString(calls);
    EXPECT_EQ(calls[0], "OleInitialize");
    EXPECT_EQ(calls[1], "LoadLibraryA C:\\APP\\plain.dll");
    EXPECT_EQ(calls[2], "GetProcAddress DllRegisterServer");
    EXPECT_EQ(calls[3], "FreeLibrary");
    EXPECT_EQ(calls[4], "OleUninitialize");
    EXPECT_TRUE(M().loadedModules.empty());
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_TRUE(LogKeys("UninstRegister").empty());
}

TEST_F(ComponentRegistration, OptionalComponentThatFailsIsPassedOver) {
    Start(
        "[RegisterFiles.WIN32]\r\nmissing.dll=\r\nplain.dll=\r\nlater.dll=\r\n"
        "[missing.dll]\r\nTargetDir=C:\\APP\\\r\nRequiredRegister=0\r\n"
        "[plain.dll]\r\nRequiredRegister=0\r\n");
    AddComponent("C:\\APP\\plain.dll").exportsRegisterServer = false;
    AddComponent("C:\\APP\\later.dll");
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 1);
    EXPECT_EQ(fake::CallsStartingWith("DllRegisterServer"), Strings{"DllRegisterServer C:\\APP\\later.dll"});
    EXPECT_EQ(LogKeys("UninstRegister"), Strings{"C:\\APP\\later.dll"});
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_EQ(fake::CountCalls("OleInitialize"), 3);
    EXPECT_EQ(fake::CountCalls("OleUninitialize"), 3);
}

TEST_F(ComponentRegistration, AnyNonZeroRequiredRegisterIsRequired) {
    Start("[RegisterFiles.WIN32]\r\nmissing.dll=\r\n[missing.dll]\r\nTargetDir=C:\\APP\\\r\nRequiredRegister=7\r\n");
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 0);
}

TEST_F(ComponentRegistration, PathTooLongIsNotLoaded) {
    std::string directory = "C:\\" + std::string(250, 'D') + "\\";
    Start("[RegisterFiles.WIN32]\r\nlongname.dll=\r\n[longname.dll]\r\nTargetDir=" + directory +
          "\r\nRequiredRegister=0\r\n");
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 1);
    EXPECT_EQ(fake::CountCalls("LoadLibraryA"), 0);
    EXPECT_EQ(fake::CountCalls("OleInitialize"), 0);
    EXPECT_EQ(fake::CountCalls("OleUninitialize"), 0);
    EXPECT_STREQ(g_Setup.TARGETDIR.c_str(), directory.c_str());

    fake::Reset();
    Start("[RegisterFiles.WIN32]\r\nlongname.dll=\r\n[longname.dll]\r\nTargetDir=" + directory + "\r\n");
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 0);
    EXPECT_EQ(fake::CountCalls("LoadLibraryA"), 0);
    EXPECT_TRUE(M().boxes.empty());
}

TEST_F(ComponentRegistration, PathOf259CharactersIsLoaded) {
    std::string directory = "C:\\" + std::string(259 - 3 - 1 - 6, 'D') + "\\";
    std::string path = directory + "xy.dll";
    ASSERT_EQ(path.size(), 259u);
    Start("[RegisterFiles.WIN32]\r\nxy.dll=\r\n[xy.dll]\r\nTargetDir=" + directory + "\r\n");
    AddComponent(path);
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 1);
    EXPECT_EQ(fake::CallsStartingWith("LoadLibraryA"), Strings{"LoadLibraryA " + path});
}

TEST_F(ComponentRegistration, FailedOleInitializeIsNotUndone) {
    Start("[RegisterFiles.WIN32]\r\nsample.dll=\r\n[sample.dll]\r\nTargetDir=C:\\APP\\\r\n");
    AddComponent("C:\\APP\\sample.dll");
    fake::FailCall("OleInitialize");
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 1);
    EXPECT_EQ(fake::CountCalls("OleUninitialize"), 0);
    EXPECT_EQ(LogKeys("UninstRegister"), Strings{"C:\\APP\\sample.dll"});
}

// --- The list ----------------------------------------------------------------------

TEST_F(ComponentRegistration, EmptyListSucceedsWithoutTouchingOle) {
    Start("[RegisterFiles.WIN32]\r\n");
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 1);
    EXPECT_EQ(RunRegisterPhase("NoSuchList"), 1);
    EXPECT_EQ(fake::CountCalls("OleInitialize"), 0);
}

TEST_F(ComponentRegistration, ListThatCannotBeReadFailsThePhase) {
    Start("[RegisterFiles.WIN32]\r\nsample.dll=\r\n[sample.dll]\r\nTargetDir=C:\\APP\\\r\n");
    AddComponent("C:\\APP\\sample.dll");
    fake::FailCall("HeapAlloc");
    EXPECT_EQ(RunRegisterPhase("RegisterFiles.WIN32"), 0);
    EXPECT_EQ(fake::CountCalls("LoadLibraryA"), 0);
}

// --- Within the whole setup --------------------------------------------------------

TEST_F(ComponentRegistration, DirectoryCarriesOverFromTheExecutionPhase) {
    fake::SetScript(
        "[SETUP]\r\nUninstFile=C:\\UNINST.INI\r\n"
        "[ExecFiles.WIN32]\r\nsetupapp.exe=\r\n[setupapp.exe]\r\nTargetDir=C:\\APP\\\r\n"
        "[RegisterFiles.WIN32]\r\nsample.dll=\r\n");
    fake::WriteFile("C:\\APP\\setupapp.exe", "program");
    AddComponent("C:\\APP\\sample.dll");
    fake::RunSetup();
    EXPECT_EQ(fake::CallsStartingWith("LoadLibraryA"), Strings{"LoadLibraryA C:\\APP\\sample.dll"});
    EXPECT_EQ(LogKeys("UninstRegister"), Strings{"C:\\APP\\sample.dll"});
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, "Setup completed successfully");
}

TEST_F(ComponentRegistration, RefusedRegistrationMakesTheSetupFail) {
    fake::SetScript(
        "[SETUP]\r\nProduct=Sample\r\nUninstFile=C:\\UNINST.INI\r\n"
        "[RegisterFiles.WIN32]\r\nviewer.dll=\r\n[viewer.dll]\r\nTargetDir=C:\\APP\\\r\n");
    AddComponent("C:\\APP\\viewer.dll").registerResult = static_cast<HRESULT>(0x80070005);  // E_ACCESSDENIED
    fake::RunSetup();
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, "Setup failed for C:\\APP\\");
    EXPECT_EQ(M().boxes[0].style, static_cast<UINT>(MB_ICONHAND));
    EXPECT_EQ(LogKeys("UninstRegister"), Strings{"C:\\APP\\viewer.dll"});
}

TEST_F(ComponentRegistration, FailingPhaseMakesTheSetupFailWithOnlyTheReport) {
    fake::SetScript(
        "[SETUP]\r\nProduct=Sample\r\n"
        "[RegisterFiles.WIN32]\r\nplain.dll=\r\n[plain.dll]\r\nTargetDir=C:\\APP\\\r\n");
    AddComponent("C:\\APP\\plain.dll").exportsRegisterServer = false;
    fake::RunSetup();
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, "Setup failed for C:\\APP\\");
    EXPECT_EQ(M().boxes[0].caption, "Sample");
    EXPECT_EQ(M().boxes[0].style, static_cast<UINT>(MB_ICONHAND));
}

}  // namespace
