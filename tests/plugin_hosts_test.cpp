// Browser installations found in the registry: which are offered the plug-in, in
// which order, with which text, and what the file phase runs for those accepted.
#include "actions/plugin_hosts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "setup/setup_context.h"

namespace {

using fake::M;

constexpr UINT kQuestion = MB_YESNO | MB_ICONQUESTION;
const std::string kHostsKey = "SOFTWARE\\Navigator\\Installations";
const std::string kDefaultKey = "SOFTWARE\\Navigator\\Default";
const std::string kQuestionStart = "The Setup Program has detected a Netscape installation at \n\n";
const std::string kQuestionEnd = "\n\nInstall/Update the Tarvex Drovane plugin in this installation?";

std::string HostSections(const std::string& mid2Key = "Main", const std::string& midKey = kHostsKey) {
    return "[NETSCAPEDIREX]\r\nRegistryRootKey=HKEY_LOCAL_MACHINE\r\nRegistryMidKey=" + midKey +
           "\r\nRegistryMid2Key=" + mid2Key +
           "\r\nRegistryEndKey=Plugins\r\nRegistryInstallPathKey=Install Directory\r\n"
           "[NETSCAPEDIR]\r\nRegistryRootKey=hkey_local_machine\r\nRegistryMidKey=" +
           kDefaultKey + "\r\nRegistryEndKey=Install Directory\r\n";
}

// The plug-in and one ordinary file; an entry after the plug-in without TargetDir.
const std::string kFileSections =
    "[PLUGINFILE]\r\nPluginFileName=npsample.dll\r\n"
    "[AddFiles.WIN32]\r\nviewer.exe=\r\nNPSAMPLE.DLL=\r\nreadme.txt=\r\n"
    "[viewer.exe]\r\nTargetDir=C:\\SAMPLE\r\n"
    "[NPSAMPLE.DLL]\r\nTargetDir=C:\\SAMPLE\\PLUGINS\r\n";

class PluginHostPhase : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        fake::MakeDirectory("C:\\SAMPLE\\PLUGINS");
        fake::WriteFile("C:\\MEDIA\\viewer.exe", "viewer");
        fake::WriteFile("C:\\MEDIA\\NPSAMPLE.DLL", "plug-in");
        fake::WriteFile("C:\\MEDIA\\readme.txt", "readme");
    }

    static void Script(const std::string& hostSections = HostSections(), const std::string& more = kFileSections) {
        fake::SetScript("[SETUP]\r\nProduct=Sample Plug-in\r\n" + hostSections + more);
    }

    // A browser installation: its subkey below the enumeration key, the plug-in
    // directory (which exists on disk) and, when given, its install directory.
    static void AddHost(const std::string& name, const std::string& pluginDir, const std::string& installDir = "",
                        const std::string& mid2Key = "Main") {
        std::string key = kHostsKey + "\\" + name + (mid2Key.empty() ? "" : "\\" + mid2Key);
        fake::SetRegistryString(HKEY_LOCAL_MACHINE, key, "Plugins", pluginDir);
        if (!installDir.empty()) fake::SetRegistryString(HKEY_LOCAL_MACHINE, key, "Install Directory", installDir);
        fake::MakeDirectory(pluginDir);
    }

    static void SetDefaultDir(const std::string& dir) {
        fake::SetRegistryString(HKEY_LOCAL_MACHINE, kDefaultKey, "Install Directory", dir);
    }

    // Runs the phase alone after start-up, as the driver would on this platform.
    static int RunPhase(int addFilesResult = 0, int nonNt = 0) {
        InitSetupContext("SETUP.INF");
        g_Setup.NonNtPlatform = nonNt;
        heapBlocksBefore = M().heapBlocks.size();
        RunPluginHostPhase(&addFilesResult);
        return addFilesResult;
    }

    // The directories shown by the plug-in questions, in the order asked.
    static std::vector<std::string> OfferedDirectories() {
        std::vector<std::string> dirs;
        for (const auto& box : M().boxes) {
            if (box.text.rfind(kQuestionStart, 0) != 0) continue;
            std::string rest = box.text.substr(kQuestionStart.size());
            size_t end = rest.find(kQuestionEnd);
            dirs.push_back(end == std::string::npos ? "<malformed>" : rest.substr(0, end));
        }
        return dirs;
    }

    static void ExpectKeysBalanced() {
        EXPECT_TRUE(M().openKeys.empty());
        EXPECT_EQ(M().keysOpened, M().keysClosed);
    }

    static void ExpectHostRecordsReleased() { EXPECT_EQ(M().heapBlocks.size(), heapBlocksBefore); }

    static inline size_t heapBlocksBefore = 0;
};

