#include "platform/SingleInstance.h"

#include <QDir>
#include <QSysInfo>

#include <cerrno>
#include <signal.h>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr int kSettleMs = 200;

bool ProcessExists(qint64 pid)
{
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

} // namespace

SingleInstance::SingleInstance(const QString& homeFolder)
    : path_(QDir(homeFolder).filePath(u"zentil.lock"_s))
    , lock_(path_)
{
    // A running player may hold the lock for hours: only a dead owner makes it stale.
    lock_.setStaleLockTime(0);
}

SingleInstance::Outcome SingleInstance::Acquire()
{
    failure_.clear();
    if (lock_.isLocked())
        return Outcome::Acquired;
    const QString folder = QFileInfo(path_).absolutePath();
    QDir().mkpath(folder);
    if (lock_.tryLock(0))
        return Outcome::Acquired;
    // A player starting at this very moment has its lock file made but not yet written: give it
    // a moment before reading whose the lock is.
    qint64 pid = 0;
    QString hostName;
    QString appName;
    if (lock_.error() == QLockFile::LockFailedError && !lock_.getLockInfo(&pid, &hostName, &appName)
        && lock_.tryLock(kSettleMs))
        return Outcome::Acquired;
    switch (lock_.error()) {
    case QLockFile::LockFailedError: {
        const bool known = lock_.getLockInfo(&pid, &hostName, &appName) && pid > 0;
        const bool here = hostName.isEmpty() || hostName == QSysInfo::machineHostName();
        if (known && here && ProcessExists(pid))
            return Outcome::HeldByRunningPlayer;
        if (known && !here) {
            failure_ = u"Zentil cannot start because a player on "_s + hostName
                + u" uses the folder "_s + folder + u"."_s;
            break;
        }
        failure_ = u"Zentil cannot start because its lock file "_s + path_
            + u" is in the way and does not belong to a running player.\r"_s
            + u"Remove it if no other Zentil player uses this folder."_s;
        break;
    }
    case QLockFile::PermissionError:
        failure_
            = u"Zentil cannot start because it may not write to its folder "_s + folder + u"."_s;
        break;
    default:
        failure_ = u"Zentil cannot start because it cannot create its lock file "_s + path_
            + u".\rThe folder may be missing, not writable, or on a full disc."_s;
        break;
    }
    return Outcome::Failed;
}

} // namespace zentil
