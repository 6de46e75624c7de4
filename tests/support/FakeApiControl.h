#ifndef ORVO_TESTING_FAKEAPICONTROL_H
#define ORVO_TESTING_FAKEAPICONTROL_H

#include <QObject>
#include <QStringList>
#include <QVariantList>

namespace Orvo::Testing {

class FakeApi;

// What a QML test uses to script the fake "API" and read back its calls
// (context property "ApiSpy").
class FakeApiControl : public QObject
{
    Q_OBJECT

public:
    explicit FakeApiControl(FakeApi *api, QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(FakeApiControl)

    // Sets a property of "API" and emits its NOTIFY signal; false when the
    // name is unknown or the value does not fit.
    Q_INVOKABLE bool set(const QString &property, const QVariant &value);
    // What the invokable method returns from now on (a default value until set).
    Q_INVOKABLE void setReturn(const QString &method, const QVariant &value);
    // The argument lists of every call of one method, oldest first.
    Q_INVOKABLE QVariantList calls(const QString &method) const;
    Q_INVOKABLE int callCount(const QString &method) const;
    // The names of every method called, in order.
    Q_INVOKABLE QStringList callNames() const;
    // Forgets the calls.
    Q_INVOKABLE void clear();
    // Back to the logged-out values without a signal; no return values, no calls.
    Q_INVOKABLE void reset();

private:
    FakeApi *m_api;
};

} // namespace Orvo::Testing

#endif
