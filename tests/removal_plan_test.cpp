// The remover's plan: entries taken whole, every decision written ahead of the first
// act, marks that cost time in proportion to the log, a plan that belongs to one log
// only, and a removal cut at any call that a second run finishes, no command twice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "uninst/uninstaller.h"

namespace {

using fake::M;
using Strings = std::vector<std::string>;

constexpr char kLog[] = "C:\\WINDOWS\\SAMPLE.INI";
constexpr char kPlan[] = "C:\\WINDOWS\\SAMPLE.IN$";
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

// A file that happens to bear the plan's name but is not a plan is someone else's: it
// is neither overwritten nor deleted; the plan takes the second name.
TEST_F(RemovalLog, ForeignFileOfThePlansNameIsLeftAlone) {
    Strings files = MakeFiles(3);
    fake::WriteFile(kPlan, "another program's data");
    fake::WriteFile(kLog, "[UNINST]\r\nProduct=Sample\r\n" + Section("UninstFiles", files));
    bool planned = false;
    M().onCall = [&](const std::string& call) {
        if (call.rfind("DeleteFileA C:\\APP\\", 0) == 0) planned |= fake::FileExists("C:\\WINDOWS\\SAMPLE.IN#");
    };
    EXPECT_EQ(Remove(), 0);
    M().onCall = nullptr;
    EXPECT_TRUE(planned);
    EXPECT_EQ(fake::ReadFile(kPlan).value_or("<none>"), "another program's data");
    EXPECT_FALSE(fake::FileExists("C:\\WINDOWS\\SAMPLE.IN#"));
    EXPECT_FALSE(fake::FileExists(kLog));
    for (const std::string& file : files) EXPECT_FALSE(fake::FileExists(file)) << file;
}

// The plan is written once, and its marks are flushed a number of times that grows with
// the logarithm of the entries; the bytes written stay a small multiple of the log.
TEST_F(RemovalLog, PlanAndMarksCostInProportionToTheLog) {
    struct Row {
        int files;
        const char* why;
    } rows[] = {
        {10, "a short log"},
        {1000, "a long one"},
        {5000, "five times longer: no more than twice the flushes, the same bytes per entry"},
    };
    for (const Row& row : rows) {
        SetUp();
        Strings files = MakeFiles(row.files);
        std::string log = "[UNINST]\r\nProduct=Sample\r\n" + Section("UninstFiles", files);
        fake::WriteFile(kLog, log);
        EXPECT_EQ(Remove(), 0) << row.why;
        size_t flushes = fake::CountCalls("FlushFileBuffers");
        EXPECT_LE(flushes, 45u) << row.why;
        EXPECT_LE(M().bytesWritten, 3 * log.size()) << row.why;
        EXPECT_FALSE(fake::FileExists(kLog)) << row.why;
        EXPECT_FALSE(fake::FileExists(kPlan)) << row.why;
    }
}

// Before the first act the plan names every entry with its decision, the directories
// to try included, and ends with its count: a cut later finds it whole.
TEST_F(RemovalLog, PlanIsWholeOnTheDiskBeforeTheFirstAct) {
    Strings files = MakeFiles(2, "C:\\APP");
    Strings more = MakeFiles(1, "C:\\APP\\SUB");
    files.insert(files.end(), more.begin(), more.end());
    fake::WriteFile("C:\\WINDOWS\\SYSTEM\\KEPT.DLL", "another product's");
    files.push_back("C:\\WINDOWS\\SYSTEM\\KEPT.DLL");
    fake::WriteFile("C:\\APP\\VIEW.EXE", "program");
    fake::WriteFile(kLog, "[UNINST]\r\nProduct=Sample\r\n" + Section("UninstFiles", files) +
                              Section("UninstKeptFiles", {"C:\\WINDOWS\\SYSTEM\\KEPT.DLL"}) +
                              Section("UninstExec", {"C:\\APP\\VIEW.EXE /remove", std::string(1100, 'x')}));
    std::string atFirstAct;
    M().onCall = [&](const std::string& call) {
        if (atFirstAct.empty() && call.rfind("CreateProcessA", 0) == 0)
            atFirstAct = fake::ReadFile(kPlan).value_or("<none>");
    };
    EXPECT_EQ(Remove(), 0);  // the long command is named as left in place
    M().onCall = nullptr;
    // Commands, components, files last logged first, then directories deepest first; a
    // command too long to start is left in place; the first command is marked before it
    // starts.
    EXPECT_EQ(atFirstAct.substr(atFirstAct.find("\r\nC")),
              "\r\nCx 0 \r\nC- 0 C:\\APP\\VIEW.EXE /remove\r\n"
              "Fk 0 C:\\WINDOWS\\SYSTEM\\KEPT.DLL\r\nF- 0 C:\\APP\\SUB\\F0.DAT\r\nF- 0 C:\\APP\\F1.DAT\r\n"
              "F- 0 C:\\APP\\F0.DAT\r\nD- 0 C:\\APP\\SUB\r\nD- 0 C:\\APP\r\nEnd=8\r\n1+\r\n")
        << atFirstAct;
    EXPECT_EQ(atFirstAct.rfind("[UninstPlan]\r\nLog=", 0), 0u) << atFirstAct;
    EXPECT_FALSE(fake::DirectoryExists("C:\\APP\\SUB"));
    // It still holds the program, which the log does not list.
    EXPECT_TRUE(fake::FileExists("C:\\APP\\VIEW.EXE"));
    EXPECT_TRUE(fake::FileExists("C:\\WINDOWS\\SYSTEM\\KEPT.DLL"));
}

// A plan belongs to the log it was made from: after the log changed (the product was
// installed again before a cut removal was run again), it is decided afresh.
TEST_F(RemovalLog, PlanOfAChangedLogIsDecidedAgain) {
    Strings files = MakeFiles(2);
    fake::WriteFile("C:\\APP\\VIEW.EXE", "program");
    std::string log = "[UNINST]\r\nProduct=Sample\r\n" + Section("UninstFiles", files) +
                      Section("UninstExec", {"C:\\APP\\VIEW.EXE /remove"});
    fake::WriteFile(kLog, log);
    M().onCall = [](const std::string& call) {
        if (call.rfind("DeleteFileA C:\\APP\\F0.DAT", 0) == 0) throw PowerCut{};
    };
    EXPECT_THROW(Remove(), PowerCut);
    M().onCall = nullptr;
    ASSERT_TRUE(fake::FileExists(kPlan));
    // Installed again: the same files, and one more.
    MakeFiles(3);
    files.push_back("C:\\APP\\F2.DAT");
    fake::WriteFile(kLog, "[UNINST]\r\nProduct=Sample\r\n" + Section("UninstFiles", files) +
                              Section("UninstExec", {"C:\\APP\\VIEW.EXE /remove"}));
    M().started.clear();
    EXPECT_EQ(Remove(), 0);
    // The command of the new installation runs; every file of it goes.
    EXPECT_EQ(M().started.size(), 1u);
    for (const std::string& file : files) EXPECT_FALSE(fake::FileExists(file)) << file;
    EXPECT_FALSE(fake::FileExists(kPlan));
}

// A removal cut at any call, on NT and on Windows 95, is finished by a second run: the
// product's files, directory, log and plan are gone, and what is not the product's
// stays. The removal command is marked before it starts: it runs once at most.
TEST_F(RemovalLog, RemovalCutAtAnyCallIsFinishedByTheNextRun) {
    struct Row {
        bool windows95;
        const char* why;
    } rows[] = {{false, "NT"}, {true, "Windows 95"}};
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
            std::string lastCall;
            M().onCall = [&](const std::string& call) {
                lastCall = call;
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
            std::string where = std::string(row.why) + ", cut " + std::to_string(cut) + " at " + lastCall;
            bool markedStarted = false;
            if (auto plan = fake::ReadFile(kPlan)) markedStarted = plan->find("End=") != std::string::npos &&
                                                                    plan->find("\r\n0+\r\n") != std::string::npos;
            size_t startsBefore = M().started.size();
            if (fake::FileExists(kLog) || fake::FileExists(kPlan)) EXPECT_EQ(Remove(), 0) << where;
            EXPECT_FALSE(fake::FileExists(kLog)) << where;
            EXPECT_FALSE(fake::FileExists(kPlan)) << where;
            EXPECT_FALSE(fake::DirectoryExists("C:\\APP")) << where;
            EXPECT_TRUE(fake::FileExists("C:\\OTHER\\KEEP.TXT")) << where;
            // Started once in all, never again once its start was marked.
            EXPECT_LE(M().started.size(), 1u) << where;
            if (markedStarted) EXPECT_EQ(M().started.size(), startsBefore) << where;
            if (HasFailure()) return;
        }
    }
}

}  // namespace
