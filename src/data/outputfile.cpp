#include "data/outputfile.h"

#include "data/fileerror.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace orvanta {

OutputFile::OutputFile(const QString& path, Mode mode) : path_(path)
{
    const QByteArray name = QFile::encodeName(path);
    const int flags = mode == Mode::Replace ? O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC
                                            : O_WRONLY | O_APPEND | O_CLOEXEC;
    do
        fd_ = ::open(name.constData(), flags, 0666);
    while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0)
        throwFileError(errno, path);
    capacity_ = kBlockBytes;
    buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
}

OutputFile::~OutputFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void OutputFile::makeRoom(size_t bytes)
{
    flush();
    if (bytes > capacity_) {
        // One piece larger than a block: a buffer that holds it.
        capacity_ = bytes;
        buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
    }
}

void OutputFile::flush()
{
    const char* p = buffer_.get();
    size_t left = used_;
    used_ = 0;
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwFileError(errno, path_);
        }
        if (n == 0)  // a write that takes nothing and reports no error: the device is full
            throwFileError(ENOSPC, path_);
        p += n;
        left -= size_t(n);
    }
}

void OutputFile::close()
{
    if (fd_ < 0)
        return;
    flush();
    const int fd = fd_;
    fd_ = -1;
    // The close reports errors of writes the system had deferred (network and
    // some local file systems). It is not retried after EINTR: the descriptor
    // is gone either way.
    if (::close(fd) != 0 && errno != EINTR)
        throwFileError(errno, path_);
}

}  // namespace orvanta
