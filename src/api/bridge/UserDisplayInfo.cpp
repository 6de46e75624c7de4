#include "bridge/UserDisplayInfo.h"

#include <algorithm>
#include <limits>

#include "models/User.h"

namespace Orvo::Api {

namespace {

constexpr qint64 kSecondsPerDay = 86400;
constexpr int kDefaultFreeMinutes = 120;
constexpr int kMinutesPerHour = 60;
constexpr int kIntMax = std::numeric_limits<int>::max();

// The service's figures are not trusted to fit: an absurd one shows as the
// largest value rather than as an overflowed one.
int boundedInt(qint64 value)
{
    return static_cast<int>(std::min<qint64>(value, kIntMax));
}

int truncatedMinutes(double hours)
{
    const double minutes = hours * kMinutesPerHour;
    return minutes >= static_cast<double>(kIntMax) ? kIntMax : static_cast<int>(minutes);
}

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
            : boundedInt((info.vipSecondsLeft - 1) / kSecondsPerDay + 1);
        info.freeMinutes = 0;
    } else if (user.trialHoursRemaining > 0) {
        info.freeMinutes = truncatedMinutes(user.trialHoursRemaining);
    } else if (user.trialHoursTotal > 0) {
        info.freeMinutes = boundedInt(qint64(user.trialHoursTotal) * kMinutesPerHour);
    } else {
        info.freeMinutes = kDefaultFreeMinutes;
    }
    return info;
}

} // namespace Orvo::Api
