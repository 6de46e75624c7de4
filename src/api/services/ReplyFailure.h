#pragma once

#include <QDebug>
#include <QString>

#include "network/ApiResponse.h"
#include "network/Callbacks.h"

namespace Orvo::Api::Services {

// Tells the caller that a request failed: the callback, when there is one, gets
// the message and a default record, then the failure is logged after logText
// (nothing is logged without one).
template<typename T>
void reportFailure(const QString &message, const Network::DataCallback<T> &callback,
                   const QString &logText)
{
    if (callback)
        callback(false, message, T());
    if (!logText.isEmpty())
        qDebug().noquote() << logText << message;
}

// The failure half of every service's reply rule. True when the reply was not
// a success and the failure was reported; its message goes to *message too.
template<typename T>
bool reportedFailure(const Network::ApiResponse &response, const Network::DataCallback<T> &callback,
                     const QString &logText, QString *message = nullptr)
{
    if (response.isSuccess())
        return false;
    const QString text = response.errorMessage();
    reportFailure(text, callback, logText);
    if (message)
        *message = text;
    return true;
}

} // namespace Orvo::Api::Services
