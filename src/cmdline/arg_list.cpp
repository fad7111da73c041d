#include "cmdline/arg_list.h"

#include "platform/fixed_text.h"
#include "platform/platform.h"

namespace {

// Pointer entries are added in steps of 128, the string pool in steps of 1024 bytes.
constexpr int32_t kArgListItemStep = 128;
constexpr int32_t kArgListPoolStep = 1024;

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

// Far beyond any command line Windows hands over; keeps the int32 sizes in range.
constexpr size_t kPoolLimit = 0x40000000;

using ArgumentText = FixedText<kArgumentBufferSize>;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

const char* SkipBlanks(const char* p) {
    while (IsBlank(*p)) ++p;
    return p;
}

// The smallest multiple of the pool step that is at least `bytes`.
size_t RoundUpToPoolStep(size_t bytes) {
    size_t steps = (bytes + kArgListPoolStep - 1) / kArgListPoolStep;
    return steps * kArgListPoolStep;
}

// After the pool has moved: the strings lie back to back in appending order, so the
// entries are found again by walking it from the start.
void RepointEntries(ArgList* list) {
    char* p = list->PoolStart;
    for (int32_t i = 0; i < list->Count && p < list->PoolNext; ++i) {
        list->Items[i] = p;
        p += TextLength(p) + 1;
    }
}

// Reads one argument of the tail starting at p. Quotes group and are dropped, and an
// unclosed quote runs to the end of the tail; there is no escape character. Writes
// at most capacity - 1 characters and a terminator to `out` when it is given.
// Returns the argument's full length and leaves *end at the blank or tab that ended
// it, or at the end of the tail.
size_t ReadArgument(const char* p, char* out, size_t capacity, const char** end) {
    size_t length = 0;
    bool quoted = false;
    for (; *p != '\0'; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && IsBlank(*p)) break;
        if (out != nullptr && length + 1 < capacity) out[length] = *p;
        ++length;
    }
    if (out != nullptr && capacity > 0) out[length < capacity ? length : capacity - 1] = '\0';
    *end = p;
    return length;
}

int AppendArgument(const char* text, ArgList* list);

// Resizes the pool to `size` bytes, of which `used` hold strings. false when the
// block could not be resized; the pool is then as it was.
bool ResizePool(ArgList* list, size_t used, size_t size) {
    uintptr_t before = reinterpret_cast<uintptr_t>(list->PoolStart);
    char* pool = static_cast<char*>(HeapReAlloc(GetProcessHeap(), 0, list->PoolStart, size));
    if (pool == nullptr) return false;
    list->PoolSize = static_cast<int32_t>(size);
    list->PoolStart = pool;
    list->PoolNext = pool + used;
    list->PoolLast = pool + size - 1;
    // The entries still point into the old block when the pool moved.
    if (reinterpret_cast<uintptr_t>(pool) != before && used > 0) RepointEntries(list);
    return true;
}

// Assembles the argument at p (of the measured length) and appends it. One that does
// not fit the working buffer gets a block of its own, so that it is kept whole.
int AppendTailArgument(const char* p, size_t length, ArgList* list) {
    const char* end = nullptr;
    if (length < ArgumentText::Capacity) {
        ArgumentText buffer;
        ReadArgument(p, buffer.data(), ArgumentText::Capacity, &end);
        return AppendArgument(buffer.c_str(), list);
    }
    if (length >= kPoolLimit) return kArgListNoMemory;
    HANDLE heap = GetProcessHeap();
    char* block = static_cast<char*>(HeapAlloc(heap, 0, length + 1));
    if (block == nullptr) return kArgListNoMemory;
    ReadArgument(p, block, length + 1, &end);
    int result = AppendArgument(block, list);
    HeapFree(heap, 0, block);
    return result;
}

// Sets every field to zero; done once before the first append.
void ClearArgList(ArgList* list) {
    list->Count = 0;
    list->Items = nullptr;
    list->Capacity = 0;
    list->NextSlot = nullptr;
    list->PoolSize = 0;
    list->PoolStart = nullptr;
    list->PoolNext = nullptr;
    list->PoolLast = nullptr;
}

