#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

namespace Orvo::Testing {

// One run of a stand-in program, as it was called.
struct StandInCall
{
    QString program; // "xray.exe", "tun2socks.exe", "reg", "netsh", "setx", "taskkill", "tasklist"
    QStringList args; // exactly as received, empty ones included
    qint64 pid = 0;
};

// One call as text, each argument bracketed so that empty ones show.
QString describe(const QString &program, const QStringList &args);
QStringList describe(const QList<StandInCall> &calls);

// Whether the process runs; one that has ended but is not yet reaped (a
// zombie) counts as ended, as the platform would no longer list it.
bool isRunning(qint64 pid);

// How one stand-in program answers. Unset fields keep its usual behaviour.
struct StandInBehaviour
{
    // Only calls whose blank-joined arguments contain this text; empty: every call.
    QString argsContain;
    int hangMs = 0; // wait before answering; -1: until killed
    std::optional<int> exitCode;
    std::optional<QString> stdOut; // replaces the usual standard output
    std::optional<QString> stdErr; // replaces the usual error output
    int runForMs = -1; // the core and tun2socks stay up this long; -1: until killed
    bool crash = false; // end by a signal instead of exiting
    bool ignoreTerm = false; // ignore SIGTERM
};

// The stand-ins of the outside programs for one test: a private directory for
// their log and control file, and the tools first on PATH while it lives.
// The build places the programs (see orvo_use_standins in tests/support).
class StandIns
{
public:
    StandIns();
    ~StandIns();
    StandIns(const StandIns &) = delete;
    StandIns &operator=(const StandIns &) = delete;

    bool isValid() const;
    QString dir() const;

    // <test binary dir>/resources/vpn/x32, where the client looks for the core.
    static QString coreDir();
    static QString corePath();
    static QString tun2socksPath();
    // Where the client writes the configuration it hands the core.
    static QString coreConfigPath();
    // The directory holding reg, netsh, setx, taskkill and tasklist.
    static QString toolsDir();

    // Rules are tried in the order they were added; the first that matches applies.
    void addBehaviour(const QString &program, const StandInBehaviour &behaviour);
    void clearBehaviours();

    QList<StandInCall> calls() const;
    QList<StandInCall> calls(const QString &program) const;
    void clearCalls();

    // The configuration file a core run with "run -c <file>" found at its start.
    QByteArray handedConfig(qint64 pid) const;

    // The command lines (program first) of reg, netsh and setx, in the order
    // they ran, and the core's "run" calls.
    QList<QStringList> proxyToolCalls() const;
    QList<StandInCall> coreRuns() const;

    // What the client runs to point the system proxy at the core (six
    // commands) and to take it back (five).
    static QList<QStringList> proxySettingCommands();
    static QList<QStringList> proxyClearingCommands();

    // The registry the stand-in reg keeps: what "reg add" wrote, and what
    // "reg query" answers. Setting a value seeds it as an earlier run would
    // have left it. The key is the per-user Internet Settings unless given.
    static QString internetSettingsKey();
    void setRegistryValue(const QString &valueName, const QString &type, const QString &data,
                          const QString &key = internetSettingsKey());
    std::optional<QString> registryValue(const QString &valueName,
                                         const QString &key = internetSettingsKey()) const;

private:
    void writeControl() const;

    QTemporaryDir m_dir;
    QByteArray m_oldPath;
    QByteArray m_oldDir;
    bool m_hadDir = false;
    QList<QPair<QString, StandInBehaviour>> m_behaviours;
};

} // namespace Orvo::Testing
