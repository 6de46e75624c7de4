// One small program that plays every outside program the client runs in tests:
// the proxy core (xray.exe), tun2socks.exe and the tools reg, netsh, setx,
// taskkill and tasklist. It tells which one it is by the name it was started as.
//
// Every call appends one JSON line {"program", "args", "pid"} to calls.log in the
// directory named by ORVO_STANDIN_DIR. The test steers each program through
// control.json in that directory: {"<program>": [rule, ...]}, the first rule whose
// "argsContain" (if any) occurs in the blank-joined arguments applies. A rule may
// hold "hangMs" (wait before answering, -1 until killed), "exitCode", "stdout",
// "stderr" (replace the usual output), "runForMs" (how long a long-running
// program stays up, -1 until killed), "crash" (end by a signal instead of
// exiting) and "ignoreTerm" (ignore SIGTERM). A long-running program told
// SIGUSR1 ends at once with exit code 0, as if it had ended by itself.
//
// reg keeps the values it is given in registry.json in that directory:
// {"<key>": {"<value name>": {"type", "data"}}}. "reg add" writes a value
// (unless a rule makes it fail), "reg query <key> /v <name>" shows it as the
// platform's reg does, or fails with exit code 1 when there is none.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include "StandInFiles.h"

namespace {

QString controlDir()
{
    const QByteArray dir = qgetenv("ORVO_STANDIN_DIR");
    return dir.isEmpty() ? QDir::tempPath() + QStringLiteral("/orvo-standins")
                         : QString::fromUtf8(dir);
}

void sleepMs(int ms)
{
    if (ms < 0) {
        for (;;)
            ::pause();
    }
    timespec ts { ms / 1000, (ms % 1000) * 1000000L };
    while (::nanosleep(&ts, &ts) != 0) { }
}

void writeAll(int fd, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n <= 0)
            return;
        done += n;
    }
}

// One write() per record with O_APPEND keeps records of concurrent calls whole.
void appendRecord(const QString &dir, const QString &program, const QStringList &args)
{
    QDir().mkpath(dir);
    const QJsonObject record { { "program", program },
                               { "args", QJsonArray::fromStringList(args) },
                               { "pid", qint64(::getpid()) } };
    const QByteArray line = QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
    const QByteArray path = QFile::encodeName(dir + QStringLiteral("/calls.log"));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0)
        return;
    writeAll(fd, line);
    ::close(fd);
}

