#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "models/Announcement.h"
#include "network/Callbacks.h"

namespace Orvo::Api::Services {

// Fetches the service's announcements for a platform and tells when a fetch
// brings a newer one to the head of the list.
class AnnouncementService : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AnnouncementService)

public:
    static AnnouncementService *instance();

    // A limit of 0 or less asks for no limit.
    void getAnnouncements(const QString &platform, int limit,
                          const Network::DataCallback<QList<Models::Announcement>> &callback);

signals:
    void announcementsUpdated(QList<Models::Announcement> announcements);
    void newAnnouncementReceived(Models::Announcement announcement);

private:
    AnnouncementService();
    ~AnnouncementService() override;

    QList<Models::Announcement> m_announcements;
    int m_lastReadId = 0;
};

} // namespace Orvo::Api::Services
