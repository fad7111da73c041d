// Writes a profile file key by key with the real WritePrivateProfileStringA, as a
// reference for the uninstall log's own writer:
//   e2e_profile_write.exe <profile> <list file>
// Each line of the list is "section<TAB>key<TAB>value" (an empty value writes "key=").
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    FILE* list = std::fopen(argv[2], "rb");
    if (list == nullptr) return 3;
    char line[4096];
    int failed = 0;
    while (std::fgets(line, sizeof line, list)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        size_t first = text.find('\t');
        size_t second = first == std::string::npos ? first : text.find('\t', first + 1);
        if (second == std::string::npos) continue;
        std::string section = text.substr(0, first);
        std::string key = text.substr(first + 1, second - first - 1);
        std::string value = text.substr(second + 1);
        if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), argv[1])) ++failed;
    }
    std::fclose(list);
    return failed;
}
