// The SetEnv.WIN32 phase: values from the registry, the script and other INI files,
// what reaches the process environment, and when the main file phase is skipped.
#include "actions/environment.h"

#include <gtest/gtest.h>

#include <string>

#include "fake/fake_machine.h"
#include "script/macros.h"
#include "setup/setup_context.h"
#include "ui/resource_ids.h"

namespace {

using fake::M;

std::string Env(const std::string& name) {
    return fake::GetEnvironment(name).value_or("<unset>");
}

// One variable section reading a registry value.
std::string RegistrySection(const std::string& name, const std::string& root, const std::string& mid,
                            const std::string& end, const std::string& extra = "") {
    return "[" + name + "]\r\nDataFrom=REGISTRY\r\nRegistryRootKey=" + root + "\r\nRegistryMidKey=" + mid +
           "\r\nRegistryEndKey=" + end + "\r\n" + extra;
}

class EnvironmentPhase : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }

    // Runs start-up (which runs the phase) over a script with these variables.
    static void RunPhase(const std::string& names, const std::string& sections) {
        fake::SetScript("[SetEnv.WIN32]\r\n" + names + sections);
        InitSetupContext("SETUP.INF");
    }
};

TEST_F(EnvironmentPhase, RegistryValueBecomesAVariableWithEndingBackslash) {
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Sample\\Viewer", "InstallDir", "D:\\Sample");
    RunPhase("SAMPLE_HOME=\r\n", RegistrySection("SAMPLE_HOME", "hkey_local_machine", "Software\\Sample\\Viewer",
                                                 "InstallDir", "EndWithBackslash=1\r\n"));
    EXPECT_EQ(Env("SAMPLE_HOME"), "D:\\Sample\\");
    EXPECT_EQ(g_Setup.RegistryValueMissing, 0);
}

TEST_F(EnvironmentPhase, ScriptValueIsExpandedAndKeepsAnExistingBackslash) {
    RunPhase("VIEWER_DIR=\r\nPLAIN=\r\n",
             "[VIEWER_DIR]\r\nDataFrom=environment\r\nEnvironmentValue=%WINDIR%Viewer\\\r\nEndWithBackslash=1\r\n"
             "[PLAIN]\r\nDataFrom=Environment\r\nEnvironmentValue=%PRODUCTNAME% 1.0\r\n");
    EXPECT_EQ(Env("VIEWER_DIR"), "C:\\WINDOWS\\Viewer\\");
    EXPECT_EQ(Env("PLAIN"), "product 1.0");
}

TEST_F(EnvironmentPhase, IniFileWithABareNameIsReadFromTheWindowsDirectory) {
    fake::WriteFile("C:\\WINDOWS\\OTHER.INI", "[Paths]\r\nData=%WINSYSDIR%data\r\n");
    fake::WriteFile("C:\\MEDIA\\OTHER.INI", "[Paths]\r\nData=wrong file\r\n");
    RunPhase("DATA_DIR=\r\n",
             "[DATA_DIR]\r\nDataFrom=IniFile\r\nINIFile=OTHER.INI\r\nINIFileSect=paths\r\nINIFileKey=DATA\r\n"
             "EndWithBackslash=1\r\n");
    EXPECT_EQ(Env("DATA_DIR"), "C:\\WINDOWS\\SYSTEM\\data\\");
}

TEST_F(EnvironmentPhase, IniFileNamesAreExpandedBeforeTheRead) {
    fake::SetEnvironment("SECT", "Paths");
    fake::WriteFile("C:\\MEDIA\\sample.ini", "[Paths]\r\nproduct=from the medium\r\n");
    RunPhase("FROM_MEDIA=\r\n",
             "[FROM_MEDIA]\r\nDataFrom=INIFILE\r\nINIFile=%SRCDIR%sample.ini\r\nINIFileSect=%SECT%\r\n"
             "INIFileKey=%PRODUCTNAME%\r\n");
    EXPECT_EQ(Env("FROM_MEDIA"), "from the medium");
}