QJsonObject ruleFor(const QString &dir, const QString &program, const QStringList &args)
{
    QFile file(dir + QStringLiteral("/control.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonArray rules
        = QJsonDocument::fromJson(file.readAll()).object().value(program).toArray();
    const QString joined = args.join(QLatin1Char(' '));
    for (const QJsonValue &value : rules) {
        const QJsonObject rule = value.toObject();
        const QString needle = rule.value("argsContain").toString();
        if (needle.isEmpty() || joined.contains(needle))
            return rule;
    }
    return {};
}

// The name a running process was started as, empty when there is none (or only
// a zombie waiting to be reaped, which the platform would no longer list).
QString processName(qint64 pid)
{
    if (pid <= 0)
        return {};
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray statText = stat.readAll();
    const qsizetype close = statText.lastIndexOf(')');
    if (close < 0 || statText.mid(close + 2, 1) == "Z")
        return {};
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!cmdline.open(QIODevice::ReadOnly))
        return {};
    const QByteArray argv0 = cmdline.readAll().split('\0').value(0);
    return QFileInfo(QString::fromUtf8(argv0)).fileName();
}

bool isStandInName(const QString &name)
{
    static const QStringList names { "xray.exe", "tun2socks.exe", "reg",     "netsh",
                                     "setx",     "taskkill",      "tasklist" };
    return names.contains(name);
}

qint64 pidArgument(const QStringList &args)
{
    for (const QString &arg : args) {
        const QString trimmed = arg.startsWith(QStringLiteral("PID eq ")) ? arg.mid(7) : arg;
        bool ok = false;
        const qint64 pid = trimmed.toLongLong(&ok);
        if (ok)
            return pid;
    }
    return 0;
}

struct Answer
{
    QByteArray out;
    QByteArray err;
    int exitCode = 0;
    bool longRunning = false;
    // Output the core writes after starting, one chunk at a time, so that a
    // reader sees each chunk on its own.
    QList<QPair<int, QByteArray>> chunks;
};

Answer answerCore(const QString &dir, const QStringList &args)
{
    Answer answer;
    if (args == QStringList { "version" }) {
        answer.out = "Xray 1.8.24 (stand-in) Custom (go1.21 linux/amd64)\n";
        return answer;
    }
    const qsizetype config = args.indexOf(QStringLiteral("-c"));
    if (args.value(0) == QStringLiteral("run") && config >= 0) {
        // Keep what we were handed: the client deletes its file when it stops us.
        QFile handed(args.value(config + 1));
        if (handed.open(QIODevice::ReadOnly))
            Orvo::Testing::replaceStandInFile(
                dir + QStringLiteral("/config-%1.json").arg(::getpid()), handed.readAll());
        answer.longRunning = true;
        answer.chunks = { { 1, "Xray 1.8.24 (stand-in) started\n" },
                          { 2, "[Info] stand-in: inbound mixed-in is listening\n" },
                          { 2, "[ERROR] stand-in: upstream handshake refused\n" } };
        return answer;
    }
    answer.err = "unknown command\n";
    answer.exitCode = 1;
    return answer;
}

Answer answerTasklist(const QStringList &args)
{
    Answer answer;
    const qint64 pid = pidArgument(args);
    const QString name = processName(pid);
    if (name.isEmpty()) {
        answer.out = "INFO: No tasks are running which match the specified criteria.\n";
        return answer;
    }
    answer.out
        = QStringLiteral("\nImage Name                     PID Session Name        Session#    "
                         "Mem Usage\n========================= ======== ================ "
                         "=========== ============\n%1 %2 Console                    1 "
                         "    10,240 K\n")
              .arg(name.leftJustified(25), QString::number(pid).rightJustified(8))
              .toUtf8();
    return answer;
}

Answer answerTaskkill(const QStringList &args)
{
    Answer answer;
    const qint64 pid = pidArgument(args);
    // Only ever end another stand-in: a pid of some other process is never touched.
    if (!isStandInName(processName(pid)) || ::kill(pid_t(pid), SIGKILL) != 0) {
        answer.err = QStringLiteral("ERROR: The process \"%1\" not found.\n").arg(pid).toUtf8();
        answer.exitCode = 128;
        return answer;
    }
    answer.out = QStringLiteral("SUCCESS: The process with PID %1 has been terminated.\n")
                     .arg(pid)
                     .toUtf8();
    return answer;
}

QString argumentAfter(const QStringList &args, const QString &flag)
{
    const qsizetype at = args.indexOf(flag);
    return at >= 0 ? args.value(at + 1) : QString();
}

// The platform prints the root key in full.
QString fullKeyName(const QString &key)
{
    return key.startsWith(QStringLiteral("HKCU\\"))
        ? QStringLiteral("HKEY_CURRENT_USER") + key.mid(4)
        : key;
}

QString shownData(const QJsonObject &value)
{
    const QString data = value.value("data").toString();
    if (value.value("type").toString() != QStringLiteral("REG_DWORD"))
        return data;
    // Given in decimal or as 0x1, shown in hexadecimal.
    return QStringLiteral("0x") + QString::number(data.toUInt(nullptr, 0), 16);
}

Answer answerReg(const QString &dir, const QStringList &args, bool fails)
{
    Answer answer;
    QFile file(dir + QStringLiteral("/registry.json"));
    QJsonObject registry;
    if (file.open(QIODevice::ReadOnly))
        registry = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    const QString key = args.value(1);
    const QString name = argumentAfter(args, QStringLiteral("/v"));

    if (args.value(0) == QStringLiteral("add")) {
        answer.out = "The operation completed successfully.\n\n";
        if (fails)
            return answer;
        QJsonObject values = registry.value(key).toObject();
        values[name] = QJsonObject { { "type", argumentAfter(args, QStringLiteral("/t")) },
                                     { "data", argumentAfter(args, QStringLiteral("/d")) } };
        registry[key] = values;
        Orvo::Testing::replaceStandInFile(file.fileName(), QJsonDocument(registry).toJson());
        return answer;
    }
    if (args.value(0) == QStringLiteral("query")) {
        const QJsonObject values = registry.value(key).toObject();
        QStringList names = values.keys();
        if (!name.isEmpty())
            names = values.contains(name) ? QStringList { name } : QStringList();
        if (names.isEmpty()) {
            answer.err = "ERROR: The system was unable to find the specified registry key or "
                         "value.\r\n";
            answer.exitCode = 1;
            return answer;
        }
        QString text = QStringLiteral("\r\n") + fullKeyName(key) + QStringLiteral("\r\n");
        for (const QString &shown : names) {
            const QJsonObject value = values.value(shown).toObject();
            text += QStringLiteral("    %1    %2    %3\r\n")
                        .arg(shown, value.value("type").toString(), shownData(value));
        }
        answer.out = (text + QStringLiteral("\r\n")).toUtf8();
        return answer;
    }
    answer.err = "ERROR: Invalid syntax.\r\n";
    answer.exitCode = 1;
    return answer;
}

Answer answerFor(const QString &program, const QString &dir, const QStringList &args,
                 const QJsonObject &rule)
{
    if (program == QStringLiteral("reg"))
        return answerReg(dir, args, rule.value("exitCode").toInt(0) != 0);
    if (program == QStringLiteral("xray.exe"))
        return answerCore(dir, args);
    if (program == QStringLiteral("tasklist"))
        return answerTasklist(args);
    if (program == QStringLiteral("taskkill"))
        return answerTaskkill(args);
    Answer answer;
    if (program == QStringLiteral("tun2socks.exe")) {
        answer.longRunning = true;
        answer.chunks = { { 1, "INFO [STACK] tun://wintun <-> stand-in proxy\n" } };
    } else if (program == QStringLiteral("netsh")) {
        answer.out = "Ok.\n\n";
    } else if (program == QStringLiteral("setx")) {
        answer.out = "\nSUCCESS: Specified value was saved.\n";
    }
    return answer;
}

} // namespace

