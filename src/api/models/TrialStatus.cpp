#include "models/TrialStatus.h"

#include "models/JsonReader.h"

namespace Orvo::Api::Models {

TrialStatus TrialStatus::fromJson(const QJsonObject &object)
{
    TrialStatus status;
    const QJsonObject trial = JsonReader::readObject(object, QStringLiteral("trial"));
    status.trialEnabled = JsonReader::readBool(trial, QStringLiteral("enabled"));
    status.trialAvailable = JsonReader::readBool(trial, QStringLiteral("available"));
    status.trialUsed = JsonReader::readBool(trial, QStringLiteral("used"));
    status.trialExpiresAt = JsonReader::readString(trial, QStringLiteral("expires_at"));
    status.trialHoursTotal = JsonReader::readInt(trial, QStringLiteral("hours_total"));
    status.trialHoursUsed = JsonReader::readDouble(trial, QStringLiteral("hours_used"));
    status.trialHoursRemaining = JsonReader::readDouble(trial, QStringLiteral("hours_remaining"));

    const QJsonObject vip = JsonReader::readObject(object, QStringLiteral("vip"));
    status.vipEnabled = JsonReader::readBool(vip, QStringLiteral("enabled"));
    status.isVip = JsonReader::readBool(vip, QStringLiteral("is_vip"));
    status.vipExpiresAt = JsonReader::readString(vip, QStringLiteral("expires_at"));
    status.vipDaysRemaining = JsonReader::readInt(vip, QStringLiteral("days_remaining"));

    status.accountStatus = JsonReader::readString(object, QStringLiteral("account_status"));
    return status;
}

} // namespace Orvo::Api::Models
