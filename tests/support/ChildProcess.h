#pragma once

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

namespace Orvo::Testing {

// Name of the variable that makes a test binary run one step of a scenario
// instead of its test functions: a second process of the same program, with
// the same settings directory and the same fake service.
inline const char *childModeVariable()
{
    return "ORVO_TEST_CHILD_MODE";
}

inline QString childMode()
{
    return qEnvironmentVariable(childModeVariable());
}

// Prints the child's result for the parent to read.
inline void writeChildResult(const QJsonObject &result)
{
    const QByteArray line = QJsonDocument(result).toJson(QJsonDocument::Compact) + '\n';
    fwrite(line.constData(), 1, size_t(line.size()), stdout);
    fflush(stdout);
}

// Runs this test binary again in the given mode and returns what it printed.
// Spins the event loop while waiting, so a fake service of this process keeps
// answering. An empty object means the child failed.
inline QJsonObject runChild(const QString &mode, int timeoutMs = 20000)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(childModeVariable()), mode);
    process.setProcessEnvironment(environment);
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start();
    if (!QTest::qWaitFor([&]() { return process.state() == QProcess::NotRunning; }, timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    const QList<QByteArray> lines = process.readAllStandardOutput().trimmed().split('\n');
    return QJsonDocument::fromJson(lines.constLast()).object();
}

} // namespace Orvo::Testing
