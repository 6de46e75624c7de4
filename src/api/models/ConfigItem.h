#pragma once

#include <QJsonObject>
#include <QString>
#include <QVariant>

namespace Orvo::Api::Models {

// One named item of the system configuration; its value is typed by "type".
struct ConfigItem
{
    QVariant value;
    QString name;
    QString description;
    QString type;

    static ConfigItem fromJson(const QJsonObject &object);
};

} // namespace Orvo::Api::Models
