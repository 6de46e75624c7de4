#include "security/CryptoUtil.h"

#include <exception>
#include <memory>

#include <QCryptographicHash>
#include <QDebug>
#include <QSysInfo>
#include <QUuid>

#include <openssl/evp.h>

namespace Orvo::Api::Security {

namespace {

constexpr int kIvBytes = 16;
constexpr int kMinIdSourceChars = 32;

struct CipherContextDeleter
{
    void operator()(EVP_CIPHER_CTX *context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter>;

// Serial number of the system volume; this platform has none to offer, so the
// device id is built from the other machine properties alone.
QString systemVolumeSerial()
{
    return {};
}

} // namespace

QByteArray CryptoUtil::aesDecrypt(const QByteArray &encrypted, const QString &key)
{
    if (encrypted.size() <= kIvBytes) {
        qWarning().noquote() << "[CryptoUtil] 加密数据长度无效";
        return {};
    }

    const QByteArray iv = encrypted.left(kIvBytes);
    const QByteArray cipherText = encrypted.mid(kIvBytes);
    const QByteArray aesKey = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256);

    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context) {
        qWarning().noquote() << "[CryptoUtil] 创建解密上下文失败";
        return {};
    }
    if (EVP_DecryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr,
                           reinterpret_cast<const unsigned char *>(aesKey.constData()),
                           reinterpret_cast<const unsigned char *>(iv.constData()))
        != 1) {
        qWarning().noquote() << "[CryptoUtil] 设置AES密钥失败";
        return {};
    }
    if (EVP_CIPHER_CTX_set_padding(context.get(), 1) != 1) {
        qWarning().noquote() << "[CryptoUtil] 设置填充方式失败";
        return {};
    }

    QByteArray plain(cipherText.size() + EVP_MAX_BLOCK_LENGTH, Qt::Uninitialized);
    int written = 0;
    int finalWritten = 0;
    auto *out = reinterpret_cast<unsigned char *>(plain.data());
    if (EVP_DecryptUpdate(context.get(), out, &written,
                          reinterpret_cast<const unsigned char *>(cipherText.constData()),
                          int(cipherText.size()))
            != 1
        || EVP_DecryptFinal_ex(context.get(), out + written, &finalWritten) != 1) {
        qWarning().noquote() << "[CryptoUtil] AES解密或填充校验失败";
        return {};
    }
    plain.truncate(written + finalWritten);
    return plain;
}

QString CryptoUtil::decryptVmessLink(const QString &encryptedLink, const QString &key)
{
    if (encryptedLink.isEmpty() || key.isEmpty()) {
        qWarning().noquote() << "[CryptoUtil] 解密参数无效";
        return {};
    }
    try {
        const QByteArray decoded = QByteArray::fromBase64(encryptedLink.toLatin1());
        if (decoded.isEmpty()) {
            qWarning().noquote() << "[CryptoUtil] Base64解码失败";
            return {};
        }
        const QByteArray plain = aesDecrypt(decoded, key);
        if (plain.isEmpty()) {
            qWarning().noquote() << "[CryptoUtil] AES解密失败";
            return {};
        }
        qDebug().noquote() << "[CryptoUtil] VMess链接解密成功";
        return QString::fromUtf8(plain);
    } catch (const std::exception &error) {
        qWarning().noquote() << "[CryptoUtil] 解密异常:" << error.what();
        return {};
    }
}

QString CryptoUtil::md5Hex(const QString &text)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

QString CryptoUtil::generateDeviceId()
{
    QString source = QSysInfo::machineHostName() + QSysInfo::productType()
        + QSysInfo::productVersion() + QSysInfo::currentCpuArchitecture() + systemVolumeSerial();
    // Too little to tell machines apart: make the id random instead.
    if (source.size() < kMinIdSourceChars)
        source += QUuid::createUuid().toString(QUuid::WithoutBraces);

    const QString id = QStringLiteral("windows_") + md5Hex(source);
    qDebug().noquote() << "[CryptoUtil] 生成设备ID:" << id;
    return id;
}

} // namespace Orvo::Api::Security
