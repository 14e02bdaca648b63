#pragma once

#include <QLockFile>
#include <QString>

namespace zentil {

// Only one player runs per home folder: the first instance holds a lock file there until it
// ends. A lock left by a player that crashed is taken over (its process no longer exists).
class SingleInstance {
public:
    explicit SingleInstance(const QString& homeFolder);

    // True when this process now holds the lock (or already held it); false when another
    // running instance holds it or the lock file cannot be created.
    bool TryAcquire();
    bool IsAcquired() const { return lock_.isLocked(); }
    void Release() { lock_.unlock(); }
    const QString& LockFilePath() const { return path_; }

private:
    QString path_;
    QLockFile lock_;
};

} // namespace zentil
