#pragma once

#include <QByteArray>
#include <QString>

namespace Orvo::Api::Network {

// The service's signed reply: {"encrypted": true, "data": <Base64 body>,
// "signature": <md5 hex of data + secret key>}.
class SignedEnvelope
{
public:
    enum class Outcome {
        NotAnEnvelope, // the body is used as it is
        Verified, // the body is replaced by the decoded data
        Rejected, // the signature does not match: the body must not be used
    };

    SignedEnvelope() = delete;

    static Outcome unwrap(const QByteArray &body, const QString &secretKey, QByteArray *result);
};

} // namespace Orvo::Api::Network
