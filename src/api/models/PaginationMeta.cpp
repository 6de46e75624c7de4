#include "models/PaginationMeta.h"

#include "models/JsonReader.h"

namespace Orvo::Api::Models {

PaginationMeta PaginationMeta::fromJson(const QJsonObject &json)
{
    PaginationMeta meta;
    meta.currentPage = JsonReader::readInt(json, QStringLiteral("current_page"), meta.currentPage);
    meta.from = JsonReader::readInt(json, QStringLiteral("from"), meta.from);
    meta.lastPage = JsonReader::readInt(json, QStringLiteral("last_page"), meta.lastPage);
    meta.perPage = JsonReader::readInt(json, QStringLiteral("per_page"), meta.perPage);
    meta.to = JsonReader::readInt(json, QStringLiteral("to"), meta.to);
    meta.total = JsonReader::readInt(json, QStringLiteral("total"), meta.total);
    return meta;
}

} // namespace Orvo::Api::Models
