#include "services/AuthService.h"

#include <QDebug>
#include <QJsonObject>
#include <QJsonValue>

#include "models/JsonReader.h"
#include "network/ApiResponse.h"
#include "network/HttpClient.h"
#include "storage/TokenManager.h"
#include "services/ReplyFailure.h"

namespace Orvo::Api::Services {

using Models::JsonReader;
using Models::User;
using Network::ApiResponse;
using Network::HttpClient;
using Security::TokenManager;

namespace {

const QString kDeviceType = QStringLiteral("windows");

} // namespace

AuthService *AuthService::instance()
{
    static AuthService service;
    return &service;
}

AuthService::AuthService()
{
    qRegisterMetaType<User>();
    QObject::connect(HttpClient::instance(), &HttpClient::authenticationRequired, this,
                     &AuthService::authenticationRequired);
    qDebug().noquote() << "[AuthService] 初始化完成";
}

AuthService::~AuthService() = default;

void AuthService::login(const QString &email, const QString &password, const UserCallback &callback)
{
    qDebug().noquote() << "[AuthService] 开始登录:" << email;
    TokenManager *tokens = TokenManager::instance();
    const QJsonObject body {
        { QStringLiteral("email"), email },
        { QStringLiteral("password"), password },
        { QStringLiteral("device_id"), tokens->getDeviceId() },
        { QStringLiteral("device_name"), tokens->getDeviceName() },
        { QStringLiteral("device_type"), kDeviceType },
    };
    HttpClient::instance()->postWithoutAuth(
        QStringLiteral("auth/login"), body, [this, callback](const ApiResponse &response) {
            handleAuthResponse(response, callback, &AuthService::loginSuccess,
                               &AuthService::loginFailed);
        });
}

void AuthService::registerUser(const QString &email, const QString &password, const QString &name,
                               const QString &referralCode, const UserCallback &callback)
{
    qDebug().noquote() << "[AuthService] 开始注册用户:" << email;
    TokenManager *tokens = TokenManager::instance();
    const QJsonObject body {
        { QStringLiteral("email"), email },
        { QStringLiteral("password"), password },
        { QStringLiteral("password_confirmation"), password },
        { QStringLiteral("name"), name },
        { QStringLiteral("device_id"), tokens->getDeviceId() },
        { QStringLiteral("device_name"), tokens->getDeviceName() },
        { QStringLiteral("device_type"), kDeviceType },
        { QStringLiteral("equipment"), QStringLiteral("Camrow加速器") },
        { QStringLiteral("reffer_code"),
          referralCode.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(referralCode) },
    };
    HttpClient::instance()->postWithoutAuth(
        QStringLiteral("auth/register"), body, [this, callback](const ApiResponse &response) {
            handleAuthResponse(response, callback, &AuthService::registerSuccess,
                               &AuthService::registerFailed);
        });
}

void AuthService::handleAuthResponse(const ApiResponse &response, const UserCallback &callback,
                                     SuccessSignal succeeded, FailureSignal failed)
{
    QString message;
    if (reportedFailure(response, callback, "[AuthService] 登录/注册失败:", &message)) {
        emit(this->*failed)(message);
        return;
    }

    const QString token = JsonReader::readString(response.json, QStringLiteral("token"));
    const User user = User::fromJson(JsonReader::readObject(response.json, QStringLiteral("data")));
    // A reply without a usable login is a failure, whatever its status says.
    if (token.isEmpty() || !user.isIdentified()) {
        const QString invalid = QStringLiteral("响应数据无效");
        reportFailure(invalid, callback, QStringLiteral("[AuthService]"));
        emit(this->*failed)(invalid);
        return;
    }

    TokenManager::instance()->saveLogin(token, user);
    HttpClient::instance()->setAuthToken(token);
    ++m_loginCount;
    if (callback)
        callback(true, JsonReader::readString(response.json, QStringLiteral("message")), user);
    qDebug().noquote() << "[AuthService] 登录/注册成功:" << user.email;
    emit(this->*succeeded)(user);
}

void AuthService::logout(const Network::MessageCallback &callback)
{
    qDebug().noquote() << "[AuthService] 开始登出";
    const quint64 loginSentFor = m_loginCount;
    // The local login ends whatever the service answers.
    HttpClient::instance()->post(QStringLiteral("auth/logout"), QJsonObject(),
                                 [this, callback, loginSentFor](const ApiResponse &) {
                                     // A login made while the reply was on its way is not the one
                                     // it ends.
                                     if (loginSentFor != m_loginCount) {
                                         qDebug().noquote()
                                             << "[AuthService] 登出前已重新登录, 保留新的登录";
                                         if (callback)
                                             callback(true, QStringLiteral("登出成功"));
                                         return;
                                     }
                                     TokenManager::instance()->clearLogin();
                                     HttpClient::instance()->clearAuthToken();
                                     if (callback)
                                         callback(true, QStringLiteral("登出成功"));
                                     emit logoutSuccess();
                                     qDebug().noquote() << "[AuthService] 登出完成";
                                 });
}

void AuthService::getCurrentUser(const UserCallback &callback)
{
    qDebug().noquote() << "[AuthService] 获取当前用户信息";
    HttpClient::instance()->get(
        QStringLiteral("auth/me"), [this, callback](const ApiResponse &response) {
            if (reportedFailure(response, callback, "[AuthService] 获取用户信息失败:"))
                return;
            const User user
                = User::fromJson(JsonReader::readObject(response.json, QStringLiteral("data")));
            // A record that names no account must not replace the signed-in one.
            if (user.isIdentified())
                TokenManager::instance()->saveUser(user);
            else
                qWarning().noquote() << "[AuthService] 用户信息无效, 未保存";
            if (callback)
                callback(true, QStringLiteral("获取成功"), user);
            emit userInfoUpdated(user);
            qDebug().noquote() << "[AuthService] 用户信息获取成功:" << user.email;
        });
}

void AuthService::refreshCurrentUser(const UserCallback &callback)
{
    getCurrentUser(callback);
}

} // namespace Orvo::Api::Services
