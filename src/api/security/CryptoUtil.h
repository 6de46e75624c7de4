#pragma once

#include <QByteArray>
#include <QString>

namespace Orvo::Api::Security {

// Link decryption, digests and the device id. Holds no state.
class CryptoUtil
{
public:
    CryptoUtil() = delete;

    // IV (16 bytes) followed by AES-256-CBC ciphertext with PKCS#7 padding,
    // under the SHA-256 of the key text. Empty on any failure.
    static QByteArray aesDecrypt(const QByteArray &encrypted, const QString &key);
    static QString decryptVmessLink(const QString &encryptedLink, const QString &key);
    static QString md5Hex(const QString &text);
    static QString generateDeviceId();
};

} // namespace Orvo::Api::Security
