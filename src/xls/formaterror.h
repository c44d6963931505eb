#pragma once

// Internal exceptions of the workbook readers. TWorkbook turns them into the
// orvanta::Error the user sees, adding the file name.

#include <stdexcept>
#include <string>

namespace orvanta {

// The input is not a compound file, or holds no workbook stream.
class TNotAWorkbook : public std::runtime_error {
public:
    TNotAWorkbook() : std::runtime_error("not a workbook") {}
};

// The input is a workbook, but broken or inconsistent; the text says how, as
// a lower-case phrase that completes "the file is damaged: ...".
class TDamagedFile : public std::runtime_error {
public:
    explicit TDamagedFile(const std::string& what) : std::runtime_error(what) {}
};

// The input is a workbook this reader can't take (older format, encrypted);
// the text is the whole sentence, with %s where the file name goes.
class TUnsupportedWorkbook : public std::runtime_error {
public:
    explicit TUnsupportedWorkbook(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace orvanta
