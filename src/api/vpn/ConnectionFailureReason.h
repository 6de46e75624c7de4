#pragma once

#include <QMetaType>
#include <QString>

namespace Orvo::Api::Services {

// Why a connection was refused or failed. QML sees the value as a plain int.
enum class ConnectionFailureReason {
    NoFailure = 0,
    NotLoggedIn = 1,
    NoServerSelected = 2,
    VipRequired = 3,
    TrialExpired = 4,
    VipExpired = 5,
    VipAndTrialExpired = 6,
    AccountSuspended = 7,
    AccountBanned = 8,
    ForcedOffline = 9,
    NetworkFailure = 10,
    ServerError = 11,
};

// The user-visible text of a reason code: the one table shared by the engine and
// the QML bridge. Any code outside the table gives "未知错误".
QString failureReasonText(int code);
QString failureReasonText(ConnectionFailureReason reason);

} // namespace Orvo::Api::Services

Q_DECLARE_METATYPE(Orvo::Api::Services::ConnectionFailureReason)
