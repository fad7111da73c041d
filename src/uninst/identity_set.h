// A list of paths by their identity (folded, long form), compared without regard to
// case: the plan's questions about what the log keeps, what this product counted,
// which files go and which other products' logs list a file. Kept short: a removal
// asks them of a few entries each, and the list holds each path once.
#pragma once

#include <string_view>

#include "platform/platform.h"

struct IdentitySet {
    char* Text;  // the members, each ended by '\0'
    DWORD TextUsed, TextCapacity;
    DWORD Count;
};

// Adds the path unless it is there: 0 when there is no memory (the set is unchanged).
int AddIdentity(IdentitySet& set, std::string_view path);
bool HasIdentity(const IdentitySet& set, std::string_view path);
void FreeIdentitySet(IdentitySet& set);
