// The documentation for script authors, held to the program: every SETUP.INF example
// in docs/ runs on the fake machine and must do exactly what the expectation block
// beside it says, and every text of the string table is quoted in the message list.
//
// Blocks are fenced code blocks whose info string carries "setup-inf":
//   ```ini setup-inf example=NAME [source=FILE]   the script (FILE: must equal it)
//   ```text setup-inf expect=NAME                 the machine before, the answers, the outcome
//   ```ini setup-inf before=NAME path=WINPATH     a file that is there before the run
//   ```ini setup-inf after=NAME path=WINPATH      a file's whole content after the run
#include <ctype.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "fake/fake_machine.h"

namespace {

using fake::M;

// Every example runs from a medium in drive D:, on a machine whose Windows
// directory is C:\WINDOWS and whose system directory is C:\WINDOWS\SYSTEM.
constexpr const char* kMediumDir = "D:\\";

const char* const kDocs[] = {"docs/setup-inf.md", "docs/messages.md"};

std::string ReadSource(const std::string& relative) {
    std::ifstream in(std::string(SETUP_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string WithoutCarriageReturns(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    return out;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

struct Block {
    std::string doc;
    int line = 0;                             // of the opening fence
    std::map<std::string, std::string> info;  // "example" -> NAME, "path" -> ...
    std::string body;
};

// What is wrong with the blocks themselves, found while collecting them.
std::vector<std::string>& BlockProblems() {
    static std::vector<std::string> problems;
    return problems;
}

// The fenced blocks whose info string names "setup-inf", with their attributes.
std::vector<Block> SetupInfBlocks(const std::string& doc) {
    std::vector<Block> blocks;
    std::istringstream in(WithoutCarriageReturns(ReadSource(doc)));
    std::string line;
    int number = 0;
    Block* open = nullptr;
    bool inOtherFence = false;
    while (std::getline(in, line)) {
        ++number;
        bool fence = line.rfind("```", 0) == 0;
        if (open != nullptr) {
            if (fence) {
                open = nullptr;
                continue;
            }
            open->body += line + "\n";
            continue;
        }
        if (!fence) continue;
        if (inOtherFence) {
            inOtherFence = false;
            continue;
        }
        std::istringstream words(line.substr(3));
        std::vector<std::string> tokens;
        for (std::string w; words >> w;) tokens.push_back(w);
        if (tokens.size() < 2 || tokens[1] != "setup-inf") {
            inOtherFence = true;
            continue;
        }
        Block block;
        block.doc = doc;
        block.line = number;
        for (size_t i = 2; i < tokens.size(); ++i) {
            size_t eq = tokens[i].find('=');
            block.info[tokens[i].substr(0, eq)] = eq == std::string::npos ? "" : tokens[i].substr(eq + 1);
        }
        blocks.push_back(block);
        open = &blocks.back();
    }
    if (open != nullptr) BlockProblems().push_back(doc + ": a setup-inf block is not closed");
    return blocks;
}

struct Example {
    std::string where;  // doc:line, for failure messages
    std::string script;
    std::string source;  // the file the script must equal, if any
    std::string expect;
    bool hasExpect = false;
    std::vector<std::pair<std::string, std::string>> before, after;  // path, content
};

std::map<std::string, Example> CollectExamples() {
    std::map<std::string, Example> examples;
    for (const char* doc : kDocs) {
        for (const Block& block : SetupInfBlocks(doc)) {
            std::string where = block.doc + ":" + std::to_string(block.line);
            auto get = [&](const char* key) {
                auto it = block.info.find(key);
                return it == block.info.end() ? std::string() : it->second;
            };
            if (!get("example").empty()) {
                Example& e = examples[get("example")];
                if (!e.where.empty()) BlockProblems().push_back(where + ": example " + get("example") + " given twice");
                e.where = where;
                e.script = block.body;
                e.source = get("source");
            } else if (!get("expect").empty()) {
                Example& e = examples[get("expect")];
                if (e.hasExpect) BlockProblems().push_back(where + ": second expectation for " + get("expect"));
                e.expect = block.body;
                e.hasExpect = true;
            } else if (!get("check").empty()) {
                // setupcheck's findings for the example: held to setupcheck by its own test.
            } else if (!get("before").empty()) {
                examples[get("before")].before.push_back({get("path"), block.body});
            } else if (!get("after").empty()) {
                examples[get("after")].after.push_back({get("path"), block.body});
            } else {
                BlockProblems().push_back(where + ": setup-inf block without example=, expect=, before= or after=");
            }
        }
    }
    return examples;
}

// "1.2" or "1.2.3.4" as a fixed file version.
uint64_t ParseVersion(const std::string& text) {
    uint64_t parts[4] = {0, 0, 0, 0};
    std::istringstream in(text);
    std::string part;
    for (int i = 0; i < 4 && std::getline(in, part, '.'); ++i) parts[i] = std::stoull(part);
    return (parts[0] << 48) | (parts[1] << 32) | (parts[2] << 16) | parts[3];
}

// "PATH (version 1.3, in use)" -> PATH and its attributes.
struct Thing {
    std::string name;
    uint64_t version = 0;
    bool inUse = false;
    bool readOnly = false;
};

Thing ParseThing(const std::string& text, const std::string& where) {
    Thing thing;
    size_t open = text.find(" (");
    thing.name = Trim(text.substr(0, open));
    if (open == std::string::npos) return thing;
    std::string attributes = text.substr(open + 2);
    if (!attributes.empty() && attributes.back() == ')') attributes.pop_back();
    std::istringstream in(attributes);
    for (std::string a; std::getline(in, a, ',');) {
        a = Trim(a);
        if (a.rfind("version ", 0) == 0)
            thing.version = ParseVersion(a.substr(8));
        else if (a == "in use")
            thing.inUse = true;
        else if (a == "read-only")
            thing.readOnly = true;
        else
            ADD_FAILURE() << where << ": unknown attribute '" << a << "'";
    }
    return thing;
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
}

// A box as the expectation block writes it: caption | text | buttons | icon.
std::string DescribeBox(const fake::MessageBoxRecord& box) {
    std::string buttons = (box.style & 0xF) == MB_YESNO ? "Yes, No" : (box.style & 0xF) == MB_OK ? "OK" : "other";
    std::string icon;
    switch (box.style & 0xF0) {
        case 0:
            icon = "none";
            break;
        case MB_ICONHAND:
            icon = "stop";
            break;
        case MB_ICONQUESTION:
            icon = "question";
            break;
        default:
            icon = "other";
            break;
    }
    return box.caption + " | " + Escaped(box.text) + " | " + buttons + " | " + icon;
}

std::string ParentOf(const std::string& path) {
    std::string p = fake::NormalisePath(path);
    size_t slash = p.rfind('\\');
    return slash <= 2 ? p.substr(0, 3) : p.substr(0, slash);
}

bool SamePath(const std::string& a, const std::string& b) {
    return fake::SameText(fake::NormalisePath(a), fake::NormalisePath(b));
}

class DocumentedExample : public ::testing::TestWithParam<std::string> {
protected:
    // The run's own blocks (the argument list, for one) are given back with the machine.
    void TearDown() override { fake::Reset(); }

    static std::map<std::string, Example>& All() {
        static std::map<std::string, Example> examples = CollectExamples();
        return examples;
    }
};

TEST_P(DocumentedExample, DoesWhatTheDocumentationSays) {
    const Example& example = All().at(GetParam());
    const std::string& where = example.where;
    ASSERT_FALSE(example.script.empty()) << "expectation or file block for '" << GetParam() << "' without its example";
    ASSERT_TRUE(example.hasExpect) << where << ": example '" << GetParam() << "' has no expect= block";
    if (!example.source.empty()) {
        EXPECT_EQ(example.script, WithoutCarriageReturns(ReadSource(example.source)))
            << where << ": the example is not the same as " << example.source;
    }

    fake::Reset();
    fake::MakeDirectory(kMediumDir);
    M().moduleFileName = std::string(kMediumDir) + "SETUP.EXE";
    M().currentDirectory = kMediumDir;
    fake::SetScript(example.script);
    for (const auto& [path, content] : example.before) {
        fake::MakeDirectory(ParentOf(path));
        fake::WriteFile(path, content);
    }

    // The outcome, gathered from the expectation block and checked after the run.
    std::vector<std::string> boxes, files, missing, started, programEnvironment, registered, staged, counts;
    std::vector<Thing> fileVersions;
    std::string restart;
    std::istringstream lines(example.expect);
    for (std::string line; std::getline(lines, line);) {
        if (Trim(line).empty()) continue;
        size_t colon = line.find(": ");
        ASSERT_NE(colon, std::string::npos) << where << ": expectation line without 'Key: ': " << line;
        std::string key = line.substr(0, colon);
        std::string value = line.substr(colon + 2);
        if (key == "Windows") {
            value = Trim(value);
            if (value == "95")
                fake::SetWindows95();
            else if (value == "NT 4.0")
                fake::SetWindowsNT4();
            else if (value == "NT 3.51")
                fake::SetWindowsNT351();
            else if (value == "XP")
                fake::SetWindowsXP();
            else
                ADD_FAILURE() << where << ": unknown Windows " << value;
        } else if (key == "Medium" || key == "Already") {
            Thing thing = ParseThing(value, where);
            std::string path = key == "Medium" ? std::string(kMediumDir) + thing.name : thing.name;
            fake::MakeDirectory(ParentOf(path));
            fake::WriteFile(path, thing.name + " of the " + key + "\r\n", thing.version);
            M().files[fake::NormalisePath(path)].inUse = thing.inUse;
            M().files[fake::NormalisePath(path)].readOnly = thing.readOnly;
        } else if (key == "Folder") {
            fake::MakeDirectory(Trim(value));
        } else if (key == "Registry") {
            // ROOT\subkey | value name | data
            size_t first = value.find(" | ");
            size_t second = value.find(" | ", first + 3);
            ASSERT_NE(second, std::string::npos) << where << ": Registry needs key | value | data";
            std::string keyPath = Trim(value.substr(0, first));
            std::string name = value.substr(first + 3, second - first - 3);
            if (name == "(default)") name.clear();
            size_t slash = keyPath.find('\\');
            std::string rootName = keyPath.substr(0, slash);
            HKEY root = rootName == "HKEY_LOCAL_MACHINE"  ? HKEY_LOCAL_MACHINE
                        : rootName == "HKEY_CURRENT_USER" ? HKEY_CURRENT_USER
                        : rootName == "HKEY_CLASSES_ROOT" ? HKEY_CLASSES_ROOT
                                                          : HKEY_USERS;
            fake::SetRegistryString(root, keyPath.substr(slash + 1), name, value.substr(second + 3));
        } else if (key == "Environment") {
            size_t eq = value.find('=');
            fake::SetEnvironment(value.substr(0, eq), value.substr(eq + 1));
        } else if (key == "Answers") {
            std::istringstream in(value);
            for (std::string a; std::getline(in, a, ',');) {
                a = Trim(a);
                if (a == "Yes")
                    M().answers.push_back(IDYES);
                else if (a == "No")
                    M().answers.push_back(IDNO);
                else
                    ADD_FAILURE() << where << ": unknown answer " << a;
            }
        } else if (key == "Box") {
            boxes.push_back(value);
        } else if (key == "File") {
            fileVersions.push_back(ParseThing(value, where));
        } else if (key == "No file") {
            missing.push_back(Trim(value));
        } else if (key == "Started") {
            started.push_back(value);
        } else if (key == "Program environment") {
            programEnvironment.push_back(value);
        } else if (key == "Registered") {
            registered.push_back(Trim(value));
            // A self-registering component lies there once the file phase copied it.
            M().components[fake::NormalisePath(Trim(value))] = fake::Component{};
        } else if (key == "Staged") {
            staged.push_back(value);
        } else if (key == "Shared count") {
            counts.push_back(value);
        } else if (key == "Restart") {
            restart = Trim(value);
        } else {
            ADD_FAILURE() << where << ": unknown expectation '" << key << "'";
        }
    }

    fake::RunSetup();

    std::vector<std::string> shown;
    for (const auto& box : M().boxes) shown.push_back(DescribeBox(box));
    EXPECT_EQ(shown, boxes) << where << ": the boxes shown";
    EXPECT_TRUE(M().answers.empty()) << where << ": answers left over";
    EXPECT_EQ(M().unansweredQuestions, 0) << where << ": a question had no answer";

    for (const Thing& file : fileVersions) {
        EXPECT_TRUE(fake::FileExists(file.name)) << where << ": missing " << file.name;
        if (file.version != 0 && fake::FileExists(file.name)) {
            EXPECT_EQ(M().files[fake::NormalisePath(file.name)].version, file.version)
                << where << ": version of " << file.name;
        }
    }
    for (const std::string& path : missing)
        EXPECT_FALSE(fake::FileExists(path) || fake::DirectoryExists(path)) << where << ": " << path << " exists";

    std::vector<std::string> commands;
    for (const auto& process : M().started) commands.push_back(Trim(process.command));
    for (std::string& s : started) s = Trim(s);
    EXPECT_EQ(commands, started) << where << ": programs started";
    for (const std::string& variable : programEnvironment)
        for (const auto& process : M().started) {
            bool seen = false;
            for (const std::string& entry : process.environment) seen = seen || entry == variable;
            EXPECT_TRUE(seen) << where << ": " << process.command << " did not inherit " << variable;
        }

    std::vector<std::string> calledRegister;
    for (const std::string& call : fake::CallsStartingWith("DllRegisterServer "))
        calledRegister.push_back(call.substr(18));
    ASSERT_EQ(calledRegister.size(), registered.size()) << where << ": components registered";
    for (size_t i = 0; i < registered.size(); ++i) {
        EXPECT_TRUE(SamePath(calledRegister[i], registered[i])) << where << ": registered " << calledRegister[i];
        EXPECT_TRUE(fake::FileExists(registered[i])) << where << ": registered but not installed: " << registered[i];
    }

    ASSERT_EQ(fake::DelayedMoves().size(), staged.size()) << where << ": replacements staged as delayed moves";
    for (size_t i = 0; i < staged.size(); ++i) {
        size_t arrow = staged[i].find(" -> ");
        ASSERT_NE(arrow, std::string::npos) << where << ": Staged needs 'staged -> destination'";
        EXPECT_TRUE(SamePath(fake::DelayedMoves()[i].first, Trim(staged[i].substr(0, arrow))))
            << where << ": staged copy " << fake::DelayedMoves()[i].first;
        EXPECT_TRUE(SamePath(fake::DelayedMoves()[i].second, Trim(staged[i].substr(arrow + 4))))
            << where << ": destination " << fake::DelayedMoves()[i].second;
    }
    // PATH | N: the SharedDLLs count of the file is the REG_DWORD N.
    for (const std::string& count : counts) {
        size_t bar = count.find(" | ");
        ASSERT_NE(bar, std::string::npos) << where << ": Shared count needs 'path | count'";
        const auto& values =
            M().registry["HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs"].values;
        auto it = values.find(Trim(count.substr(0, bar)));
        ASSERT_NE(it, values.end()) << where << ": no count for " << count;
        DWORD n = std::stoul(Trim(count.substr(bar + 3)));
        std::string bytes{static_cast<char>(n & 0xff), static_cast<char>((n >> 8) & 0xff),
                          static_cast<char>((n >> 16) & 0xff), static_cast<char>((n >> 24) & 0xff)};
        EXPECT_EQ(it->second, (std::pair<DWORD, std::string>(REG_DWORD, bytes))) << where << ": " << count;
    }
    if (!restart.empty()) {
        EXPECT_EQ(M().exitWindowsFlags.empty() ? "no" : "yes", restart) << where << ": restart";
    }

    for (const auto& [path, content] : example.after) {
        std::optional<std::string> actual = fake::ReadFile(path);
        ASSERT_TRUE(actual.has_value()) << where << ": " << path << " was not written";
        EXPECT_EQ(WithoutCarriageReturns(*actual), content) << where << ": content of " << path;
    }
}

std::vector<std::string> ExampleNames() {
    std::vector<std::string> names;
    for (const auto& [name, example] : CollectExamples()) names.push_back(name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(Docs, DocumentedExample, ::testing::ValuesIn(ExampleNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name;
                             for (char c : info.param) name += isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(Docs, EverySetupInfBlockIsWellFormed) {
    BlockProblems().clear();
    CollectExamples();
    EXPECT_EQ(BlockProblems(), std::vector<std::string>{});
}

TEST(Docs, TheSampleMediumsScriptIsOneOfTheExamples) {
    bool found = false;
    for (const Block& block : SetupInfBlocks("docs/setup-inf.md"))
        found = found || (block.info.count("source") != 0 && block.info.at("source") == "sample/SETUP.INF");
    EXPECT_TRUE(found) << "docs/setup-inf.md must show sample/SETUP.INF as an example with source=sample/SETUP.INF";
}

TEST(Docs, EveryTextOfTheStringTableIsQuotedExactlyInTheMessageList) {
    std::string messages = WithoutCarriageReturns(ReadSource("docs/messages.md"));
    ASSERT_FALSE(messages.empty());
    for (const auto& [id, text] : fake::StringTable())
        EXPECT_NE(messages.find("`" + Escaped(text) + "`"), std::string::npos)
            << "docs/messages.md does not quote text " << id << ": `" << Escaped(text) << "`";
}

}  // namespace
