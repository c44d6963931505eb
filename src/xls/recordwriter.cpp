#include "xls/recordwriter.h"

#include <stdexcept>

namespace orvanta {

TRecordWriter::TRecordWriter(TByteSink& sink, size_t bufferSize)
    : sink_(sink), buffer_(bufferSize < kRecordHeaderSize + kMaxRecordData
                               ? kRecordHeaderSize + kMaxRecordData
                               : bufferSize),
      flushed_(sink.Size())
{
}

void TRecordWriter::Flush()
{
    if (used_) {
        sink_.Append(buffer_.data(), used_);
        flushed_ += used_;
        used_ = 0;
    }
}

void TRecordWriter::PatchU32(uint64_t pos, uint32_t value)
{
    if (pos + 4 > Position())
        throw std::logic_error("TRecordWriter::PatchU32 beyond the bytes written");
    uint8_t bytes[4];
    le::PutU32(bytes, value);
    if (pos >= flushed_) {
        std::memcpy(buffer_.data() + (pos - flushed_), bytes, 4);
        return;
    }
    // The field may straddle the flushed part and the buffer.
    const size_t inSink = pos + 4 <= flushed_ ? 4 : static_cast<size_t>(flushed_ - pos);
    sink_.WriteAt(pos, bytes, inSink);
    if (inSink < 4)
        std::memcpy(buffer_.data(), bytes + inSink, 4 - inSink);
}

}  // namespace orvanta
