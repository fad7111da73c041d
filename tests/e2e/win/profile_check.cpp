// Runs the shared profile-function rows (tests/profile_cases.h) against the real
// profile functions and reports every disagreement:
//   e2e_profile_check.exe <report file> [directory]
// One line per row ("ok: name" or "DIFF: name: ..."), then "disagreements: N".
// The exit code is the number of disagreements.
//
// The rows that read one text key of one section run a second time through SETUP.EXE's
// entry reader (script/entry_section.h): the section fetched once by the real
// GetPrivateProfileSectionA, the key taken out of that block ("entry reader: name").
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "profile_cases.h"
#include "script/entry_section.h"
#include "script/profile_rules.h"

namespace {

using profile_cases::Call;
using profile_cases::Case;

std::string Printable(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        if (c == '\0')
            out += "\\0";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    text.clear();
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
    CloseHandle(h);
    return true;
}

void WriteWholeFile(const std::string& path, const char* text) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(h, text, lstrlenA(text), &written, nullptr);
    CloseHandle(h);
}

// Empty when the row holds; otherwise what differed.
std::string RunRow(const Case& row, const std::string& path) {
    DeleteFileA(path.c_str());
    if (row.fileText != nullptr) WriteWholeFile(path, row.fileText);
    std::string diff;
    char line[512];
    switch (row.call) {
        case Call::GetString: {
            std::vector<char> buffer(row.size + 8, '*');
            DWORD n = GetPrivateProfileStringA(row.section, row.key, row.text, buffer.data(), row.size, path.c_str());
            if (n != row.expectedResult) {
                std::snprintf(line, sizeof line, "result %lu, expected %lu; ", static_cast<unsigned long>(n),
                              row.expectedResult);
                diff += line;
            }
            std::string_view got(buffer.data(), row.expectedBuffer.size());
            if (got != row.expectedBuffer)
                diff += "buffer \"" + Printable(got) + "\", expected \"" + Printable(row.expectedBuffer) + "\"; ";
            if (std::string(buffer.data() + row.size, 8) != std::string(8, '*')) diff += "written past the buffer; ";
            break;
        }
        case Call::GetSection: {
            std::vector<char> buffer(row.size + 8, '*');
            DWORD n = GetPrivateProfileSectionA(row.section, buffer.data(), row.size, path.c_str());
            if (n != row.expectedResult) {
                std::snprintf(line, sizeof line, "result %lu, expected %lu; ", static_cast<unsigned long>(n),
                              row.expectedResult);
                diff += line;
            }
            std::string_view got(buffer.data(), row.expectedBuffer.size());
            if (got != row.expectedBuffer)
                diff += "buffer \"" + Printable(got) + "\", expected \"" + Printable(row.expectedBuffer) + "\"; ";
            if (std::string(buffer.data() + row.size, 8) != std::string(8, '*')) diff += "written past the buffer; ";
            break;
        }
        case Call::GetInt: {
            UINT n = GetPrivateProfileIntA(row.section, row.key, row.intDefault, path.c_str());
            if (n != row.expectedResult) {
                std::snprintf(line, sizeof line, "result %lu, expected %lu; ", static_cast<unsigned long>(n),
                              row.expectedResult);
                diff += line;
            }
            break;
        }
        case Call::Write: {
            BOOL ok = WritePrivateProfileStringA(row.section, row.key, row.text, path.c_str());
            if (static_cast<unsigned long>(ok) != row.expectedResult) {
                std::snprintf(line, sizeof line, "result %lu, expected %lu; ", static_cast<unsigned long>(ok),
                              row.expectedResult);
                diff += line;
            }
            std::string text;
            bool exists = ReadWholeFile(path, text);
            if (row.expectedFile == nullptr && exists) diff += "file \"" + Printable(text) + "\", expected none; ";
            if (row.expectedFile != nullptr && !exists) diff += "no file; ";
            if (row.expectedFile != nullptr && exists && text != row.expectedFile)
                diff += "file \"" + Printable(text) + "\", expected \"" + Printable(row.expectedFile) + "\"; ";
            break;
        }
    }
    return diff;
}

// The row through the entry reader; empty when it holds. Values are taken into a
// PathText as SETUP.EXE takes them; rows with another buffer size take the key out of
// the same block with that size.
std::string RunRowThroughEntryReader(const Case& row, const std::string& path) {
    DeleteFileA(path.c_str());
    if (row.fileText != nullptr) WriteWholeFile(path, row.fileText);
    EntrySection entry;
    ReadEntrySection(path.c_str(), row.section, entry);
    // A missing section or file comes back empty and is read key by key: the row
    // then proves the fallback.
    std::string diff;
    char line[512];
    unsigned long n = 0;
    std::vector<char> buffer(row.size + 8, '*');
    if (row.size == PathText::Capacity) {
        PathText value;
        TakeEntryText(entry, row.key, row.text, value);
        n = value.length();
        for (size_t i = 0; i <= n; ++i) buffer[i] = value.text[i];
    } else {
        // With another buffer size than SETUP.EXE's and no block, the per-key calls
        // would be the row itself.
        if (!entry.Whole) return std::string();
        n = ReadSectionString(std::string_view(entry.Block, entry.Length), row.key, row.text, buffer.data(), row.size);
    }
    if (n != row.expectedResult) {
        std::snprintf(line, sizeof line, "result %lu, expected %lu; ", n, row.expectedResult);
        diff += line;
    }
    std::string_view got(buffer.data(), row.expectedBuffer.size());
    if (got != row.expectedBuffer)
        diff += "buffer \"" + Printable(got) + "\", expected \"" + Printable(row.expectedBuffer) + "\"; ";
    return diff;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return -1;
    std::string dir = argc > 2 ? argv[2] : "C:\\profile-cases";
    CreateDirectoryA(dir.c_str(), nullptr);
    FILE* report = std::fopen(argv[1], "wb");
    if (report == nullptr) return -1;
    int disagreements = 0, index = 0;
    for (const Case& row : profile_cases::kCases) {
        // A file of its own per row: the profile functions cache files they read.
        std::string path = dir + "\\case" + std::to_string(++index) + ".ini";
        std::string diff = RunRow(row, path);
        if (diff.empty()) {
            std::fprintf(report, "ok: %s\n", row.name);
        } else {
            ++disagreements;
            std::fprintf(report, "DIFF: %s: %s\n", row.name, diff.c_str());
        }
    }
    for (const Case& row : profile_cases::kCases) {
        bool oneKey = row.call == Call::GetString && row.section != nullptr && row.key != nullptr;
        if (!oneKey) continue;
        std::string path = dir + "\\case" + std::to_string(++index) + ".ini";
        std::string diff = RunRowThroughEntryReader(row, path);
        if (diff.empty()) {
            std::fprintf(report, "ok: entry reader: %s\n", row.name);
        } else {
            ++disagreements;
            std::fprintf(report, "DIFF: entry reader: %s: %s\n", row.name, diff.c_str());
        }
    }
    std::fprintf(report, "rows: %d\ndisagreements: %d\n", index, disagreements);
    std::fclose(report);
    return disagreements;
}
