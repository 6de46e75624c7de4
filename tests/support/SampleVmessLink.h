#pragma once

#include <QString>

namespace Orvo::Testing {

// A well-formed VMess link: "东京 01", jp1.example.net:443 over WebSocket and
// TLS. The connection tests and the development service all serve this one.
inline QString sampleVmessLink()
{
    return QStringLiteral(
        "vmess://eyJ2IjoiMiIsInBzIjoi5Lic5LqsIDAxIiwiYWRkIjoianAxLmV4YW1wbGUubmV0IiwicG9ydCI6IjQ0My"
        "IsImlkIjoiOWIzYzJmNGUtMWEyYi00YzNkLThlOWYtMGExYjJjM2Q0ZTVmIiwiYWlkIjoiMCIsIm5ldCI6IndzIiwi"
        "dHlwZSI6Im5vbmUiLCJob3N0IjoianAxLmV4YW1wbGUubmV0IiwicGF0aCI6Ii9yYXkiLCJ0bHMiOiJ0bHMifQ==");
}

} // namespace Orvo::Testing
