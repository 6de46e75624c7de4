#pragma once

#include <QString>

#include "vpn/VmessConfig.h"

namespace Orvo::Api::Vpn {

// Turns a "vmess://" share link into a VmessConfig. A bad link is refused by
// throwing its user-visible reason as a QString. Holds no state.
class VmessParser
{
public:
    VmessParser() = delete;

    static VmessConfig parse(const QString &link);
    static VmessConfig parseJson(const QString &jsonText);
};

} // namespace Orvo::Api::Vpn
