#pragma once

#include <QJsonObject>
#include <QMap>
#include <QMetaType>
#include <QString>

#include "models/ConfigItem.h"

namespace Orvo::Api::Models {

// The service's system configuration: every item by key, and the ones the
// client knows in typed fields.
struct SystemConfig
{
    QString appName;
    QString appVersion;
    QString siteName;
    bool freeTrialEnabled = false;
    int freeTrialDuration = 0;
    int freeTrialMaxCount = 0;
    bool vipTrialEnabled = false;
    int vipTrialDuration = 0;
    bool maintenanceMode = false;
    bool enableRegistration = true;
    int maxDevices = 3;
    int freeMaxDevices = 1;
    bool vpnEncryptEnabled = false;
    QString vpnEncryptKey;
    bool apiEncryptEnabled = false;
    QString apiSecretKey;
    bool tlsCertPinningEnabled = false;
    QString tlsCertFingerprints;
    QString downloadFileAndroid;
    QString downloadFileIos;
    QString downloadFileWindows;
    QString downloadFileMacos;
    QMap<QString, ConfigItem> configs;

    static SystemConfig fromJson(const QJsonObject &data);

    // Lookups in `configs`: the default only when the key is absent (and, for
    // texts, when the value converts to empty text).
    bool getBool(const QString &key, bool defaultValue) const;
    int getInt(const QString &key, int defaultValue) const;
    QString getString(const QString &key, const QString &defaultValue) const;
};

} // namespace Orvo::Api::Models

Q_DECLARE_METATYPE(Orvo::Api::Models::SystemConfig)