TEST_F(EnvironmentPhase, ExpandedIniSectionNameIsCutTo79Characters) {
    std::string longName(120, 'S');
    fake::SetEnvironment("LONGSECT", longName);
    fake::WriteFile("C:\\WINDOWS\\OTHER.INI", "[" + longName.substr(0, 79) + "]\r\nKey=cut name\r\n");
    RunPhase("CUT=\r\n",
             "[CUT]\r\nDataFrom=INIFILE\r\nINIFile=OTHER.INI\r\nINIFileSect=%LONGSECT%\r\nINIFileKey=Key\r\n");
    EXPECT_EQ(Env("CUT"), "cut name");
}

TEST_F(EnvironmentPhase, MissingPiecesOfAnIniSourceGiveNoValue) {
    fake::WriteFile("C:\\WINDOWS\\OTHER.INI", "[Paths]\r\nData=x\r\nEmpty=\r\n");
    for (const char* name : {"NOFILE", "NOSECT", "NOKEY", "EMPTYVALUE", "NOSUCHFILE"})
        fake::SetEnvironment(name, "old");
    RunPhase("NOFILE=\r\nNOSECT=\r\nNOKEY=\r\nEMPTYVALUE=\r\nNOSUCHFILE=\r\n",
             "[NOFILE]\r\nDataFrom=INIFILE\r\nINIFileSect=Paths\r\nINIFileKey=Data\r\n"
             "[NOSECT]\r\nDataFrom=INIFILE\r\nINIFile=OTHER.INI\r\nINIFileKey=Data\r\n"
             "[NOKEY]\r\nDataFrom=INIFILE\r\nINIFile=OTHER.INI\r\nINIFileSect=Paths\r\n"
             "[EMPTYVALUE]\r\nDataFrom=INIFILE\r\nINIFile=OTHER.INI\r\nINIFileSect=Paths\r\nINIFileKey=Empty\r\n"
             "EndWithBackslash=1\r\n"
             "[NOSUCHFILE]\r\nDataFrom=INIFILE\r\nINIFile=NONE.INI\r\nINIFileSect=Paths\r\nINIFileKey=Data\r\n");
    for (const char* name : {"NOFILE", "NOSECT", "NOKEY", "EMPTYVALUE", "NOSUCHFILE"})
        EXPECT_EQ(Env(name), "<unset>") << name;
}

TEST_F(EnvironmentPhase, EmptyValueRemovesAnInheritedVariable) {
    const char* names[] = {"NO_SOURCE", "BAD_SOURCE", "NO_SECTION", "EMPTY_SCRIPT_VALUE", "UNKNOWN_NAME"};
    for (const char* name : names) fake::SetEnvironment(name, "inherited");
    fake::SetEnvironment("UNTOUCHED", "inherited");
    RunPhase("NO_SOURCE=\r\nBAD_SOURCE=\r\nNO_SECTION=\r\nEMPTY_SCRIPT_VALUE=\r\nUNKNOWN_NAME=\r\n",
             "[NO_SOURCE]\r\nEnvironmentValue=x\r\nEndWithBackslash=1\r\n"
             "[BAD_SOURCE]\r\nDataFrom=SCRIPT\r\nEnvironmentValue=x\r\n"
             "[EMPTY_SCRIPT_VALUE]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=\r\nEndWithBackslash=1\r\n"
             "[UNKNOWN_NAME]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=%NOSUCHNAME%\r\nEndWithBackslash=1\r\n");
    for (const char* name : names) EXPECT_EQ(Env(name), "<unset>") << name;
    EXPECT_EQ(Env("UNTOUCHED"), "inherited");
}

TEST_F(EnvironmentPhase, EarlierVariableIsVisibleToLaterEntriesButNotTheOtherWayRound) {
    RunPhase("FIRST=\r\nSECOND=\r\nTHIRD=\r\n",
             "[FIRST]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=one\r\n"
             "[SECOND]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=%FIRST%+%THIRD%\r\n"
             "[THIRD]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=three\r\n");
    EXPECT_EQ(Env("FIRST"), "one");
    EXPECT_EQ(Env("SECOND"), "one+");
    EXPECT_EQ(Env("THIRD"), "three");
}

