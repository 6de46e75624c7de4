#include "storage/TokenManager.h"

#include <QDebug>
#include <QJsonDocument>
#include <QSysInfo>

#include "security/CryptoUtil.h"
#include "storage/LocalStorage.h"

namespace Orvo::Api::Security {

namespace {

const QString kTokenKey = QStringLiteral("auth_token");
const QString kUserKey = QStringLiteral("user_info");
const QString kDeviceIdKey = QStringLiteral("device_id");

Storage::LocalStorage *storage()
{
    return Storage::LocalStorage::instance();
}

} // namespace

TokenManager *TokenManager::instance()
{
    static TokenManager manager;
    return &manager;
}

TokenManager::TokenManager()
{
    m_token = storage()->getString(kTokenKey);
    const QString userText = storage()->getString(kUserKey);
    if (!userText.isEmpty())
        m_user = Models::User::fromJson(QJsonDocument::fromJson(userText.toUtf8()).object());
    m_deviceId = storage()->getString(kDeviceIdKey);
    qDebug().noquote() << "[TokenManager] 初始化完成, 已登录:" << isLoggedIn();
}

TokenManager::~TokenManager() = default;

QString TokenManager::getToken() const
{
    return m_token;
}

Models::User TokenManager::getUserInfo() const
{
    return m_user;
}

bool TokenManager::isLoggedIn() const
{
    return !m_token.isEmpty() && m_user.isIdentified();
}

void TokenManager::saveLogin(const QString &token, const Models::User &user)
{
    m_token = token;
    // A file that could not be written has its own error line: nothing was saved.
    if (storage()->setString(kTokenKey, token))
        qDebug().noquote() << "[TokenManager] Token已保存";
    emit tokenChanged();

    saveUser(user);

    qDebug().noquote() << "[TokenManager] 登录成功:" << user.email;
    emit loginStateChanged(true);
}

void TokenManager::saveUser(const Models::User &user)
{
    m_user = user;
    const QByteArray text = QJsonDocument(user.toJson()).toJson(QJsonDocument::Compact);
    if (storage()->setString(kUserKey, QString::fromUtf8(text)))
        qDebug().noquote() << "[TokenManager] 用户信息已保存:" << user.email;
    emit userChanged();
}

void TokenManager::clearLogin()
{
    m_token.clear();
    if (storage()->remove(kTokenKey))
        qDebug().noquote() << "[TokenManager] Token已清除";
    emit tokenChanged();

    m_user = Models::User();
    if (storage()->remove(kUserKey))
        qDebug().noquote() << "[TokenManager] 用户信息已清除";
    emit userChanged();

    qDebug().noquote() << "[TokenManager] 已登出";
    emit loginStateChanged(false);
}

QString TokenManager::getDeviceId()
{
    // Another run may have stored one since this object read the file.
    if (m_deviceId.isEmpty())
        m_deviceId = storage()->getString(kDeviceIdKey);
    if (m_deviceId.isEmpty()) {
        m_deviceId = CryptoUtil::generateDeviceId();
        storage()->setString(kDeviceIdKey, m_deviceId);
        qDebug().noquote() << "[TokenManager] 生成新设备ID:" << m_deviceId;
    }
    return m_deviceId;
}

QString TokenManager::getDeviceName() const
{
    const QString hostName = QSysInfo::machineHostName();
    return hostName.isEmpty() ? QStringLiteral("Windows PC") : hostName;
}

void TokenManager::saveApiEncryption(const QString &secretKey, bool enabled)
{
    const bool keyWritten = storage()->setString(QStringLiteral("api_secret_key"), secretKey);
    const bool flagWritten = storage()->setBool(QStringLiteral("api_encrypt_enabled"), enabled);
    if (keyWritten && flagWritten)
        qDebug().noquote() << "[TokenManager] API加密配置已保存, 启用:" << enabled;
}

void TokenManager::saveVpnEncryption(const QString &key, bool enabled)
{
    const bool keyWritten = storage()->setString(QStringLiteral("vpn_encrypt_key"), key);
    const bool flagWritten = storage()->setBool(QStringLiteral("vpn_encrypt_enabled"), enabled);
    if (keyWritten && flagWritten)
        qDebug().noquote() << "[TokenManager] VPN加密配置已保存, 启用:" << enabled;
}

QString TokenManager::getVpnEncryptKey() const
{
    return storage()->getString(QStringLiteral("vpn_encrypt_key"));
}

} // namespace Orvo::Api::Security
