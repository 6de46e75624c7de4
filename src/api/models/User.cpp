#include "models/User.h"

#include <QJsonValue>

#include "models/JsonReader.h"

namespace Orvo::Api::Models {

namespace {

QJsonValue dateOrNull(const QDateTime &value)
{
    return value.isValid() ? QJsonValue(value.toString(Qt::ISODate)) : QJsonValue(QJsonValue::Null);
}

// The traffic totals also come as the text of a whole number.
qint64 readTotal(const QJsonObject &stats, const QString &key)
{
    const QJsonValue value = stats.value(key);
    if (!value.isString())
        return JsonReader::readInt64(stats, key);
    bool ok = false;
    const qint64 total = value.toString().toLongLong(&ok, 10);
    return ok ? total : 0;
}

} // namespace

User User::fromJson(const QJsonObject &object)
{
    User user;
    user.id = JsonReader::readInt(object, QStringLiteral("id"));
    user.email = JsonReader::readString(object, QStringLiteral("email"));
    user.name = JsonReader::readString(object, QStringLiteral("name"));
    user.status = JsonReader::readString(object, QStringLiteral("status"));
    user.isVip = JsonReader::readBool(object, QStringLiteral("is_vip"));
    user.vipExpiresAt = JsonReader::readDateTime(object, QStringLiteral("vip_expires_at"));
    user.trialUsed = JsonReader::readBool(object, QStringLiteral("trial_used"));
    user.trialExpiresAt = JsonReader::readDateTime(object, QStringLiteral("trial_expires_at"));
    user.trialHoursTotal = JsonReader::readInt(object, QStringLiteral("trial_hours_total"));
    user.trialHoursUsed = JsonReader::readDouble(object, QStringLiteral("trial_hours_used"));
    user.trialHoursRemaining
        = JsonReader::readDouble(object, QStringLiteral("trial_hours_remaining"));
    user.createdAt = JsonReader::readDateTime(object, QStringLiteral("created_at"));

    const QJsonObject stats = JsonReader::readObject(object, QStringLiteral("stats"));
    user.stats.totalUpload = readTotal(stats, QStringLiteral("total_upload"));
    user.stats.totalDownload = readTotal(stats, QStringLiteral("total_download"));
    user.stats.totalTime = JsonReader::readInt(stats, QStringLiteral("total_time"));
    return user;
}

QJsonObject User::toJson() const
{
    QJsonObject object;
    object.insert(QStringLiteral("id"), id);
    object.insert(QStringLiteral("email"), email);
    object.insert(QStringLiteral("name"), name);
    object.insert(QStringLiteral("status"), status);
    object.insert(QStringLiteral("is_vip"), isVip);
    object.insert(QStringLiteral("vip_expires_at"), dateOrNull(vipExpiresAt));
    object.insert(QStringLiteral("trial_used"), trialUsed);
    object.insert(QStringLiteral("trial_expires_at"), dateOrNull(trialExpiresAt));
    object.insert(QStringLiteral("trial_hours_total"), trialHoursTotal);
    object.insert(QStringLiteral("trial_hours_used"), trialHoursUsed);
    object.insert(QStringLiteral("trial_hours_remaining"), trialHoursRemaining);
    if (createdAt.isValid())
        object.insert(QStringLiteral("created_at"), createdAt.toString(Qt::ISODate));
    if (stats.totalUpload > 0 || stats.totalDownload > 0 || stats.totalTime > 0) {
        object.insert(QStringLiteral("stats"),
                      QJsonObject { { QStringLiteral("total_upload"), stats.totalUpload },
                                    { QStringLiteral("total_download"), stats.totalDownload },
                                    { QStringLiteral("total_time"), stats.totalTime } });
    } else {
        object.insert(QStringLiteral("stats"), QJsonValue(QJsonValue::Null));
    }
    return object;
}

bool User::isVipActive() const
{
    return isVip && vipExpiresAt.isValid() && vipExpiresAt > QDateTime::currentDateTimeUtc();
}

bool User::isIdentified() const
{
    return id > 0 && !email.isEmpty();
}

} // namespace Orvo::Api::Models