TEST_F(EnvironmentPhase, SearchPathIsExtendedByTheSourceDirectory) {
    fake::SetEnvironment("Path", "C:\\WINDOWS;C:\\WINDOWS\\SYSTEM");
    RunPhase("PATH=\r\n", "[PATH]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=%PATH%;%SRCDIR%\r\n");
    EXPECT_EQ(Env("PATH"), "C:\\WINDOWS;C:\\WINDOWS\\SYSTEM;C:\\MEDIA\\");
}

TEST_F(EnvironmentPhase, VariableNamedLikeAMacroIsSetButTheMacroStillWins) {
    RunPhase("TARGETDIR=\r\nUSES_IT=\r\n",
             "[TARGETDIR]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=D:\\FROM_SCRIPT\r\n"
             "[USES_IT]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=[%TARGETDIR%]\r\n");
    EXPECT_EQ(Env("TARGETDIR"), "D:\\FROM_SCRIPT");
    EXPECT_EQ(Env("USES_IT"), "[]");
}

TEST_F(EnvironmentPhase, FullLengthRegistryValueStillGetsItsBackslash) {
    // A variable is not a path: the 259 characters of the data are no limit for it.
    std::string value(259, 'v');
    fake::SetRegistryString(HKEY_CURRENT_USER, "Software\\Sample", "Long", value);
    RunPhase("LONG=\r\n",
             RegistrySection("LONG", "HKEY_CURRENT_USER", "Software\\Sample", "Long", "EndWithBackslash=1\r\n"));
    EXPECT_EQ(Env("LONG"), value + "\\");
    EXPECT_EQ(g_Setup.RegistryValueMissing, 0);
}

// Values longer than a path: set whole, or, when they cannot be, not set at all.
struct LongValueCase {
    const char* why;
    std::string section;    // the variable section of LONG
    std::string inherited;  // LONG's value before the phase ("" for none)
    std::string expected;   // LONG's value afterwards ("<unset>" for none)
};

std::string SearchPath(size_t atLeast) {
    std::string path;
    while (path.size() < atLeast) path += "C:\\TOOLS\\BIN" + std::to_string(path.size()) + ";";
    path.pop_back();
    return path;
}

TEST_F(EnvironmentPhase, ValuesLongerThanAPathAreSetWholeOrNotAtAll) {
    const std::string path = SearchPath(400);
    const std::string huge(20000, 'h');
    const std::string dir250 = "C:\\" + std::string(246, 'D') + "\\";
    fake::SetEnvironment("PATH400", path);
    fake::SetEnvironment("HUGE", huge);
    fake::SetEnvironment("DIR250", dir250);
    fake::WriteFile("C:\\WINDOWS\\LONG.INI", "[Paths]\r\nData=%PATH400%;%SRCDIR%\r\n");
    const LongValueCase cases[] = {
        // The promise of the reference: the medium's directory is added to a long path.
        {"inherited value extended", "[LONG]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=%PATH400%;%SRCDIR%\r\n", "",
         path + ";C:\\MEDIA\\"},
        // A variable extending itself keeps all of its old value.
        {"variable extends itself", "[LONG]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=%LONG%;%SRCDIR%\r\n", path,
         path + ";C:\\MEDIA\\"},
        // The value read from another INI file is expanded just as long.
        {"INI value expanded",
         "[LONG]\r\nDataFrom=INIFILE\r\nINIFile=LONG.INI\r\nINIFileSect=Paths\r\nINIFileKey=Data\r\n", "",
         path + ";C:\\MEDIA\\"},
        // EndWithBackslash has room after a long value too.
        {"backslash after a long value",
         "[LONG]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=%PATH400%\r\nEndWithBackslash=1\r\n", "", path + "\\"},
        // Past the limit of one variable: left as it was, never cut.
        {"over 32,767 characters", "[LONG]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=%HUGE%%HUGE%\r\n", "before",
         "before"},
        // The INI file's path is a path: 259 characters at most, refused rather than
        // cut, and the variable keeps its value.
        {"INI path over 259",
         "[LONG]\r\nDataFrom=INIFILE\r\nINIFile=%DIR250%LONGNAME.INI\r\nINIFileSect=S\r\nINIFileKey=K\r\n", "before",
         "before"},
    };
    for (const LongValueCase& c : cases) {
        fake::Reset();
        fake::SetEnvironment("PATH400", path);
        fake::SetEnvironment("HUGE", huge);
        fake::SetEnvironment("DIR250", dir250);
        fake::WriteFile("C:\\WINDOWS\\LONG.INI", "[Paths]\r\nData=%PATH400%;%SRCDIR%\r\n");
        fake::WriteFile(dir250 + "LONGNAME.INI", "[S]\r\nK=read through a cut path\r\n");
        if (!c.inherited.empty()) fake::SetEnvironment("LONG", c.inherited);
        RunPhase("LONG=\r\n", c.section);
        EXPECT_EQ(Env("LONG"), c.expected) << c.why;
        EXPECT_TRUE(M().heapBlocks.empty()) << c.why;
    }
}

