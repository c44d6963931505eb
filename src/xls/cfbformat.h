#pragma once

// Layout of a compound file ([MS-CFB], "Compound File Binary File Format"),
// as far as the writer and the reader of workbook files use it.
//
// A compound file is a 512-byte header followed by sectors of 512 bytes
// (version 3) or 4096 bytes (version 4). Sector n begins at byte
// (n + 1) * sector size. The file allocation table (FAT) holds, for every
// sector, the number of the next sector of its chain; the header lists the
// first 109 FAT sectors, and DIFAT sectors list the rest. Streams under the
// mini stream cutoff (4096 bytes) live in 64-byte mini sectors inside the
// "mini stream", which is the root directory entry's own stream, chained by
// the mini FAT. The directory is a chain of sectors of 128-byte entries; each
// storage keeps its children in a red-black tree of sibling links.

#include <cstdint>

namespace orvanta::cfb {

inline constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// Header fields (byte offsets).
inline constexpr uint32_t kHeaderSize = 512;
inline constexpr uint32_t kHdrSignature = 0x00;
inline constexpr uint32_t kHdrClsid = 0x08;  // 16 zero bytes
inline constexpr uint32_t kHdrMinorVersion = 0x18;
inline constexpr uint32_t kHdrMajorVersion = 0x1A;
inline constexpr uint32_t kHdrByteOrder = 0x1C;
inline constexpr uint32_t kHdrSectorShift = 0x1E;
inline constexpr uint32_t kHdrMiniSectorShift = 0x20;
inline constexpr uint32_t kHdrNumDirSectors = 0x28;  // must be 0 in version 3
inline constexpr uint32_t kHdrNumFatSectors = 0x2C;
inline constexpr uint32_t kHdrFirstDirSector = 0x30;
inline constexpr uint32_t kHdrTransactionSignature = 0x34;
inline constexpr uint32_t kHdrMiniStreamCutoff = 0x38;
inline constexpr uint32_t kHdrFirstMiniFatSector = 0x3C;
inline constexpr uint32_t kHdrNumMiniFatSectors = 0x40;
inline constexpr uint32_t kHdrFirstDifatSector = 0x44;
inline constexpr uint32_t kHdrNumDifatSectors = 0x48;
inline constexpr uint32_t kHdrDifat = 0x4C;  // 109 sector numbers
inline constexpr uint32_t kHeaderDifatSlots = 109;

inline constexpr uint16_t kMinorVersion = 0x003E;
inline constexpr uint16_t kMajorVersion3 = 3;
inline constexpr uint16_t kMajorVersion4 = 4;
inline constexpr uint16_t kByteOrderMark = 0xFFFE;
inline constexpr uint16_t kSectorShift3 = 9;   // 512-byte sectors
inline constexpr uint16_t kSectorShift4 = 12;  // 4096-byte sectors
inline constexpr uint16_t kMiniSectorShift = 6;
inline constexpr uint32_t kSectorSize3 = 1u << kSectorShift3;
inline constexpr uint32_t kMiniSectorSize = 1u << kMiniSectorShift;
inline constexpr uint32_t kMiniStreamCutoff = 4096;
// A version 3 file holds streams of at most 2 GB.
inline constexpr uint64_t kMaxStreamSize3 = 0x80000000u;

// Special sector numbers.
inline constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
inline constexpr uint32_t kDifatSector = 0xFFFFFFFC;  // marks a DIFAT sector in the FAT
inline constexpr uint32_t kFatSector = 0xFFFFFFFD;    // marks a FAT sector in the FAT
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFreeSector = 0xFFFFFFFF;
inline constexpr uint32_t kNoStream = 0xFFFFFFFF;  // no directory entry

// Directory entry fields (byte offsets).
inline constexpr uint32_t kDirEntrySize = 128;
inline constexpr uint32_t kDirName = 0x00;  // UTF-16LE, zero-terminated, 64 bytes
inline constexpr uint32_t kDirNameBytes = 64;
inline constexpr uint32_t kDirNameLength = 0x40;  // in bytes, terminator included
inline constexpr uint32_t kDirObjectType = 0x42;
inline constexpr uint32_t kDirColour = 0x43;
inline constexpr uint32_t kDirLeftSibling = 0x44;
inline constexpr uint32_t kDirRightSibling = 0x48;
inline constexpr uint32_t kDirChild = 0x4C;
inline constexpr uint32_t kDirClsid = 0x50;
inline constexpr uint32_t kDirStateBits = 0x60;
inline constexpr uint32_t kDirCreationTime = 0x64;
inline constexpr uint32_t kDirModifiedTime = 0x6C;
inline constexpr uint32_t kDirStartSector = 0x74;
inline constexpr uint32_t kDirStreamSize = 0x78;  // 64 bits; version 3 uses the low 32

inline constexpr uint8_t kTypeUnallocated = 0;
inline constexpr uint8_t kTypeStorage = 1;
inline constexpr uint8_t kTypeStream = 2;
inline constexpr uint8_t kTypeRoot = 5;
inline constexpr uint8_t kColourRed = 0;
inline constexpr uint8_t kColourBlack = 1;

}  // namespace orvanta::cfb
