#include "base/FileRemoval.h"

#include <QFile>

namespace zentil {

bool RemoveFileForced(const QString& path)
{
    if (QFile::remove(path))
        return true;
    QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner | QFile::ReadOwner);
    return QFile::remove(path);
}

} // namespace zentil
