#include "storage/LocalStorage.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace Orvo::Api::Storage {

namespace {

// The file holds the bearer token and the device id: its owner's alone.
constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup
    | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther
    | QFileDevice::ExeOther;

} // namespace

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
    m_fileName = location + QStringLiteral("/tolvane_settings.ini");
    tightenPermissions();
    m_settings = new QSettings(m_fileName, QSettings::IniFormat, this);
    qDebug().noquote() << "[LocalStorage] 初始化完成, 存储路径:" << m_settings->fileName();
}

LocalStorage::~LocalStorage()
{
    // Every change is written as it is made; one that could not be is tried once more.
    if (m_writeFailed)
        createOwnerOnlyFile();
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

bool LocalStorage::setString(const QString &key, const QString &value)
{
    return write(key, [&] { m_settings->setValue(key, value); });
}

bool LocalStorage::setBool(const QString &key, bool value)
{
    return write(key, [&] { m_settings->setValue(key, value); });
}

bool LocalStorage::remove(const QString &key)
{
    return write(key, [&] { m_settings->remove(key); });
}

bool LocalStorage::write(const QString &key, const std::function<void()> &change)
{
    prepareWrite();
    change();
    const bool written = finishWrite(key);
    emit valueChanged(key);
    return written;
}

void LocalStorage::tightenPermissions() const
{
#ifdef Q_OS_UNIX
    // Elsewhere the file's access list is not what these flags read.
    const QFileInfo info(m_fileName);
    if (!info.isFile() || !(info.permissions() & kOthers))
        return;
    if (QFile::setPermissions(m_fileName, kOwnerOnly))
        qDebug().noquote() << "[LocalStorage] 设置文件已改为仅本人可读写:" << m_fileName;
    else
        qWarning().noquote() << "[LocalStorage] 无法修改设置文件权限:" << m_fileName;
#endif
}

void LocalStorage::createOwnerOnlyFile() const
{
    // The settings library keeps the permissions of a file it replaces but
    // makes a new one readable by all: it is given one that is owner-only.
    if (QFileInfo::exists(m_fileName))
        return;
    QFile file(m_fileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly))
        file.close();
}

void LocalStorage::prepareWrite()
{
    // Before a fresh settings object, which writes what is pending as it opens.
    createOwnerOnlyFile();
    // A settings object keeps its first error for good, a malformed file read
    // at start included, and that error would hide a later failed write.
    // While it holds one, a fresh object on the same file takes the change:
    // it shares the changes not yet written and judges this write on its own,
    // so a failed write is seen whatever came before it, and a file that can
    // be written again counts as written.
    if (m_writeFailed || m_settings->status() != QSettings::NoError) {
        QSettings *fresh = new QSettings(m_fileName, QSettings::IniFormat, this);
        delete m_settings;
        m_settings = fresh;
        m_writeFailed = false;
    }
}

bool LocalStorage::finishWrite(const QString &key)
{
    m_settings->sync();
    // A malformed file read by this object is no failure of this write.
    m_writeFailed
        = m_settings->status() == QSettings::AccessError || !QFileInfo(m_fileName).isFile();
    if (m_writeFailed)
        qWarning().noquote() << "[LocalStorage] 设置文件写入失败:" << m_fileName << "键:" << key;
    return !m_writeFailed;
}

QString LocalStorage::fileName() const
{
    return m_settings->fileName();
}

} // namespace Orvo::Api::Storage
