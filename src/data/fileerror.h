#pragma once

#include <QString>

namespace orvanta {

// The messages the program gives for a failed text-file operation, in the words
// of the runtime it was first built on:
//
//   ENOENT with the folder present        "File not found"    (the file is missing)
//   ENOENT without the folder, ENOTDIR,
//   ENAMETOOLONG, EINVAL, ELOOP            "Invalid filename"  (the path leads nowhere)
//   EACCES, EPERM, EROFS, EISDIR,
//   ETXTBSY                                "File access denied"
//   ENOSPC, EDQUOT, EFBIG                  "Disk full"
//   anything else                          "I/O error %d" with the errno value
//
// `path` is the file the operation was on; it decides between the first two.
QString fileErrorText(int errnoValue, const QString& path);

// Throws orvanta::Error with fileErrorText.
[[noreturn]] void throwFileError(int errnoValue, const QString& path);

}  // namespace orvanta
