#pragma once
// One VQX per user: a lock file marks the running instance (a stale lock of a crashed one is
// taken over), and a local socket next to it receives the command line of a second start, which
// then ends. The first instance raises its window and opens the files.

#include <QLockFile>
#include <QObject>
#include <QStringList>

#include <memory>

class QLocalServer;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `folder`: where the lock and the socket live (empty: the user's runtime folder).
    explicit SingleInstance(QString folder = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the one instance (and listens for later starts).
    bool Acquire();
    // Hands the arguments to the running instance; false when none answered.
    bool SendToRunning(const QStringList& arguments, int timeoutMs = 3000);

    QString LockPath() const;
    QString SocketPath() const;

Q_SIGNALS:
    // A later start asked to be shown, with its arguments (the files to open).
    void activated(const QStringList& arguments);

private:
    void OnConnection();

    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

inline constexpr const char* kAlreadyRunning = "VQX is already running.";
