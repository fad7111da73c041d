// Splitting the command-line tail into a counted argument list.
#pragma once

#include <stdint.h>

constexpr int kArgListNoMemory = 1001;

struct ArgList {
    int32_t Count;
    char** Items;
    int32_t Capacity;
    char** NextSlot;
    int32_t PoolSize;
    char* PoolStart;
    char* PoolNext;
    char* PoolLast;
};

void ClearArgList(ArgList* list);
int AppendArgument(const char* text, ArgList* list);
int FinishArgList(ArgList* list);
// Returns 0 and the list, or 1001 (no memory) without touching the out parameters.
int SplitCommandLine(const char* first, const char* tail, int* count, char*** items);
