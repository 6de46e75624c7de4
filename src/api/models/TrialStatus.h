#pragma once

#include <QJsonObject>
#include <QString>

namespace Orvo::Api::Models {

// The account's trial and VIP standing; the date-times stay the service's text.
struct TrialStatus
{
    bool trialEnabled = false;
    bool trialAvailable = false;
    bool trialUsed = false;
    QString trialExpiresAt;
    int trialHoursTotal = 0;
    double trialHoursUsed = 0.0;
    double trialHoursRemaining = 0.0;
    bool vipEnabled = false;
    bool isVip = false;
    QString vipExpiresAt;
    int vipDaysRemaining = 0;
    QString accountStatus;

    static TrialStatus fromJson(const QJsonObject &object);
};

} // namespace Orvo::Api::Models