int main(int argc, char *argv[])
{
    const QString program = QFileInfo(QString::fromUtf8(argv[0])).fileName();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromUtf8(argv[i]);

    const QString dir = controlDir();
    appendRecord(dir, program, args);
    const QJsonObject rule = ruleFor(dir, program, args);
    if (rule.value("ignoreTerm").toBool())
        std::signal(SIGTERM, SIG_IGN);
    std::signal(SIGUSR1, [](int) { ::_exit(0); });

    sleepMs(rule.value("hangMs").toInt(0));

    Answer answer = answerFor(program, dir, args, rule);
    // Replacing one channel leaves the other one's usual output alone.
    if (rule.contains("stdout")) {
        answer.out = rule.value("stdout").toString().toUtf8();
        answer.chunks.removeIf([](const auto &chunk) { return chunk.first == 1; });
    }
    if (rule.contains("stderr")) {
        answer.err = rule.value("stderr").toString().toUtf8();
        answer.chunks.removeIf([](const auto &chunk) { return chunk.first == 2; });
    }
    if (rule.contains("exitCode"))
        answer.exitCode = rule.value("exitCode").toInt();

    writeAll(STDOUT_FILENO, answer.out);
    writeAll(STDERR_FILENO, answer.err);
    for (const auto &[channel, text] : answer.chunks) {
        writeAll(channel == 1 ? STDOUT_FILENO : STDERR_FILENO, text);
        sleepMs(200);
    }

    if (answer.longRunning)
        sleepMs(rule.value("runForMs").toInt(-1));
    if (rule.value("crash").toBool())
        ::kill(::getpid(), SIGKILL);
    // No exit handlers: nothing of ours needs them, and a sanitizer's leak report
    // at exit would change the exit code the test asked for.
    ::_exit(answer.exitCode);
}
