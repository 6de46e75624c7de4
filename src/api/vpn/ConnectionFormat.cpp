#include "vpn/ConnectionFormat.h"

#include <algorithm>

namespace Orvo::Api::Services {

namespace {

constexpr qint64 kKiB = 1024;
constexpr qint64 kMiB = kKiB * 1024;
constexpr qint64 kGiB = kMiB * 1024;

QString scaled(qint64 rate, qint64 unit, const char *suffix)
{
    return QString::number(static_cast<double>(rate) / static_cast<double>(unit), 'f', 2)
        + QLatin1String(suffix);
}

} // namespace

QString ConnectionFormat::formatSpeed(qint64 bytes, int seconds)
{
    const double divisor = std::max(seconds, 1);
    const auto rate = static_cast<qint64>(static_cast<double>(bytes) / divisor);

    QString text;
    if (rate >= kGiB)
        text = scaled(rate, kGiB, " GB");
    else if (rate >= kMiB)
        text = scaled(rate, kMiB, " MB");
    else if (rate >= kKiB)
        text = scaled(rate, kKiB, " KB");
    else
        text = QString::number(rate) + QLatin1String(" B");
    return text + QLatin1String("/s");
}

QString ConnectionFormat::formatDuration(int seconds)
{
    const int hours = seconds / 3600;
    const int minutes = (seconds % 3600) / 60;
    const int secs = seconds % 60;
    return QStringLiteral("%1:%2:%3")
        .arg(hours, 2, 10, QLatin1Char('0'))
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(secs, 2, 10, QLatin1Char('0'));
}

QString ConnectionFormat::routingModeText(int mode)
{
    return mode != 0 ? QStringLiteral("全局模式") : QStringLiteral("智能模式");
}

} // namespace Orvo::Api::Services
