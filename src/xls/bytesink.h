#pragma once

// Byte outputs the writers go to: a file on disk or a buffer in memory.
//
// A sink grows at its end (Append) and allows overwriting bytes it already
// holds (WriteAt): the compound file writer fills in its header last, and the
// workbook writer fills in each sheet's stream offset once the sheet begins.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace orvanta {

class TByteSink {
public:
    virtual ~TByteSink() = default;
    // Adds n bytes at the end.
    virtual void Append(const uint8_t* data, size_t n) = 0;
    // Overwrites n bytes at pos; pos + n must not be beyond Size().
    virtual void WriteAt(uint64_t pos, const uint8_t* data, size_t n) = 0;
    // Number of bytes appended so far.
    virtual uint64_t Size() const = 0;
};

class TMemorySink final : public TByteSink {
public:
    void Append(const uint8_t* data, size_t n) override;
    void WriteAt(uint64_t pos, const uint8_t* data, size_t n) override;
    uint64_t Size() const override { return bytes_.size(); }

    std::vector<uint8_t>& Bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// A file created (or truncated) on construction. Every failure throws
// orvanta::Error naming the file and carrying the platform's error text.
// Close() must be called to finish the file; the destructor closes a file
// that is abandoned after an error without reporting anything more.
class TFileSink final : public TByteSink {
public:
    explicit TFileSink(const std::string& path);
    ~TFileSink() override;
    TFileSink(const TFileSink&) = delete;
    TFileSink& operator=(const TFileSink&) = delete;

    void Append(const uint8_t* data, size_t n) override;
    void WriteAt(uint64_t pos, const uint8_t* data, size_t n) override;
    uint64_t Size() const override { return size_; }
    void Close();

private:
    [[noreturn]] void Fail(int error) const;

    std::string path_;
    std::FILE* file_ = nullptr;
    uint64_t size_ = 0;
};

}  // namespace orvanta
