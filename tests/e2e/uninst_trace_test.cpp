// UNINST.EXE of the build under test writes the whole removal into one /LOG trace:
// its own lines, the log deleted before it ends, then those of the temporary copy that
// takes the remover's own file and the product directory.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "harness.h"

using namespace e2e;

TEST(RemoverTrace, OneFileTellsTheWholeRemovalUnattended) {
    WineCase wine;
    wine.PutFile("C:\\app\\uninst.exe", ReadHostFile(BuildDir() + "/UNINST.EXE"));
    wine.PutFile("C:\\app\\view.dat", "program");
    wine.PutFile("C:\\app\\keep.dat", "the log keeps it");
    wine.PutFile(
        "C:\\app\\app.ini",
        "[UNINST]\r\nProduct=Traced\r\n[UninstCreatedDirs]\r\nC:\\app=\r\n[UninstFiles]\r\nC:\\app\\view.dat=\r\n"
        "C:\\app\\keep.dat=\r\nC:\\app\\uninst.exe=\r\n[UninstKeptFiles]\r\nC:\\app\\keep.dat=\r\n");
    SetupOptions options;
    options.program = "C:\\app\\uninst.exe";
    options.commandTail = "/S /LOG:C:\\e2e\\trace.txt C:\\app\\app.ini";
    SetupRun run = wine.RunSetup(options);
    EXPECT_EQ(run.setup.exitCode, 0);
    EXPECT_EQ(run.transcript, "");
    // The caller's wait ends with the log gone; the copy ends once the remover's own
    // file is gone too.
    EXPECT_FALSE(wine.Exists("C:\\app\\app.ini"));
    for (int i = 0; i < 300 && wine.Exists("C:\\app\\uninst.exe"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::this_thread::sleep_for(std::chrono::seconds(1));

    std::string trace = wine.ReadFile("C:\\e2e\\trace.txt").value_or("");
    // In order: the original's lines, the log deleted, its end, then the copy's, which
    // deletes the remover's own file.
    const char* const kLinesInOrder[] = {
        "UNINST.EXE 1.0.0.0 C:\\app\\uninst.exe, command line: /S /LOG:C:\\e2e\\trace.txt C:\\app\\app.ini\r\n",
        "log C:\\app\\app.ini, product Traced\r\n",
        "box \"Traced\" \"Remove Traced and all of its components?\" Yes/No: Yes (not shown)\r\n",
        "file C:\\app\\keep.dat: kept (the log keeps it)\r\n",
        "file C:\\app\\view.dat: removed\r\n",
        "log C:\\app\\app.ini deleted\r\n",
        "handed over to a temporary copy\r\n",
        "end: exit code 0\r\n",
        "UNINST.EXE 1.0.0.0 ",
        "file C:\\app\\uninst.exe: removed\r\n",
        "end: exit code 0\r\n",
    };
    size_t at = 0;
    for (const char* line : kLinesInOrder) {
        size_t found = trace.find(line, at);
        EXPECT_NE(found, std::string::npos) << line << "\nin\n" << trace;
        if (found != std::string::npos) at = found + 1;
    }
    EXPECT_FALSE(wine.Exists("C:\\app\\view.dat"));
    EXPECT_TRUE(wine.Exists("C:\\app\\keep.dat"));
}