TEST_F(EnvironmentPhase, LongValueThatCannotBeReadLeavesTheVariableAlone) {
    // Without memory to read PATH whole, "%PATH%;..." must not replace the search path.
    const std::string path = SearchPath(400);
    fake::SetEnvironment("PATH", path);
    fake::SetScript(
        "[SetEnv.WIN32]\r\nPATH=\r\n[PATH]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=%PATH%;%SRCDIR%\r\n");
    fake::FailCall("HeapAlloc", 2);  // the first is the key list
    InitSetupContext("SETUP.INF");
    EXPECT_EQ(Env("PATH"), path);
}

struct RegistryCase {
    const char* what;
    std::string section;
    int missing;
};

TEST_F(EnvironmentPhase, OnlyAMissingKeyOrValueMarksTheRegistryValueMissing) {
    const RegistryCase cases[] = {
        {"empty mid key", RegistrySection("V", "HKEY_LOCAL_MACHINE", "", "InstallDir"), 0},
        {"no end key",
         "[V]\r\nDataFrom=REGISTRY\r\nRegistryRootKey=HKEY_LOCAL_MACHINE\r\nRegistryMidKey=Software\\"
         "Sample\r\n",
         0},
        {"no root key", "[V]\r\nDataFrom=REGISTRY\r\nRegistryMidKey=Software\\Sample\r\nRegistryEndKey=InstallDir\r\n",
         0},
        {"unknown root name", RegistrySection("V", "HKLM", "Software\\Sample", "InstallDir"), 0},
        {"unsupported root", RegistrySection("V", "HKEY_CURRENT_CONFIG", "Software\\Sample", "InstallDir"), 0},
        {"missing key", RegistrySection("V", "HKEY_LOCAL_MACHINE", "Software\\Nobody", "InstallDir"), 1},
        {"missing value", RegistrySection("V", "HKEY_LOCAL_MACHINE", "Software\\Sample", "NoSuchValue"), 1},
        {"other root", RegistrySection("V", "HKEY_USERS", "Software\\Sample", "InstallDir"), 1},
    };
    for (const RegistryCase& c : cases) {
        fake::Reset();
        fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Sample", "InstallDir", "D:\\Sample");
        // A value directly below the root cannot be reached with an empty mid key.
        fake::SetRegistryString(HKEY_LOCAL_MACHINE, "", "InstallDir", "D:\\Root");
        fake::SetEnvironment("V", "inherited");
        RunPhase("V=\r\n", c.section);
        EXPECT_EQ(g_Setup.RegistryValueMissing, c.missing) << c.what;
        EXPECT_EQ(Env("V"), "<unset>") << c.what;
        EXPECT_EQ(M().keysOpened, M().keysClosed) << c.what;
    }
}

