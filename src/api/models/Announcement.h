#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QString>

namespace Orvo::Api::Models {

// One notice of the service to its users.
struct Announcement
{
    int id = 0;
    QString title;
    QString content;
    QString type;
    QDateTime publishedAt;
    QDateTime createdAt;

    static Announcement fromJson(const QJsonObject &json);
};

} // namespace Orvo::Api::Models

Q_DECLARE_METATYPE(Orvo::Api::Models::Announcement)
