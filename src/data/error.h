#pragma once

#include <stdexcept>
#include <string>

namespace orvanta {

// The program's one error type. Its text is the message the user sees: the
// desktop program shows it in a message box, the command-line front end prints
// it to stderr. The text is UTF-8. Header-only and free of Qt so that the
// standard-library-only parts (the workbook file, the import text readers)
// throw the same type as the database layer.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
    explicit Error(const char* message) : std::runtime_error(message) {}
};

}  // namespace orvanta
