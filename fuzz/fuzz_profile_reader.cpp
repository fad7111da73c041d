// The fake machine's profile functions, which stand in for Windows under every test
// and under the other fuzz targets, and the installer's key-list reader on top of
// them.
//
// Raw mode: arbitrary INI text, arbitrary section and key names (or none, the list
// forms) and buffer sizes; every buffer is exactly the size passed, every answer
// must be terminated inside it and its length must be the returned count.
// Model mode: a well-formed script from a small alphabet; answers must be those of
// the rules the installer depends on (case-insensitive names, first key wins,
// defaults for absent keys, values cut to the buffer, key lists in file order, a
// written value read back).
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "fuzz_support.h"
#include "setup/setup_context.h"

namespace {

const char kPath[] = "C:\\MEDIA\\T.INI";

const char* const kSections[] = {"SETUP", "setup", "AddFiles.WIN32", "a", "A", "", " SETUP ", "x]"};
const char* const kKeys[] = {"Product", "PRODUCT", "TargetDir", "a", "", " a", "a=b", ";a"};

std::unique_ptr<char[]> Block(size_t size) {
    std::unique_ptr<char[]> block(new char[size == 0 ? 0 : size]);
    if (size != 0) memset(block.get(), 0x5A, size);
    return block;
}

enum class Answer { Single, List, Either };

// An answer is terminated inside its block at the returned count; a list ends with an
// empty name (two zero bytes).
void CheckAnswer(const char* block, size_t size, DWORD returned, Answer kind) {
    if (size == 0) {
        FUZZ_CHECK(returned == 0);
        return;
    }
    FUZZ_CHECK(returned < size);
    FUZZ_CHECK(block[returned] == '\0');
    // A list that did not fit comes back as size - 2 characters, cut inside a name,
    // and two zero bytes.
    bool mayBeCut = size >= 2 && returned == size - 2;
    if (kind == Answer::List && returned > 0)
        FUZZ_CHECK(block[returned - 1] == '\0' || (mayBeCut && block[returned + 1] == '\0'));
    // A zero byte inside the file's value text ends the value early for its reader.
    if (kind == Answer::Single) FUZZ_CHECK(strlen(block) <= returned);
}

void CheckReadSectionKeys(const char* section) {
    SectionKeys keys{nullptr};
    if (!ReadSectionKeys(kPath, section, &keys)) return;
    FUZZ_CHECK(keys.Names != nullptr);
    const char* name = keys.Names;
    while (*name != '\0') name += strlen(name) + 1;  // ASan stops a walk past the block
    FreeSectionKeys(&keys);
    FUZZ_CHECK(keys.Names == nullptr);
}

void RunRaw(FuzzedDataProvider& in) {
    int queries = in.ConsumeIntegralInRange(1, 8);
    std::vector<std::string> texts;
    for (int q = 0; q < queries; ++q) {
        int sectionKind = in.ConsumeIntegralInRange(0, 2);
        std::string section = sectionKind == 0 ? kSections[in.ConsumeIntegralInRange(0, 7)] : fuzz::ConsumeText(in, 100);
        int keyKind = in.ConsumeIntegralInRange(0, 3);
        std::string key = keyKind == 0 ? kKeys[in.ConsumeIntegralInRange(0, 7)] : fuzz::ConsumeText(in, 100);
        const char* sectionArg = sectionKind == 2 && in.ConsumeBool() ? nullptr : section.c_str();
        const char* keyArg = keyKind == 3 ? nullptr : key.c_str();
        std::string def = fuzz::ConsumeText(in, 300);
        const char* defArg = in.ConsumeBool() ? def.c_str() : nullptr;
        size_t size = in.ConsumeBool() ? in.ConsumeIntegralInRange<size_t>(0, 4) : in.ConsumeIntegralInRange<size_t>(0, 1100);

        switch (in.ConsumeIntegralInRange(0, 3)) {
            case 0:
            case 1: {
                std::unique_ptr<char[]> block = Block(size);
                DWORD n = GetPrivateProfileStringA(sectionArg, keyArg, defArg, block.get(), static_cast<DWORD>(size),
                                                   kPath);
                // A list that is not there comes back as the default, a single text.
                bool listForm = sectionArg == nullptr || keyArg == nullptr;
                bool noDefault = defArg == nullptr || *defArg == '\0';
                CheckAnswer(block.get(), size, n, !listForm ? Answer::Single : noDefault ? Answer::List : Answer::Either);
                break;
            }
            case 2:
                if (sectionArg != nullptr && keyArg != nullptr)
                    GetPrivateProfileIntA(sectionArg, keyArg, in.ConsumeIntegral<int>(), kPath);
                break;
            case 3:
                if (sectionArg != nullptr) CheckReadSectionKeys(sectionArg);
                break;
        }
    }
}

// Names and values from an alphabet that every INI reader reads the same way.
std::string ModelWord(FuzzedDataProvider& in, size_t maxLength, bool value) {
    static const char kWordChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._";
    static const char kValueChars[] = "ABCabcxyz0123456789._\\:%";
    const char* chars = value ? kValueChars : kWordChars;
    size_t charCount = strlen(chars);
    size_t length = in.ConsumeIntegralInRange<size_t>(value ? 0 : 1, maxLength);
    if (in.ConsumeBool()) length = in.ConsumeIntegralInRange<size_t>(0, 3);
    if (!value && length == 0) length = 1;
    std::string word;
    for (size_t i = 0; i < length; ++i) word += chars[in.ConsumeIntegralInRange<size_t>(0, charCount - 1)];
    return word;
}

struct ModelSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;
};

