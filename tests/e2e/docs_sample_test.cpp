// The sample medium's example in docs/setup-inf.md, held to the real SETUP.EXE: the
// boxes, files and uninstall log that the documentation states for it are what the
// Sample Viewer medium gives under Wine. The documentation describes a machine with
// Windows in C:\WINDOWS (system directory C:\WINDOWS\SYSTEM) and the medium in D:;
// here they are C:\windows, C:\windows\system32 and C:\medium.
#include <gtest/gtest.h>

#include <sstream>

#include "harness.h"

using namespace e2e;

namespace {

std::string WithoutCarriageReturns(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    return out;
}

// The body of the fenced block whose info string is exactly `info`.
std::string DocBlock(const std::string& doc, const std::string& info) {
    std::istringstream in(WithoutCarriageReturns(ReadHostFile(std::string(SETUP_SOURCE_DIR_E2E) + "/" + doc)));
    std::string line, body;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!inside && line == "```" + info) {
            inside = true;
            continue;
        }
        if (inside && line.rfind("```", 0) == 0) return body;
        if (inside) body += line + "\n";
    }
    ADD_FAILURE() << doc << " has no block ```" << info;
    return "";
}

// A documented path on the Wine machine.
std::string OnWine(std::string path) {
    const std::pair<std::string, std::string> places[] = {
        {"C:\\WINDOWS\\SYSTEM\\", "C:\\windows\\system32\\"},
        {"C:\\WINDOWS\\", "C:\\windows\\"},
        {"D:\\", "C:\\medium\\"},
    };
    for (const auto& [doc, wine] : places)
        for (size_t at = path.find(doc); at != std::string::npos; at = path.find(doc, at + wine.size()))
            path.replace(at, doc.size(), wine);
    return path;
}

std::string Unescaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Transcript lines without the progress window, which the documentation does not state.
std::string WithoutProgress(const std::string& transcript) {
    std::istringstream in(transcript);
    std::string line, out;
    while (std::getline(in, line))
        if (line.rfind("progress: ", 0) != 0) out += line + "\n";
    return out;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(' ');
    size_t e = s.find_last_not_of(' ');
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

}  // namespace

TEST(DocsSample, TheDocumentedOutcomeOfTheSampleMediumIsWhatWineShows) {
    std::string expect = DocBlock("docs/setup-inf.md", "text setup-inf expect=sample");
    std::string log = DocBlock("docs/setup-inf.md", "ini setup-inf after=sample path=C:\\WINDOWS\\SAMPVIEW.INI");
    ASSERT_FALSE(expect.empty());

    WineCase wine;
    wine.UseMedium(SampleMediumDir());
    std::vector<std::string> answers;
    std::vector<Box> boxes;
    std::vector<std::string> files;
    std::istringstream lines(expect);
    size_t answerIndex = 0;
    std::vector<std::string> questionAnswers;
    for (std::string line; std::getline(lines, line);) {
        size_t colon = line.find(": ");
        ASSERT_NE(colon, std::string::npos) << line;
        std::string key = line.substr(0, colon), value = line.substr(colon + 2);
        if (key == "Already") {
            // The one file already there: the newer shared library that the demo also uses.
            ASSERT_EQ(value, "C:\\WINDOWS\\SYSTEM\\sampcore.dll (version 1.3)") << "not modelled here: " << line;
            wine.PutFile(OnWine("C:\\WINDOWS\\SYSTEM\\sampcore.dll"),
                         ReadHostFile(BuildDir() + "/sample/sampcore_newer.dll"));
        } else if (key == "Answers") {
            std::istringstream in(value);
            for (std::string a; std::getline(in, a, ',');) questionAnswers.push_back(Trim(a));
        } else if (key == "Box") {
            size_t first = value.find(" | ");
            size_t last = value.rfind(" | ");
            size_t buttonsAt = value.rfind(" | ", last - 1);
            Box box;
            box.caption = value.substr(0, first);
            box.text = Unescaped(value.substr(first + 3, buttonsAt - first - 3));
            std::string buttons = value.substr(buttonsAt + 3, last - buttonsAt - 3);
            box.buttons = buttons == "Yes, No" ? "YesNo" : buttons;
            box.icon = value.substr(last + 3);
            if (box.buttons == "YesNo") {
                ASSERT_LT(answerIndex, questionAnswers.size()) << "a question without an answer: " << line;
                box.answer = questionAnswers[answerIndex++];
            } else {
                box.answer = "OK";
            }
            answers.push_back(box.answer);
            boxes.push_back(box);
        } else if (key == "File") {
            files.push_back(OnWine(Trim(value.substr(0, value.find(" (")))));
        }
        // Medium: the medium is the real one. Started, Program environment and
        // Registered: proven by what the program and the component leave behind in
        // the SampleMedium cases.
    }

    SetupRun run = wine.RunSetup({answers});
    EXPECT_EQ(WithoutProgress(run.transcript), WithoutProgress(Transcript(boxes)));
    for (const std::string& file : files) EXPECT_TRUE(wine.Exists(file)) << file;
    EXPECT_EQ(wine.ReadFile(OnWine("C:\\WINDOWS\\SYSTEM\\sampcore.dll")),
              ReadHostFile(BuildDir() + "/sample/sampcore_newer.dll"));
    std::optional<std::string> written = wine.ReadFile("C:\\windows\\SAMPVIEW.INI");
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(WithoutCarriageReturns(*written), OnWine(log));
}
