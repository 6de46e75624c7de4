#pragma once

#include <QString>

namespace Orvo::Testing {

// Where the client under test sends its requests. Must be set before the first
// HttpClient::instance() call of the process; a child process started by a test
// reads it from ORVO_TEST_API_BASE_URL.
void setApiBaseUrl(const QString &url);

} // namespace Orvo::Testing
