#include "data/fileerror.h"

#include "data/error.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>

namespace orvanta {

QString fileErrorText(int errnoValue, const QString& path)
{
    switch (errnoValue) {
    case ENOENT: {
        // POSIX says ENOENT both for a missing file and for a missing folder on
        // the way to it; the two get different messages.
        const QFileInfo folder(QFileInfo(path.isEmpty() ? QStringLiteral(".") : path).absolutePath());
        return !path.isEmpty() && folder.isDir() ? QStringLiteral("File not found")
                                                 : QStringLiteral("Invalid filename");
    }
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP: return QStringLiteral("Invalid filename");
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return QStringLiteral("File access denied");
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return QStringLiteral("Disk full");
    default: return QStringLiteral("I/O error %1").arg(errnoValue);
    }
}

void throwFileError(int errnoValue, const QString& path)
{
    throw Error(fileErrorText(errnoValue, path).toStdString());
}

}  // namespace orvanta
