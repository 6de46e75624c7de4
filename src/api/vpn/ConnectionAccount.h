#pragma once

#include <QDateTime>
#include <QString>

#include "vpn/ConnectionFailureReason.h"

namespace Orvo::Api::Services {

// The engine's own copy of the account, and the permission test run on it.
struct ConnectionAccount
{
    bool loggedIn = false;
    bool isVip = false;
    bool trialUsed = false;
    double trialHoursRemaining = 0.0;
    QString status = QStringLiteral("active");
    QDateTime vipExpiresAt;

    // The first rule that refuses the connect, or NoFailure.
    ConnectionFailureReason checkPermission(int serverId, bool requiresVip) const;
};

} // namespace Orvo::Api::Services
