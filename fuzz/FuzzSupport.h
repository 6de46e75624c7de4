#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>

namespace Orvo::Fuzz {

// The code under test logs every step; at fuzzing speed that is only noise.
inline void silenceLogging()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// A finding that is not a crash: stop with a report libFuzzer records as one.
[[noreturn]] inline void fail(const char *what)
{
    qInstallMessageHandler(nullptr);
    qFatal("fuzz check failed: %s", what);
}

} // namespace Orvo::Fuzz
