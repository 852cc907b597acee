#pragma once
// The suite's broadcast messages ("VQXSuspendMsg", "VQXResumeMsg"): what registered window
// messages sent to every top-level window were. Every listening program of the suite keeps a
// local socket in a per-user folder; a broadcast connects to each and sends the message name as
// one line. It needs no desktop session.
//
//   SuiteListener listener("iotester");       // hears broadcasts: signal received(name)
//   SuiteBroadcast::Send("VQXSuspendMsg");    // synchronous: returns when every listener answered
//   SuiteBroadcast::Post("VQXResumeMsg");     // does not wait for the answers

#include <QObject>
#include <QString>

class QLocalServer;

namespace vqxclient {

class SuiteBroadcast {
public:
    // The per-user folder of the listeners' sockets ($XDG_RUNTIME_DIR, else the temporary folder).
    static QString Folder();
    // Returns how many listeners took the message. Listeners that do not answer within
    // `timeoutMs` are not waited for longer; sockets nobody listens on are removed.
    static int Send(const QString& message, int timeoutMs = 2000);
    static int Post(const QString& message) { return Send(message, 0); }
};

class SuiteListener : public QObject {
    Q_OBJECT
public:
    explicit SuiteListener(const QString& program, QObject* parent = nullptr);
    ~SuiteListener() override;
    bool Listening() const;

Q_SIGNALS:
    void received(const QString& message);

private:
    QLocalServer* m_server;
};

} // namespace vqxclient