// --- Which hosts are offered, and in which order -------------------------------

TEST_F(PluginHostPhase, HostsAreOfferedInTheReverseOfTheEnumerationOrder) {
    Script();
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    AddHost("B", "C:\\NAV B\\PLUGINS", "C:\\NAV B");
    AddHost("C", "C:\\NAV C\\PLUGINS", "C:\\NAV C");
    RunPhase();
    EXPECT_EQ(OfferedDirectories(), (std::vector<std::string>{"C:\\NAV C", "C:\\NAV B", "C:\\NAV A"}));
    ExpectKeysBalanced();
    ExpectHostRecordsReleased();
}

TEST_F(PluginHostPhase, QuestionShowsTheDirectoryBetweenEmptyLinesUnderTheProductName) {
    Script();
    AddHost("4.7", "C:\\Program Files\\Navigator\\Plugins", "C:\\Program Files\\Navigator");
    RunPhase();
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, kQuestionStart + "C:\\Program Files\\Navigator" + kQuestionEnd);
    EXPECT_EQ(M().boxes[0].caption, "Sample Plug-in");
    EXPECT_EQ(M().boxes[0].style, kQuestion);
    EXPECT_EQ(M().boxes[0].owner, nullptr);
}

TEST_F(PluginHostPhase, InstallDirectoryOfTheLongestPathIsShownWhole) {
    std::string dir = "C:\\" + std::string(256, 'N');  // 259 characters
    Script();
    AddHost("A", "C:\\NAV\\PLUGINS", dir);
    RunPhase();
    EXPECT_EQ(OfferedDirectories(), std::vector<std::string>{dir});
}

TEST_F(PluginHostPhase, EnumerationKeyWithoutSubkeysAsksNothingAndIsClosed) {
    Script();
    fake::CreateRegistryKey(HKEY_LOCAL_MACHINE, kHostsKey);
    EXPECT_EQ(RunPhase(1), 1);
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_EQ(fake::CountCalls("RegCloseKey"), M().keysOpened);
    ExpectKeysBalanced();
}

TEST_F(PluginHostPhase, SubkeyNameOf80CharactersEndsTheEnumerationAtItsIndex) {
    Script();
    std::string name79(79, 'x'), name80(80, 'y');
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    AddHost(name79, "C:\\NAV 79\\PLUGINS", "C:\\NAV 79");
    AddHost(name80, "C:\\NAV 80\\PLUGINS", "C:\\NAV 80");
    AddHost("C", "C:\\NAV C\\PLUGINS", "C:\\NAV C");
    RunPhase();
    EXPECT_EQ(OfferedDirectories(), (std::vector<std::string>{"C:\\NAV 79", "C:\\NAV A"}));
    ExpectKeysBalanced();
    ExpectHostRecordsReleased();
}

TEST_F(PluginHostPhase, SubkeyNameOf80CharactersEndsTheEnumerationOnWindows95Too) {
    Script();
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    AddHost(std::string(80, 'y'), "C:\\NAV 80\\PLUGINS", "C:\\NAV 80");
    AddHost("C", "C:\\NAV C\\PLUGINS", "C:\\NAV C");
    RunPhase(0, 1);
    EXPECT_EQ(OfferedDirectories(), std::vector<std::string>{"C:\\NAV A"});
}

TEST_F(PluginHostPhase, DefaultInstallationIsNotOfferedWhateverTheLetterCase) {
    Script();
    SetDefaultDir("C:\\Program Files\\Navigator");
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    AddHost("B", "C:\\Program Files\\Navigator\\Plugins", "c:\\PROGRAM FILES\\navigator");
    AddHost("C", "C:\\NAV C\\PLUGINS", "C:\\NAV C");
    RunPhase();
    EXPECT_EQ(OfferedDirectories(), (std::vector<std::string>{"C:\\NAV C", "C:\\NAV A"}));
    EXPECT_STREQ(g_Setup.NetscapeDefaultDir.c_str(), "C:\\Program Files\\Navigator");
}

