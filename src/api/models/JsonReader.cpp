#include "models/JsonReader.h"

#include <cmath>
#include <limits>

#include <QJsonValue>

namespace Orvo::Api::Models {

namespace {

template<typename Int> bool wholeNumber(const QJsonValue &value, Int *result)
{
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::trunc(number) != number)
        return false;
    // Compare against bounds a double can hold exactly, so no value near the
    // edge is converted out of range.
    constexpr double low = static_cast<double>(std::numeric_limits<Int>::min());
    constexpr double high = -low;
    if (number < low || number >= high)
        return false;
    if constexpr (sizeof(Int) == sizeof(qint64))
        *result = value.toInteger(static_cast<qint64>(number));
    else
        *result = static_cast<Int>(number);
    return true;
}

} // namespace

int JsonReader::readInt(const QJsonObject &object, const QString &key, int defaultValue)
{
    int result = defaultValue;
    return wholeNumber(object.value(key), &result) ? result : defaultValue;
}

qint64 JsonReader::readInt64(const QJsonObject &object, const QString &key, qint64 defaultValue)
{
    qint64 result = defaultValue;
    return wholeNumber(object.value(key), &result) ? result : defaultValue;
}

double JsonReader::readDouble(const QJsonObject &object, const QString &key, double defaultValue)
{
    const QJsonValue value = object.value(key);
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return defaultValue;
    return value.toDouble();
}

bool JsonReader::readBool(const QJsonObject &object, const QString &key, bool defaultValue)
{
    const QJsonValue value = object.value(key);
    return value.isBool() ? value.toBool() : defaultValue;
}

QString JsonReader::readString(const QJsonObject &object, const QString &key,
                               const QString &defaultValue)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString() : defaultValue;
}

QJsonObject JsonReader::readObject(const QJsonObject &object, const QString &key)
{
    return object.value(key).toObject();
}

QJsonArray JsonReader::readArray(const QJsonObject &object, const QString &key)
{
    return object.value(key).toArray();
}

QDateTime JsonReader::readDateTime(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return {};
    return QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
}

} // namespace Orvo::Api::Models