// Copies one string into the list. Returns 0, or 1001 when a block could not be
// allocated or grown (the list is then still consistent and can be released).
int AppendArgument(const char* text, ArgList* list) {
    HANDLE heap = GetProcessHeap();

    // Room for the new entry and the null entry after it.
    if (list->Items == nullptr) {
        auto* items = static_cast<char**>(HeapAlloc(heap, 0, kArgListItemStep * sizeof(char*)));
        if (items == nullptr) return kArgListNoMemory;
        list->Count = 0;
        list->Capacity = kArgListItemStep;
        list->Items = items;
        list->NextSlot = items;
    } else if (list->Count + 1 >= list->Capacity) {
        int32_t capacity = list->Capacity + kArgListItemStep;
        auto* items = static_cast<char**>(HeapReAlloc(heap, 0, list->Items, capacity * sizeof(char*)));
        if (items == nullptr) return kArgListNoMemory;
        list->Items = items;
        list->Capacity = capacity;
        list->NextSlot = items + list->Count;
    }

    size_t bytes = TextLength(text) + 1;
    if (bytes >= kPoolLimit) return kArgListNoMemory;
    if (list->PoolStart == nullptr) {
        size_t size = RoundUpToPoolStep(bytes);
        char* pool = static_cast<char*>(HeapAlloc(heap, 0, size));
        if (pool == nullptr) return kArgListNoMemory;
        list->PoolSize = static_cast<int32_t>(size);
        list->PoolStart = pool;
        list->PoolNext = pool;
        list->PoolLast = pool + size - 1;
    } else {
        size_t used = static_cast<size_t>(list->PoolNext - list->PoolStart);
        size_t size = static_cast<size_t>(list->PoolSize);
        if (used + bytes > size) {
            size += RoundUpToPoolStep(used + bytes - size);
            if (size >= kPoolLimit || !ResizePool(list, used, size)) return kArgListNoMemory;
        }
    }

    CopyBounded(list->PoolNext, bytes, std::string_view(text, bytes - 1));
    *list->NextSlot = list->PoolNext;
    list->PoolNext += bytes;
    list->Count += 1;
    list->NextSlot += 1;
    *list->NextSlot = nullptr;
    return 0;
}

// Shrinks both blocks to their exact size. Returns 0 or 1001.
int FinishArgList(ArgList* list) {
    // Argument 0 is always stored first; an empty list has nothing to shrink.
    if (list->Items == nullptr || list->PoolStart == nullptr) return 0;
    HANDLE heap = GetProcessHeap();

    int32_t capacity = list->Count + 1;
    auto* items = static_cast<char**>(HeapReAlloc(heap, 0, list->Items, capacity * sizeof(char*)));
    if (items == nullptr) return kArgListNoMemory;
    list->Items = items;
    list->Capacity = capacity;
    list->NextSlot = items + list->Count;

    size_t used = static_cast<size_t>(list->PoolNext - list->PoolStart);
    return ResizePool(list, used, used) ? 0 : kArgListNoMemory;
}

// Frees both blocks of a list that will not be handed over, and clears it.
void ReleaseArgList(ArgList* list) {
    HANDLE heap = GetProcessHeap();
    if (list->Items != nullptr) HeapFree(heap, 0, list->Items);
    if (list->PoolStart != nullptr) HeapFree(heap, 0, list->PoolStart);
    ClearArgList(list);
}

}  // namespace

int SplitCommandLine(const char* first, const char* tail, int* count, char*** items) {
    ArgList list;
    ClearArgList(&list);
    // Argument 0 is the program's path: blanks and quotes in it stay as they are.
    int result = AppendArgument(first != nullptr ? first : "", &list);

    const char* p = SkipBlanks(tail != nullptr ? tail : "");
    while (result == 0 && *p != '\0') {
        const char* end = p;
        size_t length = ReadArgument(p, nullptr, 0, &end);
        // An argument ended by a blank counts even when empty (""); at the end of
        // the tail only a non-empty one does.
        if (length > 0 || *end != '\0') result = AppendTailArgument(p, length, &list);
        p = SkipBlanks(end);
    }
    if (result == 0) result = FinishArgList(&list);
    if (result != 0) {
        // Nothing of a partly built list reaches the caller.
        ReleaseArgList(&list);
        return result;
    }
    *count = list.Count;
    *items = list.Items;
    return 0;
}
