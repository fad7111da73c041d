// The target of one program or component entry on the fake machine: which TargetDir
// texts are expanded and when the directory of the entry before is kept.
#include <gtest/gtest.h>

#include <string>

#include "actions/entry_list.h"
#include "fake/fake_machine.h"
#include "setup/setup_context.h"

namespace {

struct TargetRow {
    const char* why;
    const char* section;  // the entry's section, named "run.exe"
    const char* before;   // TARGETDIR left by the entry before
    const char* after;    // TARGETDIR for this entry
};

const TargetRow kTargetRows[] = {
    {"no TargetDir: the directory before is kept as it is, its '%' untouched", "[run.exe]\r\nRequiredExec=0\r\n",
     "C:\\100%\\", "C:\\100%\\"},
    {"no section at all: the same", "", "C:\\100%TARGETDIR%\\", "C:\\100%TARGETDIR%\\"},
    {"a TargetDir value is expanded", "[run.exe]\r\nTargetDir=C:\\100%%\\\r\n", "C:\\OLD\\", "C:\\100%\\"},
    {"a value that names the directory before expands it once, its text not scanned again",
     "[run.exe]\r\nTargetDir=%TARGETDIR%BIN\\\r\n", "C:\\100%\\", "C:\\100%\\BIN\\"},
    {"an empty value is a value: the directory becomes empty", "[run.exe]\r\nTargetDir=\r\n", "C:\\OLD\\", ""},
    {"a value equal to the probe for a missing key is still a value", "[run.exe]\r\nTargetDir=?\r\n", "C:\\OLD\\", "?"},
    {"a misspelt key is no TargetDir", "[run.exe]\r\nTargetDirectory=C:\\APP\\\r\n", "C:\\OLD\\", "C:\\OLD\\"},
};

TEST(EntryTarget, OnlyATargetDirValueIsExpandedAnInheritedDirectoryIsKept) {
    for (const TargetRow& row : kTargetRows) {
        SCOPED_TRACE(row.why);
        fake::Reset();
        fake::SetScript(std::string("[ExecFiles.WIN32]\r\nrun.exe=\r\n") + row.section);
        InitSetupContext("SETUP.INF");
        g_Setup.TARGETDIR.Assign(row.before);
        ReadEntryTarget("run.exe", nullptr);
        EXPECT_STREQ(g_Setup.TARGETDIR.c_str(), row.after);
        EXPECT_STREQ(g_Setup.TARGETFILE.c_str(), "run.exe");
    }
}

}  // namespace
