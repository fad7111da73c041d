// The remover's log: entries taken whole, checkpoints that replace the log whole and
// cost time in proportion to it, and a removal cut at any call that a second run
// finishes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "uninst/uninstaller.h"

namespace {

using fake::M;
using Strings = std::vector<std::string>;

constexpr char kLog[] = "C:\\WINDOWS\\SAMPLE.INI";
constexpr char kNewLog[] = "C:\\WINDOWS\\SAMPLE.IN$";
constexpr char kRemover[] = "C:\\REMOVER\\UNINST.EXE";

struct PowerCut {};

class RemovalLog : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        M().moduleFileName = kRemover;
        fake::WriteFile(kRemover, "remover");
    }

    static std::string Section(const char* name, const Strings& keys) {
        std::string text = std::string("[") + name + "]\r\n";
        for (const std::string& key : keys) text += key + "=\r\n";
        return text;
    }

    // Files C:\APP\<dir>\F<n>.DAT, logged, in place.
    static Strings MakeFiles(int count, const char* dir = "C:\\APP") {
        Strings files;
        for (int i = 0; i < count; ++i) {
            files.push_back(std::string(dir) + "\\F" + std::to_string(i) + ".DAT");
            fake::WriteFile(files.back(), "data");
        }
        return files;
    }

    static int Remove() { return fake::RunUninst((std::string("/S ") + kLog).c_str()); }
};

// An entry is the line up to its last '=': the file "a=b.dat" goes, the person's own
// "C:\APP\a" stays, and the command runs with its whole argument.
TEST_F(RemovalLog, NamesWithEqualsSignsAreTakenWhole) {
    fake::WriteFile("C:\\APP\\a=b.dat", "product's");
    fake::WriteFile("C:\\APP\\a", "the person's own");
    fake::WriteFile("C:\\APP\\VIEW.EXE", "program");
    fake::WriteFile(kLog, "[UNINST]\r\nProduct=Sample\r\n" + Section("UninstFiles", {"C:\\APP\\a=b.dat"}) +
                              Section("UninstExec", {"C:\\APP\\VIEW.EXE /mode=remove"}));
    EXPECT_EQ(Remove(), 0);
    EXPECT_FALSE(fake::FileExists("C:\\APP\\a=b.dat"));
    EXPECT_TRUE(fake::FileExists("C:\\APP\\a"));
    ASSERT_EQ(M().started.size(), 1u);
    EXPECT_EQ(M().started[0].command, "C:\\APP\\VIEW.EXE /mode=remove");
    EXPECT_FALSE(fake::FileExists(kLog));
}

// A file that happens to bear the new log's name but is not a log is someone else's:
// it is neither overwritten nor deleted, and the removal still finishes.
TEST_F(RemovalLog, ForeignFileOfTheNewLogsNameIsLeftAlone) {
    Strings files = MakeFiles(3);
    fake::WriteFile(kNewLog, "another program's data");
    fake::WriteFile(kLog, "[UNINST]\r\nProduct=Sample\r\n" + Section("UninstFiles", files));
    EXPECT_EQ(Remove(), 0);
    EXPECT_EQ(fake::ReadFile(kNewLog).value_or("<none>"), "another program's data");
    EXPECT_FALSE(fake::FileExists(kLog));
    for (const std::string& file : files) EXPECT_FALSE(fake::FileExists(file)) << file;
}

// The log is written back a number of times that grows with the logarithm of the
// entries, and the bytes written stay a small multiple of the log itself.
TEST_F(RemovalLog, CheckpointsCostInProportionToTheLog) {
    struct Row {
        int files;
        const char* why;
    } rows[] = {
        {10, "a short log"},
        {1000, "a long one"},
        {5000, "five times longer: no more than twice the checkpoints, the same bytes per entry"},
    };
    for (const Row& row : rows) {
        SetUp();
        Strings files = MakeFiles(row.files);
        std::string log = "[UNINST]\r\nProduct=Sample\r\n" + Section("UninstFiles", files);
        fake::WriteFile(kLog, log);
        EXPECT_EQ(Remove(), 0) << row.why;
        size_t replaces = 0, written = M().bytesWritten;
        for (const std::string& call : M().calls) {
            if (call.rfind("MoveFileExA C:\\WINDOWS\\SAMPLE.IN$", 0) == 0) ++replaces;
        }
        EXPECT_LE(replaces, 45u) << row.why;
        EXPECT_LE(written, 5 * log.size()) << row.why;
        EXPECT_FALSE(fake::FileExists(kLog)) << row.why;
    }
}

