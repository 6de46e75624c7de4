#include "models/Announcement.h"

#include "models/JsonReader.h"

namespace Orvo::Api::Models {

Announcement Announcement::fromJson(const QJsonObject &json)
{
    Announcement announcement;
    announcement.id = JsonReader::readInt(json, QStringLiteral("id"), announcement.id);
    announcement.title = JsonReader::readString(json, QStringLiteral("title"));
    announcement.content = JsonReader::readString(json, QStringLiteral("content"));
    announcement.type = JsonReader::readString(json, QStringLiteral("type"));
    announcement.publishedAt = JsonReader::readDateTime(json, QStringLiteral("published_at"));
    announcement.createdAt = JsonReader::readDateTime(json, QStringLiteral("created_at"));
    return announcement;
}

} // namespace Orvo::Api::Models
