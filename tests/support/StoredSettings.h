#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <QString>
#include <QVariant>

#include "storage/LocalStorage.h"

namespace Orvo::Testing {

// The settings file as the store names it, so a check that a key is gone
// looks at the file the client really writes.
inline QString storedSettingsPath()
{
    return Orvo::Api::Storage::LocalStorage::instance()->fileName();
}

// A key as another reader of the file sees it, once pending writes have gone out.
inline QVariant storedSetting(const QString &key)
{
    QCoreApplication::processEvents();
    return QSettings(storedSettingsPath(), QSettings::IniFormat).value(key);
}

} // namespace Orvo::Testing
