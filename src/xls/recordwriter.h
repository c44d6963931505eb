#pragma once

// Buffered writer of BIFF records: a 2-byte record identifier, a 2-byte data
// length, then that many data bytes, all numbers little-endian.
//
// Begin() opens a record of a known length and reserves its room in the
// buffer, so the field writers that follow are plain stores; End() checks in
// debug builds that exactly the announced number of bytes was written.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "xls/bytesink.h"
#include "xls/littleendian.h"

namespace orvanta {

class TRecordWriter {
public:
    // The largest data length a BIFF8 record may have.
    static constexpr size_t kMaxRecordData = 8224;
    static constexpr size_t kRecordHeaderSize = 4;

    explicit TRecordWriter(TByteSink& sink, size_t bufferSize = 256 * 1024);
    TRecordWriter(const TRecordWriter&) = delete;
    TRecordWriter& operator=(const TRecordWriter&) = delete;

    void Begin(uint16_t id, uint16_t length)
    {
        assert(length <= kMaxRecordData);
        if (buffer_.size() - used_ < kRecordHeaderSize + length)
            Flush();
        uint8_t* p = buffer_.data() + used_;
        le::PutU16(p, id);
        le::PutU16(p + 2, length);
        used_ += kRecordHeaderSize;
#ifndef NDEBUG
        recordEnd_ = used_ + length;
#endif
    }

    void End()
    {
        assert(used_ == recordEnd_ && "record length differs from the bytes written");
    }

    void U8(uint8_t v) { buffer_[used_++] = v; }
    void U16(uint16_t v) { le::PutU16(buffer_.data() + used_, v); used_ += 2; }
    void U32(uint32_t v) { le::PutU32(buffer_.data() + used_, v); used_ += 4; }
    void F64(double v) { le::PutF64(buffer_.data() + used_, v); used_ += 8; }
    void Bytes(const void* data, size_t n)
    {
        std::memcpy(buffer_.data() + used_, data, n);
        used_ += n;
    }
    void Bytes(std::string_view s) { Bytes(s.data(), s.size()); }
    void Fill(uint8_t byte, size_t n)
    {
        std::memset(buffer_.data() + used_, byte, n);
        used_ += n;
    }

    // A record whose data is a single 16-bit value, the commonest kind.
    void RecordU16(uint16_t id, uint16_t value)
    {
        Begin(id, 2);
        U16(value);
        End();
    }

    // Room for n bytes of whole records written directly (n at most the
    // buffer's size); Commit says how many were written.
    uint8_t* Reserve(size_t n)
    {
        if (buffer_.size() - used_ < n)
            Flush();
        return buffer_.data() + used_;
    }
    void Commit(size_t n) { used_ += n; }

    // Stream offset of the next byte written.
    uint64_t Position() const { return flushed_ + used_; }

    // Overwrites a 32-bit field written earlier at stream offset pos.
    void PatchU32(uint64_t pos, uint32_t value);

    // Hands the buffered bytes to the sink.
    void Flush();

private:
    TByteSink& sink_;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
    uint64_t flushed_ = 0;
#ifndef NDEBUG
    size_t recordEnd_ = 0;
#endif
};

}  // namespace orvanta