TEST_F(PluginHostPhase, HostWithoutReadablePluginDirectoryIsSkippedSilently) {
    Script();
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    // B has only its install directory; C has no key below its subkey at all.
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, kHostsKey + "\\B\\Main", "Install Directory", "C:\\NAV B");
    fake::CreateRegistryKey(HKEY_LOCAL_MACHINE, kHostsKey + "\\C");
    AddHost("D", "C:\\NAV D\\PLUGINS", "C:\\NAV D");
    RunPhase();
    EXPECT_EQ(OfferedDirectories(), (std::vector<std::string>{"C:\\NAV D", "C:\\NAV A"}));
    EXPECT_EQ(M().boxes.size(), 2u);
    ExpectKeysBalanced();
    ExpectHostRecordsReleased();
}

TEST_F(PluginHostPhase, UnreadableInstallDirectoryShowsThePluginDirectory) {
    Script();
    AddHost("A", "C:\\NAV A\\PLUGINS");
    RunPhase();
    EXPECT_EQ(OfferedDirectories(), std::vector<std::string>{"C:\\NAV A\\PLUGINS"});
}

TEST_F(PluginHostPhase, PluginDirectoryStandingInForTheInstallDirectoryIsComparedWithTheDefault) {
    Script();
    SetDefaultDir("C:\\NAV A\\PLUGINS");
    AddHost("A", "C:\\NAV A\\Plugins");
    AddHost("B", "C:\\NAV B\\PLUGINS");
    RunPhase();
    EXPECT_EQ(OfferedDirectories(), std::vector<std::string>{"C:\\NAV B\\PLUGINS"});
}

TEST_F(PluginHostPhase, WithoutADefaultDirectoryOnlyAnEmptyInstallDirectoryIsSkipped) {
    Script();
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, kHostsKey + "\\B\\Main", "Plugins", "C:\\NAV B\\PLUGINS");
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, kHostsKey + "\\B\\Main", "Install Directory", "");
    RunPhase();
    EXPECT_STREQ(g_Setup.NetscapeDefaultDir.c_str(), "");
    EXPECT_EQ(OfferedDirectories(), std::vector<std::string>{"C:\\NAV A"});
}

TEST_F(PluginHostPhase, EmptyMid2KeyReadsTheValuesFromTheSubkeyItself) {
    Script(HostSections(""));
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A", "");
    RunPhase();
    EXPECT_EQ(OfferedDirectories(), std::vector<std::string>{"C:\\NAV A"});
    // Both separators are always put in: the host key path ends in a backslash.
    std::vector<std::string> opens = fake::CallsStartingWith("RegOpenKeyExA");
    EXPECT_NE(std::find(opens.begin(), opens.end(), "RegOpenKeyExA HKEY_LOCAL_MACHINE " + kHostsKey + "\\A\\"),
              opens.end());
}

TEST_F(PluginHostPhase, HostKeyPathOver255CharactersIsSkippedWithoutAMessage) {
    // Mid key of 209 characters: with "\", the subkey name, "\" and "Main", a name of
    // 40 characters makes a path of 255, one of 41 a path of 256.
    std::string midKey = "SOFTWARE\\" + std::string(200, 'N');
    Script(HostSections("Main", midKey));
    std::string fits(40, 'a'), tooLong(41, 'b');
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, midKey + "\\" + fits + "\\Main", "Plugins", "C:\\FITS");
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, midKey + "\\" + tooLong + "\\Main", "Plugins", "C:\\TOO LONG");
    RunPhase();
    EXPECT_EQ(OfferedDirectories(), std::vector<std::string>{"C:\\FITS"});
    for (const auto& call : fake::CallsStartingWith("RegOpenKeyExA"))
        EXPECT_EQ(call.find(tooLong), std::string::npos) << call;
    ExpectKeysBalanced();
    ExpectHostRecordsReleased();
}

