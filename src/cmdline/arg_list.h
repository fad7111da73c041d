// Splitting the command-line tail into a counted argument list.
#pragma once

#include <stdint.h>

constexpr int kArgListNoMemory = 1001;

// Pointer entries are added in steps of 128, the string pool in steps of 1024 bytes.
constexpr int32_t kArgListItemStep = 128;
constexpr int32_t kArgListPoolStep = 1024;

// The arguments assembled from the tail pass through a working buffer of this size;
// a longer one is assembled whole in a heap block of its own.
constexpr int32_t kArgumentBufferSize = 260;

struct ArgList {
    int32_t Count;     // strings stored
    char** Items;      // Items[Count] is null once a string is stored
    int32_t Capacity;  // entries Items can hold
    char** NextSlot;   // &Items[Count]
    int32_t PoolSize;  // bytes allocated for the pool
    char* PoolStart;   // the strings, back to back, each with its terminator
    char* PoolNext;    // first free byte
    char* PoolLast;    // PoolStart + PoolSize - 1
};

// Sets every field to zero; done once before the first append.
void ClearArgList(ArgList* list);
// Copies one string into the list. Returns 0, or 1001 when a block could not be
// allocated or grown (the list is then still consistent and can be released).
int AppendArgument(const char* text, ArgList* list);
// Shrinks both blocks to their exact size. Returns 0 or 1001.
int FinishArgList(ArgList* list);
// Frees both blocks of a list that will not be handed over, and clears it.
void ReleaseArgList(ArgList* list);

// Splits `tail` at blanks and tabs, double quotes grouping, after `first` taken
// whole as argument 0. Returns 0 with the count (argument 0 included) and an array
// of count + 1 entries ending in null, or 1001 (no memory) without touching the
// out parameters.
int SplitCommandLine(const char* first, const char* tail, int* count, char*** items);
