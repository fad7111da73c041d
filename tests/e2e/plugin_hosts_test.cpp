// Browser installations recorded in the registry, under Wine: which are offered the
// plug-in, in which order, and where the files of an accepted one land.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

using namespace e2e;

namespace {

const char* const kSucceeded = "Setup completed successfully";
const char* const kProduct = "Sample Plug-in";

// Three installations below one key; Wine enumerates them in name order.
const char* const kThreeInstallationsReg =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Navigator\\Installations\\A 4.05\\Main]\n"
    "\"Plugins\"=\"C:\\\\Nav A\\\\Plugins\"\n"
    "\"Install Directory\"=\"C:\\\\Nav A\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Navigator\\Installations\\B 4.5\\Main]\n"
    "\"Plugins\"=\"C:\\\\Nav B\\\\Plugins\"\n"
    "\"Install Directory\"=\"C:\\\\Nav B\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Navigator\\Installations\\C 4.7\\Main]\n"
    "\"Plugins\"=\"C:\\\\Nav C\\\\Plugins\"\n"
    "\"Install Directory\"=\"C:\\\\Nav C\"\n";

// The default installation is recorded elsewhere; none of the three is it.
const char* const kDefaultInstallationReg =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Navigator\\Default]\n"
    "\"Install Directory\"=\"C:\\\\Program Files\\\\Navigator\"\n";

const char* const kHostSections =
    "[NETSCAPEDIREX]\r\nRegistryRootKey=HKEY_LOCAL_MACHINE\r\n"
    "RegistryMidKey=SOFTWARE\\Navigator\\Installations\r\nRegistryMid2Key=Main\r\n"
    "RegistryEndKey=Plugins\r\nRegistryInstallPathKey=Install Directory\r\n"
    "[NETSCAPEDIR]\r\nRegistryRootKey=HKEY_LOCAL_MACHINE\r\n"
    "RegistryMidKey=SOFTWARE\\Navigator\\Default\r\nRegistryEndKey=Install Directory\r\n"
    "[PLUGINFILE]\r\nPluginFileName=npsample.dll\r\n";

// A program, the plug-in, and a file after it without a TargetDir of its own.
const char* const kFileSections =
    "[AddFiles.WIN32]\r\nviewer.txt=\r\nNPSAMPLE.DLL=\r\nreadme.txt=\r\n"
    "[viewer.txt]\r\nTargetDir=C:\\Sample\\\r\n"
    "[NPSAMPLE.DLL]\r\nTargetDir=C:\\Sample\\Plugins\\\r\n";

std::string Question(const std::string& directory) {
    return "The Setup Program has detected a Netscape installation at \n\n" + directory +
           "\n\nInstall/Update the Tarvex Drovane plugin in this installation?";
}

void LayOutInstallations(WineCase& wine) {
    wine.ImportReg(kThreeInstallationsReg);
    wine.ImportReg(kDefaultInstallationReg);
    // The plug-in directories exist, as a browser installation leaves them.
    for (const char* dir : {"C:\\Nav A\\Plugins", "C:\\Nav B\\Plugins", "C:\\Nav C\\Plugins"})
        wine.PutFile(std::string(dir) + "\\npbrowser.txt", "browser's own");
    wine.PutFile("C:\\Sample\\Plugins\\keep.txt", "");
}

void LayOutMedium(WineCase& wine) {
    wine.MediumFile("viewer.txt", "viewer");
    wine.MediumFile("NPSAMPLE.DLL", "plug-in");
    wine.MediumFile("readme.txt", "readme");
}

size_t CountLinesContaining(const std::string& text, const std::string& what) {
    size_t count = 0, at = 0;
    while ((at = text.find(what, at)) != std::string::npos) {
        ++count;
        at += what.size();
    }
    return count;
}