TEST_F(EnvironmentPhase, MissingRegistryValueIsNeverForgotten) {
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Sample", "InstallDir", "D:\\Sample");
    RunPhase("GONE=\r\nFOUND=\r\n",
             RegistrySection("GONE", "HKEY_LOCAL_MACHINE", "Software\\Gone", "InstallDir") +
                 RegistrySection("FOUND", "HKEY_LOCAL_MACHINE", "Software\\Sample", "InstallDir"));
    EXPECT_EQ(g_Setup.RegistryValueMissing, 1);
    EXPECT_EQ(Env("FOUND"), "D:\\Sample");
}

TEST_F(EnvironmentPhase, RegistryDataOver260BytesCountsAsMissing) {
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Sample", "Fits", std::string(259, 'f'));
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Sample", "TooLong", std::string(260, 't'));
    RunPhase("FITS=\r\n", RegistrySection("FITS", "HKEY_LOCAL_MACHINE", "Software\\Sample", "Fits"));
    EXPECT_EQ(Env("FITS"), std::string(259, 'f'));
    EXPECT_EQ(g_Setup.RegistryValueMissing, 0);

    fake::SetEnvironment("TOOLONG", "inherited");
    RunPhase("TOOLONG=\r\n", RegistrySection("TOOLONG", "HKEY_LOCAL_MACHINE", "Software\\Sample", "TooLong"));
    EXPECT_EQ(Env("TOOLONG"), "<unset>");
    EXPECT_EQ(g_Setup.RegistryValueMissing, 1);
    EXPECT_EQ(M().keysOpened, M().keysClosed);
}

TEST_F(EnvironmentPhase, UnterminatedRegistryDataEndsAtItsSize) {
    fake::SetRegistryData(HKEY_LOCAL_MACHINE, "Software\\Sample", "Raw", REG_BINARY, "ABC");
    fake::SetRegistryData(HKEY_LOCAL_MACHINE, "Software\\Sample", "Full", REG_BINARY, std::string(260, 'b'));
    fake::SetRegistryData(HKEY_LOCAL_MACHINE, "Software\\Sample", "Expand", REG_EXPAND_SZ,
                          std::string("%WINDIR%x\0", 10));
    RunPhase("RAW=\r\nFULL=\r\nEXPAND=\r\n",
             RegistrySection("RAW", "HKEY_LOCAL_MACHINE", "Software\\Sample", "Raw") +
                 RegistrySection("FULL", "HKEY_LOCAL_MACHINE", "Software\\Sample", "Full") +
                 RegistrySection("EXPAND", "HKEY_LOCAL_MACHINE", "Software\\Sample", "Expand"));
    EXPECT_EQ(Env("RAW"), "ABC");
    EXPECT_EQ(Env("FULL"), std::string(259, 'b'));
    // The data is taken as it is, whatever its type: no macros, no variables.
    EXPECT_EQ(Env("EXPAND"), "%WINDIR%x");
}

TEST_F(EnvironmentPhase, RegistryNamesAreUsedAsWritten) {
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\%PRODUCTNAME%", "%WINDIR%", "literal");
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\product", "C:\\WINDOWS\\", "expanded");
    RunPhase("LITERAL=\r\n", RegistrySection("LITERAL", "HKEY_LOCAL_MACHINE", "Software\\%PRODUCTNAME%", "%WINDIR%"));
    EXPECT_EQ(Env("LITERAL"), "literal");
}

