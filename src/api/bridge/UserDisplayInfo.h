#pragma once

#include <QDateTime>
#include <QString>

namespace Orvo::Api::Models {
struct User;
}

namespace Orvo::Api {

// What the screens show of the signed-in user: a display copy of the stored
// account, recomputed only when the account is refreshed.
struct UserDisplayInfo
{
    QString email;
    QString name;
    bool isVip = false;
    QString vipExpiresAt;
    int vipDays = 0;
    int freeMinutes = 120;
    // Whole seconds from `now` to the VIP expiry; only set for a VIP.
    qint64 vipSecondsLeft = 0;

    // The values of a user, with `now` as the moment the VIP days are counted from.
    static UserDisplayInfo fromUser(const Models::User &user, const QDateTime &now);
};

} // namespace Orvo::Api
