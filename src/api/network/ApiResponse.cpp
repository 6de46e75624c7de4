#include "network/ApiResponse.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

namespace Orvo::Api::Network {

bool ApiResponse::isSuccess() const
{
    if (errorCode != QNetworkReply::NoError)
        return false;
    if (statusCode < 200 || statusCode > 299)
        return false;
    // Only the JSON value false turns an otherwise good reply into a failure.
    return json.value(QStringLiteral("success")).toBool(true);
}

QMap<QString, QStringList> ApiResponse::validationErrors() const
{
    QMap<QString, QStringList> result;
    const QJsonObject errors = json.value(QStringLiteral("errors")).toObject();
    for (auto it = errors.begin(); it != errors.end(); ++it) {
        QStringList texts;
        if (it.value().isArray()) {
            const QJsonArray items = it.value().toArray();
            for (const QJsonValue &item : items)
                texts.append(item.toString());
        } else {
            texts.append(it.value().toString());
        }
        result.insert(it.key(), texts);
    }
    return result;
}

QString ApiResponse::errorMessage() const
{
    const QMap<QString, QStringList> errors = validationErrors();
    for (auto it = errors.cbegin(); it != errors.cend(); ++it) {
        if (!it.value().isEmpty())
            return it.value().constFirst();
    }
    const QString message = json.value(QStringLiteral("message")).toString();
    if (!message.isEmpty())
        return message;
    return errorString;
}

QJsonObject ApiResponse::parseObject(const QByteArray &body)
{
    if (body.isEmpty())
        return {};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {};
    return document.object();
}

} // namespace Orvo::Api::Network
