#include "storage/LocalStorage.h"

#include <QDebug>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace Orvo::Api::Storage {

LocalStorage *LocalStorage::instance()
{
    static LocalStorage storage;
    return &storage;
}

LocalStorage::LocalStorage()
{
    const QString location = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir directory(location);
    if (!directory.exists())
        directory.mkpath(QStringLiteral("."));
    m_settings = new QSettings(location + QStringLiteral("/tolvane_settings.ini"),
                               QSettings::IniFormat, this);
    qDebug().noquote() << "[LocalStorage] 初始化完成, 存储路径:" << m_settings->fileName();
}

LocalStorage::~LocalStorage()
{
    // Pending changes are written from the event loop; nothing may be lost at exit.
    m_settings->sync();
}

QString LocalStorage::getString(const QString &key, const QString &defaultValue) const
{
    return m_settings->value(key, defaultValue).toString();
}

int LocalStorage::getInt(const QString &key, int defaultValue) const
{
    return m_settings->value(key, defaultValue).toInt();
}

void LocalStorage::setString(const QString &key, const QString &value)
{
    m_settings->setValue(key, value);
    emit valueChanged(key);
}

void LocalStorage::setBool(const QString &key, bool value)
{
    m_settings->setValue(key, value);
    emit valueChanged(key);
}

void LocalStorage::remove(const QString &key)
{
    m_settings->remove(key);
    emit valueChanged(key);
}

QString LocalStorage::fileName() const
{
    return m_settings->fileName();
}

} // namespace Orvo::Api::Storage
