#include "xls/bytesink.h"

#include <cerrno>
#include <cstring>
#include <limits>

#include "data/error.h"

namespace orvanta {

void TMemorySink::Append(const uint8_t* data, size_t n)
{
    bytes_.insert(bytes_.end(), data, data + n);
}

void TMemorySink::WriteAt(uint64_t pos, const uint8_t* data, size_t n)
{
    if (pos > bytes_.size() || n > bytes_.size() - pos)
        throw std::logic_error("TMemorySink::WriteAt beyond the end");
    std::memcpy(bytes_.data() + pos, data, n);
}

TFileSink::TFileSink(const std::string& path) : path_(path)
{
    errno = 0;
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_)
        throw Error("Cannot create file " + path_ + ": " + std::strerror(errno));
}

TFileSink::~TFileSink()
{
    if (file_)
        std::fclose(file_);
}

void TFileSink::Fail(int error) const
{
    // A short write without errno (rare) still has to say something useful.
    const char* reason = error ? std::strerror(error) : "the data could not be written";
    throw Error("Cannot write file " + path_ + ": " + reason);
}

void TFileSink::Append(const uint8_t* data, size_t n)
{
    if (!file_)
        throw std::logic_error("TFileSink used after Close");
    errno = 0;
    if (n && std::fwrite(data, 1, n, file_) != n)
        Fail(errno);
    size_ += n;
}

void TFileSink::WriteAt(uint64_t pos, const uint8_t* data, size_t n)
{
    if (!file_)
        throw std::logic_error("TFileSink used after Close");
    if (pos > size_ || n > size_ - pos)
        throw std::logic_error("TFileSink::WriteAt beyond the end");
    // std::fseek takes a long, which is 32 bits on some platforms; the
    // callers only go back to the first few kilobytes (the compound file
    // header and the sheet offsets in the workbook globals).
    if (pos > static_cast<uint64_t>(std::numeric_limits<long>::max()))
        throw std::logic_error("TFileSink::WriteAt offset out of range");
    errno = 0;
    if (std::fseek(file_, static_cast<long>(pos), SEEK_SET) != 0)
        Fail(errno);
    if (n && std::fwrite(data, 1, n, file_) != n)
        Fail(errno);
    if (std::fseek(file_, 0, SEEK_END) != 0)
        Fail(errno);
}

void TFileSink::Close()
{
    if (!file_)
        return;
    std::FILE* f = file_;
    file_ = nullptr;
    errno = 0;
    // A full disk often shows only here, when the last buffer is flushed.
    const bool flushed = std::fflush(f) == 0;
    const int flushError = errno;
    const bool closed = std::fclose(f) == 0;
    if (!flushed)
        Fail(flushError);
    if (!closed)
        Fail(errno);
}

}  // namespace orvanta
