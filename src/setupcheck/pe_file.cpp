#include "setupcheck/pe_file.h"

#include <string.h>

#include <vector>

namespace {

// Offsets come from the file itself: compared by what is left, so that a huge one
// cannot wrap round past the end on a 32-bit build.
bool Holds(const std::string& b, size_t at, size_t count) {
    return at <= b.size() && b.size() - at >= count;
}

uint32_t Read16(const std::string& b, size_t at) {
    if (!Holds(b, at, 2)) return 0;
    return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8;
}

uint32_t Read32(const std::string& b, size_t at) {
    if (!Holds(b, at, 4)) return 0;
    return Read16(b, at) | Read16(b, at + 2) << 16;
}

struct Section {
    uint32_t Address, Size, RawOffset, RawSize;
};

// The parts of the PE headers the readers below need.
struct PeImage {
    std::vector<Section> Sections;
    uint32_t ExportRva = 0, ExportSize = 0, ResourceRva = 0, ResourceSize = 0;
};

bool ReadPeImage(const std::string& b, PeImage& image) {
    if (b.size() < 64 || b[0] != 'M' || b[1] != 'Z') return false;
    size_t pe = Read32(b, 0x3c);
    if (!Holds(b, pe, 24) || memcmp(b.data() + pe, "PE\0\0", 4) != 0) return false;
    uint32_t sectionCount = Read16(b, pe + 6);
    uint32_t optionalSize = Read16(b, pe + 20);
    size_t optional = pe + 24;
    uint32_t magic = Read16(b, optional);
    size_t directories;
    if (magic == 0x10b)
        directories = optional + 96;
    else if (magic == 0x20b)
        directories = optional + 112;
    else
        return false;
    uint32_t directoryCount = Read32(b, directories - 4);
    if (directoryCount > 0) image.ExportRva = Read32(b, directories), image.ExportSize = Read32(b, directories + 4);
    if (directoryCount > 2)
        image.ResourceRva = Read32(b, directories + 16), image.ResourceSize = Read32(b, directories + 20);
    size_t table = optional + optionalSize;
    for (uint32_t i = 0; i < sectionCount; ++i) {
        size_t s = table + i * 40;
        if (!Holds(b, s, 40)) return false;
        image.Sections.push_back({Read32(b, s + 12), Read32(b, s + 8), Read32(b, s + 20), Read32(b, s + 16)});
    }
    return true;
}

// The file offset of an address in the image, or 0 when no section holds it.
size_t OffsetOf(const PeImage& image, uint32_t rva) {
    for (const Section& s : image.Sections) {
        uint32_t size = s.Size > s.RawSize ? s.Size : s.RawSize;
        if (rva >= s.Address && rva < s.Address + size) {
            if (rva - s.Address >= s.RawSize) return 0;
            return s.RawOffset + (rva - s.Address);
        }
    }
    return 0;
}

constexpr uint32_t kSubdirectory = 0x80000000u;

// The first entry of a resource directory with that id (any entry when `id` is 0).
bool FindResourceEntry(const std::string& b, size_t directory, uint32_t id, uint32_t& target) {
    uint32_t count = Read16(b, directory + 12) + Read16(b, directory + 14);
    for (uint32_t i = 0; i < count && i < 4096; ++i) {
        size_t entry = directory + 16 + i * 8;
        if (!Holds(b, entry, 8)) return false;
        uint32_t name = Read32(b, entry);
        if (id != 0 && name != id) continue;
        target = Read32(b, entry + 4);
        return true;
    }
    return false;
}

}  // namespace

bool IsPeModule(const std::string& bytes) {
    PeImage image;
    return ReadPeImage(bytes, image);
}

uint64_t ReadFileVersion(const std::string& b) {
    PeImage image;
    if (!ReadPeImage(b, image) || image.ResourceRva == 0) return 0;
    size_t base = OffsetOf(image, image.ResourceRva);
    if (base == 0) return 0;
    // Type 16 (RT_VERSION), its first name, its first language: the data entry.
    uint32_t t = 0;
    if (!FindResourceEntry(b, base, 16, t) || !(t & kSubdirectory)) return 0;
    if (!FindResourceEntry(b, base + (t & ~kSubdirectory), 0, t) || !(t & kSubdirectory)) return 0;
    if (!FindResourceEntry(b, base + (t & ~kSubdirectory), 0, t) || (t & kSubdirectory)) return 0;
    size_t entry = base + t;
    size_t data = OffsetOf(image, Read32(b, entry));
    uint32_t size = Read32(b, entry + 4);
    if (data == 0) return 0;
    // The fixed part follows the "VS_VERSION_INFO" key, four-byte aligned; it starts
    // with its signature.
    for (size_t at = data; at + 16 <= data + size && at + 16 <= b.size(); at += 4)
        if (Read32(b, at) == 0xFEEF04BDu) return static_cast<uint64_t>(Read32(b, at + 8)) << 32 | Read32(b, at + 12);
    return 0;
}

bool ExportsFunction(const std::string& b, const std::string& name) {
    PeImage image;
    if (!ReadPeImage(b, image) || image.ExportRva == 0) return false;
    size_t directory = OffsetOf(image, image.ExportRva);
    if (directory == 0) return false;
    uint32_t count = Read32(b, directory + 24);
    size_t names = OffsetOf(image, Read32(b, directory + 32));
    if (names == 0) return false;
    for (uint32_t i = 0; i < count && i < 65536; ++i) {
        size_t at = OffsetOf(image, Read32(b, names + i * 4));
        // A damaged table may point anywhere: only a name held whole by the file,
        // terminator included, can match.
        if (at == 0 || !Holds(b, at, name.size() + 1)) continue;
        if (memcmp(b.data() + at, name.c_str(), name.size() + 1) == 0) return true;
    }
    return false;
}

bool IsSzddFile(const std::string& b) {
    return b.size() >= 14 && memcmp(b.data(), "SZDD\x88\xf0\x27\x33", 8) == 0;
}

// COMPRESS's LZ77: a 4096-byte window of blanks, written from 4096-16 on; each flag
// byte says, bit by bit from the lowest, whether a literal byte (1) or a reference of
// 12-bit position and 4-bit length-3 (0) follows.
bool ExpandSzddFile(const std::string& b, std::string& out) {
    if (!IsSzddFile(b) || b[8] != 'A') return false;
    uint32_t size = Read32(b, 10);
    out.clear();
    std::vector<unsigned char> window(4096, ' ');
    size_t pos = 4096 - 16, in = 14;
    while (in < b.size() && out.size() < size) {
        unsigned flags = static_cast<unsigned char>(b[in++]);
        for (int bit = 0; bit < 8 && in < b.size() && out.size() < size; ++bit) {
            if (flags & (1u << bit)) {
                unsigned char c = static_cast<unsigned char>(b[in++]);
                out += static_cast<char>(c);
                window[pos] = c;
                pos = (pos + 1) & 0xfff;
                continue;
            }
            if (in + 1 >= b.size()) return false;
            unsigned lo = static_cast<unsigned char>(b[in]), hi = static_cast<unsigned char>(b[in + 1]);
            in += 2;
            size_t from = lo | ((hi & 0xf0u) << 4);
            unsigned length = (hi & 0x0fu) + 3;
            for (unsigned k = 0; k < length && out.size() < size; ++k) {
                unsigned char c = window[(from + k) & 0xfff];
                out += static_cast<char>(c);
                window[pos] = c;
                pos = (pos + 1) & 0xfff;
            }
        }
    }
    return out.size() == size;
}
