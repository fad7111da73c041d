#include "uninst/identity_set.h"

#include "platform/fixed_text.h"
#include "uninstlog/log_image.h"

int AddIdentity(IdentitySet& set, std::string_view path) {
    if (HasIdentity(set, path)) return 1;
    DWORD size = static_cast<DWORD>(path.size()) + 1;
    if (!ReserveBlock(reinterpret_cast<void**>(&set.Text), &set.TextCapacity, set.TextUsed + size)) return 0;
    CopyBounded(set.Text + set.TextUsed, size, path);
    set.TextUsed += size;
    ++set.Count;
    return 1;
}

bool HasIdentity(const IdentitySet& set, std::string_view path) {
    for (DWORD at = 0; at < set.TextUsed; at += static_cast<DWORD>(TextLength(set.Text + at)) + 1)
        if (EqualsIgnoreCase(set.Text + at, path)) return true;
    return false;
}

void FreeIdentitySet(IdentitySet& set) {
    if (set.Text) HeapFree(GetProcessHeap(), 0, set.Text);
    set = IdentitySet{};
}
