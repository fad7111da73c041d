// setupcheck's diagnostics on arbitrary scripts and media: every finding points at a
// line of the script (or at the script as a whole), has a known severity and code and
// prints as one line; and reading keys out of a section block gives what reading the
// file itself gives, for the same rules SETUP.EXE may use either way.
#include <string.h>

#include <set>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "script/profile_rules.h"
#include "setupcheck/diagnostics.h"
#include "setupcheck/report.h"

namespace {

const std::set<std::string> kCodes = {
    "missing-source",     "path-too-long",      "unknown-data-from",     "unknown-root-key",     "bad-target-dir",
    "unknown-key",        "missing-section",    "duplicate-key",         "duplicate-section",    "duplicate-entry",
    "value-cut",          "unknown-macro",      "program-not-installed", "unknown-section",      "unused-section",
    "ignored-line",       "bare-uninstall-log", "comment-in-value",      "inherited-system-dir", "remover-wiring",
    "log-in-product-dir", "version-macro",      "doubled-backslash",     "shared-without-log"};

void CheckDiagnostics(const std::string& text, const std::vector<std::string>& files) {
    ScriptText script;
    LoadScriptText(script, text);
    unsigned lastLine = 0;
    for (const ProfileLine& line : script.AllLines) lastLine = line.Number;
    Medium medium;
    medium.Files = files;
    std::vector<Diagnostic> found = CheckScript(script, &medium, CheckMachine());
    unsigned previous = 0;
    for (const Diagnostic& d : found) {
        FUZZ_CHECK(d.Line <= lastLine);
        FUZZ_CHECK(d.Line >= previous);  // in line order
        previous = d.Line;
        FUZZ_CHECK(kCodes.count(d.Code) == 1);
        FUZZ_CHECK(d.Level == SeverityError || d.Level == SeverityWarning || d.Level == SeverityNote);
    }
    std::string printed = FormatDiagnostics("SETUP.INF", found);
    size_t lines = 0;
    for (char c : printed) lines += c == '\n' ? 1 : 0;
    // A finding quoting a value with a line break in it would break the one-line form;
    // values never hold one, since lines end there.
    FUZZ_CHECK(lines == found.size());
    std::string json = FormatDiagnosticsJson("SETUP.INF", found);
    FUZZ_CHECK(json.front() == '{' && json.substr(json.size() - 2) == "}\n");
    for (char c : json) FUZZ_CHECK(c == '\n' || static_cast<unsigned char>(c) >= 0x20);
}

void CheckSectionBlock(const std::string& text, const std::string& section, const std::string& key, unsigned size) {
    std::string_view file = text;
    std::vector<char> block(1 << 16);
    unsigned length = ReadProfileSection(&file, section.c_str(), block.data(), static_cast<unsigned>(block.size()));
    if (length == block.size() - 2) return;  // cut: not a whole section
    std::string_view view(block.data(), length);
    std::vector<char> fromFile(size + 1, '*'), fromBlock(size + 1, '*');
    unsigned a = ReadProfileString(&file, section.c_str(), key.c_str(), "dflt", fromFile.data(), size);
    unsigned b = ReadSectionString(view, key.c_str(), "dflt", fromBlock.data(), size);
    FUZZ_CHECK(a == b);
    FUZZ_CHECK(memcmp(fromFile.data(), fromBlock.data(), size + 1) == 0);
    FUZZ_CHECK(ReadProfileInt(&file, section.c_str(), key.c_str(), 7) == ReadSectionInt(view, key.c_str(), 7));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    std::vector<std::string> files;
    int count = in.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < count; ++i) files.push_back(fuzz::ConsumeText(in, 16));
    std::string section = fuzz::ConsumeText(in, 12);
    std::string key = fuzz::ConsumeText(in, 12);
    unsigned bufferSize = in.ConsumeIntegralInRange(1u, 300u);
    std::string text = in.ConsumeRemainingBytesAsString();
    CheckDiagnostics(text, files);
    if (!section.empty()) CheckSectionBlock(text, section, key, bufferSize);
    return 0;
}
