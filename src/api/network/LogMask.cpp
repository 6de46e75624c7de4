#include "network/LogMask.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <algorithm>
#include <array>

namespace Orvo::Api::Network {

namespace {

const QByteArray kMaskedValue = QByteArrayLiteral("\"***\"");
const QByteArray kMaskedLink = QByteArrayLiteral("***");
const QByteArray kScheme = QByteArrayLiteral("vmess:");

bool isSecretKey(const QString &key, bool envelopeData)
{
    static const std::array<QString, 4> keys { QStringLiteral("token"),
                                               QStringLiteral("api_secret_key"),
                                               QStringLiteral("vpn_encrypt_key"),
                                               QStringLiteral("vmess_link") };
    if (envelopeData && key == QLatin1String("data"))
        return true;
    return std::find(keys.cbegin(), keys.cend(), key) != keys.cend();
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

qsizetype skipSpace(const QByteArray &text, qsizetype i)
{
    while (i < text.size() && isSpace(text.at(i)))
        ++i;
    return i;
}

// Just past the string that opens with the quote at start, or the end of a
// text cut off inside it.
qsizetype endOfString(const QByteArray &text, qsizetype start)
{
    for (qsizetype i = start + 1; i < text.size(); ++i) {
        if (text.at(i) == '\\')
            ++i;
        else if (text.at(i) == '"')
            return i + 1;
    }
    return text.size();
}

// Just past the value that begins at start: a string, an object or array
// with everything nested in it, or a bare number or word.
qsizetype endOfValue(const QByteArray &text, qsizetype start)
{
    if (start >= text.size())
        return start;
    const char first = text.at(start);
    if (first == '"')
        return endOfString(text, start);
    if (first == '{' || first == '[') {
        int depth = 0;
        for (qsizetype i = start; i < text.size(); ++i) {
            const char c = text.at(i);
            if (c == '"') {
                i = endOfString(text, i) - 1;
            } else if (c == '{' || c == '[') {
                ++depth;
            } else if (c == '}' || c == ']') {
                if (--depth == 0)
                    return i + 1;
            }
        }
        return text.size();
    }
    qsizetype i = start;
    while (i < text.size() && !isSpace(text.at(i)) && text.at(i) != ',' && text.at(i) != '}'
           && text.at(i) != ']')
        ++i;
    return i;
}

// The text of a quoted key, its escapes resolved (so "tok\u0065n" is "token").
QString keyText(const QByteArray &quoted)
{
    const QByteArray inner = quoted.mid(1, quoted.size() - 2);
    if (!inner.contains('\\'))
        return QString::fromUtf8(inner);
    return QJsonDocument::fromJson('[' + quoted + ']').array().at(0).toString();
}

// Nothing of an absent or empty value is worth hiding, and it tells a reader
// that no secret came.
bool isShownAsItIs(const QByteArray &value)
{
    return value.isEmpty() || value == "null" || value == "true" || value == "false"
        || value == "\"\"";
}

// A byte that can belong to a link; inside a JSON string "\/" is an escaped
// slash of the link, any other escape ends it.
bool isLinkByte(const QByteArray &text, qsizetype i)
{
    const auto c = static_cast<unsigned char>(text.at(i));
    if (c <= 0x20 || c >= 0x7f)
        return false;
    switch (c) {
    case '"':
    case '\'':
    case '<':
    case '>':
    case '`':
        return false;
    case '\\':
        return i + 1 < text.size() && text.at(i + 1) == '/';
    default:
        return true;
    }
}

// Every "vmess://" link of the text (also written "vmess:\/\/" in JSON, in
// any letter case) replaced by the mask.
QByteArray maskLinks(const QByteArray &text)
{
    const QByteArray lower = text.toLower();
    qsizetype at = lower.indexOf(kScheme);
    if (at < 0)
        return text;
    QByteArray result;
    result.reserve(text.size());
    qsizetype done = 0;
    while (at >= 0) {
        qsizetype end = at + kScheme.size();
        if (lower.mid(end, 2) == "//") {
            end += 2;
        } else if (lower.mid(end, 4) == "\\/\\/") {
            end += 4;
        } else {
            at = lower.indexOf(kScheme, end);
            continue;
        }
        while (end < text.size() && isLinkByte(text, end))
            end += text.at(end) == '\\' ? 2 : 1;
        result += text.mid(done, at - done);
        result += kMaskedLink;
        done = end;
        at = lower.indexOf(kScheme, end);
    }
    result += text.mid(done);
    return result;
}

QByteArray maskText(const QByteArray &body, bool envelopeData)
{
    QByteArray result;
    result.reserve(body.size());
    qsizetype i = 0;
    while (i < body.size()) {
        if (body.at(i) != '"') {
            qsizetype next = body.indexOf('"', i);
            if (next < 0)
                next = body.size();
            result += maskLinks(body.mid(i, next - i));
            i = next;
            continue;
        }
        const qsizetype end = endOfString(body, i);
        const qsizetype colon = skipSpace(body, end);
        const bool closed = end > i + 1 && body.at(end - 1) == '"';
        if (!closed || colon >= body.size() || body.at(colon) != ':') {
            result += maskLinks(body.mid(i, end - i));
            i = end;
            continue;
        }
        const QString key = keyText(body.mid(i, end - i));
        result += maskLinks(body.mid(i, colon + 1 - i));
        i = colon + 1;
        if (!isSecretKey(key, envelopeData))
            continue;
        const qsizetype start = skipSpace(body, i);
        const qsizetype valueEnd = endOfValue(body, start);
        result += body.mid(i, start - i);
        const QByteArray value = body.mid(start, valueEnd - start);
        result += isShownAsItIs(value) ? value : kMaskedValue;
        i = valueEnd;
    }
    return result;
}

// A signed envelope that was not unwrapped carries the whole reply as Base64
// in its "data": readable by anyone who decodes it, so it is hidden when the
// reply inside holds something the mask hides.
bool isEnvelopeWithSecrets(const QByteArray &body)
{
    if (!body.contains("\"encrypted\""))
        return false;
    const QJsonObject envelope = QJsonDocument::fromJson(body).object();
    const QJsonValue data = envelope.value(QStringLiteral("data"));
    if (!envelope.value(QStringLiteral("encrypted")).toBool(false) || !data.isString())
        return false;
    const QByteArray decoded = QByteArray::fromBase64(data.toString().toUtf8());
    return maskText(decoded, false) != decoded;
}

} // namespace

QByteArray LogMask::mask(const QByteArray &body)
{
    return maskText(body, isEnvelopeWithSecrets(body));
}

} // namespace Orvo::Api::Network
