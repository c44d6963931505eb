#pragma once

#include <QString>
#include <memory>
#include <string>
#include <string_view>

namespace orvanta {

// A text file written by one request. The bytes go into a buffer that is
// written out in large blocks; every write and the final close are checked, so
// a full disk or a vanished device is reported (fileerror.h) and never ends as
// a file that looks complete. A file that was not closed with close() is
// closed by the destructor as far as it was written, without a report, which
// is what a request that stopped at an error wants.
class OutputFile {
public:
    enum class Mode {
        Replace,  // created, or emptied when it exists
        Append,   // must exist; new bytes go after its content
    };

    // Opens the file; throws orvanta::Error with the file error's message.
    OutputFile(const QString& path, Mode mode);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(std::string_view bytes)
    {
        char* p = reserve(bytes.size());
        if (!bytes.empty())
            std::char_traits<char>::copy(p, bytes.data(), bytes.size());
        commit(p + bytes.size());
    }
    void write(char c)
    {
        char* p = reserve(1);
        *p = c;
        commit(p + 1);
    }

    // For writers that format in place: room for at least `bytes` more bytes
    // at the returned position; commit() then says where the bytes written
    // there end. Writes the buffer out first when it lacks the room.
    char* reserve(size_t bytes)
    {
        if (capacity_ - used_ < bytes)
            makeRoom(bytes);
        return buffer_.get() + used_;
    }
    void commit(char* end) { used_ = size_t(end - buffer_.get()); }

    void flush();   // writes the pending bytes; throws on failure
    void close();   // flushes and closes; throws on failure
    const QString& path() const { return path_; }

private:
    static constexpr size_t kBlockBytes = 64 * 1024;
    void makeRoom(size_t bytes);

    QString path_;
    int fd_ = -1;
    std::unique_ptr<char[]> buffer_;
    size_t capacity_ = 0;
    size_t used_ = 0;
};

}  // namespace orvanta
