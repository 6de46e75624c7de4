#include "models/PaginationLinks.h"

#include "models/JsonReader.h"

namespace Orvo::Api::Models {

PaginationLinks PaginationLinks::fromJson(const QJsonObject &json)
{
    PaginationLinks links;
    links.first = JsonReader::readString(json, QStringLiteral("first"));
    links.last = JsonReader::readString(json, QStringLiteral("last"));
    links.prev = JsonReader::readString(json, QStringLiteral("prev"));
    links.next = JsonReader::readString(json, QStringLiteral("next"));
    return links;
}

} // namespace Orvo::Api::Models
