#include <QRegularExpression>
#include <QTest>

#include "security/CryptoUtil.h"

using Orvo::Api::Security::CryptoUtil;

namespace {
// Made with: printf '%s' <plain> | openssl enc -aes-256-cbc -K <sha256 of key> -iv 000102..0f,
// the IV prepended, the whole Base64-encoded.
const QString kKey = QStringLiteral("orvo-link-key");
const QString kLinkCipher
    = QStringLiteral("AAECAwQFBgcICQoLDA0OD5GhvSon1Ar3MqXpHU9WaIQvS4g3vaScP4br0wuaFFPMFtsta7MNm/"
                     "cizuS3xgEaiwfgehu7y3T2mc/SFrHEHug=");
const QString kLinkPlain = QStringLiteral("vmess://eyJhZGQiOiIxLjIuMy40IiwicHMiOiLkuJzkuqwifQ==");
const QString kOneByteCipher = QStringLiteral("AAECAwQFBgcICQoLDA0ODxRMEOR8ZJiviexnU94OTek=");
const QString kEmptyPlainCipher = QStringLiteral("AAECAwQFBgcICQoLDA0OD9tOzkvUeNCURuxmx0uUjVg=");
const QString kUnicodeCipher
    = QStringLiteral("AAECAwQFBgcICQoLDA0OD8Y/VBrAclhqB4ezto0cYuNmSXmJeoimLQE8SgzxnsgW");
const QByteArray kIv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
} // namespace

class CryptoUtilTest : public QObject
{
    Q_OBJECT

private slots:
    void decryptsOpenSslVectors_data()
    {
        QTest::addColumn<QString>("cipher");
        QTest::addColumn<QString>("plain");
        QTest::newRow("vmess link") << kLinkCipher << kLinkPlain;
        QTest::newRow("one byte") << kOneByteCipher << "x";
        QTest::newRow("non-ascii") << kUnicodeCipher << QString::fromUtf8("东京 remark ✓");
    }

    void decryptsOpenSslVectors()
    {
        QFETCH(QString, cipher);
        QFETCH(QString, plain);
        QCOMPARE(CryptoUtil::decryptVmessLink(cipher, kKey), plain);
    }

    void refusesBadInput_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("warnings");

        const QString lengthInvalid = "[CryptoUtil] 加密数据长度无效";
        const QString decryptFailed = "[CryptoUtil] AES解密或填充校验失败";
        const QString aesFailed = "[CryptoUtil] AES解密失败";

        QTest::newRow("empty link") << "" << kKey << QStringList { "[CryptoUtil] 解密参数无效" };
        QTest::newRow("empty key")
            << kLinkCipher << "" << QStringList { "[CryptoUtil] 解密参数无效" };
        QTest::newRow("not base64")
            << "!!!!" << kKey << QStringList { "[CryptoUtil] Base64解码失败" };
        QTest::newRow("iv alone") << QString::fromLatin1(kIv.toBase64()) << kKey
                                  << QStringList { lengthInvalid, aesFailed };
        QTest::newRow("short input") << QString::fromLatin1(QByteArray("abc").toBase64()) << kKey
                                     << QStringList { lengthInvalid, aesFailed };
        QTest::newRow("iv and 17 bytes")
            << QString::fromLatin1((kIv + QByteArray(17, 'a')).toBase64()) << kKey
            << QStringList { decryptFailed, aesFailed };
        QTest::newRow("wrong key")
            << kLinkCipher << "another-key" << QStringList { decryptFailed, aesFailed };
        QTest::newRow("empty plaintext") << kEmptyPlainCipher << kKey << QStringList { aesFailed };
    }

    void refusesBadInput()
    {
        QFETCH(QString, link);
        QFETCH(QString, key);
        QFETCH(QStringList, warnings);
        for (const QString &warning : warnings)
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        QCOMPARE(CryptoUtil::decryptVmessLink(link, key), QString());
    }

    void aesDecryptReturnsRawBytes()
    {
        const QByteArray decoded = QByteArray::fromBase64(kOneByteCipher.toLatin1());
        QCOMPARE(CryptoUtil::aesDecrypt(decoded, kKey), QByteArray("x"));
    }

    void md5Hex_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("digest");
        QTest::newRow("empty") << ""
                               << "d41d8cd98f00b204e9800998ecf8427e";
        QTest::newRow("abc") << "abc"
                             << "900150983cd24fb0d6963f7d28e17f72";
        QTest::newRow("utf-8") << QString::fromUtf8("中") << "aed1dfbc31703955e64806b799b67645";
    }

    void md5Hex()
    {
        QFETCH(QString, text);
        QFETCH(QString, digest);
        QCOMPARE(CryptoUtil::md5Hex(text), digest);
    }

    void deviceIdHasItsForm()
    {
        const QString id = CryptoUtil::generateDeviceId();
        QCOMPARE(id.size(), 40);
        QVERIFY(QRegularExpression("^windows_[0-9a-f]{32}$").match(id).hasMatch());
    }
};

QTEST_GUILESS_MAIN(CryptoUtilTest)
#include "tst_cryptoutil.moc"
