// The uninstall log under Wine: entries merged into a log an earlier run left, as the
// real profile functions write them.
#include <gtest/gtest.h>

#include "harness.h"

using namespace e2e;

TEST(UninstallLogFile, NewEntriesAreMergedIntoAnExistingLog) {
    WineCase wine("nt40");
    wine.PutFile("C:\\windows\\MERGE.INI",
                 "[UNINST]\r\nProduct=Old Name\r\n"
                 "[Other]\r\nkeep=1\r\n"
                 "[UninstFiles]\r\nC:\\OLD\\A.DLL=\r\nc:\\mergeapp\\one.txt=\r\n");
    wine.SetupInf(
        "[SETUP]\r\nProduct=Merge Sample\r\nUninstFile=MERGE.INI\r\n"
        "[AddFiles.WIN32]\r\none.txt=\r\ntwo.txt=\r\n"
        "[one.txt]\r\nTargetDir=C:\\MergeApp\\\r\n");
    wine.MediumFile("one.txt", "one");
    wine.MediumFile("two.txt", "two");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("Merge Sample", "Setup completed successfully")}));
    // The product entry is replaced in place; the path already listed in other case
    // is not added again; the new one goes to the end of its section; the directory the
    // run created opens a section of its own at the end.
    EXPECT_EQ(wine.ReadFile("C:\\windows\\MERGE.INI").value_or("<none>"),
              "[UNINST]\r\nProduct=Merge Sample\r\n"
              "[Other]\r\nkeep=1\r\n"
              "[UninstFiles]\r\nC:\\OLD\\A.DLL=\r\nc:\\mergeapp\\one.txt=\r\nC:\\MergeApp\\two.txt=\r\n"
              "[UninstCreatedDirs]\r\nC:\\MergeApp\\=\r\n");
}
