#pragma once

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTest>

#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "models/User.h"
#include "storage/TokenManager.h"

// What the tests that run the program as a process of its own share: the
// settings file of that program, the signed-in user and the service's replies.
namespace Orvo::Testing {

inline QJsonObject signedInUserJson()
{
    return { { "id", 7 },
             { "email", "mia@example.com" },
             { "name", "Mia" },
             { "status", "active" },
             { "trial_used", true },
             { "trial_hours_remaining", 1.5 } };
}

// The settings file lies under the program's name: this process writes the
// stored login there, as an earlier run would have. Then the service starts
// and the program, started later, inherits its address.
inline bool startAsServiceOf(const QString &program, FakeService &service)
{
    QCoreApplication::setApplicationName(QFileInfo(program).completeBaseName());
    return startAsClientService(service);
}

// The service knows the signed-in user and keeps the device active.
inline void setSignedInReplies(FakeService &service)
{
    service.setReply("GET", "auth/me",
                     FakeReply::json({ { "success", true }, { "data", signedInUserJson() } }));
    service.setReply(
        "POST", "heartbeat",
        FakeReply::json(
            { { "success", true },
              { "data",
                QJsonObject { { "device_status", QJsonObject { { "status", "active" } } } } } }));
}

inline void storeLoginAsEarlierRun()
{
    Orvo::Api::Security::TokenManager::instance()->saveLogin(
        QStringLiteral("tok-stored"), Orvo::Api::Models::User::fromJson(signedInUserJson()));
}

// The lines appear in the program's log in this order, others between them.
inline void verifyInOrder(const QString &log, const QStringList &lines)
{
    qsizetype from = 0;
    for (const QString &line : lines) {
        const qsizetype at = log.indexOf(line, from);
        QVERIFY2(at >= 0,
                 qPrintable(QStringLiteral("missing or out of order: ") + line
                            + QStringLiteral("\n") + log.right(4000)));
        from = at + line.size();
    }
}

inline void verifyNoSanitizerReport(const QString &log)
{
    QVERIFY2(!log.contains(QStringLiteral("Sanitizer"))
                 && !log.contains(QStringLiteral("runtime error")),
             qPrintable(log.right(4000)));
}

} // namespace Orvo::Testing
