#pragma once

#include <QLockFile>
#include <QString>

namespace zentil {

// Only one player runs per home folder: the first instance holds a lock file there until it
// ends. A lock left by a player that crashed is taken over (its process no longer exists).
class SingleInstance {
public:
    explicit SingleInstance(const QString& homeFolder);

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
    bool IsAcquired() const { return lock_.isLocked(); }
    void Release() { lock_.unlock(); }
    const QString& LockFilePath() const { return path_; }

private:
    QString path_;
    QLockFile lock_;
    QString failure_;
};

} // namespace zentil