// Before the first file goes, the log already names every directory that the
// directory pass will try, in one write.
TEST_F(RemovalLog, DirectoriesAreNotedBeforeTheFirstFileGoes) {
    Strings files = MakeFiles(3, "C:\\APP");
    Strings more = MakeFiles(2, "C:\\APP\\SUB");
    files.insert(files.end(), more.begin(), more.end());
    fake::WriteFile(kLog, "[UNINST]\r\nProduct=Sample\r\n" + Section("UninstFiles", files));
    std::string atFirstDeletion;
    M().onCall = [&](const std::string& call) {
        if (atFirstDeletion.empty() && call.rfind("DeleteFileA C:\\APP\\", 0) == 0)
            atFirstDeletion = fake::ReadFile(kLog).value_or("<none>");
    };
    EXPECT_EQ(Remove(), 0);
    M().onCall = nullptr;
    EXPECT_NE(atFirstDeletion.find("[UninstDirs]\r\nC:\\APP=\r\nC:\\APP\\SUB=\r\n"), std::string::npos)
        << atFirstDeletion;
    EXPECT_FALSE(fake::DirectoryExists("C:\\APP"));
}

// A removal cut at any call, on NT and on Windows 95 (whose replace is a delete and a
// rename), is finished by a second run: the product's files, directory and log are
// gone, the half-written new log too, and what is not the product's stays.
TEST_F(RemovalLog, RemovalCutAtAnyCallIsFinishedByTheNextRun) {
    struct Row {
        bool windows95;
        const char* why;
    } rows[] = {{false, "NT: the new log replaces the old in one step"},
                {true, "Windows 95: the old log is deleted, then the new one renamed"}};
    auto prepare = [&](bool windows95) {
        SetUp();
        if (windows95) fake::SetWindows95();
        Strings files = MakeFiles(6);
        fake::WriteFile("C:\\APP\\SETUP.EXE", "program");
        fake::WriteFile("C:\\OTHER\\KEEP.TXT", "not the product's");
        files.push_back("C:\\APP\\SETUP.EXE");
        fake::WriteFile(kLog, "[UNINST]\r\nProduct=Sample\r\n" + Section("UninstFiles", files) +
                                  Section("UninstExec", {"C:\\APP\\SETUP.EXE /remove"}));
    };
    for (const Row& row : rows) {
        prepare(row.windows95);
        Remove();
        const size_t total = M().calls.size();
        for (size_t cut = 1; cut <= total; ++cut) {
            prepare(row.windows95);
            size_t count = 0;
            M().onCall = [&](const std::string&) {
                if (++count == cut) throw PowerCut{};
            };
            bool wasCut = false;
            try {
                Remove();
            } catch (const PowerCut&) {
                wasCut = true;
            }
            M().onCall = nullptr;
            if (!wasCut) continue;
            // The log is whole at every cut: the old one, the new one, or (Windows 95,
            // between the delete and the rename) the new one under its own name; or the
            // removal had come to its end and deleted it.
            if (!fake::FileExists(kLog) && !fake::FileExists(kNewLog)) {
                EXPECT_FALSE(fake::DirectoryExists("C:\\APP")) << row.why << ", cut " << cut;
                continue;
            }
            size_t startsBefore = M().started.size();
            EXPECT_EQ(Remove(), 0) << row.why << ", cut " << cut;
            EXPECT_FALSE(fake::FileExists(kLog)) << row.why << ", cut " << cut;
            EXPECT_FALSE(fake::FileExists(kNewLog)) << row.why << ", cut " << cut;
            EXPECT_FALSE(fake::DirectoryExists("C:\\APP")) << row.why << ", cut " << cut;
            EXPECT_TRUE(fake::FileExists("C:\\OTHER\\KEEP.TXT")) << row.why << ", cut " << cut;
            // The removal command ran once in all, or twice when the cut came between
            // its run and the write that took it out of the log.
            EXPECT_GE(M().started.size(), 1u) << row.why << ", cut " << cut;
            EXPECT_LE(M().started.size(), startsBefore + 1) << row.why << ", cut " << cut;
            EXPECT_LE(M().started.size(), 2u) << row.why << ", cut " << cut;
        }
    }
}

}  // namespace
