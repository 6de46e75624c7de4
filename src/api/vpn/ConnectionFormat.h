#pragma once

#include <QString>
#include <QtGlobal>

namespace Orvo::Api::Services {

// Texts of the connection figures shown to the user. Holds no state.
class ConnectionFormat
{
public:
    ConnectionFormat() = delete;

    // Bytes per second over the given seconds (at least one), e.g. "1.50 KB/s".
    static QString formatSpeed(qint64 bytes, int seconds);
    // "hh:mm:ss"; hours of 100 or more keep all their digits.
    static QString formatDuration(int seconds);
    // The routing mode's name; any mode but 0 routes everything.
    static QString routingModeText(int mode);
};

} // namespace Orvo::Api::Services
