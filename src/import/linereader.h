#pragma once

// Reading an import file line by line.
//
// The personnel system delivers its files as single-byte text. Every byte is
// kept as one character of the line, exactly as read: no character set is
// assumed and nothing is converted. The line structure is:
//
//   - a carriage return (13) ends a line; a line feed (10) directly after it
//     belongs to that line end;
//   - a line feed anywhere else is an ordinary character of the line;
//   - a byte 26 (^Z, the old DOS end-of-file mark) ends the file, as does the
//     end of the data; whatever follows a 26 is never read;
//   - the last line is a record even without a line end, but a line end at
//     the very end of the file does not start a further record;
//   - an empty line is a record (a file ending in two line ends has one empty
//     record at the end; an empty file has none).
//
// The reader pulls the data through a buffer of fixed size, so its memory
// does not depend on the size of the file. Only the line handed to the caller
// grows, to the length of the longest line; lines may be of any length.

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

// True when a file of this name exists and is not a directory. The imports
// call this before anything else: a missing file ends the run at once, with
// nothing changed and no message, and that decision belongs to the caller.
// The reader itself treats a missing file as an error.
bool ImportFileExists(const std::string& path);

class ImportFileReader {
public:
    static constexpr std::size_t kDefaultBufferSize = 64 * 1024;

    // Opens the file for reading. Throws orvanta::Error naming the file and
    // the reason when it cannot be opened.
    explicit ImportFileReader(const std::string& path,
                              std::size_t bufferSize = kDefaultBufferSize);

    // A reader over bytes held in memory (tests, the fuzzer). The data is not
    // copied and must outlive the reader. It still passes through the
    // buffer, so a small bufferSize exercises the same chunk boundaries a
    // file would.
    static ImportFileReader FromMemory(std::string_view data,
                                       std::size_t bufferSize = kDefaultBufferSize)
    {
        return ImportFileReader(MemoryTag{}, data, bufferSize);
    }

    ~ImportFileReader();
    ImportFileReader(const ImportFileReader&) = delete;
    ImportFileReader& operator=(const ImportFileReader&) = delete;

    // Reads the next record into line (its bytes without the line end).
    // Returns false, with line empty, when the file has no further record.
    // Throws orvanta::Error when the file cannot be read; the records
    // returned before stay valid.
    bool ReadLine(std::string& line);

    // Reads and discards up to count lines. A count of 0 or less skips
    // nothing; skipping stops early at the end of the file. Returns the
    // number of lines skipped. Skipped lines are not collected, so a long
    // header costs no memory.
    int SkipLines(int count);

    // Size of the internal buffer. It is fixed at construction and never
    // grows, whatever the file holds.
    std::size_t BufferCapacity() const { return buffer_.capacity(); }

    // The file name given to the constructor, or "(memory)".
    const std::string& Name() const { return name_; }

private:
    struct MemoryTag {};
    ImportFileReader(MemoryTag, std::string_view data, std::size_t bufferSize);

    // Makes at least one unread byte available unless the data is at its
    // end. Returns false at the end of the data.
    bool Fill();
    // Reads one line; appends its bytes to line when line is not null.
    bool NextLine(std::string* line);

    std::string name_;
    std::FILE* file_ = nullptr;
    std::string_view memory_;        // unread part of in-memory data
    std::vector<char> buffer_;
    std::size_t pos_ = 0;            // next unread byte in buffer_
    std::size_t end_ = 0;            // bytes of buffer_ holding data
    bool dataEnd_ = false;           // the source has no further bytes
    bool fileEnd_ = false;           // a 26 or the end of the data was met
};

// All records of in-memory data after skipping `skip` leading lines, read
// with the same reader. Meant for tests and small data; an import of a real
// file reads line by line instead.
std::vector<std::string> ReadImportLines(std::string_view data, int skip = 0);

}  // namespace orvanta
