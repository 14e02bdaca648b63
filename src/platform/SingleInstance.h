#pragma once

#include <QString>

namespace zentil {

// Only one player runs per home folder: the first instance holds an exclusive lock on a file
// there until it ends. The kernel drops the lock with the process, so a crashed player's file
// keeps nobody out. The file names its holder (process id, program, machine), which tells a
// player on another machine sharing the folder apart from one here.
class SingleInstance {
public:
    explicit SingleInstance(const QString& homeFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    enum class Outcome {
        Acquired, // this process holds the lock
        HeldByRunningPlayer, // a live player on this machine holds it
        Failed, // no lock could be taken for any other reason; FailureText() says why
    };

    // Takes the lock (keeping it when this process already holds it).
    Outcome Acquire();
    // True when this process now holds the lock.
    bool TryAcquire() { return Acquire() == Outcome::Acquired; }
    // Why the last Acquire failed, in words for the user.
    const QString& FailureText() const { return failure_; }
    bool IsAcquired() const { return fd_ >= 0; }
    // Removes the file and lets the lock go.
    void Release();
    const QString& LockFilePath() const { return path_; }

private:
    Outcome Fail(const QString& text);
    Outcome TakeOpenedFile(int fd, bool locked);

    QString path_;
    int fd_ = -1;
    QString failure_;
};

} // namespace zentil
