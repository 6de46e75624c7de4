#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QMetaType>
#include <QString>

namespace Orvo::Api::Models {

// Traffic and time totals of an account.
struct UserStats
{
    qint64 totalUpload = 0;
    qint64 totalDownload = 0;
    int totalTime = 0;
};

// The account as the service sends it and as the login store keeps it.
struct User
{
    int id = 0;
    QString email;
    QString name;
    QString status;
    bool isVip = false;
    QDateTime vipExpiresAt;
    bool trialUsed = false;
    QDateTime trialExpiresAt;
    int trialHoursTotal = 0;
    double trialHoursUsed = 0.0;
    double trialHoursRemaining = 0.0;
    QDateTime createdAt;
    UserStats stats;

    static User fromJson(const QJsonObject &object);
    QJsonObject toJson() const;

    bool isVipActive() const;
    // A record that names an account: an id and an e-mail.
    bool isIdentified() const;
};

} // namespace Orvo::Api::Models

Q_DECLARE_METATYPE(Orvo::Api::Models::User)
