#include "FakeService.h"

#include <QAbstractHttpServer>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <utility>

namespace Orvo::Testing {

namespace {

const QString kApiRoot = QStringLiteral("/api/v1/");

QByteArray methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Patch:
        return "PATCH";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    default:
        return "OTHER";
    }
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 422:
        return "Unprocessable Entity";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

} // namespace

QByteArray RecordedRequest::header(const QByteArray &name) const
{
    for (const auto &entry : headers) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return entry.second;
    }
    return {};
}

bool RecordedRequest::hasHeader(const QByteArray &name) const
{
    for (const auto &entry : headers) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QJsonObject RecordedRequest::json() const
{
    return QJsonDocument::fromJson(body).object();
}

FakeReply FakeReply::json(const QJsonObject &object, int status)
{
    FakeReply reply;
    reply.status = status;
    reply.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return reply;
}

FakeReply FakeReply::raw(const QByteArray &body, int status)
{
    FakeReply reply;
    reply.status = status;
    reply.body = body;
    return reply;
}

FakeReply FakeReply::dropped()
{
    FakeReply reply;
    reply.drop = true;
    return reply;
}

FakeReply FakeReply::delayed(int ms) const
{
    FakeReply reply = *this;
    reply.delayMs = ms;
    return reply;
}

FakeReply FakeReply::held() const
{
    FakeReply reply = *this;
    reply.hold = true;
    return reply;
}

FakeReply FakeReply::withContentType(const QByteArray &type) const
{
    FakeReply reply = *this;
    reply.contentType = type;
    return reply;
}

// Writes the HTTP answer itself, so that a reply can be delayed or dropped.
struct FakeService::State
{
    QList<RecordedRequest> recorded;
    QHash<QString, FakeReply> standing;
    QHash<QString, QList<FakeReply>> queued;
    QList<std::function<void()>> held;
    QHash<QString, FakeResponder> responders; // by method and path prefix

    const FakeResponder *responderFor(const QByteArray &method, const QString &path) const
    {
        const FakeResponder *found = nullptr;
        qsizetype longest = -1;
        const QString methodKey = QString::fromLatin1(method) + QLatin1Char(' ');
        for (auto it = responders.cbegin(); it != responders.cend(); ++it) {
            if (!it.key().startsWith(methodKey))
                continue;
            const QString prefix = it.key().mid(methodKey.size());
            if (path.startsWith(prefix) && prefix.size() > longest) {
                longest = prefix.size();
                found = &it.value();
            }
        }
        return found;
    }
};

class FakeService::Server : public QAbstractHttpServer
{
public:
    explicit Server(State *state) : m_state(state) { }

    static QString routeKey(const QByteArray &method, const QString &path)
    {
        return QString::fromLatin1(method) + QLatin1Char(' ') + path;
    }

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override
    {
        RecordedRequest entry;
        entry.method = methodName(request.method());
        entry.fullPath = request.url().path();
        entry.encodedPath = request.url().path(QUrl::FullyEncoded);
        entry.path = entry.fullPath.startsWith(kApiRoot) ? entry.fullPath.mid(kApiRoot.size())
                                                         : entry.fullPath;
        entry.queryString = request.url().query(QUrl::FullyEncoded);
        entry.query = request.query();
        entry.headers = request.headers();
        entry.body = request.body();
        m_state->recorded.append(entry);

        const QString key = routeKey(entry.method, entry.path);
        FakeReply reply = FakeReply::json(QJsonObject {}, 404);
        if (!m_state->queued.value(key).isEmpty())
            reply = m_state->queued[key].takeFirst();
        else if (m_state->standing.contains(key))
            reply = m_state->standing.value(key);
        else if (const FakeResponder *responder = m_state->responderFor(entry.method, entry.path))
            reply = (*responder)(entry);

        QPointer<QTcpSocket> target(socket);
        auto answer = [target, reply]() {
            if (!target)
                return;
            if (reply.drop) {
                target->abort();
                return;
            }
            QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' '
                + reasonPhrase(reply.status) + "\r\n";
            head += "Content-Type: " + reply.contentType + "\r\n";
            head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
            head += "Connection: keep-alive\r\n\r\n";
            target->write(head + reply.body);
        };
        if (reply.hold)
            m_state->held.append(answer);
        else if (reply.delayMs > 0 || reply.drop)
            QTimer::singleShot(reply.delayMs, this, answer);
        else
            answer();
        return true;
    }

    void missingHandler(const QHttpServerRequest &, QTcpSocket *) override { }

private:
    State *m_state;
};

FakeService::FakeService() : m_state(std::make_unique<State>()) { }

FakeService::~FakeService() = default;

bool FakeService::start(quint16 port)
{
    m_server = std::make_unique<Server>(m_state.get());
    m_port = m_server->listen(QHostAddress::LocalHost, port);
    return m_port != 0;
}

void FakeService::stop()
{
    m_server.reset();
}

quint16 FakeService::port() const
{
    return m_port;
}

QString FakeService::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/api/v1/").arg(m_port);
}

void FakeService::setReply(const QByteArray &method, const QString &path, const FakeReply &reply)
{
    m_state->standing.insert(Server::routeKey(method, path), reply);
}

void FakeService::queueReply(const QByteArray &method, const QString &path, const FakeReply &reply)
{
    m_state->queued[Server::routeKey(method, path)].append(reply);
}

void FakeService::setResponder(const QByteArray &method, const QString &pathPrefix,
                               const FakeResponder &responder)
{
    m_state->responders.insert(Server::routeKey(method, pathPrefix), responder);
}

void FakeService::clearReplies()
{
    m_state->standing.clear();
    m_state->queued.clear();
    m_state->responders.clear();
}

int FakeService::heldCount() const
{
    return int(m_state->held.size());
}

void FakeService::releaseHeld()
{
    const QList<std::function<void()>> answers = std::exchange(m_state->held, {});
    for (const auto &answer : answers)
        answer();
}

QList<RecordedRequest> FakeService::requests() const
{
    return m_state->recorded;
}

QList<RecordedRequest> FakeService::requests(const QString &path) const
{
    QList<RecordedRequest> result;
    for (const RecordedRequest &entry : m_state->recorded) {
        if (entry.path == path)
            result.append(entry);
    }
    return result;
}

int FakeService::count(const QString &path) const
{
    return int(requests(path).size());
}

void FakeService::clearRequests()
{
    m_state->recorded.clear();
}

void FakeService::reset()
{
    clearReplies();
    clearRequests();
    m_state->held.clear();
}

} // namespace Orvo::Testing
