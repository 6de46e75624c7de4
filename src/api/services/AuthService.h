#pragma once

#include <QObject>
#include <QString>

#include "models/User.h"
#include "network/Callbacks.h"

namespace Orvo::Api::Network {
struct ApiResponse;
}

namespace Orvo::Api::Services {

// The account requests: login, registration, logout and the signed-in user.
class AuthService : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AuthService)

public:
    using UserCallback = Network::DataCallback<Models::User>;

    static AuthService *instance();

    void login(const QString &email, const QString &password, const UserCallback &callback);
    void registerUser(const QString &email, const QString &password, const QString &name,
                      const QString &referralCode, const UserCallback &callback);
    void logout(const Network::MessageCallback &callback);
    void getCurrentUser(const UserCallback &callback);
    void refreshCurrentUser(const UserCallback &callback);

signals:
    void loginSuccess(Orvo::Api::Models::User user);
    void loginFailed(QString message);
    void registerSuccess(Orvo::Api::Models::User user);
    void registerFailed(QString message);
    void logoutSuccess();
    void userInfoUpdated(Orvo::Api::Models::User user);
    void authenticationRequired();

private:
    using SuccessSignal = void (AuthService::*)(Models::User);
    using FailureSignal = void (AuthService::*)(QString);

    AuthService();
    ~AuthService() override;

    // The reply rule shared by login and registration: stores a complete login,
    // calls back, then emits the success or the failure signal.
    void handleAuthResponse(const Network::ApiResponse &response, const UserCallback &callback,
                            SuccessSignal succeeded, FailureSignal failed);

    // Counts the logins of this run, so that a logout's late reply can tell
    // whether the login it was sent for is still the current one.
    quint64 m_loginCount = 0;
};

} // namespace Orvo::Api::Services
