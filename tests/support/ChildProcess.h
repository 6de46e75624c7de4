#pragma once

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <cstdio>

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

// What a finished process left behind.
struct ProcessRun
{
    // Ended by itself within the time and without crashing.
    bool finishedNormally = false;
    int exitCode = -1;
    QByteArray output;
    // Empty when the errors went to this process's own channel.
    QString errors;
};

// Runs a program with extra environment variables on top of this process's
// own. Spins the event loop while waiting, so a fake service of this process
// keeps answering; kills the program when the time is up.
inline ProcessRun runProcess(const QString &program, const QStringList &arguments = {},
                             const QMap<QString, QString> &environment = {}, int timeoutMs = 20000,
                             QProcess::ProcessChannelMode channels = QProcess::SeparateChannels)
{
    QProcess process;
    QProcessEnvironment childEnvironment = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        childEnvironment.insert(it.key(), it.value());
    process.setProcessEnvironment(childEnvironment);
    process.setProcessChannelMode(channels);
    process.start(program, arguments);
    ProcessRun run;
    if (QTest::qWaitFor([&]() { return process.state() == QProcess::NotRunning; }, timeoutMs)) {
        run.finishedNormally = process.exitStatus() == QProcess::NormalExit;
        if (run.finishedNormally)
            run.exitCode = process.exitCode();
    } else {
        process.kill();
        process.waitForFinished(1000);
    }
    run.output = process.readAllStandardOutput();
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The result a child printed last (see writeChildResult).
inline QJsonObject lastJsonLine(const QByteArray &output)
{
    const QList<QByteArray> lines = output.trimmed().split('\n');
    return QJsonDocument::fromJson(lines.constLast()).object();
}

// Runs this test binary again in the given mode and returns what it printed.
// Its errors go to this test's log. An empty object means the child failed.
inline QJsonObject runChild(const QString &mode, int timeoutMs = 20000)
{
    const ProcessRun run = runProcess(QCoreApplication::applicationFilePath(), {},
                                      { { QString::fromLatin1(childModeVariable()), mode } },
                                      timeoutMs, QProcess::ForwardedErrorChannel);
    if (!run.finishedNormally || run.exitCode != 0)
        return {};
    return lastJsonLine(run.output);
}

} // namespace Orvo::Testing
