#include "network/SignedEnvelope.h"

#include <QJsonObject>
#include <QJsonValue>

#include "network/ApiResponse.h"
#include "security/CryptoUtil.h"

namespace Orvo::Api::Network {

SignedEnvelope::Outcome SignedEnvelope::unwrap(const QByteArray &body, const QString &secretKey,
                                               QByteArray *result)
{
    *result = body;
    const QJsonObject envelope = ApiResponse::parseObject(body);
    if (!envelope.value(QStringLiteral("encrypted")).toBool(false))
        return Outcome::NotAnEnvelope;
    // An envelope that carries no signed text has nothing to verify: taken as
    // it is, its other members would pass unchecked.
    const QJsonValue dataValue = envelope.value(QStringLiteral("data"));
    if (!dataValue.isString())
        return Outcome::Rejected;
    const QString data = dataValue.toString();
    const QString signature = envelope.value(QStringLiteral("signature")).toString();
    if (data.isEmpty())
        return Outcome::NotAnEnvelope;

    if (signature != Security::CryptoUtil::md5Hex(data + secretKey))
        return Outcome::Rejected;
    *result = QByteArray::fromBase64(data.toUtf8());
    return Outcome::Verified;
}

} // namespace Orvo::Api::Network
