#include "storage/FileTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace fs = std::filesystem;

namespace {

fs::path ToPath(const QString& path)
{
    return fs::path(QFile::encodeName(path).toStdString());
}

QString FromPath(const fs::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

bool RemoveTreeAt(const fs::path& path, const std::function<void(const QString&)>& onFailure)
{
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (status.type() == fs::file_type::not_found)
        return true;
    if (status.type() == fs::file_type::directory) {
        // A folder without write permission keeps its entries; open it up first.
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
        for (auto it = fs::directory_iterator(path, ec); !ec && it != fs::directory_iterator();
             it.increment(ec))
            RemoveTreeAt(it->path(), onFailure);
    }
    fs::remove(path, ec);
    const bool gone = fs::symlink_status(path, ec).type() == fs::file_type::not_found;
    if (!gone && onFailure)
        onFailure(FromPath(path));
    return gone;
}

} // namespace

bool RemoveTree(const QString& path, const std::function<void(const QString&)>& onFailure)
{
    if (path.isEmpty())
        return true;
    return RemoveTreeAt(ToPath(path), onFailure);
}

bool IsRealFolderInside(const QString& folder, const QString& parent)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || info.isSymLink() || !info.isDir())
        return false;
    const QString canonicalParent = QFileInfo(parent).canonicalFilePath();
    const QString canonicalFolder = info.canonicalFilePath();
    if (canonicalParent.isEmpty() || canonicalFolder.isEmpty())
        return false;
    const QString prefix
        = canonicalParent.endsWith(u'/') ? canonicalParent : canonicalParent + u'/';
    return canonicalFolder.startsWith(prefix) && canonicalFolder.size() > prefix.size();
}

bool CopyWorkingFile(const QString& source, const QString& target)
{
    QFile in(source);
    QFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    QByteArray block(1 << 16, Qt::Uninitialized);
    bool ok = true;
    for (;;) {
        const qint64 n = in.read(block.data(), block.size());
        if (n == 0)
            break;
        if (n < 0 || out.write(block.constData(), n) != n) {
            ok = false;
            break;
        }
    }
    out.close();
    ok = ok && out.error() == QFileDevice::NoError;
    if (!ok)
        out.remove();
    return ok;
}

bool CopyFileKeepingTime(const QString& source, const QString& target)
{
    const QDateTime modified = QFileInfo(source).lastModified();
    const QString part = target + u".zentil-part"_s;
    RemoveFileForced(part);
    if (!QFile::copy(source, part))
        return false;
    // Copies from read-only media arrive read-only; the cache copy must stay writable.
    QFile copy(part);
    copy.setPermissions(copy.permissions() | QFile::WriteOwner | QFile::ReadOwner);
    if (!copy.open(QIODevice::ReadWrite)
        || !copy.setFileTime(modified, QFileDevice::FileModificationTime)) {
        copy.close();
        RemoveFileForced(part);
        return false;
    }
    copy.close();
    std::error_code ec;
    fs::rename(ToPath(part), ToPath(target), ec);
    if (ec) {
        RemoveFileForced(part);
        return false;
    }
    return true;
}

bool IsSameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    std::error_code ec;
    return fs::equivalent(ToPath(a), ToPath(b), ec) && !ec;
}

QString CleanFolderPath(const QString& path)
{
    if (path.isEmpty())
        return {};
    return QDir::cleanPath(QDir(path).absolutePath());
}

} // namespace zentil
