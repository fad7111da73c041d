// ExpandMacros on arbitrary text, with arbitrary setup buffers, environment and
// caller buffer sizes. Beyond the sanitizers, the result is compared with a plain
// model of the one left-to-right pass: references pair from the left, unknown names
// and lone percent signs vanish, values are not scanned again, and the result is cut
// to the caller's buffer and to 259 characters, which the result then reports.
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "fuzz_support.h"
#include "script/macros.h"
#include "setup/setup_context.h"

namespace {

struct ModelRow {
    const char* name;
    const char* (*value)();
};

const ModelRow kModelMacros[] = {
    {"INFFILE", [] { return g_Setup.INFFILE.c_str(); }},
    {"SRCDIR", [] { return g_Setup.SRCDIR.c_str(); }},
    {"TARGETDIR", [] { return g_Setup.TARGETDIR.c_str(); }},
    {"WINDIR", [] { return g_Setup.WINDIR.c_str(); }},
    {"WINSYSDIR", [] { return g_Setup.WINSYSDIR.c_str(); }},
    {"SRCFILE", [] { return g_Setup.SRCFILE.c_str(); }},
    {"TARGETFILE", [] { return g_Setup.TARGETFILE.c_str(); }},
    {"PRODUCTNAME", [] { return g_Setup.PRODUCTNAME.c_str(); }},
};

std::string ModelLookUp(const std::string& name) {
    if (name.size() > 79) return "";
    for (const ModelRow& row : kModelMacros)
        if (fuzz::SameTextAscii(row.name, name)) return row.value();
    return fake::GetEnvironment(name).value_or("");
}

std::string ModelExpand(const std::string& input) {
    std::string out;
    size_t i = 0;
    while (i < input.size()) {
        if (input[i] != '%') {
            out += input[i++];
        } else if (i + 1 < input.size() && input[i + 1] == '%') {
            out += '%';
            i += 2;
        } else {
            size_t closing = input.find('%', i + 1);
            if (closing == std::string::npos) {
                ++i;
            } else {
                out += ModelLookUp(input.substr(i + 1, closing - i - 1));
                i = closing + 1;
            }
        }
    }
    return out;
}

// Names that the input can pick instead of spelling them out.
const char* const kNames[] = {"INFFILE", "srcdir", "TargetDir", "WINDIR", "WINSYSDIR", "SRCFILE",
                              "TARGETFILE", "PRODUCTNAME", "PATH", "APPDIR", "X"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    // Only what this target touches is reset: a whole machine per input costs more
    // than the expansion itself.
    fake::Machine& m = fake::M();
    m.environment.clear();
    m.calls.clear();
    m.callCounts.clear();

    PathText* paths[] = {&g_Setup.INFFILE, &g_Setup.SRCDIR, &g_Setup.TARGETDIR, &g_Setup.WINDIR,
                         &g_Setup.WINSYSDIR, &g_Setup.SRCFILE, &g_Setup.TARGETFILE};
    for (PathText* path : paths) path->Assign(fuzz::ConsumeText(in, 300));
    g_Setup.PRODUCTNAME.Assign(fuzz::ConsumeText(in, 160));

    int variables = in.ConsumeIntegralInRange(0, 4);
    for (int v = 0; v < variables; ++v) {
        std::string name = in.ConsumeBool() ? kNames[in.ConsumeIntegralInRange<size_t>(0, 10)]
                                            : fuzz::ConsumeText(in, 100);
        std::string value = in.ConsumeBool() ? std::string(in.ConsumeIntegralInRange(0, 400), 'v')
                                             : fuzz::ConsumeText(in, 300);
        if (name.empty() || name.find('=') != std::string::npos) continue;
        fake::SetEnvironment(name, value);
    }

    size_t capacity = in.ConsumeIntegralInRange<size_t>(1, 600);
    std::string input = fuzz::UpToNul(in.ConsumeRemainingBytesAsString());
    if (input.size() > capacity - 1) input.resize(capacity - 1);

    // Exactly `capacity` bytes, so that ASan sees a write one past the caller's buffer.
    std::unique_ptr<char[]> buffer(new char[capacity]);
    memcpy(buffer.get(), input.c_str(), input.size() + 1);

    std::string expected = ModelExpand(input);
    size_t limit = capacity - 1 < 259 ? capacity - 1 : 259;
    // A cut expansion is reported, so that a path is refused rather than used cut.
    int whole = expected.size() <= limit ? 1 : 0;
    if (!whole) expected.resize(limit);

    FUZZ_CHECK(ExpandMacros(buffer.get(), capacity) == whole);
    size_t length = fuzz::BoundedLength(buffer.get(), capacity);
    FUZZ_CHECK(length < capacity);
    FUZZ_CHECK(std::string(buffer.get(), length) == expected);
    return 0;
}