TEST_F(PluginHostPhase, HostKeyPathCutBeforeAnEmptyMid2KeyIsSkippedNotTakenForAnother) {
    // Mid key of 250 characters, no RegistryMid2Key: "\", "ABCD" and "\" make 256, so
    // host ABCD's path does not fit either; host ABCDEF's path, cut after "ABCD",
    // would otherwise name host ABCD's key and offer its directory once more.
    std::string midKey = "SOFTWARE\\" + std::string(241, 'N');
    ASSERT_EQ(midKey.size(), 250u);
    Script(HostSections("", midKey));
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, midKey + "\\AB", "Plugins", "C:\\HOST AB");
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, midKey + "\\ABCD", "Plugins", "C:\\HOST ABCD");
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, midKey + "\\ABCDEF", "Plugins", "C:\\HOST ABCDEF");
    RunPhase();
    // AB's path (250 + 1 + 2 + 1 = 254 characters) fits; the others are skipped.
    EXPECT_EQ(OfferedDirectories(), std::vector<std::string>{"C:\\HOST AB"});
    ExpectKeysBalanced();
    ExpectHostRecordsReleased();
}

// --- Keys, records and the enumeration call -------------------------------------

TEST_F(PluginHostPhase, DefaultDirectoryIsReadEvenWhenTheEnumerationKeyDoesNotOpen) {
    Script();
    SetDefaultDir("C:\\Program Files\\Navigator");
    EXPECT_EQ(RunPhase(1), 1);
    EXPECT_STREQ(g_Setup.NetscapeDefaultDir.c_str(), "C:\\Program Files\\Navigator");
    EXPECT_TRUE(M().boxes.empty());
    ExpectKeysBalanced();
}

TEST_F(PluginHostPhase, DefaultDirectoryIsReadWhenTheEnumerationRootIsUnknown) {
    Script("[NETSCAPEDIREX]\r\nRegistryRootKey=HKEY_CURRENT_CONFIG\r\nRegistryMidKey=" + kHostsKey +
           "\r\nRegistryEndKey=Plugins\r\n" + HostSections().substr(HostSections().find("[NETSCAPEDIR]\r\n")));
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    SetDefaultDir("C:\\NAV");
    RunPhase();
    EXPECT_STREQ(g_Setup.NetscapeDefaultDir.c_str(), "C:\\NAV");
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_EQ(fake::CountCalls("RegEnumKey"), 0);
}

TEST_F(PluginHostPhase, EnumerationKeyStaysOpenThroughTheHostRunsAndIsClosedOnce) {
    Script();
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    AddHost("B", "C:\\NAV B\\PLUGINS", "C:\\NAV B");
    SetDefaultDir("C:\\NAV DEFAULT");
    M().answers = {IDYES, IDYES};
    EXPECT_EQ(RunPhase(), 1);
    ASSERT_EQ(M().boxes.size(), 2u);
    // Enumeration key, default directory key, one key per host: each closed once.
    EXPECT_EQ(M().keysOpened, 4);
    EXPECT_EQ(fake::CountCalls("RegCloseKey"), 4);
    ExpectKeysBalanced();
    // The enumeration key is closed once, as the last registry call, after both file runs.
    const std::string closeEnumKey = "RegCloseKey HKEY_LOCAL_MACHINE\\" + kHostsKey;
    EXPECT_EQ(std::count(M().calls.begin(), M().calls.end(), closeEnumKey), 1);
    size_t lastInstall = 0, lastRegistry = 0;
    for (size_t i = 0; i < M().calls.size(); ++i) {
        if (M().calls[i].rfind("VerInstallFileA", 0) == 0) lastInstall = i;
        if (M().calls[i].rfind("Reg", 0) == 0) lastRegistry = i;
    }
    EXPECT_EQ(M().calls[lastRegistry], closeEnumKey);
    EXPECT_GT(lastRegistry, lastInstall);
    EXPECT_EQ(M().verInstallCalls.size(), 6u);  // three entries per host run
    ExpectHostRecordsReleased();
}

TEST_F(PluginHostPhase, Windows95EnumeratesWithRegEnumKeyAndFindsTheSameHosts) {
    Script();
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    AddHost("B", "C:\\NAV B\\PLUGINS", "C:\\NAV B");
    RunPhase(0, 1);
    EXPECT_EQ(OfferedDirectories(), (std::vector<std::string>{"C:\\NAV B", "C:\\NAV A"}));
    EXPECT_EQ(fake::CountCalls("RegEnumKeyA"), 3);  // two names and the end of the list
    EXPECT_EQ(fake::CountCalls("RegEnumKeyExA"), 0);
}

