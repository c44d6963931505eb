#pragma once

#include "data/datamodule.h"

#include <QDir>
#include <QTemporaryDir>
#include <memory>

namespace orvanta::test {

// A fresh database directory for one test, removed afterwards.
struct TempDb {
    QTemporaryDir dir;
    QString path() const { return dir.path(); }
    QString file(const QString& name) const { return QDir(dir.path()).filePath(name); }

    std::unique_ptr<TDataModule2> module(int busyTimeoutMs = 5000) const
    {
        Database::Options o;
        o.busyTimeoutMs = busyTimeoutMs;
        return std::make_unique<TDataModule2>(dir.path(), o);
    }
};

}  // namespace orvanta::test
