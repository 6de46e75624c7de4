#pragma once

#include <QByteArray>

namespace Orvo::Api::Network {

// What the log may show of a request or reply body: the values of "token",
// "api_secret_key", "vpn_encrypt_key" and "vmess_link" and every "vmess://"
// link become "***", each a way into the account or the lines for whoever
// reads the log. Works on the raw bytes, so a body that is not JSON, or is
// cut off, is masked as far as it goes; everything else stays as it was.
class LogMask
{
public:
    LogMask() = delete;

    static QByteArray mask(const QByteArray &body);
};

} // namespace Orvo::Api::Network