TEST_F(PluginHostPhase, WindowsNTEnumeratesWithRegEnumKeyEx) {
    Script();
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    AddHost("B", "C:\\NAV B\\PLUGINS", "C:\\NAV B");
    RunPhase(0, 0);
    EXPECT_EQ(OfferedDirectories(), (std::vector<std::string>{"C:\\NAV B", "C:\\NAV A"}));
    EXPECT_EQ(fake::CountCalls("RegEnumKeyExA"), 3);
    EXPECT_EQ(fake::CountCalls("RegEnumKeyA"), 0);
}

TEST_F(PluginHostPhase, DriverOnWindows95UsesRegEnumKey) {
    fake::SetWindows95();
    Script();
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    fake::RunSetup();
    EXPECT_EQ(OfferedDirectories(), std::vector<std::string>{"C:\\NAV A"});
    EXPECT_GT(fake::CountCalls("RegEnumKeyA"), 0);
    EXPECT_EQ(fake::CountCalls("RegEnumKeyExA"), 0);
}

TEST_F(PluginHostPhase, RecordThatCannotBeAllocatedEndsTheEnumerationButFoundHostsAreOffered) {
    Script();
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    AddHost("B", "C:\\NAV B\\PLUGINS", "C:\\NAV B");
    AddHost("C", "C:\\NAV C\\PLUGINS", "C:\\NAV C");
    AddHost("D", "C:\\NAV D\\PLUGINS", "C:\\NAV D");
    InitSetupContext("SETUP.INF");
    size_t before = M().heapBlocks.size();
    // The records of A and B are allocated, the third allocation fails: neither C
    // nor D is seen.
    fake::FailCall("HeapAlloc", 3);
    int result = 0;
    RunPluginHostPhase(&result);
    EXPECT_EQ(OfferedDirectories(), (std::vector<std::string>{"C:\\NAV B", "C:\\NAV A"}));
    EXPECT_EQ(M().heapBlocks.size(), before);
    ExpectKeysBalanced();
}

TEST_F(PluginHostPhase, FirstRecordThatCannotBeAllocatedOffersNothing) {
    Script();
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    InitSetupContext("SETUP.INF");
    fake::FailCall("HeapAlloc", 1);
    int result = 1;
    RunPluginHostPhase(&result);
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(M().boxes.empty());
    ExpectKeysBalanced();
}

// --- What accepted hosts get ------------------------------------------------------

TEST_F(PluginHostPhase, AcceptedHostGetsThePluginAndTheOtherFilesAgain) {
    Script();
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    AddHost("B", "C:\\NAV B\\PLUGINS", "C:\\NAV B");
    M().answers = {IDNO, IDYES};  // B declined, A accepted
    EXPECT_EQ(RunPhase(), 1);
    EXPECT_EQ(fake::ReadFile("C:\\NAV A\\PLUGINS\\NPSAMPLE.DLL").value_or("<none>"), "plug-in");
    EXPECT_FALSE(fake::FileExists("C:\\NAV B\\PLUGINS\\NPSAMPLE.DLL"));
    // Not the plug-in's own TargetDir: that is only for the main run.
    EXPECT_FALSE(fake::FileExists("C:\\SAMPLE\\PLUGINS\\NPSAMPLE.DLL"));
    EXPECT_EQ(fake::ReadFile("C:\\SAMPLE\\viewer.exe").value_or("<none>"), "viewer");
    // readme.txt has no TargetDir: it follows the plug-in into the host's directory.
    EXPECT_EQ(fake::ReadFile("C:\\NAV A\\PLUGINS\\readme.txt").value_or("<none>"), "readme");
    EXPECT_STREQ(g_Setup.TARGETDIR.c_str(), "C:\\NAV A\\PLUGINS");
}

TEST_F(PluginHostPhase, SecondAcceptedHostsResultIsTheOneKept) {
    Script(HostSections(), "[AddFiles.WIN32]\r\nNPSAMPLE.DLL=\r\n[PLUGINFILE]\r\nPluginFileName=NPSAMPLE.DLL\r\n");
    // A's plug-in directory lies below a directory that does not exist: its run fails.
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, kHostsKey + "\\A\\Main", "Plugins", "C:\\GONE\\NAV A\\PLUGINS");
    AddHost("B", "C:\\NAV B\\PLUGINS", "C:\\NAV B");
    M().answers = {IDYES, IDYES};  // B, then A
    EXPECT_EQ(RunPhase(), 0);
    EXPECT_TRUE(fake::FileExists("C:\\NAV B\\PLUGINS\\NPSAMPLE.DLL"));
    EXPECT_EQ(OfferedDirectories(), (std::vector<std::string>{"C:\\NAV B", "C:\\GONE\\NAV A\\PLUGINS"}));
}

