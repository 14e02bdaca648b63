#include "platform/SingleInstance.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

// The holder as its file names it: "pid\nprogram\nmachine\n", the layout Qt's QLockFile
// writes, so that earlier players, which used it, read a lock of ours as one of theirs.
struct LockHolder {
    bool Known = false;
    QString HostName;
};

LockHolder ReadHolder(int fd)
{
    QByteArray text(512, '\0');
    const ssize_t length = ::pread(fd, text.data(), static_cast<size_t>(text.size()), 0);
    const QList<QByteArray> lines = text.left(std::max<ssize_t>(length, 0)).split('\n');
    bool numeric = false;
    const qint64 pid = lines.value(0).toLongLong(&numeric);
    if (lines.size() < 3 || !numeric || pid <= 0)
        return {};
    return { true, QString::fromUtf8(lines[2]) };
}

bool WriteHolder(int fd)
{
    const QByteArray text = QByteArray::number(static_cast<qint64>(::getpid())) + '\n'
        + QFileInfo(QFile::symLinkTarget(u"/proc/self/exe"_s)).fileName().toUtf8() + '\n'
        + QSysInfo::machineHostName().toUtf8() + '\n';
    return ::ftruncate(fd, 0) == 0
        && ::pwrite(fd, text.constData(), static_cast<size_t>(text.size()), 0) == text.size();
}

// A player that ends removes its file after locking it: a lock on a file no longer in the
// folder keeps nobody out, so the one who locked it must open the folder's file again.
bool StillTheFolderFile(int fd, const QByteArray& path)
{
    struct stat opened { };
    struct stat named { };
    return ::fstat(fd, &opened) == 0 && ::stat(path.constData(), &named) == 0
        && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

QString CannotCreateText(const QString& path)
{
    return u"Zentil cannot start because it cannot create its lock file "_s + path
        + u".\rThe folder may be missing, not writable, or on a full disc."_s;
}

bool IsHere(const LockHolder& holder)
{
    return holder.HostName.isEmpty() || holder.HostName == QSysInfo::machineHostName();
}

} // namespace

SingleInstance::SingleInstance(const QString& homeFolder)
    : path_(QDir(homeFolder).filePath(u"zentil.lock"_s))
{ }

SingleInstance::~SingleInstance()
{
    Release();
}

SingleInstance::Outcome SingleInstance::Acquire()
{
    failure_.clear();
    if (fd_ >= 0)
        return Outcome::Acquired;
    const QString folder = QFileInfo(path_).absolutePath();
    QDir().mkpath(folder);
    const QByteArray path = QFile::encodeName(path_);
    // Bounded: each retry means another player released the lock at that very moment.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
            return Fail(
                u"Zentil cannot start because it may not write to its folder "_s + folder + u"."_s);
        if (fd < 0)
            break;
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (!locked && errno != EWOULDBLOCK) {
            ::close(fd);
            return Fail(u"Zentil cannot start because the folder "_s + folder
                + u" does not support file locks."_s);
        }
        if (locked && !StillTheFolderFile(fd, path)) {
            ::close(fd);
            continue;
        }
        return TakeOpenedFile(fd, locked);
    }
    return Fail(CannotCreateText(path_));
}

// fd is the folder's lock file, locked by this process or, when not locked, by another.
SingleInstance::Outcome SingleInstance::TakeOpenedFile(int fd, bool locked)
{
    const LockHolder holder = ReadHolder(fd);
    // A lock on a shared folder may not reach the other machine: the file's word is taken.
    if (holder.Known && !IsHere(holder)) {
        ::close(fd);
        return Fail(u"Zentil cannot start because a player on "_s + holder.HostName
            + u" uses the folder "_s + QFileInfo(path_).absolutePath() + u"."_s);
    }
    if (!locked) {
        ::close(fd);
        return Outcome::HeldByRunningPlayer;
    }
    // Whatever the file says (a crashed player, a half-written file), nobody holds it.
    if (!WriteHolder(fd)) {
        ::close(fd);
        return Fail(CannotCreateText(path_));
    }
    fd_ = fd;
    return Outcome::Acquired;
}

void SingleInstance::Release()
{
    if (fd_ < 0)
        return;
    // Removed while still locked, so no starting player takes a file that is about to go.
    ::unlink(QFile::encodeName(path_).constData());
    ::close(fd_);
    fd_ = -1;
}

SingleInstance::Outcome SingleInstance::Fail(const QString& text)
{
    failure_ = text;
    return Outcome::Failed;
}

} // namespace zentil
