// The few functions the compiler may call on its own (block copies and fills), and
// what a freestanding C++ program needs, supplied here instead of by a C runtime DLL.
// Built with -fno-builtin, without loop-to-call transformations and outside link-time
// optimisation, so that these loops do not turn into calls to themselves.
#include <stddef.h>

extern "C" {

void* memcpy(void* dst, const void* src, size_t n) {
    auto* d = static_cast<unsigned char*>(dst);
    auto* s = static_cast<const unsigned char*>(src);
    while (n--) *d++ = *s++;
    return dst;
}

void* memmove(void* dst, const void* src, size_t n) {
    auto* d = static_cast<unsigned char*>(dst);
    auto* s = static_cast<const unsigned char*>(src);
    if (d < s) {
        while (n--) *d++ = *s++;
    } else {
        d += n;
        s += n;
        while (n--) *--d = *--s;
    }
    return dst;
}

void* memset(void* dst, int value, size_t n) {
    auto* d = static_cast<unsigned char*>(dst);
    while (n--) *d++ = static_cast<unsigned char>(value);
    return dst;
}

int memcmp(const void* a, const void* b, size_t n) {
    auto* x = static_cast<const unsigned char*>(a);
    auto* y = static_cast<const unsigned char*>(b);
    for (; n; --n, ++x, ++y)
        if (*x != *y) return *x < *y ? -1 : 1;
    return 0;
}

void* memchr(const void* block, int value, size_t n) {
    auto* p = static_cast<const unsigned char*>(block);
    for (; n; --n, ++p)
        if (*p == static_cast<unsigned char>(value)) return const_cast<unsigned char*>(p);
    return nullptr;
}

size_t strlen(const char* s) {
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

}  // extern "C"
