#pragma once

#include <QObject>
#include <QString>

#include "models/User.h"

namespace Orvo::Api::Security {

// The login store: token, signed-in user, device id and the encryption
// settings handed down by the system configuration, kept in the settings file.
class TokenManager : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TokenManager)

public:
    static TokenManager *instance();

    QString getToken() const;
    Models::User getUserInfo() const;
    bool isLoggedIn() const;

    void saveLogin(const QString &token, const Models::User &user);
    void saveUser(const Models::User &user);
    void clearLogin();

    // Generated on first need and kept for good.
    QString getDeviceId();
    QString getDeviceName() const;

    void saveApiEncryption(const QString &secretKey, bool enabled);
    void saveVpnEncryption(const QString &key, bool enabled);
    // Read from the file at each call.
    QString getVpnEncryptKey() const;

signals:
    void tokenChanged();
    void userChanged();
    void loginStateChanged(bool loggedIn);

private:
    TokenManager();
    ~TokenManager() override;

    QString m_token;
    Models::User m_user;
    QString m_deviceId;
};

} // namespace Orvo::Api::Security
