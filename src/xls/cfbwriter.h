#pragma once

// Writer of a compound file ([MS-CFB] version 3, 512-byte sectors) holding a
// single stream in its root storage.
//
// The writer is itself a byte sink: the bytes appended to it are the stream's
// content, and they go to the file as they come, so a stream of any size is
// written with a small, fixed amount of memory. Layout:
//
//   stream of 4096 bytes or more:  header | stream sectors 0..N-1 | FAT |
//                                  DIFAT (only past 109 FAT sectors) | directory
//   shorter stream (mini stream):  header | FAT | directory | mini FAT |
//                                  mini stream (the stream in 64-byte sectors)
//
// The first 4096 bytes are held in memory until it is known on which side of
// the mini stream cutoff the stream falls; the header is written last.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xls/bytesink.h"

namespace orvanta {

class TCompoundFileWriter final : public TByteSink {
public:
    // `file` must be empty; `streamName` is ASCII of 1 to 31 characters.
    TCompoundFileWriter(TByteSink& file, std::string_view streamName);

    void Append(const uint8_t* data, size_t n) override;
    void WriteAt(uint64_t pos, const uint8_t* data, size_t n) override;
    uint64_t Size() const override { return size_; }

    // Writes the allocation tables, the directory and the header. Call once,
    // after the stream's last byte.
    void Finish();

    // Numbers of FAT and DIFAT sectors for a regular stream of `streamSectors`
    // sectors plus one directory sector. The FAT must also cover its own
    // sectors and the DIFAT sectors, and adding them can call for one more
    // FAT sector, so the count is found by iterating to a fixed point.
    struct TFatLayout {
        uint32_t fatSectors;
        uint32_t difatSectors;
    };
    static TFatLayout FatLayout(uint32_t streamSectors);

private:
    void FinishRegular();
    void FinishMini();
    void WriteHeader(uint32_t numFat, uint32_t firstFatSector, uint32_t firstDirSector,
                     uint32_t firstMiniFat, uint32_t numMiniFat, uint32_t firstDifat,
                     uint32_t numDifat);
    void WriteDirectory(uint32_t rootStart, uint32_t rootSize, uint32_t streamStart);

    TByteSink& file_;
    std::string name_;
    std::vector<uint8_t> held_;  // the stream's first bytes, until spilled
    bool spilled_ = false;
    bool finished_ = false;
    uint64_t size_ = 0;
};

}  // namespace orvanta
