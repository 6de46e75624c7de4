#pragma once

#include <QJsonObject>
#include <QString>

namespace Orvo::Api::Models {

// The neighbouring pages of a paged list, as the service names them.
struct PaginationLinks
{
    QString first;
    QString last;
    QString prev;
    QString next;

    static PaginationLinks fromJson(const QJsonObject &json);
};

} // namespace Orvo::Api::Models
