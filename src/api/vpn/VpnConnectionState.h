#pragma once

#include <QMetaType>
#include <QString>

namespace Orvo::Api::Services {

// Where the connection state machine stands.
enum class VpnConnectionState {
    Disconnected = 0,
    Connecting = 1,
    Connected = 2,
    Disconnecting = 3,
};

// The text shown for a state; "未知" for a value outside the enumeration.
QString connectionStateText(VpnConnectionState state);

} // namespace Orvo::Api::Services

Q_DECLARE_METATYPE(Orvo::Api::Services::VpnConnectionState)
