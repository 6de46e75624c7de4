#include "services/AnnouncementService.h"

#include <QDebug>

#include "models/JsonReader.h"
#include "network/ApiResponse.h"
#include "network/HttpClient.h"
#include "storage/LocalStorage.h"
#include "services/ReplyFailure.h"

namespace Orvo::Api::Services {

using Models::Announcement;
using Network::ApiResponse;
using Network::DataCallback;
using Network::HttpClient;

AnnouncementService *AnnouncementService::instance()
{
    static AnnouncementService service;
    return &service;
}

AnnouncementService::AnnouncementService()
    : m_lastReadId(
        Storage::LocalStorage::instance()->getInt(QStringLiteral("last_read_announcement_id"), 0))
{
    qRegisterMetaType<Announcement>();
    qRegisterMetaType<QList<Announcement>>();
    qDebug().noquote() << "[AnnouncementService] 初始化完成";
}

AnnouncementService::~AnnouncementService() = default;

void AnnouncementService::getAnnouncements(const QString &platform, int limit,
                                           const DataCallback<QList<Announcement>> &callback)
{
    qDebug().noquote() << "[AnnouncementService] 获取公告列表, 平台:" << platform;

    HttpClient::QueryItems query { { QStringLiteral("platform"), platform } };
    if (limit > 0)
        query.insert(QStringLiteral("limit"), QString::number(limit));

    HttpClient::instance()->getWithoutAuth(
        QStringLiteral("announcements"),
        [this, callback](const ApiResponse &response) {
            if (reportedFailure(response, callback, "[AnnouncementService] 获取公告列表失败:"))
                return;
            const QList<Announcement> announcements
                = Models::JsonReader::readObjectList<Announcement>(
                    Models::JsonReader::readArray(response.json, QStringLiteral("data")),
                    &Announcement::fromJson);

            // Only the heads are compared: a newer first entry is what counts as news.
            const bool isNew = !m_announcements.isEmpty() && !announcements.isEmpty()
                && announcements.constFirst().id > m_announcements.constFirst().id;
            m_announcements = announcements;
            if (isNew)
                emit newAnnouncementReceived(announcements.constFirst());
            if (callback)
                callback(true, QStringLiteral("获取成功"), announcements);
            emit announcementsUpdated(announcements);
            qDebug().noquote() << "[AnnouncementService] 公告列表获取成功, 数量:"
                               << announcements.size();
        },
        query);
}

} // namespace Orvo::Api::Services