TEST_F(EnvironmentPhase, NoMemoryForOneStringLeavesThatVariableAsItWas) {
    fake::SetEnvironment("KEEP", "old");
    fake::SetEnvironment("KEEP_TOO", "old");
    fake::SetScript(
        "[SetEnv.WIN32]\r\nKEEP=\r\nKEEP_TOO=\r\nNEXT=\r\n"
        "[KEEP]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=new\r\n"
        "[NEXT]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=set\r\n");
    g_Setup.INFFILE.Assign(fake::ScriptPath());
    // The first block is the key list; the next two are the strings of KEEP and of
    // KEEP_TOO (a removal).
    fake::FailCall("HeapAlloc", 2);
    EXPECT_EQ(RunEnvironmentPhase(), 1);
    EXPECT_EQ(Env("KEEP"), "old");
    EXPECT_EQ(Env("KEEP_TOO"), "<unset>");
    EXPECT_EQ(Env("NEXT"), "set");

    // A removal that finds no memory leaves the variable too; with memory it goes.
    fake::Reset();
    fake::SetEnvironment("KEEP", "old");
    fake::SetScript("[SetEnv.WIN32]\r\nKEEP=\r\n");
    g_Setup.INFFILE.Assign(fake::ScriptPath());
    fake::FailCall("HeapAlloc", 2);
    EXPECT_EQ(RunEnvironmentPhase(), 1);
    EXPECT_EQ(Env("KEEP"), "old");
    EXPECT_EQ(RunEnvironmentPhase(), 1);
    EXPECT_EQ(Env("KEEP"), "<unset>");
}

TEST_F(EnvironmentPhase, NoMemoryForTheKeyListSetsNothing) {
    fake::SetEnvironment("KEEP", "old");
    fake::SetScript("[SetEnv.WIN32]\r\nKEEP=\r\n[KEEP]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=new\r\n");
    g_Setup.INFFILE.Assign(fake::ScriptPath());
    fake::FailCall("HeapAlloc", 1);
    EXPECT_EQ(RunEnvironmentPhase(), 1);
    EXPECT_EQ(Env("KEEP"), "old");
}

TEST_F(EnvironmentPhase, PhaseLeavesNoHeapBlockBehind) {
    RunPhase("A=\r\nB=\r\n", "[A]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=a\r\n");
    EXPECT_EQ(Env("A"), "a");
    EXPECT_TRUE(M().heapBlocks.empty());
    EXPECT_EQ(M().badHeapFrees, 0);
}

TEST_F(EnvironmentPhase, DataFromNamesMatchWithoutRegardToCase) {
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Sample", "Dir", "from registry");
    fake::WriteFile("C:\\WINDOWS\\OTHER.INI", "[Paths]\r\nDir=from ini\r\n");
    for (const char* name : {"X", "N"}) fake::SetEnvironment(name, "inherited");
    RunPhase("R=\r\ne=\r\nI=\r\nX=\r\nN=\r\n",
             RegistrySection("R", "HKEY_LOCAL_MACHINE", "Software\\Sample", "Dir") +
                 "[E]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=from script\r\n"
                 "[I]\r\nDataFrom=IniFile\r\nINIFile=OTHER.INI\r\nINIFileSect=Paths\r\nINIFileKey=Dir\r\n"
                 "[X]\r\nDataFrom=REG\r\nEnvironmentValue=x\r\n[N]\r\nEnvironmentValue=x\r\n");
    EXPECT_EQ(Env("R"), "from registry");
    EXPECT_EQ(Env("E"), "from script");
    EXPECT_EQ(Env("I"), "from ini");
    // An unknown or missing source gives no value: the variable is removed.
    EXPECT_EQ(Env("X"), "<unset>");
    EXPECT_EQ(Env("N"), "<unset>");
}

TEST_F(EnvironmentPhase, SourcesThatFindNothingLeaveNoValueOfTheVariableBefore) {
    // FIRST's value must not carry over into the variables after it.
    RunPhase("FIRST=\r\nE=\r\nR=\r\nI=\r\n",
             "[FIRST]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=stale\r\n"
             "[E]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=%NOSUCHNAME%\r\n"
             "[R]\r\nDataFrom=REGISTRY\r\nEnvironmentValue=%NOSUCHNAME%\r\n"
             "[I]\r\nDataFrom=INIFILE\r\nEnvironmentValue=%NOSUCHNAME%\r\n");
    EXPECT_EQ(Env("FIRST"), "stale");
    for (const char* name : {"E", "R", "I"}) EXPECT_EQ(Env(name), "<unset>") << name;
    EXPECT_TRUE(M().heapBlocks.empty());
}