TEST_F(PluginHostPhase, FailedHostRunDoesNotStopTheNextHost) {
    Script(HostSections(), "[AddFiles.WIN32]\r\nNPSAMPLE.DLL=\r\n[PLUGINFILE]\r\nPluginFileName=NPSAMPLE.DLL\r\n");
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, kHostsKey + "\\B\\Main", "Plugins", "C:\\GONE\\NAV B\\PLUGINS");
    M().answers = {IDYES, IDYES};  // B fails, then A succeeds
    EXPECT_EQ(RunPhase(), 1);
    EXPECT_TRUE(fake::FileExists("C:\\NAV A\\PLUGINS\\NPSAMPLE.DLL"));
}

TEST_F(PluginHostPhase, DeclinedHostsLeaveTheResultAlone) {
    Script();
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    AddHost("B", "C:\\NAV B\\PLUGINS", "C:\\NAV B");
    M().answers = {IDNO, IDNO};
    EXPECT_EQ(RunPhase(1), 1);
    EXPECT_EQ(RunPhase(0), 0);
    EXPECT_TRUE(M().verInstallCalls.empty());
}

TEST_F(PluginHostPhase, DeclinedHostAfterAFailedRunKeepsTheFailure) {
    Script(HostSections(), "[AddFiles.WIN32]\r\nNPSAMPLE.DLL=\r\n[PLUGINFILE]\r\nPluginFileName=NPSAMPLE.DLL\r\n");
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, kHostsKey + "\\B\\Main", "Plugins", "C:\\GONE\\PLUGINS");
    M().answers = {IDYES, IDNO};  // B accepted and failing, A declined
    EXPECT_EQ(RunPhase(1), 0);
}

TEST_F(PluginHostPhase, UnknownRootNameWhenReadingAHostEndsTheVisitsAndClosesTheKey) {
    // The first accepted host's run replaces the script by one whose root name is
    // unknown: the section is read anew for each host, so the visits end there.
    Script(HostSections(),
           "[AddFiles.WIN32]\r\nnewinf=\r\n"
           "[newinf]\r\nSourceFilename=NEWSETUP.INF\r\nTargetFilename=SETUP.INF\r\nTargetDir=%SRCDIR%\r\n");
    fake::WriteFile("C:\\MEDIA\\NEWSETUP.INF",
                    "[NETSCAPEDIREX]\r\nRegistryRootKey=HKEY_NOWHERE\r\nRegistryMidKey=" + kHostsKey +
                        "\r\nRegistryMid2Key=Main\r\nRegistryEndKey=Plugins\r\n");
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    AddHost("B", "C:\\NAV B\\PLUGINS", "C:\\NAV B");
    AddHost("C", "C:\\NAV C\\PLUGINS", "C:\\NAV C");
    SetDefaultDir("C:\\NAV DEFAULT");
    M().answers = {IDYES, IDYES, IDYES};
    EXPECT_EQ(RunPhase(), 1);
    EXPECT_EQ(OfferedDirectories(), std::vector<std::string>{"C:\\NAV C"});
    // The root name is read for the enumeration key, for C and for B; A is discarded
    // unvisited.
    EXPECT_EQ(fake::CountCalls("GetPrivateProfileStringA NETSCAPEDIREX RegistryRootKey "), 3);
    // Enumeration key, default directory key and C's key.
    EXPECT_EQ(M().keysOpened, 3);
    ExpectKeysBalanced();
    ExpectHostRecordsReleased();
}

