#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrlQuery>

#include <functional>
#include <memory>

namespace Orvo::Testing {

// One request as the fake service received it.
struct RecordedRequest
{
    QByteArray method;
    QString path; // relative to the API root, e.g. "auth/login"
    QString fullPath; // as sent, e.g. "/api/v1/auth/login"
    QString encodedPath; // fullPath with its percent-encoding kept, e.g. "/api/v1/a%2Fb"
    QString queryString; // raw, in the order the client sent it
    QUrlQuery query;
    QList<QPair<QByteArray, QByteArray>> headers; // in the order received
    QByteArray body;

    QByteArray header(const QByteArray &name) const;
    bool hasHeader(const QByteArray &name) const;
    QJsonObject json() const;
};

// What the fake service answers to one request.
struct FakeReply
{
    int status = 200;
    QByteArray body;
    int delayMs = 0;
    bool drop = false; // close the connection without answering
    bool hold = false; // answer only when the test releases it
    QByteArray contentType = "application/json";

    static FakeReply json(const QJsonObject &object, int status = 200);
    static FakeReply raw(const QByteArray &body, int status = 200);
    static FakeReply dropped();
    FakeReply delayed(int ms) const;
    FakeReply held() const;
    FakeReply withContentType(const QByteArray &type) const;
};

// Computes the reply to one request, for a service that keeps state.
using FakeResponder = std::function<FakeReply(const RecordedRequest &request)>;

// A REST service on 127.0.0.1 for tests: records every request and answers each
// route with a scripted reply. Unscripted routes answer 404 with an empty object.
class FakeService
{
public:
    FakeService();
    ~FakeService();
    FakeService(const FakeService &) = delete;
    FakeService &operator=(const FakeService &) = delete;

    // Listens on the port (a free one for 0); false when it could not be opened.
    bool start(quint16 port = 0);
    // Closes the port; requests are refused until the next start.
    void stop();
    quint16 port() const;
    // "http://127.0.0.1:<port>/api/v1/"
    QString baseUrl() const;

    // The reply given to every request of this method and path.
    void setReply(const QByteArray &method, const QString &path, const FakeReply &reply);
    // A reply given once, before the standing one; queued replies go in order.
    void queueReply(const QByteArray &method, const QString &path, const FakeReply &reply);
    // Answers every request of this method whose path starts with the prefix
    // and that has no reply of its own; the longest prefix wins.
    void setResponder(const QByteArray &method, const QString &pathPrefix,
                      const FakeResponder &responder);
    void clearReplies();
    // Held replies received so far, and sending them (in the order received).
    int heldCount() const;
    void releaseHeld();

    QList<RecordedRequest> requests() const;
    QList<RecordedRequest> requests(const QString &path) const;
    int count(const QString &path) const;
    void clearRequests();

    // Forgets the replies and the requests: a clean service for the next test.
    void reset();

    class Server;
    struct State;

private:
    std::unique_ptr<State> m_state;
    std::unique_ptr<Server> m_server;
    quint16 m_port = 0;
};

} // namespace Orvo::Testing
