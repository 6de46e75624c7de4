#include "services/ConfigService.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>

#include "models/JsonReader.h"
#include "network/ApiResponse.h"
#include "network/HttpClient.h"
#include "storage/LocalStorage.h"
#include "storage/TokenManager.h"
#include "services/ReplyFailure.h"

namespace Orvo::Api::Services {

using Models::JsonReader;
using Models::SystemConfig;
using Models::TrialStatus;
using Models::User;
using Network::ApiResponse;
using Network::HttpClient;
using Security::TokenManager;
using Storage::LocalStorage;

namespace {

const QString kCacheKey = QStringLiteral("cached_configs");

QJsonObject replyData(const ApiResponse &response)
{
    return JsonReader::readObject(response.json, QStringLiteral("data"));
}

} // namespace

ConfigService *ConfigService::instance()
{
    static ConfigService service;
    return &service;
}

ConfigService::ConfigService()
{
    qRegisterMetaType<SystemConfig>();
    qRegisterMetaType<User>();

    // The cached settings go out before the first request of the run, so a
    // signed first reply is already understood.
    const QString cached = LocalStorage::instance()->getString(kCacheKey);
    if (!cached.isEmpty()) {
        const QJsonDocument document = QJsonDocument::fromJson(cached.toUtf8());
        if (document.isObject())
            m_config = SystemConfig::fromJson(document.object());
    }
    if (!m_config.appName.isEmpty() && !m_config.configs.isEmpty()) {
        applyEncryptionConfig();
        qDebug().noquote() << "[ConfigService] 从缓存加载配置成功";
    }
    qDebug().noquote() << "[ConfigService] 初始化完成";
}

ConfigService::~ConfigService() = default;

void ConfigService::getConfigs(const Network::DataCallback<SystemConfig> &callback)
{
    qDebug().noquote() << "[ConfigService] 获取系统配置";
    HttpClient::instance()->getWithoutAuth(
        QStringLiteral("configs"), [this, callback](const ApiResponse &response) {
            const QString failureText = QStringLiteral("[ConfigService] 获取系统配置失败:");
            if (reportedFailure(response, callback, failureText))
                return;
            // Without its configuration object a reply (a captive portal's page,
            // say) must not replace the cached one nor switch the keys off.
            const QJsonValue dataValue = response.json.value(QStringLiteral("data"));
            if (!dataValue.isObject()) {
                reportFailure(QStringLiteral("响应数据无效"), callback, failureText);
                return;
            }
            const QJsonObject data = dataValue.toObject();
            const SystemConfig config = SystemConfig::fromJson(data);
            m_config = config;
            LocalStorage::instance()->setString(
                kCacheKey, QString::fromUtf8(QJsonDocument(data).toJson(QJsonDocument::Compact)));
            applyEncryptionConfig();
            if (config.maintenanceMode)
                emit maintenanceModeEntered();
            if (callback)
                callback(true, QStringLiteral("获取成功"), config);
            emit configUpdated(config);
            qDebug().noquote() << "[ConfigService] 系统配置获取成功, 应用名:" << config.appName;
        });
}

void ConfigService::initialize(const Network::InitCallback &callback)
{
    qDebug().noquote() << "[ConfigService] 开始初始化";
    getConfigs([callback](bool success, const QString &, const SystemConfig &) {
        if (callback)
            callback(success);
    });
}

void ConfigService::getTrialStatus(const Network::DataCallback<TrialStatus> &callback)
{
    qDebug().noquote() << "[ConfigService] 获取体验状态";
    HttpClient::instance()->get(
        QStringLiteral("trial/status"), [callback](const ApiResponse &response) {
            if (reportedFailure(response, callback, QString()) || !callback)
                return;
            callback(true, QStringLiteral("获取成功"), TrialStatus::fromJson(replyData(response)));
        });
}

void ConfigService::activateFreeTrial(const Network::DataCallback<User> &callback)
{
    activateTrial(QStringLiteral("trial/activate-free"),
                  QStringLiteral("[ConfigService] 激活免费体验"),
                  QStringLiteral("[ConfigService] 免费体验激活成功"),
                  QStringLiteral("[ConfigService] 激活免费体验失败:"), callback);
}

void ConfigService::activateVipTrial(const Network::DataCallback<User> &callback)
{
    activateTrial(QStringLiteral("trial/activate-vip"),
                  QStringLiteral("[ConfigService] 激活VIP体验"),
                  QStringLiteral("[ConfigService] VIP体验激活成功"),
                  QStringLiteral("[ConfigService] 激活VIP体验失败:"), callback);
}

void ConfigService::activateTrial(const QString &endpoint, const QString &startText,
                                  const QString &successText, const QString &failureText,
                                  const Network::DataCallback<User> &callback)
{
    qDebug().noquote() << startText;
    HttpClient::instance()->post(endpoint, QJsonObject(), [=](const ApiResponse &response) {
        if (reportedFailure(response, callback, failureText))
            return;
        const User user = User::fromJson(replyData(response));
        // A record that names no account must not replace the signed-in one.
        if (user.isIdentified())
            TokenManager::instance()->saveUser(user);
        else
            qWarning().noquote() << "[ConfigService] 用户信息无效, 未保存";
        if (callback)
            callback(true, JsonReader::readString(response.json, QStringLiteral("message")), user);
        emit trialActivated(user);
        qDebug().noquote() << successText;
    });
}

void ConfigService::applyEncryptionConfig()
{
    TokenManager *tokens = TokenManager::instance();
    tokens->saveVpnEncryption(m_config.vpnEncryptKey, m_config.vpnEncryptEnabled);
    tokens->saveApiEncryption(m_config.apiSecretKey, m_config.apiEncryptEnabled);
    HttpClient::instance()->setApiEncryption(m_config.apiEncryptEnabled, m_config.apiSecretKey);
    qDebug().noquote() << "[ConfigService] 加密配置已应用"
                       << "- VPN加密:" << m_config.vpnEncryptEnabled
                       << "- API加密:" << m_config.apiEncryptEnabled;
}

bool ConfigService::isMaintenanceMode() const
{
    return m_config.maintenanceMode;
}

} // namespace Orvo::Api::Services
