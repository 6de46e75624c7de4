#pragma once

#include "vpn/ConnectionFailureReason.h"

namespace Orvo::Api {

struct UserDisplayInfo;

// The bridge's own test before it asks the engine to connect, on the values the
// screens show; the engine tests its own copy of the account again.
class ConnectPermission
{
public:
    static Services::ConnectionFailureReason check(bool loggedIn, int serverId, bool requiresVip,
                                                   const UserDisplayInfo &user);
};

} // namespace Orvo::Api
