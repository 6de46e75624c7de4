#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QSettings;

namespace Orvo::Api::Storage {

// Key-value store over the client's settings file. Knows nothing of the keys'
// meaning.
class LocalStorage : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LocalStorage)

public:
    static LocalStorage *instance();

    QString getString(const QString &key, const QString &defaultValue = {}) const;
    int getInt(const QString &key, int defaultValue = 0) const;
    // Each change is written to the file at once; false when the file could
    // not be written (the change still holds in memory for this run).
    bool setString(const QString &key, const QString &value);
    bool setBool(const QString &key, bool value);
    bool remove(const QString &key);

    // Where the settings live on disk, for readers outside this store.
    QString fileName() const;

signals:
    void valueChanged(QString key);

private:
    LocalStorage();
    ~LocalStorage() override;

    void tightenPermissions() const;
    void createOwnerOnlyFile() const;
    // One change to the file, written at once and checked.
    bool write(const QString &key, const std::function<void()> &change);
    void prepareWrite();
    bool finishWrite(const QString &key);

    QString m_fileName;
    QSettings *m_settings;
    bool m_writeFailed = false;
};

} // namespace Orvo::Api::Storage
