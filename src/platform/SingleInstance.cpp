#include "platform/SingleInstance.h"

#include <QDir>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

SingleInstance::SingleInstance(const QString& homeFolder)
    : path_(QDir(homeFolder).filePath(u"zentil.lock"_s))
    , lock_(path_)
{
    // A running player may hold the lock for hours: only a dead owner makes it stale.
    lock_.setStaleLockTime(0);
}

bool SingleInstance::TryAcquire()
{
    if (lock_.isLocked())
        return true;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    return lock_.tryLock(0);
}

} // namespace zentil
