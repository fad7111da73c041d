#include "platform/fixed_text.h"

bool CopyBounded(char* dst, size_t cap, std::string_view src) {
    if (cap == 0) return src.empty();
    size_t n = src.size() < cap - 1 ? src.size() : cap - 1;
    for (size_t i = 0; i < n; ++i) dst[i] = src[i];
    dst[n] = '\0';
    return n == src.size();
}

bool AppendBounded(char* dst, size_t cap, std::string_view src) {
    if (cap == 0) return src.empty();
    size_t used = 0;
    while (used < cap - 1 && dst[used] != '\0') ++used;
    return CopyBounded(dst + used, cap - used, src);
}
