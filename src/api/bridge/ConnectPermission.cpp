#include "bridge/ConnectPermission.h"

#include "bridge/UserDisplayInfo.h"

namespace Orvo::Api {

using Services::ConnectionFailureReason;

// The first rule that matches wins.
ConnectionFailureReason ConnectPermission::check(bool loggedIn, int serverId, bool requiresVip,
                                                 const UserDisplayInfo &user)
{
    if (!loggedIn)
        return ConnectionFailureReason::NotLoggedIn;
    if (serverId <= 0)
        return ConnectionFailureReason::NoServerSelected;
    if (requiresVip && !user.isVip)
        return ConnectionFailureReason::VipRequired;
    if (requiresVip && user.vipDays <= 0)
        return ConnectionFailureReason::VipExpired;
    if (!user.isVip && user.freeMinutes <= 0)
        return ConnectionFailureReason::TrialExpired;
    if (user.vipDays <= 0 && user.freeMinutes <= 0)
        return ConnectionFailureReason::VipAndTrialExpired;
    return ConnectionFailureReason::NoFailure;
}

} // namespace Orvo::Api