// A started program writes its record on its own time: wait for it a little.
bool AppearsWithin(WineCase& wine, const std::string& winPath, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (wine.Exists(winPath)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace

TEST(PluginHosts, ThreeInstallationsAreOfferedInReverseOrderEachDirectoryOnItsOwnLine) {
    WineCase wine("nt40");
    LayOutInstallations(wine);
    LayOutMedium(wine);
    wine.SetupInf(std::string("[SETUP]\r\nProduct=") + kProduct + "\r\n" + kHostSections + kFileSections);
    SetupRun run = wine.RunSetup({{"No", "No", "No", "OK"}});
    EXPECT_EQ(run.transcript,
              Transcript({QuestionBox(kProduct, Question("C:\\Nav C"), "No"),
                          QuestionBox(kProduct, Question("C:\\Nav B"), "No"),
                          QuestionBox(kProduct, Question("C:\\Nav A"), "No"), OkBox(kProduct, kSucceeded)}));
    // Declined: nothing went into any installation; the main run did its work.
    for (const char* dir : {"C:\\Nav A\\Plugins", "C:\\Nav B\\Plugins", "C:\\Nav C\\Plugins"})
        EXPECT_EQ(wine.ListDir(dir), std::vector<std::string>{"npbrowser.txt"}) << dir;
    EXPECT_EQ(wine.ReadFile("C:\\Sample\\Plugins\\NPSAMPLE.DLL"), "plug-in");
}

TEST(PluginHosts, AcceptedInstallationsReceiveThePluginAndTheOtherFilesGoToTheirOwnDirectories) {
    WineCase wine("nt40");
    LayOutInstallations(wine);
    LayOutMedium(wine);
    wine.SetupInf(std::string("[SETUP]\r\nProduct=") + kProduct + "\r\nUninstFile=SAMPLEUN.INI\r\n" + kHostSections +
                  kFileSections);
    SetupRun run = wine.RunSetup({{"Yes", "No", "Yes", "OK"}});  // C and A accepted, B declined
    EXPECT_EQ(run.transcript,
              Transcript({QuestionBox(kProduct, Question("C:\\Nav C"), "Yes"),
                          QuestionBox(kProduct, Question("C:\\Nav B"), "No"),
                          QuestionBox(kProduct, Question("C:\\Nav A"), "Yes"), OkBox(kProduct, kSucceeded)}));
    for (const char* dir : {"C:\\Nav A\\Plugins", "C:\\Nav C\\Plugins"}) {
        EXPECT_EQ(wine.ReadFile(std::string(dir) + "\\NPSAMPLE.DLL"), "plug-in") << dir;
        // The entry after the plug-in has no TargetDir: it follows the plug-in.
        EXPECT_EQ(wine.ReadFile(std::string(dir) + "\\readme.txt"), "readme") << dir;
        EXPECT_FALSE(wine.Exists(std::string(dir) + "\\viewer.txt")) << dir;
    }
    EXPECT_EQ(wine.ListDir("C:\\Nav B\\Plugins"), std::vector<std::string>{"npbrowser.txt"});
    EXPECT_EQ(wine.ReadFile("C:\\Sample\\viewer.txt"), "viewer");
    EXPECT_EQ(wine.ReadFile("C:\\Sample\\Plugins\\NPSAMPLE.DLL"), "plug-in");
    EXPECT_EQ(wine.ReadFile("C:\\Sample\\Plugins\\readme.txt"), "readme");

    // One log line per installed copy: two hosts and the main run.
    std::optional<std::string> log = wine.ReadFile("C:\\windows\\SAMPLEUN.INI");
    ASSERT_TRUE(log.has_value());
    EXPECT_EQ(wine.IniValue("C:\\windows\\SAMPLEUN.INI", "UninstFiles", "C:\\Nav C\\Plugins\\NPSAMPLE.DLL"), "");
    EXPECT_EQ(wine.IniValue("C:\\windows\\SAMPLEUN.INI", "UninstFiles", "C:\\Nav A\\Plugins\\NPSAMPLE.DLL"), "");
    EXPECT_EQ(wine.IniValue("C:\\windows\\SAMPLEUN.INI", "UninstFiles", "C:\\Sample\\Plugins\\NPSAMPLE.DLL"), "");
    EXPECT_EQ(CountLinesContaining(*log, "\\Plugins\\NPSAMPLE.DLL="), 3u) << *log;
    EXPECT_EQ(CountLinesContaining(*log, "Nav B"), 0u) << *log;
    // viewer.txt went to its own directory in all three runs: one key, written three times.
    EXPECT_EQ(CountLinesContaining(*log, "C:\\Sample\\viewer.txt="), 1u) << *log;
}

TEST(PluginHosts, MissingRegistryValueAndOneAcceptedHostStillRunProgramsAndRegistration) {
    WineCase wine("nt40");
    LayOutInstallations(wine);
    wine.MediumFile("NPSAMPLE.DLL", "plug-in");
    wine.MediumTestBinary("probe.exe", "e2e_probe.exe");
    wine.MediumTestBinary("selfreg.dll", "e2e_selfreg.dll");
    wine.SetupInf(std::string("[SETUP]\r\nProduct=") + kProduct + "\r\n" + kHostSections +
                  "[SetEnv.WIN32]\r\nSAMPLE_DATA=\r\n"
                  "[SAMPLE_DATA]\r\nDataFrom=REGISTRY\r\nRegistryRootKey=HKEY_LOCAL_MACHINE\r\n"
                  "RegistryMidKey=SOFTWARE\\Sample\\Missing\r\nRegistryEndKey=Data\r\n"
                  "[AddFiles.WIN32]\r\nprobe.exe=\r\nselfreg.dll=\r\nNPSAMPLE.DLL=\r\n"
                  "[probe.exe]\r\nTargetDir=C:\\Sample\\\r\n[selfreg.dll]\r\nTargetDir=C:\\Sample\\\r\n"
                  "[ExecFiles.WIN32]\r\nprobe.exe=\r\n"
                  "[RegisterFiles.WIN32]\r\nselfreg.dll=\r\n");
    SetupRun run = wine.RunSetup({{"No", "Yes", "No", "OK"}});  // only B accepted
    EXPECT_EQ(run.transcript,
              Transcript({QuestionBox(kProduct, Question("C:\\Nav C"), "No"),
                          QuestionBox(kProduct, Question("C:\\Nav B"), "Yes"),
                          QuestionBox(kProduct, Question("C:\\Nav A"), "No"), OkBox(kProduct, kSucceeded)}));
    EXPECT_EQ(wine.ReadFile("C:\\Nav B\\Plugins\\NPSAMPLE.DLL"), "plug-in");
    // The main run was skipped: the plug-in's own TargetDir saw nothing.
    EXPECT_FALSE(wine.Exists("C:\\Sample\\Plugins\\NPSAMPLE.DLL"));
    EXPECT_TRUE(AppearsWithin(wine, "C:\\Sample\\probe.exe.txt", 20));
    EXPECT_EQ(wine.RegQuery("HKCU\\Software\\SetupE2E\\SelfReg", "Registered"), "C:\\Sample\\selfreg.dll");
}

TEST(PluginHosts, MissingRegistryValueAndEveryHostDeclinedInstallsNothingAndFails) {
    WineCase wine("nt40");
    LayOutInstallations(wine);
    LayOutMedium(wine);
    wine.SetupInf(std::string("[SETUP]\r\nProduct=") + kProduct + "\r\n" + kHostSections +
                  "[SetEnv.WIN32]\r\nSAMPLE_DATA=\r\n"
                  "[SAMPLE_DATA]\r\nDataFrom=REGISTRY\r\nRegistryRootKey=HKEY_LOCAL_MACHINE\r\n"
                  "RegistryMidKey=SOFTWARE\\Sample\\Missing\r\nRegistryEndKey=Data\r\n" +
                  kFileSections);
    SetupRun run = wine.RunSetup({{"No", "No", "No", "OK"}});
    EXPECT_EQ(run.transcript,
              Transcript({QuestionBox(kProduct, Question("C:\\Nav C"), "No"),
                          QuestionBox(kProduct, Question("C:\\Nav B"), "No"),
                          QuestionBox(kProduct, Question("C:\\Nav A"), "No"), StopBox(kProduct, "Setup failed for ")}));
    EXPECT_FALSE(wine.Exists("C:\\Sample\\viewer.txt"));
    for (const char* dir : {"C:\\Nav A\\Plugins", "C:\\Nav B\\Plugins", "C:\\Nav C\\Plugins"})
        EXPECT_EQ(wine.ListDir(dir), std::vector<std::string>{"npbrowser.txt"}) << dir;
}

TEST(PluginHosts, EveryHostDeclinedLeavesTheResultOfTheMainRun) {
    WineCase wine("nt40");
    LayOutInstallations(wine);
    wine.MediumFile("NPSAMPLE.DLL", "plug-in");
    // The main run fails: its required file is not on the medium.
    wine.SetupInf(std::string("[SETUP]\r\nProduct=") + kProduct + "\r\n" + kHostSections +
                  "[AddFiles.WIN32]\r\nNPSAMPLE.DLL=\r\nmissing.txt=\r\n"
                  "[NPSAMPLE.DLL]\r\nTargetDir=C:\\Sample\\Plugins\\\r\n");
    SetupRun run = wine.RunSetup({{"No", "No", "No", "OK", "OK", "OK"}});
    // Whatever the copy-error boxes read, the run ends with the failure report.
    std::string last = Transcript({StopBox(kProduct, "Setup failed for C:\\Sample\\Plugins\\")});
    ASSERT_GE(run.transcript.size(), last.size());
    EXPECT_EQ(run.transcript.substr(run.transcript.size() - last.size()), last) << run.transcript;
    EXPECT_EQ(run.transcript.find("answer: Yes"), std::string::npos);
}

TEST(PluginHosts, Windows95FindsTheSameInstallationsInTheSameOrder) {
    WineCase wine("win95");
    LayOutInstallations(wine);
    LayOutMedium(wine);
    wine.SetupInf(std::string("[SETUP]\r\nProduct=") + kProduct + "\r\n" + kHostSections + kFileSections);
    SetupRun run = wine.RunSetup({{"No", "Yes", "No", "OK"}});
    EXPECT_EQ(run.transcript,
              Transcript({QuestionBox(kProduct, Question("C:\\Nav C"), "No"),
                          QuestionBox(kProduct, Question("C:\\Nav B"), "Yes"),
                          QuestionBox(kProduct, Question("C:\\Nav A"), "No"), OkBox(kProduct, kSucceeded)}));
    EXPECT_EQ(wine.ReadFile("C:\\Nav B\\Plugins\\NPSAMPLE.DLL"), "plug-in");
}
