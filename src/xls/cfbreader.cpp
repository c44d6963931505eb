#include "xls/cfbreader.h"

#include <algorithm>
#include <cstring>

#include "xls/cfbformat.h"
#include "xls/formaterror.h"
#include "xls/littleendian.h"

namespace orvanta {

using namespace cfb;

namespace {

[[noreturn]] void Damaged(const std::string& what)
{
    throw TDamagedFile(what);
}

char16_t UpperAscii(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
}

bool SameName(const std::u16string& entryName, std::string_view name)
{
    if (entryName.size() != name.size())
        return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (UpperAscii(entryName[i]) != UpperAscii(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

}  // namespace

bool TCompoundFileReader::HasSignature(std::span<const uint8_t> file)
{
    return file.size() >= sizeof kSignature
        && std::memcmp(file.data(), kSignature, sizeof kSignature) == 0;
}

TCompoundFileReader::TCompoundFileReader(std::span<const uint8_t> file) : file_(file)
{
    if (!HasSignature(file))
        throw TNotAWorkbook();
    if (file.size() < kHeaderSize)
        Damaged("the file ends inside its header");
    const uint8_t* h = file.data();
    if (le::GetU16(h + kHdrByteOrder) != kByteOrderMark)
        Damaged("the header has no valid byte order mark");
    const uint16_t major = le::GetU16(h + kHdrMajorVersion);
    const uint16_t shift = le::GetU16(h + kHdrSectorShift);
    if (!(major == kMajorVersion3 && shift == kSectorShift3)
        && !(major == kMajorVersion4 && shift == kSectorShift4))
        Damaged("the header gives an unknown version or sector size");
    if (le::GetU16(h + kHdrMiniSectorShift) != kMiniSectorShift)
        Damaged("the header gives an unknown mini sector size");
    version3_ = major == kMajorVersion3;
    sectorShift_ = shift;
    sectorSize_ = 1u << shift;
    miniCutoff_ = le::GetU32(h + kHdrMiniStreamCutoff);
    // The header occupies the whole first sector (4096 bytes in version 4).
    if (file.size() < sectorSize_)
        Damaged("the file ends inside its header");
    const uint64_t sectors = (file.size() - sectorSize_ + sectorSize_ - 1) / sectorSize_;
    sectorCount_ = static_cast<uint32_t>(std::min<uint64_t>(sectors, kMaxRegularSector + 1ull));

    ReadFat();
    ReadDirectory();
}

std::span<const uint8_t> TCompoundFileReader::Sector(uint32_t id) const
{
    if (id >= sectorCount_)
        Damaged("a sector number points outside the file");
    const uint64_t offset = (uint64_t(id) + 1) << sectorShift_;
    const uint64_t length = std::min<uint64_t>(sectorSize_, file_.size() - offset);
    return file_.subspan(static_cast<size_t>(offset), static_cast<size_t>(length));
}

void TCompoundFileReader::ReadFat()
{
    const uint8_t* h = file_.data();
    const uint32_t numFat = le::GetU32(h + kHdrNumFatSectors);
    if (numFat > sectorCount_)
        Damaged("the header lists more allocation table sectors than the file holds");

    std::vector<uint32_t> fatSectors;
    fatSectors.reserve(numFat);
    for (uint32_t i = 0; i < kHeaderDifatSlots && fatSectors.size() < numFat; ++i)
        fatSectors.push_back(le::GetU32(h + kHdrDifat + 4 * i));

    const uint32_t idsPerSector = sectorSize_ / 4;
    std::vector<bool> seen(sectorCount_);
    uint32_t difat = le::GetU32(h + kHdrFirstDifatSector);
    while (fatSectors.size() < numFat) {
        if (difat == kEndOfChain || difat == kFreeSector)
            Damaged("the DIFAT ends before it lists every allocation table sector");
        if (difat >= sectorCount_)
            Damaged("a DIFAT sector lies outside the file");
        if (seen[difat])
            Damaged("the DIFAT sector chain loops");
        seen[difat] = true;
        const auto s = Sector(difat);
        if (s.size() < sectorSize_)
            Damaged("the file is truncated inside its DIFAT");
        for (uint32_t j = 0; j + 1 < idsPerSector && fatSectors.size() < numFat; ++j)
            fatSectors.push_back(le::GetU32(s.data() + 4 * j));
        difat = le::GetU32(s.data() + 4 * (idsPerSector - 1));
    }

    fat_.reserve(size_t(numFat) * idsPerSector);
    for (const uint32_t id : fatSectors) {
        if (id >= sectorCount_)
            Damaged("an allocation table sector lies outside the file");
        const auto s = Sector(id);
        if (s.size() < sectorSize_)
            Damaged("the file is truncated inside its allocation table");
        for (uint32_t j = 0; j < idsPerSector; ++j)
            fat_.push_back(le::GetU32(s.data() + 4 * j));
    }
}

std::vector<uint32_t> TCompoundFileReader::Chain(uint32_t start,
                                                 const std::vector<uint32_t>& table,
                                                 uint64_t limit, std::optional<uint64_t> needed,
                                                 const char* what) const
{
    limit = std::min<uint64_t>(limit, table.size());
    if (needed && *needed > limit)
        Damaged(std::string(what) + " is larger than the file");
    std::vector<uint32_t> chain;
    if (needed)
        chain.reserve(static_cast<size_t>(*needed));
    std::vector<bool> seen(static_cast<size_t>(limit));
    uint32_t id = start;
    while (!needed || chain.size() < *needed) {
        if (id == kEndOfChain) {
            if (needed)
                Damaged("the sector chain of " + std::string(what) + " ends before its size");
            break;
        }
        if (id >= limit)
            Damaged("the sector chain of " + std::string(what) + " points outside the file");
        if (seen[id])
            Damaged("the sector chain of " + std::string(what) + " loops");
        seen[id] = true;
        chain.push_back(id);
        id = table[id];
    }
    return chain;
}

std::vector<uint8_t> TCompoundFileReader::ReadRegular(uint32_t start, uint64_t size,
                                                      const char* what) const
{
    if (size > file_.size())
        Damaged(std::string(what) + " is larger than the file");
    const uint64_t needed = (size + sectorSize_ - 1) / sectorSize_;
    const auto chain = Chain(start, fat_, sectorCount_, needed, what);
    std::vector<uint8_t> out(static_cast<size_t>(size));
    size_t done = 0;
    for (const uint32_t id : chain) {
        const size_t n = std::min<size_t>(sectorSize_, out.size() - done);
        const auto s = Sector(id);
        if (s.size() < n)
            Damaged(std::string(what) + " extends beyond the end of the file");
        std::memcpy(out.data() + done, s.data(), n);
        done += n;
    }
    return out;
}

void TCompoundFileReader::ReadDirectory()
{
    const uint32_t first = le::GetU32(file_.data() + kHdrFirstDirSector);
    const auto chain = Chain(first, fat_, sectorCount_, std::nullopt, "the directory");
    const uint32_t perSector = sectorSize_ / kDirEntrySize;
    dir_.reserve(chain.size() * perSector);
    for (const uint32_t id : chain) {
        const auto s = Sector(id);
        if (s.size() < sectorSize_)
            Damaged("the file is truncated inside its directory");
        for (uint32_t e = 0; e < perSector; ++e) {
            const uint8_t* p = s.data() + e * kDirEntrySize;
            TEntry entry;
            const uint16_t nameBytes = le::GetU16(p + kDirNameLength);
            // A name length that is odd, zero or too long leaves the name
            // empty: such an entry matches no name asked for.
            if (nameBytes >= 2 && nameBytes <= kDirNameBytes && nameBytes % 2 == 0)
                for (uint32_t i = 0; i + 1 < nameBytes / 2u; ++i)
                    entry.name.push_back(static_cast<char16_t>(le::GetU16(p + kDirName + 2 * i)));
            entry.type = p[kDirObjectType];
            entry.left = le::GetU32(p + kDirLeftSibling);
            entry.right = le::GetU32(p + kDirRightSibling);
            entry.child = le::GetU32(p + kDirChild);
            entry.start = le::GetU32(p + kDirStartSector);
            // Version 3 writers may leave garbage in the size's high half,
            // which [MS-CFB] tells readers to ignore.
            entry.size = version3_ ? le::GetU32(p + kDirStreamSize) : le::GetU64(p + kDirStreamSize);
            dir_.push_back(std::move(entry));
        }
    }
    if (dir_.empty() || dir_[0].type != kTypeRoot)
        Damaged("the directory has no root entry");
}

std::vector<uint32_t> TCompoundFileReader::RootChildren() const
{
    // In-order walk of the sibling tree below the root, iterative so that a
    // deep tree can't exhaust the stack, and stopping at an entry seen twice.
    std::vector<uint32_t> order, stack;
    std::vector<bool> seen(dir_.size());
    auto visit = [&](uint32_t id) {
        while (id != kNoStream) {
            if (id >= dir_.size())
                Damaged("a directory link points outside the directory");
            if (seen[id])
                Damaged("the directory tree loops");
            seen[id] = true;
            stack.push_back(id);
            id = dir_[id].left;
        }
    };
    visit(dir_[0].child);
    while (!stack.empty()) {
        const uint32_t id = stack.back();
        stack.pop_back();
        order.push_back(id);
        visit(dir_[id].right);
    }
    return order;
}

std::vector<std::string> TCompoundFileReader::RootNames() const
{
    std::vector<std::string> names;
    for (const uint32_t id : RootChildren()) {
        std::string name;
        for (const char16_t c : dir_[id].name)
            name.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        names.push_back(std::move(name));
    }
    return names;
}

std::optional<std::vector<uint8_t>> TCompoundFileReader::ReadRootStream(std::string_view name) const
{
    const TEntry* found = nullptr;
    for (const uint32_t id : RootChildren())
        if (dir_[id].type == kTypeStream && SameName(dir_[id].name, name)) {
            found = &dir_[id];
            break;
        }
    if (!found)
        return std::nullopt;
    if (found->size >= miniCutoff_)
        return ReadRegular(found->start, found->size, "the workbook stream");

    // A small stream lives in the mini stream: 64-byte sectors inside the
    // root entry's stream, chained by the mini FAT.
    if (found->size > file_.size())
        Damaged("the workbook stream is larger than the file");
    if (found->size == 0)
        return std::vector<uint8_t>();
    const TEntry& root = dir_[0];
    const auto container = ReadRegular(root.start, root.size, "the mini stream");
    const uint32_t firstMiniFat = le::GetU32(file_.data() + kHdrFirstMiniFatSector);
    const auto miniFatChain = Chain(firstMiniFat, fat_, sectorCount_, std::nullopt, "the mini FAT");
    std::vector<uint32_t> miniFat;
    miniFat.reserve(miniFatChain.size() * (sectorSize_ / 4));
    for (const uint32_t id : miniFatChain) {
        const auto s = Sector(id);
        if (s.size() < sectorSize_)
            Damaged("the file is truncated inside its mini FAT");
        for (uint32_t j = 0; j < sectorSize_ / 4; ++j)
            miniFat.push_back(le::GetU32(s.data() + 4 * j));
    }
    const uint64_t miniSectors = (container.size() + kMiniSectorSize - 1) / kMiniSectorSize;
    const uint64_t needed = (found->size + kMiniSectorSize - 1) / kMiniSectorSize;
    const auto chain = Chain(found->start, miniFat, miniSectors, needed, "the workbook stream");
    std::vector<uint8_t> out(static_cast<size_t>(found->size));
    size_t done = 0;
    for (const uint32_t id : chain) {
        const size_t offset = size_t(id) * kMiniSectorSize;
        const size_t n = std::min<size_t>(kMiniSectorSize, out.size() - done);
        if (offset + n > container.size())
            Damaged("the workbook stream extends beyond the end of the mini stream");
        std::memcpy(out.data() + done, container.data() + offset, n);
        done += n;
    }
    return out;
}

}  // namespace orvanta
