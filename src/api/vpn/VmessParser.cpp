#include "vpn/VmessParser.h"

#include <QByteArray>
#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

#include "models/JsonReader.h"

namespace Orvo::Api::Vpn {

using Models::JsonReader;

namespace {
const QString kPrefix = QStringLiteral("vmess://");

// Links carry numbers as decimal texts, digits only; anything else (blanks
// and signs included) counts as 0.
int readDecimalText(const QJsonObject &object, const QString &key)
{
    const QString text = JsonReader::readString(object, key);
    const bool digitsOnly = !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    bool ok = false;
    const int value = digitsOnly ? text.toInt(&ok, 10) : 0;
    return ok ? value : 0;
}
} // namespace

VmessConfig VmessParser::parse(const QString &link)
{
    qDebug().noquote() << "[VmessParser] 开始解析VMess链接";
    if (!link.startsWith(kPrefix, Qt::CaseInsensitive) || link.size() <= kPrefix.size())
        throw QStringLiteral("无效的VMess链接格式");

    // Lenient decoding skips stray characters; share links often drop their padding.
    QString payload = link.mid(kPrefix.size());
    QByteArray bytes = QByteArray::fromBase64(payload.toUtf8());
    if (bytes.isEmpty()) {
        while (payload.size() % 4 != 0)
            payload += QLatin1Char('=');
        bytes = QByteArray::fromBase64(payload.toUtf8());
    }
    const QString json = QString::fromUtf8(bytes);
    if (json.isEmpty())
        throw QStringLiteral("Base64解码失败");
    qDebug().noquote() << "[VmessParser] JSON长度:" << json.size();

    const VmessConfig config = parseJson(json);
    qDebug().noquote() << "[VmessParser] 解析成功 - 服务器:"
                       << QStringLiteral("%1:%2").arg(config.address).arg(config.port);
    return config;
}

VmessConfig VmessParser::parseJson(const QString &jsonText)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(jsonText.toUtf8(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        throw QStringLiteral("无效的JSON格式");
    const QJsonObject object = document.object();

    VmessConfig config;
    if (!object.contains("add") || !object.contains("port") || !object.contains("id"))
        throw QStringLiteral("缺少必需字段（add/port/id）");

    config.address = JsonReader::readString(object, "add");
    config.port = readDecimalText(object, "port");
    config.id = JsonReader::readString(object, "id");
    config.alterId = readDecimalText(object, "aid");
    config.security = JsonReader::readString(object, "scy", config.security);
    config.network = JsonReader::readString(object, "net", config.network);
    config.headerType = JsonReader::readString(object, "type", config.headerType);
    config.host = JsonReader::readString(object, "host");
    config.path = JsonReader::readString(object, "path");
    config.tls = JsonReader::readString(object, "tls", config.tls);
    config.sni = JsonReader::readString(object, "sni");
    config.remark = JsonReader::readString(object, "ps");

    if (config.address.isEmpty())
        throw QStringLiteral("服务器地址为空");
    if (config.port < 1 || config.port > 65535)
        throw QStringLiteral("端口号无效");
    if (config.id.isEmpty())
        throw QStringLiteral("UUID为空");
    return config;
}

} // namespace Orvo::Api::Vpn
