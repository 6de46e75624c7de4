#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>
#include <unistd.h>

namespace Orvo::Testing {

// Replaces one of the stand-ins' files whole: written beside it under a name of
// this process's own, then renamed over it, so that a stand-in starting
// meanwhile reads the old contents or the new, never half. Not synced to disk:
// the files live no longer than the test, and hundreds of stand-in calls a run
// would each wait for the disk.
inline bool replaceStandInFile(const QString &path, const QByteArray &contents)
{
    const QString partial = path + QStringLiteral(".%1.partial").arg(qint64(::getpid()));
    QFile file(partial);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = file.write(contents) == contents.size() && file.flush();
    file.close();
    if (!written
        || std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData())
            != 0) {
        QFile::remove(partial);
        return false;
    }
    return true;
}

} // namespace Orvo::Testing
