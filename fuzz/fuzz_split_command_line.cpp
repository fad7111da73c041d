// SplitCommandLine on an arbitrary first string and tail, with allocation failures
// injected on request. A split either fails with 1001 and leaves the out parameters
// alone, or yields a list with the shape the option parser relies on: argument 0 is
// the first string whole, the strings lie back to back, the array ends with a null.
// When no argument is longer than the 259-character working buffer, the arguments
// must equal those of a plain model of the blank/tab/quote rules.
#include <string.h>

#include <string>
#include <vector>

#include "cmdline/arg_list.h"
#include "fake/fake_machine.h"
#include "fuzz_support.h"

namespace {

std::vector<std::string> ModelSplit(const std::string& tail) {
    std::vector<std::string> args;
    size_t i = 0;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (i < tail.size() && blank(tail[i])) ++i;
    std::string current;
    bool inQuotes = false;
    for (; i < tail.size(); ++i) {
        char c = tail[i];
        if (inQuotes) {
            if (c == '"')
                inQuotes = false;
            else
                current += c;
        } else if (c == '"') {
            inQuotes = true;
        } else if (blank(c)) {
            args.push_back(current);
            current.clear();
            while (i + 1 < tail.size() && blank(tail[i + 1])) ++i;
        } else {
            current += c;
        }
    }
    if (!current.empty()) args.push_back(current);
    return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    fake::Reset();

    bool injectFailure = in.ConsumeBool();
    if (injectFailure) {
        static const char* const kCalls[] = {"HeapAlloc", "HeapReAlloc"};
        fake::FailCall(kCalls[in.ConsumeIntegralInRange(0, 1)], in.ConsumeIntegralInRange(1, 8));
    }
    std::string first = in.ConsumeBool() ? std::string(in.ConsumeIntegralInRange(0, 2100), 'f')
                                         : fuzz::ConsumeText(in, 300);
    std::string tail = fuzz::UpToNul(in.ConsumeRemainingBytesAsString());

    int count = -7;
    char** items = reinterpret_cast<char**>(&count);  // marker: must stay as it is on failure
    int result = SplitCommandLine(first.c_str(), tail.c_str(), &count, &items);
    if (result != 0) {
        FUZZ_CHECK(result == kArgListNoMemory);
        FUZZ_CHECK(injectFailure);
        FUZZ_CHECK(count == -7 && items == reinterpret_cast<char**>(&count));
        return 0;
    }

    FUZZ_CHECK(count >= 1);
    FUZZ_CHECK(items != nullptr && items[count] == nullptr);
    FUZZ_CHECK(first == items[0]);
    for (int i = 0; i + 1 < count; ++i) FUZZ_CHECK(items[i + 1] == items[i] + strlen(items[i]) + 1);

    std::vector<std::string> expected = ModelSplit(tail);
    bool allFit = true;
    for (const std::string& arg : expected) allFit = allFit && arg.size() <= 259;
    if (allFit) {
        FUZZ_CHECK(static_cast<size_t>(count) == expected.size() + 1);
        for (size_t i = 0; i < expected.size(); ++i) FUZZ_CHECK(expected[i] == items[i + 1]);
    }

    // The program keeps its list for good; here the blocks go back so that the
    // leak checker watches the splitter's own blocks only.
    HeapFree(GetProcessHeap(), 0, items[0]);
    HeapFree(GetProcessHeap(), 0, items);
    return 0;
}
