#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace Orvo::Api::Models {

// The one way every record reads the service's JSON: a missing key or a value
// of the wrong JSON type keeps the caller's default.
class JsonReader
{
public:
    JsonReader() = delete;

    // Only JSON numbers with a whole value that fits the type.
    static int readInt(const QJsonObject &object, const QString &key, int defaultValue = 0);
    static qint64 readInt64(const QJsonObject &object, const QString &key, qint64 defaultValue = 0);
    // Any finite JSON number.
    static double readDouble(const QJsonObject &object, const QString &key,
                             double defaultValue = 0.0);
    // Only JSON booleans.
    static bool readBool(const QJsonObject &object, const QString &key, bool defaultValue = false);
    // Only JSON strings.
    static QString readString(const QJsonObject &object, const QString &key,
                              const QString &defaultValue = {});
    // Only a JSON object, else an empty one.
    static QJsonObject readObject(const QJsonObject &object, const QString &key);
    // Only a JSON array, else an empty one.
    static QJsonArray readArray(const QJsonObject &object, const QString &key);
    // ISO 8601 text; invalid for null, a missing key or anything unparsable.
    static QDateTime readDateTime(const QJsonObject &object, const QString &key);

    // The object items of an array in order; every other item is skipped.
    template<typename T, typename FromJson>
    static QList<T> readObjectList(const QJsonArray &items, FromJson fromJson)
    {
        QList<T> result;
        for (const QJsonValue &item : items) {
            if (item.isObject())
                result.append(fromJson(item.toObject()));
        }
        return result;
    }
};

} // namespace Orvo::Api::Models
