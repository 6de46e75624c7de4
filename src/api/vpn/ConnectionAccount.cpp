#include "vpn/ConnectionAccount.h"

namespace Orvo::Api::Services {

ConnectionFailureReason ConnectionAccount::checkPermission(int serverId, bool requiresVip) const
{
    if (!loggedIn)
        return ConnectionFailureReason::NotLoggedIn;
    if (status == QLatin1String("suspended"))
        return ConnectionFailureReason::AccountSuspended;
    if (status == QLatin1String("banned"))
        return ConnectionFailureReason::AccountBanned;
    if (serverId <= 0)
        return ConnectionFailureReason::NoServerSelected;

    const QDateTime now = QDateTime::currentDateTime();
    const bool vipLapsed = vipExpiresAt.isValid() && vipExpiresAt < now;
    const bool trialSpent = trialUsed && trialHoursRemaining <= 0.0;

    if (requiresVip) {
        if (!isVip)
            return ConnectionFailureReason::VipRequired;
        if (vipLapsed)
            return ConnectionFailureReason::VipExpired;
    }
    if (!isVip && trialSpent)
        return ConnectionFailureReason::TrialExpired;
    // A lapsed expiry counts here whatever the VIP flag says.
    if (vipLapsed && trialSpent)
        return ConnectionFailureReason::VipAndTrialExpired;
    return ConnectionFailureReason::NoFailure;
}

} // namespace Orvo::Api::Services
