#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
#include <QNetworkReply>
#include <QString>
#include <QStringList>

namespace Orvo::Api::Network {

// The result of one REST call, whatever its outcome.
struct ApiResponse
{
    QByteArray rawData;
    int statusCode = 0;
    QJsonObject json;
    QNetworkReply::NetworkError errorCode = QNetworkReply::NoError;
    QString errorString;

    bool isSuccess() const;
    QString errorMessage() const;
    QMap<QString, QStringList> validationErrors() const;

    // The body as `json` holds it: an object, or empty for anything else.
    static QJsonObject parseObject(const QByteArray &body);
};

} // namespace Orvo::Api::Network
