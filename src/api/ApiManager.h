#pragma once

#include <QObject>
#include <QString>

#include "models/User.h"
#include "network/Callbacks.h"

namespace Orvo::Api {

// The service client's entry point for the rest of the program: start-up,
// login state, account operations, and the relays of the other singletons.
class ApiManager : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ApiManager)

public:
    static ApiManager *instance();

    void initialize(const Network::InitCallback &callback);
    void login(const QString &email, const QString &password,
               const Network::DataCallback<Models::User> &callback);
    void registerUser(const QString &email, const QString &password, const QString &name,
                      const QString &referralCode,
                      const Network::DataCallback<Models::User> &callback);
    Q_INVOKABLE void loginUser(const QString &email, const QString &password);
    void logout(const Network::MessageCallback &callback);

    bool isLoggedIn() const;
    Models::User currentUser() const;
    bool canConnect() const;

signals:
    void loginError(QString message);
    void initialized(bool success);
    void loginStateChanged(bool loggedIn);
    void authenticationRequired();
    void maintenanceModeEntered();
    void networkError(QString message);

private:
    ApiManager();
    ~ApiManager() override;
};

} // namespace Orvo::Api