TEST_F(PluginHostPhase, RegistryValueMissingWithOneAcceptedHostStillRunsProgramsAndRegistration) {
    bool registered = false;
    M().components["C:\\SAMPLE\\sample.ocx"].onRegister = [&] { registered = true; };
    fake::WriteFile("C:\\MEDIA\\sample.ocx", "component");
    fake::WriteFile("C:\\MEDIA\\setupaux.exe", "program");
    Script(HostSections(),
           "[SetEnv.WIN32]\r\nSAMPLE_DATA=\r\n"
           "[SAMPLE_DATA]\r\nDataFrom=REGISTRY\r\nRegistryRootKey=HKEY_LOCAL_MACHINE\r\n"
           "RegistryMidKey=SOFTWARE\\Missing\r\nRegistryEndKey=Data\r\n"
           "[PLUGINFILE]\r\nPluginFileName=NPSAMPLE.DLL\r\n"
           "[AddFiles.WIN32]\r\nsample.ocx=\r\nsetupaux.exe=\r\nNPSAMPLE.DLL=\r\n"
           "[sample.ocx]\r\nTargetDir=C:\\SAMPLE\\\r\n[setupaux.exe]\r\nTargetDir=C:\\SAMPLE\\\r\n"
           "[ExecFiles.WIN32]\r\nsetupaux.exe=\r\n"
           "[RegisterFiles.WIN32]\r\nsample.ocx=\r\n");
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    M().answers = {IDYES};
    fake::RunSetup();
    EXPECT_EQ(g_Setup.RegistryValueMissing, 1);
    EXPECT_TRUE(fake::FileExists("C:\\NAV A\\PLUGINS\\NPSAMPLE.DLL"));
    // The main run was skipped: the file phase ran once, for the host.
    EXPECT_EQ(M().verInstallCalls.size(), 3u);
    ASSERT_EQ(M().started.size(), 1u);
    EXPECT_NE(M().started[0].command.find("setupaux.exe"), std::string::npos);
    EXPECT_TRUE(registered);
    ASSERT_FALSE(M().boxes.empty());
    EXPECT_EQ(M().boxes.back().text, "Setup completed successfully");
}

TEST_F(PluginHostPhase, RegistryValueMissingAndEveryHostDeclinedReportsFailure) {
    Script(HostSections(),
           "[SetEnv.WIN32]\r\nSAMPLE_DATA=\r\n"
           "[SAMPLE_DATA]\r\nDataFrom=REGISTRY\r\nRegistryRootKey=HKEY_LOCAL_MACHINE\r\n"
           "RegistryMidKey=SOFTWARE\\Missing\r\nRegistryEndKey=Data\r\n" +
               kFileSections);
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    M().answers = {IDNO};
    fake::RunSetup();
    EXPECT_TRUE(M().verInstallCalls.empty());
    ASSERT_EQ(M().boxes.size(), 2u);
    EXPECT_EQ(M().boxes[1].text, "Setup failed for ");
}

// --- The three registry readers ---------------------------------------------------

class PluginHostReaders : public PluginHostPhase {};

TEST_F(PluginHostReaders, UnknownRootNameStopsTheVisitsAndOpensNothing) {
    fake::SetScript("[HOSTS]\r\nRegistryRootKey=HKLM\r\nRegistryMidKey=" + kHostsKey +
                    "\r\nRegistryEndKey=Plugins\r\n");
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A", "");
    InitSetupContext("SETUP.INF");
    PluginHost host{};
    host.SubkeyName.Assign("A");
    host.PluginDir.Assign("stale");
    EXPECT_EQ(ReadPluginHost(&host, "HOSTS"), PluginHostStop);
    EXPECT_STREQ(host.PluginDir.c_str(), "");
    EXPECT_EQ(M().keysOpened, 0);
    EXPECT_EQ(OpenHostEnumKey("HOSTS"), nullptr);
}

TEST_F(PluginHostReaders, ReadableHostIsReadWithBothDirectoriesAndClosesItsKey) {
    Script();
    AddHost("A", "C:\\NAV A\\PLUGINS", "C:\\NAV A");
    InitSetupContext("SETUP.INF");
    PluginHost host{};
    host.SubkeyName.Assign("A");
    EXPECT_EQ(ReadPluginHost(&host, "NETSCAPEDIREX"), PluginHostRead);
    EXPECT_STREQ(host.PluginDir.c_str(), "C:\\NAV A\\PLUGINS");
    EXPECT_STREQ(host.InstallPath.c_str(), "C:\\NAV A");
    EXPECT_EQ(M().keysOpened, 1);
    ExpectKeysBalanced();
}

