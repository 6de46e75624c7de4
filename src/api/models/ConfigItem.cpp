#include "models/ConfigItem.h"

#include "models/JsonReader.h"

namespace Orvo::Api::Models {

ConfigItem ConfigItem::fromJson(const QJsonObject &object)
{
    ConfigItem item;
    item.name = JsonReader::readString(object, QStringLiteral("name"));
    item.description = JsonReader::readString(object, QStringLiteral("description"));
    item.type = JsonReader::readString(object, QStringLiteral("type"));

    const QString valueKey = QStringLiteral("value");
    if (item.type == QLatin1String("boolean"))
        item.value = JsonReader::readBool(object, valueKey);
    else if (item.type == QLatin1String("number"))
        item.value = JsonReader::readDouble(object, valueKey);
    else if (item.type == QLatin1String("json"))
        item.value = JsonReader::readObject(object, valueKey);
    else
        item.value = JsonReader::readString(object, valueKey);
    return item;
}

} // namespace Orvo::Api::Models
