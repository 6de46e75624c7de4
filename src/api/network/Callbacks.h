#pragma once

#include <functional>

#include <QString>

namespace Orvo::Api::Network {

struct ApiResponse;

// Completion callbacks of the service requests. Each may be empty; an empty
// callback is never called.
using ResponseCallback = std::function<void(const ApiResponse &)>;

template<typename T>
using DataCallback = std::function<void(bool success, const QString &message, const T &data)>;

using MessageCallback = std::function<void(bool success, const QString &message)>;

using InitCallback = std::function<void(bool success)>;

} // namespace Orvo::Api::Network