// Through the whole run: the variables reach the programs started later, and a missing
// registry value keeps the main file phase from running.
class EnvironmentRun : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }

    static const char* Script() {
        return "[SETUP]\r\nProduct=Sample\r\n"
               "[SetEnv.WIN32]\r\nFROM_REGISTRY=\r\nFROM_SCRIPT=\r\nFROM_INI=\r\nOLD_VAR=\r\n"
               "[FROM_REGISTRY]\r\nDataFrom=REGISTRY\r\nRegistryRootKey=HKEY_LOCAL_MACHINE\r\n"
               "RegistryMidKey=Software\\Sample\r\nRegistryEndKey=InstallDir\r\nEndWithBackslash=1\r\n"
               "[FROM_SCRIPT]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=%FROM_REGISTRY%bin\r\n"
               "[FROM_INI]\r\nDataFrom=INIFILE\r\nINIFile=sample.ini\r\nINIFileSect=Sample\r\nINIFileKey=Data\r\n"
               "[AddFiles.WIN32]\r\nviewer.exe=\r\n"
               "[viewer.exe]\r\nTargetDir=%FROM_REGISTRY%\r\n"
               "[ExecFiles.WIN32]\r\nviewer.exe=\r\n";
    }

    static std::string InheritedBy(const fake::StartedProcess& process, const std::string& name) {
        for (const std::string& line : process.environment)
            if (fake::SameText(line.substr(0, line.find('=')), name)) return line.substr(line.find('=') + 1);
        return "<unset>";
    }
};

TEST_F(EnvironmentRun, VariablesFromAllThreeSourcesReachTheStartedProgram) {
    fake::SetEnvironment("OLD_VAR", "inherited");
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Sample", "InstallDir", "C:\\SAMPLE");
    fake::WriteFile("C:\\WINDOWS\\sample.ini", "[Sample]\r\nData=%WINDIR%data\r\n");
    fake::SetScript(Script());
    fake::WriteFile("C:\\MEDIA\\viewer.exe", "program");
    fake::RunSetup();

    EXPECT_TRUE(fake::FileExists("C:\\SAMPLE\\viewer.exe"));
    ASSERT_EQ(M().started.size(), 1u);
    const fake::StartedProcess& program = M().started[0];
    EXPECT_EQ(InheritedBy(program, "FROM_REGISTRY"), "C:\\SAMPLE\\");
    EXPECT_EQ(InheritedBy(program, "FROM_SCRIPT"), "C:\\SAMPLE\\bin");
    EXPECT_EQ(InheritedBy(program, "FROM_INI"), "C:\\WINDOWS\\data");
    EXPECT_EQ(InheritedBy(program, "OLD_VAR"), "<unset>");
    ASSERT_FALSE(M().boxes.empty());
    EXPECT_EQ(M().boxes.back().text, fake::StringTable().at(IDS_SETUP_SUCCEEDED));
}

TEST_F(EnvironmentRun, MissingRegistryValueSkipsTheMainFilePhaseAndReportsFailure) {
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Sample", "OtherValue", "C:\\SAMPLE");
    fake::WriteFile("C:\\WINDOWS\\sample.ini", "[Sample]\r\nData=%WINDIR%data\r\n");
    fake::SetScript(Script());
    fake::WriteFile("C:\\MEDIA\\viewer.exe", "program");
    fake::RunSetup();

    EXPECT_EQ(g_Setup.RegistryValueMissing, 1);
    EXPECT_TRUE(M().verInstallCalls.empty());
    EXPECT_TRUE(M().started.empty());
    // The other variables were still set.
    EXPECT_EQ(Env("FROM_INI"), "C:\\WINDOWS\\data");
    ASSERT_EQ(M().boxes.size(), 1u);
    std::string failed = fake::StringTable().at(IDS_SETUP_FAILED);
    EXPECT_EQ(M().boxes[0].text, failed.substr(0, failed.find("%s")));
    EXPECT_EQ(M().boxes[0].caption, "Sample");
}

}  // namespace
