#pragma once

#include <functional>

namespace Orvo::Api::Services {

// Completion of a request that yields one record; on failure the record is a
// default-constructed one. May be empty; an empty callback is never called.
template<typename T> using ResultCallback = std::function<void(bool success, const T &result)>;

} // namespace Orvo::Api::Services
