#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

namespace Orvo::Testing {

// A well-formed VMess link: "东京 01", jp1.example.net:443 over WebSocket and
// TLS. The connection tests serve this one.
inline QString sampleVmessLink()
{
    return QStringLiteral(
        "vmess://eyJ2IjoiMiIsInBzIjoi5Lic5LqsIDAxIiwiYWRkIjoianAxLmV4YW1wbGUubmV0IiwicG9ydCI6IjQ0My"
        "IsImlkIjoiOWIzYzJmNGUtMWEyYi00YzNkLThlOWYtMGExYjJjM2Q0ZTVmIiwiYWlkIjoiMCIsIm5ldCI6IndzIiwi"
        "dHlwZSI6Im5vbmUiLCJob3N0IjoianAxLmV4YW1wbGUubmV0IiwicGF0aCI6Ii9yYXkiLCJ0bHMiOiJ0bHMifQ==");
}

// The same kind of link to another host, so that the core's configuration
// shows which server the user connected to.
inline QString vmessLinkTo(const QString &host, const QString &remark)
{
    const QJsonObject link { { "v", "2" },
                             { "ps", remark },
                             { "add", host },
                             { "port", "443" },
                             { "id", "9b3c2f4e-1a2b-4c3d-8e9f-0a1b2c3d4e5f" },
                             { "aid", "0" },
                             { "net", "ws" },
                             { "type", "none" },
                             { "host", host },
                             { "path", "/ray" },
                             { "tls", "tls" } };
    return QStringLiteral("vmess://")
        + QString::fromLatin1(QJsonDocument(link).toJson(QJsonDocument::Compact).toBase64());
}

} // namespace Orvo::Testing
