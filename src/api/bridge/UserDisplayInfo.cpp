#include "bridge/UserDisplayInfo.h"

#include "models/User.h"

namespace Orvo::Api {

namespace {
constexpr qint64 kSecondsPerDay = 86400;
constexpr int kDefaultFreeMinutes = 120;
} // namespace

UserDisplayInfo UserDisplayInfo::fromUser(const Models::User &user, const QDateTime &now)
{
    UserDisplayInfo info;
    info.email = user.email;
    info.name = user.name;
    info.isVip = user.isVipActive();
    info.vipExpiresAt
        = user.vipExpiresAt.isValid() ? user.vipExpiresAt.toString(Qt::ISODate) : QString();

    if (info.isVip) {
        info.vipSecondsLeft = now.secsTo(user.vipExpiresAt);
        // Every started day counts.
        info.vipDays = info.vipSecondsLeft <= 0
            ? 0
            : static_cast<int>((info.vipSecondsLeft - 1) / kSecondsPerDay + 1);
    }

    if (info.isVip)
        info.freeMinutes = 0;
    else if (user.trialHoursRemaining > 0)
        info.freeMinutes = static_cast<int>(user.trialHoursRemaining * 60.0);
    else if (user.trialHoursTotal > 0)
        info.freeMinutes = user.trialHoursTotal * 60;
    else
        info.freeMinutes = kDefaultFreeMinutes;
    return info;
}

} // namespace Orvo::Api