const std::pair<std::string, std::string>* FindKey(const ModelSection& section, const std::string& key) {
    for (const auto& entry : section.keys)
        if (fuzz::SameTextAscii(entry.first, key)) return &entry;
    return nullptr;
}

void RunModel(FuzzedDataProvider& in) {
    std::vector<ModelSection> sections;
    int sectionCount = in.ConsumeIntegralInRange(1, 4);
    for (int s = 0; s < sectionCount; ++s) {
        ModelSection section;
        section.name = ModelWord(in, 20, false);
        bool clash = false;
        for (const ModelSection& other : sections) clash = clash || fuzz::SameTextAscii(other.name, section.name);
        if (clash) continue;
        int keyCount = in.ConsumeIntegralInRange(0, 6);
        for (int k = 0; k < keyCount; ++k) {
            std::string key = ModelWord(in, 20, false);
            std::string value = in.ConsumeBool() ? std::string(in.ConsumeIntegralInRange(0, 1100), 'v')
                                                 : ModelWord(in, 30, true);
            section.keys.push_back({key, value});
        }
        sections.push_back(section);
    }
    std::string text;
    for (const ModelSection& section : sections) {
        text += "[" + section.name + "]\r\n";
        for (const auto& entry : section.keys) text += entry.first + "=" + entry.second + "\r\n";
    }
    fake::WriteFile(kPath, text);

    int queries = in.ConsumeIntegralInRange(1, 6);
    for (int q = 0; q < queries && in.remaining_bytes() > 0; ++q) {
        const ModelSection& section = sections[in.ConsumeIntegralInRange<size_t>(0, sections.size() - 1)];
        std::string sectionName = section.name;
        for (char& c : sectionName)
            if (in.ConsumeBool() && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        size_t size = in.ConsumeIntegralInRange<size_t>(1, 1100);
        std::unique_ptr<char[]> block = Block(size);
        if (section.keys.empty() || in.ConsumeBool()) {
            // Key list, in file order, once per distinct name.
            std::vector<std::string> names;
            for (const auto& entry : section.keys) {
                bool seen = false;
                for (const std::string& name : names) seen = seen || fuzz::SameTextAscii(name, entry.first);
                if (!seen) names.push_back(entry.first);
            }
            bool duplicates = names.size() != section.keys.size();
            std::string expected;
            for (const std::string& name : names) expected += name + '\0';
            DWORD n = GetPrivateProfileStringA(sectionName.c_str(), nullptr, "", block.get(),
                                               static_cast<DWORD>(size), kPath);
            CheckAnswer(block.get(), size, n, Answer::List);
            // A list that only just fits (no byte to spare) comes back cut, as on Windows.
            if (!duplicates && expected.size() + 2 <= size) {
                FUZZ_CHECK(n == expected.size());
                FUZZ_CHECK(memcmp(block.get(), expected.data(), expected.size()) == 0);
            }
            CheckReadSectionKeys(sectionName.c_str());
        } else {
            const auto& picked = section.keys[in.ConsumeIntegralInRange<size_t>(0, section.keys.size() - 1)];
            std::string key = in.ConsumeBool() ? picked.first : ModelWord(in, 20, false);
            const auto* entry = FindKey(section, key);
            std::string expected = entry != nullptr ? entry->second : "dflt";
            if (expected.size() > size - 1) expected.resize(size - 1);
            DWORD n = GetPrivateProfileStringA(sectionName.c_str(), key.c_str(), "dflt", block.get(),
                                               static_cast<DWORD>(size), kPath);
            FUZZ_CHECK(n == expected.size());
            FUZZ_CHECK(std::string(block.get()) == expected);
        }
    }

    // A written value is read back whole; the keys before it are still there.
    const ModelSection& target = sections[in.ConsumeIntegralInRange<size_t>(0, sections.size() - 1)];
    std::string key = ModelWord(in, 20, false);
    std::string value = ModelWord(in, 40, true);
    WritePrivateProfileStringA(target.name.c_str(), key.c_str(), value.c_str(), kPath);
    char back[64];
    DWORD n = GetPrivateProfileStringA(target.name.c_str(), key.c_str(), "dflt", back, sizeof back, kPath);
    FUZZ_CHECK(n == value.size() && value == back);
    for (const auto& entry : target.keys) {
        if (fuzz::SameTextAscii(entry.first, key)) continue;
        const auto* first = FindKey(target, entry.first);
        std::string expected = first->second.substr(0, 1099);
        std::unique_ptr<char[]> block = Block(1100);
        n = GetPrivateProfileStringA(target.name.c_str(), entry.first.c_str(), "dflt", block.get(), 1100, kPath);
        FUZZ_CHECK(std::string(block.get()) == expected);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    fake::Reset();
    if (in.ConsumeBool()) {
        RunModel(in);
    } else {
        std::string text = in.ConsumeRandomLengthString(20000);
        fake::WriteFile(kPath, text);
        RunRaw(in);
    }
    return 0;
}
