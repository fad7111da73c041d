// UNINST.EXE's trace (/LOG:FILE): every entry's fate in one line, in the order of the
// removal, the temporary copy appending to the same file, and a trace that cannot be
// written leaving the removal exactly as it would have been.
#include <gtest/gtest.h>

#include <string>

#include "fake/fake_machine.h"
#include "setup/exit_codes.h"
#include "uninst/uninstaller.h"

namespace {

using fake::M;

constexpr char kLog[] = "C:\\WINDOWS\\SAMPLE.INI";
constexpr char kTrace[] = "C:\\TRACE.TXT";

// A small product: a file that goes, one the log keeps, one in use (staged) and a
// directory where the log names a file (no run could delete it as one: left in place).
void InstallSmallProduct() {
    fake::Reset();
    fake::SetWindowsNT4();
    fake::WriteFile("C:\\APP\\VIEW.EXE", "program");
    fake::WriteFile("C:\\APP\\KEEP.DLL", "kept");
    fake::WriteFile("C:\\APP\\BUSY.DLL", "busy");
    M().files["C:\\APP\\BUSY.DLL"].inUse = true;
    fake::WriteFile("C:\\APP\\DATA\\USER.TXT", "the person's");
    fake::WriteFile(kLog,
                    "[UNINST]\r\nProduct=Sample\r\n[UninstFiles]\r\nC:\\APP\\VIEW.EXE=\r\nC:\\APP\\KEEP.DLL=\r\n"
                    "C:\\APP\\BUSY.DLL=\r\nC:\\APP\\DATA=\r\n[UninstKeptFiles]\r\nC:\\APP\\KEEP.DLL=\r\n");
    M().moduleFileName = "C:\\WINDOWS\\UNINST.EXE";
}

// The machine as a removal leaves it: files with contents, registry values, staged moves.
std::string Snapshot() {
    std::string text;
    for (const auto& file : M().files) text += file.first + "=" + file.second.content + "\n";
    for (const auto& key : M().registry)
        for (const auto& value : key.second.values)
            text += key.first + "\\" + value.first + "=" + value.second.second + "\n";
    for (const auto& move : fake::DelayedMoves()) text += move.first + "->" + move.second + "\n";
    return text;
}

std::string TraceText() {
    return fake::ReadFile(kTrace).value_or("(no trace)");
}

TEST(UninstTrace, SmallRemovalIsTracedEntryByEntry) {
    InstallSmallProduct();
    int result = fake::RunUninst("/S /LOG:C:\\TRACE.TXT SAMPLE.INI");
    EXPECT_EQ(result, kExitRestartRequired);
    // Every decision first, last logged first; then the acts.
    EXPECT_EQ(TraceText(),
              "UNINST.EXE 1.0.0.0 C:\\WINDOWS\\UNINST.EXE, command line: /S /LOG:C:\\TRACE.TXT SAMPLE.INI\r\n"
              "Windows 4.0 build 1381, platform 2\r\n"
              "log C:\\WINDOWS\\SAMPLE.INI, product Sample\r\n"
              "box \"Sample\" \"Remove Sample and all of its components?\" Yes/No: Yes (not shown)\r\n"
              "not removed: C:\\APP\\DATA (left in place: not a file of this product to remove)\r\n"
              "file C:\\APP\\KEEP.DLL: kept (the log keeps it)\r\n"
              "file C:\\APP\\BUSY.DLL: staged\r\n"
              "file C:\\APP\\VIEW.EXE: removed\r\n"
              "directory C:\\APP: not empty\r\n"
              "log C:\\WINDOWS\\SAMPLE.INI deleted\r\n"
              "box \"Sample\" \"Sample was removed. These items were left in place:\\n\\n"
              "C:\\APP\\DATA (left in place: not a file of this product to remove)\\n\" OK: OK (not shown)\r\n"
              "restart needed\r\n"
              "end: exit code 3010\r\n");
}

// The file of the trace itself must not get in the way of the removal, whatever form
// the option takes.
struct OptionRow {
    const char* why;
    const char* tail;
    int exitCode;
    const char* lastLine;  // nullptr: no trace is written
};
const OptionRow kOptionRows[] = {
    // After the log's name, in lower case, with a dash: the remover's options go anywhere.
    {"after the name", "SAMPLE.INI -log:C:\\TRACE.TXT /S", kExitRestartRequired, "end: exit code 3010\r\n"},
    // Without /S the question is drawn; one that could not be shown is a No, traced so.
    {"attended", "/LOG:C:\\TRACE.TXT SAMPLE.INI", kExitUserDeclined, "Yes/No: none\r\nend: exit code 1602\r\n"},
    // /LOG alone asks for no trace and does not take the log's name as its own.
    {"bare /LOG", "/S /LOG SAMPLE.INI", kExitRestartRequired, nullptr},
    // A command line the remover cannot read is still 87, and the trace says so.
    {"no log named", "/S /LOG:C:\\TRACE.TXT", kExitBadCommandLine, "end: exit code 87\r\n"},
    // A log that is not there: 1619, traced.
    {"missing log", "/S /LOG:C:\\TRACE.TXT C:\\NOPE.INI", kExitCannotOpen, "end: exit code 1619\r\n"},
};

TEST(UninstTrace, OptionForms) {
    for (const OptionRow& row : kOptionRows) {
        SCOPED_TRACE(row.why);
        InstallSmallProduct();
        EXPECT_EQ(fake::RunUninst(row.tail), row.exitCode);
        std::string trace = fake::ReadFile(kTrace).value_or("");
        if (row.lastLine == nullptr) {
            EXPECT_FALSE(fake::FileExists(kTrace));
            continue;
        }
        ASSERT_GE(trace.size(), std::string(row.lastLine).size());
        EXPECT_EQ(trace.substr(trace.size() - std::string(row.lastLine).size()), row.lastLine) << trace;
        EXPECT_EQ(trace.rfind("UNINST.EXE ", 0), 0u) << trace;
    }
}

// What a trace that cannot be written must not change: files, registry, exit code.
struct UnwritableRow {
    const char* why;
    const char* tail;
    bool readOnlyTrace;
};
const UnwritableRow kUnwritableRows[] = {
    // The folder of the trace does not exist.
    {"missing folder", "/S /LOG:C:\\NODIR\\TRACE.TXT SAMPLE.INI", false},
    // The trace file is read-only: it cannot be opened for writing.
    {"read-only trace", "/S /LOG:C:\\TRACE.TXT SAMPLE.INI", true},
};

TEST(UninstTrace, UnwritableTraceChangesNothing) {
    InstallSmallProduct();
    int untraced = fake::RunUninst("/S SAMPLE.INI");
    std::string untracedState = Snapshot();
    for (const UnwritableRow& row : kUnwritableRows) {
        SCOPED_TRACE(row.why);
        InstallSmallProduct();
        if (row.readOnlyTrace) {
            fake::WriteFile(kTrace, "");
            M().files[kTrace].readOnly = true;
        }
        EXPECT_EQ(fake::RunUninst(row.tail), untraced);
        if (row.readOnlyTrace) {
            EXPECT_EQ(fake::ReadFile(kTrace).value_or("x"), "");
            M().files.erase(kTrace);
        }
        EXPECT_EQ(Snapshot(), untracedState);
    }
}

// The temporary copy carries on the original's trace, so that one file tells the
// whole removal; a name relative to the original's directory is not passed on, as the
// copy runs in the temporary directory and would write its lines there.
struct HandOverRow {
    const char* why;
    const char* option;
    const char* trace;
    bool copyAppends;
};
const HandOverRow kHandOverRows[] = {
    // A full path: the copy's lines follow the original's end line.
    {"full path", "/LOG:C:\\TRACE.TXT", kTrace, true},
    // A bare name: the original's trace only, nothing in the temporary directory.
    {"bare name", "/LOG:TRACE.TXT", "TRACE.TXT", false},
};

TEST(UninstTrace, TemporaryCopyAppendsToTheSameTrace) {
    for (const HandOverRow& row : kHandOverRows) {
        SCOPED_TRACE(row.why);
        fake::Reset();
        fake::SetWindowsNT4();
        fake::WriteFile("C:\\APP\\VIEW.EXE", "program");
        fake::WriteFile("C:\\APP\\UNINST.EXE", "remover");
        fake::WriteFile(kLog,
                        "[UNINST]\r\nProduct=Sample\r\n[UninstCreatedDirs]\r\nC:\\APP=\r\n[UninstFiles]\r\n"
                        "C:\\APP\\VIEW.EXE=\r\nC:\\APP\\UNINST.EXE=\r\n");
        M().moduleFileName = "C:\\APP\\UNINST.EXE";
        EXPECT_EQ(fake::RunUninst((std::string("/S ") + row.option + " SAMPLE.INI").c_str()), kExitSuccess);
        ASSERT_EQ(M().started.size(), 1u);
        std::string tail = M().started[0].command.substr(M().started[0].command.find(' ') + 1);
        M().openHandles.insert(reinterpret_cast<HANDLE>(std::stoull(tail.substr(tail.find("/W ") + 3))));
        M().moduleFileName = M().started[0].application;
        EXPECT_EQ(fake::RunUninst(tail.c_str()), kExitSuccess);

        std::string trace = fake::ReadFile(row.trace).value_or("");
        size_t handOver = trace.find("handed over to a temporary copy");
        size_t firstEnd = trace.find("end: exit code 0\r\n");
        size_t copyStart = trace.find("UNINST.EXE 1.0.0.0 C:\\TEMP\\UNI1.TMP");
        EXPECT_NE(handOver, std::string::npos) << trace;
        EXPECT_LT(handOver, firstEnd) << trace;
        EXPECT_EQ(copyStart != std::string::npos, row.copyAppends) << trace;
        if (!row.copyAppends) continue;
        EXPECT_LT(firstEnd, copyStart) << trace;
        // The caller's wait ends with the log gone; the copy takes the remover's own file.
        EXPECT_LT(trace.find("log C:\\WINDOWS\\SAMPLE.INI deleted\r\n"), handOver) << trace;
        EXPECT_NE(trace.find("file C:\\APP\\UNINST.EXE: removed\r\n", copyStart), std::string::npos) << trace;
        EXPECT_NE(trace.find("directory C:\\APP: removed\r\n", copyStart), std::string::npos) << trace;
        EXPECT_NE(trace.find("end: exit code 0\r\n", copyStart), std::string::npos) << trace;
    }
}

}  // namespace
