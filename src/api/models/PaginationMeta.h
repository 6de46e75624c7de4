#pragma once

#include <QJsonObject>

namespace Orvo::Api::Models {

// Where one page of a paged list lies.
struct PaginationMeta
{
    int currentPage = 1;
    int from = 0;
    int lastPage = 1;
    int perPage = 20;
    int to = 0;
    int total = 0;

    static PaginationMeta fromJson(const QJsonObject &json);
};

} // namespace Orvo::Api::Models
