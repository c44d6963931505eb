#include "import/linereader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "data/error.h"

namespace orvanta {

namespace {

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';
constexpr char kEndOfFile = '\x1a';  // ^Z

// The wording the program uses for text-file errors everywhere, followed by
// the system's own text for the error number.
std::string IoErrorText(int error)
{
    std::string text;
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        text = "File not found";
        break;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
        text = "Invalid filename";
        break;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        text = "File access denied";
        break;
    case ENOSPC:
        text = "Disk full";
        break;
    default:
        text = "I/O error " + std::to_string(error);
        break;
    }
    return text + " (" + std::error_code(error, std::generic_category()).message() + ")";
}

}  // namespace

bool ImportFileExists(const std::string& path)
{
    if (path.empty())
        return false;
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

ImportFileReader::ImportFileReader(const std::string& path, std::size_t bufferSize)
    : name_(path), buffer_(std::max<std::size_t>(bufferSize, 1))
{
    errno = 0;
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) {
        const int error = errno != 0 ? errno : EIO;
        throw Error("Cannot open the import file \"" + path + "\": " + IoErrorText(error));
    }
}

ImportFileReader::ImportFileReader(MemoryTag, std::string_view data, std::size_t bufferSize)
    : name_("(memory)"), memory_(data), buffer_(std::max<std::size_t>(bufferSize, 1))
{
}

ImportFileReader::~ImportFileReader()
{
    if (file_)
        std::fclose(file_);
}

bool ImportFileReader::Fill()
{
    if (dataEnd_)
        return false;
    pos_ = 0;
    end_ = 0;
    if (file_) {
        errno = 0;
        const std::size_t n = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        if (n == 0) {
            if (std::ferror(file_)) {
                const int error = errno != 0 ? errno : EIO;
                throw Error("Cannot read the import file \"" + name_ + "\": " + IoErrorText(error));
            }
            dataEnd_ = true;
            return false;
        }
        // A short read with an error set keeps the bytes it delivered; the
        // next fread returns 0 with the error still set and reports it.
        end_ = n;
        return true;
    }
    const std::size_t n = std::min(memory_.size(), buffer_.size());
    if (n == 0) {
        dataEnd_ = true;
        return false;
    }
    std::memcpy(buffer_.data(), memory_.data(), n);
    memory_.remove_prefix(n);
    end_ = n;
    return true;
}

bool ImportFileReader::NextLine(std::string* line)
{
    if (fileEnd_)
        return false;
    // Whether the line has any byte. A line end always makes a record; the
    // end of the file makes one only after bytes of an unfinished line.
    bool hasBytes = false;
    for (;;) {
        if (pos_ == end_ && !Fill()) {
            fileEnd_ = true;
            return hasBytes;
        }
        const char* begin = buffer_.data() + pos_;
        const char* stop = buffer_.data() + end_;
        // A 26 matters only before the next carriage return, so it is looked
        // for only up to there.
        const auto* cr = static_cast<const char*>(std::memchr(begin, kCarriageReturn, stop - begin));
        const char* limit = cr ? cr : stop;
        const auto* eof = static_cast<const char*>(std::memchr(begin, kEndOfFile, limit - begin));
        const char* p = eof ? eof : limit;

        if (p != begin) {
            hasBytes = true;
            if (line)
                line->append(begin, p);
        }
        pos_ = static_cast<std::size_t>(p - buffer_.data());
        if (p == stop)
            continue;  // the line goes on in the next chunk
        if (*p == kEndOfFile) {
            fileEnd_ = true;
            return hasBytes;
        }
        // Carriage return: the line is complete. A line feed right after it,
        // possibly at the start of the next chunk, is part of the line end.
        ++pos_;
        if (pos_ == end_ && !Fill()) {
            fileEnd_ = true;
            return true;
        }
        if (buffer_[pos_] == kLineFeed)
            ++pos_;
        return true;
    }
}

bool ImportFileReader::ReadLine(std::string& line)
{
    line.clear();
    return NextLine(&line);
}

int ImportFileReader::SkipLines(int count)
{
    int skipped = 0;
    while (skipped < count && NextLine(nullptr))
        ++skipped;
    return skipped;
}

std::vector<std::string> ReadImportLines(std::string_view data, int skip)
{
    auto reader = ImportFileReader::FromMemory(data);
    reader.SkipLines(skip);
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line))
        lines.push_back(line);
    return lines;
}

}  // namespace orvanta
