#include "network/SignedEnvelope.h"

#include <QJsonObject>

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
    const QString data = envelope.value(QStringLiteral("data")).toString();
    const QString signature = envelope.value(QStringLiteral("signature")).toString();
    if (data.isEmpty())
        return Outcome::NotAnEnvelope;

    if (signature != Security::CryptoUtil::md5Hex(data + secretKey))
        return Outcome::Rejected;
    *result = QByteArray::fromBase64(data.toUtf8());
    return Outcome::Verified;
}

} // namespace Orvo::Api::Network