TEST_F(PluginHostReaders, MissingPluginValueSkipsTheHostWithAnEmptyDirectoryAndClosesTheKey) {
    Script();
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, kHostsKey + "\\A\\Main", "Install Directory", "C:\\NAV A");
    InitSetupContext("SETUP.INF");
    PluginHost host{};
    host.SubkeyName.Assign("A");
    host.PluginDir.Assign("stale");
    EXPECT_EQ(ReadPluginHost(&host, "NETSCAPEDIREX"), PluginHostSkipped);
    EXPECT_STREQ(host.PluginDir.c_str(), "");
    EXPECT_EQ(M().keysOpened, 1);
    ExpectKeysBalanced();
}

TEST_F(PluginHostReaders, EnumerationKeyOpensForEnumerationOnly) {
    Script();
    fake::CreateRegistryKey(HKEY_LOCAL_MACHINE, kHostsKey);
    InitSetupContext("SETUP.INF");
    HKEY key = OpenHostEnumKey("NETSCAPEDIREX");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(M().openKeys.size(), 1u);
    RegCloseKey(key);
    EXPECT_EQ(OpenHostEnumKey("NOSUCHSECTION"), nullptr);
}

TEST_F(PluginHostReaders, DefaultDirectoryTakesDataWithoutATerminator) {
    Script();
    fake::SetRegistryData(HKEY_LOCAL_MACHINE, kDefaultKey, "Install Directory", REG_BINARY, "C:\\NAV");
    InitSetupContext("SETUP.INF");
    PathText out;
    out.Assign("stale");
    ReadNetscapeDefaultDir("NETSCAPEDIR", out);
    EXPECT_STREQ(out.c_str(), "C:\\NAV");
    ExpectKeysBalanced();
}

TEST_F(PluginHostReaders, DataFillingTheWholeBufferWithoutATerminatorIsRefused) {
    Script();
    std::string full(260, 'D');
    fake::SetRegistryData(HKEY_LOCAL_MACHINE, kDefaultKey, "Install Directory", REG_BINARY, full);
    InitSetupContext("SETUP.INF");
    PathText out;
    out.Assign("stale");
    ReadNetscapeDefaultDir("NETSCAPEDIR", out);
    EXPECT_STREQ(out.c_str(), "");
    ExpectKeysBalanced();
    // 259 characters and a terminator are 260 bytes and fit.
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, kDefaultKey, "Install Directory", std::string(259, 'E'));
    ReadNetscapeDefaultDir("NETSCAPEDIR", out);
    EXPECT_EQ(std::string(out.c_str()), std::string(259, 'E'));
    // 260 characters and a terminator do not.
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, kDefaultKey, "Install Directory", std::string(260, 'F'));
    ReadNetscapeDefaultDir("NETSCAPEDIR", out);
    EXPECT_STREQ(out.c_str(), "");
    ExpectKeysBalanced();
}

TEST_F(PluginHostReaders, EmptyValueNameReadsTheKeysDefaultValue) {
    Script("[NETSCAPEDIR]\r\nRegistryRootKey=HKEY_CURRENT_USER\r\nRegistryMidKey=" + kDefaultKey +
           "\r\nRegistryEndKey=\r\n");
    fake::SetRegistryString(HKEY_CURRENT_USER, kDefaultKey, "", "C:\\NAV DEFAULT");
    InitSetupContext("SETUP.INF");
    PathText out;
    ReadNetscapeDefaultDir("NETSCAPEDIR", out);
    EXPECT_STREQ(out.c_str(), "C:\\NAV DEFAULT");
}

TEST_F(PluginHostReaders, MissingDefaultDirectoryKeyOrValueEmptiesTheOutput) {
    Script();
    InitSetupContext("SETUP.INF");
    PathText out;
    out.Assign("stale");
    ReadNetscapeDefaultDir("NETSCAPEDIR", out);
    EXPECT_STREQ(out.c_str(), "");
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, kDefaultKey, "Other", "C:\\NAV");
    out.Assign("stale");
    ReadNetscapeDefaultDir("NETSCAPEDIR", out);
    EXPECT_STREQ(out.c_str(), "");
    EXPECT_EQ(M().keysOpened, 1);
    ExpectKeysBalanced();
}

}  // namespace
