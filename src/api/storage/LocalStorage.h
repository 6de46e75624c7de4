#pragma once

#include <QObject>
#include <QString>

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
    void setString(const QString &key, const QString &value);
    void setBool(const QString &key, bool value);
    void remove(const QString &key);

    // Where the settings live on disk, for readers outside this store.
    QString fileName() const;

signals:
    void valueChanged(QString key);

private:
    LocalStorage();
    ~LocalStorage() override;

    QSettings *m_settings;
};

} // namespace Orvo::Api::Storage
