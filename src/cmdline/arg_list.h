// Splitting the command-line tail into a counted argument list.
#pragma once

#include <stdint.h>

constexpr int kArgListNoMemory = 1001;

// The arguments assembled from the tail pass through a working buffer of this size;
// a longer one is assembled whole in a heap block of its own.
constexpr int32_t kArgumentBufferSize = 260;

// Splits `tail` at blanks and tabs, double quotes grouping, after `first` taken
// whole as argument 0. Returns 0 with the count (argument 0 included) and an array
// of count + 1 entries ending in null, or 1001 (no memory) without touching the
// out parameters.
int SplitCommandLine(const char* first, const char* tail, int* count, char*** items);
