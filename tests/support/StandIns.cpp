#include "StandIns.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "StandInFiles.h"

namespace Orvo::Testing {

QString describe(const QString &program, const QStringList &args)
{
    QString text = program;
    for (const QString &arg : args)
        text += QStringLiteral(" [%1]").arg(arg);
    return text;
}

QStringList describe(const QList<StandInCall> &calls)
{
    QStringList result;
    for (const StandInCall &call : calls)
        result << describe(call.program, call.args);
    return result;
}

bool isRunning(qint64 pid)
{
    if (pid <= 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    // The state follows the name, which is in parentheses and may hold blanks.
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close >= 0 && text.mid(close + 2, 1) != "Z";
}

StandIns::StandIns()
    : m_oldPath(qgetenv("PATH")), m_oldDir(qgetenv("ORVO_STANDIN_DIR")),
      m_hadDir(qEnvironmentVariableIsSet("ORVO_STANDIN_DIR"))
{
    qputenv("ORVO_STANDIN_DIR", QFile::encodeName(m_dir.path()));
    qputenv("PATH", QFile::encodeName(toolsDir()) + ':' + m_oldPath);
}

StandIns::~StandIns()
{
    qputenv("PATH", m_oldPath);
    if (m_hadDir)
        qputenv("ORVO_STANDIN_DIR", m_oldDir);
    else
        qunsetenv("ORVO_STANDIN_DIR");
}

bool StandIns::isValid() const
{
    return m_dir.isValid() && QFile::exists(corePath()) && QFile::exists(toolsDir() + "/tasklist");
}

QString StandIns::dir() const
{
    return m_dir.path();
}

QString StandIns::coreDir()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/resources/vpn/x32");
}

QString StandIns::corePath()
{
    return coreDir() + QStringLiteral("/xray.exe");
}

QString StandIns::tun2socksPath()
{
    return coreDir() + QStringLiteral("/tun2socks.exe");
}

QString StandIns::coreConfigPath()
{
    return QDir::tempPath() + QStringLiteral("/tolvane_config.json");
}

QString StandIns::toolsDir()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/standin-tools");
}

void StandIns::addBehaviour(const QString &program, const StandInBehaviour &behaviour)
{
    m_behaviours.append({ program, behaviour });
    writeControl();
}

void StandIns::clearBehaviours()
{
    m_behaviours.clear();
    writeControl();
}

void StandIns::writeControl() const
{
    QJsonObject control;
    for (const auto &[program, behaviour] : m_behaviours) {
        QJsonObject rule;
        if (!behaviour.argsContain.isEmpty())
            rule["argsContain"] = behaviour.argsContain;
        rule["hangMs"] = behaviour.hangMs;
        rule["runForMs"] = behaviour.runForMs;
        rule["crash"] = behaviour.crash;
        rule["ignoreTerm"] = behaviour.ignoreTerm;
        if (behaviour.exitCode)
            rule["exitCode"] = *behaviour.exitCode;
        if (behaviour.stdOut)
            rule["stdout"] = *behaviour.stdOut;
        if (behaviour.stdErr)
            rule["stderr"] = *behaviour.stdErr;
        QJsonArray rules = control.value(program).toArray();
        rules.append(rule);
        control[program] = rules;
    }
    replaceStandInFile(QFile::encodeName(m_dir.filePath("control.json")).toStdString(),
                       QJsonDocument(control).toJson().toStdString());
}

QList<StandInCall> StandIns::calls() const
{
    QList<StandInCall> result;
    QFile file(m_dir.filePath("calls.log"));
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        if (record.isEmpty())
            continue;
        StandInCall call;
        call.program = record.value("program").toString();
        for (const QJsonValue &arg : record.value("args").toArray())
            call.args << arg.toString();
        call.pid = record.value("pid").toInteger();
        result << call;
    }
    return result;
}

QList<StandInCall> StandIns::calls(const QString &program) const
{
    QList<StandInCall> result;
    for (const StandInCall &call : calls()) {
        if (call.program == program)
            result << call;
    }
    return result;
}

void StandIns::clearCalls()
{
    QFile::remove(m_dir.filePath("calls.log"));
}

QByteArray StandIns::handedConfig(qint64 pid) const
{
    QFile file(m_dir.filePath(QStringLiteral("config-%1.json").arg(pid)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<QStringList> StandIns::proxyToolCalls() const
{
    QList<QStringList> lines;
    for (const StandInCall &call : calls()) {
        if (call.program == "reg" || call.program == "netsh" || call.program == "setx")
            lines << QStringList { call.program } + call.args;
    }
    return lines;
}

QList<StandInCall> StandIns::coreRuns() const
{
    QList<StandInCall> runs;
    for (const StandInCall &call : calls(QStringLiteral("xray.exe"))) {
        if (call.args.value(0) == QLatin1String("run"))
            runs << call;
    }
    return runs;
}

namespace {
const QString kInternetSettingsKey
    = QStringLiteral("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
} // namespace

QString StandIns::internetSettingsKey()
{
    return kInternetSettingsKey;
}

void StandIns::setRegistryValue(const QString &valueName, const QString &type, const QString &data,
                                const QString &key)
{
    const QString path = m_dir.filePath("registry.json");
    QJsonObject registry;
    QFile in(path);
    if (in.open(QIODevice::ReadOnly))
        registry = QJsonDocument::fromJson(in.readAll()).object();
    in.close();
    QJsonObject values = registry.value(key).toObject();
    values[valueName] = QJsonObject { { "type", type }, { "data", data } };
    registry[key] = values;
    replaceStandInFile(QFile::encodeName(path).toStdString(),
                       QJsonDocument(registry).toJson().toStdString());
}

std::optional<QString> StandIns::registryValue(const QString &valueName, const QString &key) const
{
    QFile file(m_dir.filePath("registry.json"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject values
        = QJsonDocument::fromJson(file.readAll()).object().value(key).toObject();
    if (!values.contains(valueName))
        return std::nullopt;
    return values.value(valueName).toObject().value("data").toString();
}

QList<QStringList> StandIns::proxySettingCommands()
{
    const QString &key = kInternetSettingsKey;
    return {
        { "reg", "add", key, "/v", "ProxyEnable", "/t", "REG_DWORD", "/d", "1", "/f" },
        { "reg", "add", key, "/v", "ProxyServer", "/t", "REG_SZ", "/d", "socks=127.0.0.1:10315",
          "/f" },
        { "netsh", "winhttp", "set", "proxy", "proxy-server=\"socks=127.0.0.1:10315\"",
          "bypass-list=\"<local>\"" },
        { "setx", "http_proxy", "socks://127.0.0.1:10315" },
        { "setx", "https_proxy", "socks://127.0.0.1:10315" },
        { "netsh", "winhttp", "import", "proxy", "source=ie" },
    };
}

QList<QStringList> StandIns::proxyClearingCommands()
{
    const QString &key = kInternetSettingsKey;
    return {
        { "reg", "add", key, "/v", "ProxyEnable", "/t", "REG_DWORD", "/d", "0", "/f" },
        { "netsh", "winhttp", "reset", "proxy" },
        { "setx", "http_proxy", "" },
        { "setx", "https_proxy", "" },
        { "netsh", "winhttp", "import", "proxy", "source=ie" },
    };
}

} // namespace Orvo::Testing
