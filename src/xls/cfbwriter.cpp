#include "xls/cfbwriter.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "data/error.h"
#include "xls/cfbformat.h"
#include "xls/littleendian.h"

namespace orvanta {

using namespace cfb;

namespace {

constexpr uint32_t kIdsPerSector = kSectorSize3 / 4;     // 128 FAT entries a sector
constexpr uint32_t kIdsPerDifatSector = kIdsPerSector - 1;  // the last one links on
constexpr uint32_t kEntriesPerDirSector = kSectorSize3 / kDirEntrySize;

using TSector = std::array<uint8_t, kSectorSize3>;

uint32_t SectorsFor(uint64_t bytes, uint32_t sectorSize)
{
    return static_cast<uint32_t>((bytes + sectorSize - 1) / sectorSize);
}

void FillIds(TSector& sector, uint32_t value)
{
    for (uint32_t i = 0; i < kIdsPerSector; ++i)
        le::PutU32(sector.data() + 4 * i, value);
}

// One directory entry. Times and class ids stay zero, which keeps the output
// the same from run to run.
void PutDirEntry(uint8_t* p, std::string_view name, uint8_t type, uint32_t child,
                 uint32_t start, uint32_t size)
{
    for (size_t i = 0; i < name.size(); ++i)
        le::PutU16(p + kDirName + 2 * i, static_cast<uint8_t>(name[i]));
    le::PutU16(p + kDirNameLength, static_cast<uint16_t>(2 * (name.size() + 1)));
    p[kDirObjectType] = type;
    // With one child only, every tree is a single black node.
    p[kDirColour] = kColourBlack;
    le::PutU32(p + kDirLeftSibling, kNoStream);
    le::PutU32(p + kDirRightSibling, kNoStream);
    le::PutU32(p + kDirChild, child);
    le::PutU32(p + kDirStartSector, start);
    le::PutU64(p + kDirStreamSize, size);
}

}  // namespace

TCompoundFileWriter::TCompoundFileWriter(TByteSink& file, std::string_view streamName)
    : file_(file), name_(streamName)
{
    if (name_.empty() || name_.size() > 31)
        throw std::logic_error("compound file stream names have 1 to 31 characters");
    if (file_.Size() != 0)
        throw std::logic_error("TCompoundFileWriter needs an empty file");
    held_.reserve(kMiniStreamCutoff);
    // Room for the header, which is written last.
    const TSector zero{};
    file_.Append(zero.data(), zero.size());
}

void TCompoundFileWriter::Append(const uint8_t* data, size_t n)
{
    if (finished_)
        throw std::logic_error("TCompoundFileWriter::Append after Finish");
    if (n > kMaxStreamSize3 - size_)
        throw Error("The workbook is too large: a workbook file holds at most 2 GB.");
    if (!spilled_) {
        if (size_ + n < kMiniStreamCutoff) {
            held_.insert(held_.end(), data, data + n);
            size_ += n;
            return;
        }
        // At the cutoff the stream becomes a regular one: its sectors follow
        // the header directly.
        file_.Append(held_.data(), held_.size());
        held_.clear();
        held_.shrink_to_fit();
        spilled_ = true;
    }
    file_.Append(data, n);
    size_ += n;
}

void TCompoundFileWriter::WriteAt(uint64_t pos, const uint8_t* data, size_t n)
{
    if (pos > size_ || n > size_ - pos)
        throw std::logic_error("TCompoundFileWriter::WriteAt beyond the end");
    if (!spilled_)
        std::copy(data, data + n, held_.begin() + static_cast<ptrdiff_t>(pos));
    else
        file_.WriteAt(kHeaderSize + pos, data, n);  // stream sector 0 follows the header
}

TCompoundFileWriter::TFatLayout TCompoundFileWriter::FatLayout(uint32_t streamSectors)
{
    uint64_t fat = 0, difat = 0;
    for (;;) {
        const uint64_t total = uint64_t(streamSectors) + fat + difat + 1;  // + directory
        const uint64_t needFat = (total + kIdsPerSector - 1) / kIdsPerSector;
        const uint64_t needDifat = needFat > kHeaderDifatSlots
            ? (needFat - kHeaderDifatSlots + kIdsPerDifatSector - 1) / kIdsPerDifatSector
            : 0;
        if (needFat == fat && needDifat == difat)
            return {static_cast<uint32_t>(fat), static_cast<uint32_t>(difat)};
        fat = needFat;
        difat = needDifat;
    }
}

void TCompoundFileWriter::Finish()
{
    if (finished_)
        throw std::logic_error("TCompoundFileWriter::Finish called twice");
    finished_ = true;
    if (spilled_)
        FinishRegular();
    else
        FinishMini();
}

void TCompoundFileWriter::FinishRegular()
{
    const uint32_t n = SectorsFor(size_, kSectorSize3);
    const TSector zero{};
    if (const uint32_t tail = static_cast<uint32_t>(size_ % kSectorSize3))
        file_.Append(zero.data(), kSectorSize3 - tail);

    const TFatLayout layout = FatLayout(n);
    const uint32_t firstFat = n;
    const uint32_t firstDifat = firstFat + layout.fatSectors;
    const uint32_t dirSector = firstDifat + layout.difatSectors;

    TSector sector;
    for (uint32_t k = 0; k < layout.fatSectors; ++k) {
        for (uint32_t j = 0; j < kIdsPerSector; ++j) {
            const uint32_t id = k * kIdsPerSector + j;
            uint32_t next;
            if (id + 1 < n)
                next = id + 1;
            else if (id + 1 == n)
                next = kEndOfChain;
            else if (id < firstDifat)
                next = kFatSector;
            else if (id < dirSector)
                next = kDifatSector;
            else if (id == dirSector)
                next = kEndOfChain;
            else
                next = kFreeSector;
            le::PutU32(sector.data() + 4 * j, next);
        }
        file_.Append(sector.data(), sector.size());
    }

    // DIFAT sectors list the FAT sectors past the header's 109, 127 to a
    // sector, each ending with the number of the next DIFAT sector.
    for (uint32_t d = 0; d < layout.difatSectors; ++d) {
        FillIds(sector, kFreeSector);
        for (uint32_t j = 0; j < kIdsPerDifatSector; ++j) {
            const uint32_t fatIndex = kHeaderDifatSlots + d * kIdsPerDifatSector + j;
            if (fatIndex < layout.fatSectors)
                le::PutU32(sector.data() + 4 * j, firstFat + fatIndex);
        }
        const uint32_t next = d + 1 < layout.difatSectors ? firstDifat + d + 1 : kEndOfChain;
        le::PutU32(sector.data() + 4 * kIdsPerDifatSector, next);
        file_.Append(sector.data(), sector.size());
    }

    WriteDirectory(kEndOfChain, 0, 0);
    WriteHeader(layout.fatSectors, firstFat, dirSector, kEndOfChain, 0,
                layout.difatSectors ? firstDifat : kEndOfChain, layout.difatSectors);
}

void TCompoundFileWriter::FinishMini()
{
    // Sector 0 FAT, 1 directory, 2 mini FAT, 3... the mini stream.
    constexpr uint32_t kFat = 0, kDir = 1, kMiniFat = 2, kMiniStream = 3;
    const uint32_t miniSectors = SectorsFor(size_, kMiniSectorSize);
    const uint32_t miniStreamSize = miniSectors * kMiniSectorSize;
    const uint32_t containerSectors = SectorsFor(miniStreamSize, kSectorSize3);

    TSector sector;
    FillIds(sector, kFreeSector);
    le::PutU32(sector.data() + 4 * kFat, kFatSector);
    le::PutU32(sector.data() + 4 * kDir, kEndOfChain);
    if (miniSectors) {
        le::PutU32(sector.data() + 4 * kMiniFat, kEndOfChain);
        for (uint32_t i = 0; i < containerSectors; ++i) {
            const uint32_t id = kMiniStream + i;
            le::PutU32(sector.data() + 4 * id, i + 1 < containerSectors ? id + 1 : kEndOfChain);
        }
    }
    file_.Append(sector.data(), sector.size());

    if (!miniSectors) {  // an empty stream owns no sector at all
        WriteDirectory(kEndOfChain, 0, kEndOfChain);
        WriteHeader(1, kFat, kDir, kEndOfChain, 0, kEndOfChain, 0);
        return;
    }

    WriteDirectory(kMiniStream, miniStreamSize, 0);

    FillIds(sector, kFreeSector);
    for (uint32_t i = 0; i < miniSectors; ++i)
        le::PutU32(sector.data() + 4 * i, i + 1 < miniSectors ? i + 1 : kEndOfChain);
    file_.Append(sector.data(), sector.size());

    held_.resize(size_t(containerSectors) * kSectorSize3, 0);
    file_.Append(held_.data(), held_.size());

    WriteHeader(1, kFat, kDir, kMiniFat, 1, kEndOfChain, 0);
}

void TCompoundFileWriter::WriteDirectory(uint32_t rootStart, uint32_t rootSize,
                                         uint32_t streamStart)
{
    // Entry 0 is the root storage, entry 1 the stream; the rest of the sector
    // holds unused entries, zero but for their NOSTREAM links.
    TSector sector{};
    for (uint32_t e = 2; e < kEntriesPerDirSector; ++e) {
        uint8_t* p = sector.data() + e * kDirEntrySize;
        le::PutU32(p + kDirLeftSibling, kNoStream);
        le::PutU32(p + kDirRightSibling, kNoStream);
        le::PutU32(p + kDirChild, kNoStream);
    }
    PutDirEntry(sector.data(), "Root Entry", kTypeRoot, 1, rootStart, rootSize);
    PutDirEntry(sector.data() + kDirEntrySize, name_, kTypeStream, kNoStream, streamStart,
                static_cast<uint32_t>(size_));
    file_.Append(sector.data(), sector.size());
}

void TCompoundFileWriter::WriteHeader(uint32_t numFat, uint32_t firstFatSector,
                                      uint32_t firstDirSector, uint32_t firstMiniFat,
                                      uint32_t numMiniFat, uint32_t firstDifat,
                                      uint32_t numDifat)
{
    TSector h{};
    std::copy(std::begin(kSignature), std::end(kSignature), h.begin() + kHdrSignature);
    le::PutU16(h.data() + kHdrMinorVersion, kMinorVersion);
    le::PutU16(h.data() + kHdrMajorVersion, kMajorVersion3);
    le::PutU16(h.data() + kHdrByteOrder, kByteOrderMark);
    le::PutU16(h.data() + kHdrSectorShift, kSectorShift3);
    le::PutU16(h.data() + kHdrMiniSectorShift, kMiniSectorShift);
    le::PutU32(h.data() + kHdrNumDirSectors, 0);
    le::PutU32(h.data() + kHdrNumFatSectors, numFat);
    le::PutU32(h.data() + kHdrFirstDirSector, firstDirSector);
    le::PutU32(h.data() + kHdrTransactionSignature, 0);
    le::PutU32(h.data() + kHdrMiniStreamCutoff, kMiniStreamCutoff);
    le::PutU32(h.data() + kHdrFirstMiniFatSector, firstMiniFat);
    le::PutU32(h.data() + kHdrNumMiniFatSectors, numMiniFat);
    le::PutU32(h.data() + kHdrFirstDifatSector, firstDifat);
    le::PutU32(h.data() + kHdrNumDifatSectors, numDifat);
    // The FAT sectors are consecutive, so the header's slots list the first
    // 109 of them in order.
    for (uint32_t i = 0; i < kHeaderDifatSlots; ++i)
        le::PutU32(h.data() + kHdrDifat + 4 * i, i < numFat ? firstFatSector + i : kFreeSector);
    file_.WriteAt(0, h.data(), h.size());
}

}  // namespace orvanta
