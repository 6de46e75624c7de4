#pragma once

#include <QObject>
#include <QString>

#include "models/SystemConfig.h"
#include "models/TrialStatus.h"
#include "models/User.h"
#include "network/Callbacks.h"

namespace Orvo::Api::Services {

// The system configuration (kept in memory and cached in the settings file,
// its encryption settings applied to the client) and the account's trials.
class ConfigService : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConfigService)

public:
    static ConfigService *instance();

    void getConfigs(const Network::DataCallback<Models::SystemConfig> &callback);
    void initialize(const Network::InitCallback &callback);
    void getTrialStatus(const Network::DataCallback<Models::TrialStatus> &callback);
    void activateFreeTrial(const Network::DataCallback<Models::User> &callback);
    void activateVipTrial(const Network::DataCallback<Models::User> &callback);

    void applyEncryptionConfig();
    bool isMaintenanceMode() const;

signals:
    void configUpdated(Orvo::Api::Models::SystemConfig config);
    void trialActivated(Orvo::Api::Models::User user);
    void maintenanceModeEntered();

private:
    ConfigService();
    ~ConfigService() override;

    void activateTrial(const QString &endpoint, const QString &startText,
                       const QString &successText, const QString &failureText,
                       const Network::DataCallback<Models::User> &callback);

    Models::SystemConfig m_config;
};

} // namespace Orvo::Api::Services
