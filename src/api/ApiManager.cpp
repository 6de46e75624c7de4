#include "ApiManager.h"

#include <QDateTime>
#include <QDebug>

#include "network/HttpClient.h"
#include "services/AuthService.h"
#include "services/ConfigService.h"
#include "services/HeartbeatService.h"
#include "services/OrderService.h"
#include "services/PaymentService.h"
#include "services/ServerService.h"
#include "storage/TokenManager.h"

namespace Orvo::Api {

using Network::HttpClient;
using Security::TokenManager;
using Services::AuthService;
using Services::ConfigService;

ApiManager *ApiManager::instance()
{
    static ApiManager manager;
    return &manager;
}

ApiManager::ApiManager()
{
    // Making these connections creates the singletons in the order the process
    // relies on at exit: HttpClient, AuthService, LocalStorage, TokenManager,
    // ConfigService, then this object.
    QObject::connect(AuthService::instance(), &AuthService::loginSuccess, this,
                     [this]() { emit loginStateChanged(true); });
    QObject::connect(AuthService::instance(), &AuthService::logoutSuccess, this,
                     [this]() { emit loginStateChanged(false); });
    QObject::connect(AuthService::instance(), &AuthService::authenticationRequired, this,
                     &ApiManager::authenticationRequired);
    QObject::connect(ConfigService::instance(), &ConfigService::maintenanceModeEntered, this,
                     &ApiManager::maintenanceModeEntered);
    QObject::connect(HttpClient::instance(), &HttpClient::networkError, this,
                     &ApiManager::networkError);
    QObject::connect(HttpClient::instance(), &HttpClient::authenticationRequired, this,
                     &ApiManager::authenticationRequired);
    QObject::connect(TokenManager::instance(), &TokenManager::loginStateChanged, this,
                     &ApiManager::loginStateChanged);
    qDebug().noquote() << "[ApiManager] 创建完成";
}

ApiManager::~ApiManager()
{
    qDebug().noquote() << "[ApiManager] 销毁";
}

void ApiManager::initialize(const Network::InitCallback &callback)
{
    qDebug().noquote() << "[ApiManager] 开始初始化API模块";

    const QString token = TokenManager::instance()->getToken();
    if (!token.isEmpty()) {
        HttpClient::instance()->setAuthToken(token);
        qDebug().noquote() << "[ApiManager] 恢复登录状态成功";
        AuthService::instance()->refreshCurrentUser(
            [](bool success, const QString &, const Models::User &user) {
                if (success)
                    qDebug().noquote() << "[ApiManager] 用户信息刷新成功:" << user.email;
                else
                    qWarning().noquote() << "[ApiManager] 用户信息刷新失败，Token可能已过期";
            });
    }

    ConfigService::instance()->initialize([this, callback](bool success) {
        if (success) {
            qDebug().noquote() << "[ApiManager] API模块初始化成功";
            if (ConfigService::instance()->isMaintenanceMode())
                emit maintenanceModeEntered();
        } else {
            qWarning().noquote() << "[ApiManager] API模块初始化失败";
        }
        emit initialized(success);
        if (callback)
            callback(success);
    });
}

void ApiManager::login(const QString &email, const QString &password,
                       const Network::DataCallback<Models::User> &callback)
{
    AuthService::instance()->login(email, password, callback);
}

void ApiManager::registerUser(const QString &email, const QString &password, const QString &name,
                              const QString &referralCode,
                              const Network::DataCallback<Models::User> &callback)
{
    AuthService::instance()->registerUser(email, password, name, referralCode, callback);
}

void ApiManager::loginUser(const QString &email, const QString &password)
{
    AuthService::instance()->login(
        email, password, [this](bool success, const QString &message, const Models::User &) {
            if (!success)
                emit loginError(message);
        });
}

void ApiManager::logout(const Network::MessageCallback &callback)
{
    Services::HeartbeatService::instance()->stopAutoHeartbeat();
    AuthService::instance()->logout([this, callback](bool success, const QString &message) {
        // A newer login kept: its state and caches are not this logout's.
        if (isLoggedIn()) {
            if (callback)
                callback(success, message);
            return;
        }
        Services::PaymentService::instance()->stopPolling();
        Services::ServerService::instance()->clearCache();
        Services::OrderService::instance()->clearCache();
        if (callback)
            callback(success, message);
        emit loginStateChanged(false);
    });
}

bool ApiManager::isLoggedIn() const
{
    return TokenManager::instance()->isLoggedIn();
}

Models::User ApiManager::currentUser() const
{
    return TokenManager::instance()->getUserInfo();
}

bool ApiManager::canConnect() const
{
    const Models::User user = currentUser();
    if (user.status != QLatin1String("active"))
        return false;
    if (user.isVipActive())
        return true;
    return user.trialUsed && user.trialExpiresAt.isValid()
        && user.trialExpiresAt > QDateTime::currentDateTimeUtc() && user.trialHoursRemaining > 0;
}

} // namespace Orvo::Api
