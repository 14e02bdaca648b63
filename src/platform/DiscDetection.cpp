#include "platform/DiscDetection.h"

#include <QFile>

#include <sys/vfs.h>

namespace zentil {

namespace {
// statfs f_type values, as in <linux/magic.h>.
constexpr unsigned long kIso9660Magic = 0x9660;
constexpr unsigned long kUdfMagic = 0x15013346;
} // namespace

bool DiscDetection::IsDiscFileSystemType(unsigned long type)
{
    return type == kIso9660Magic || type == kUdfMagic;
}

bool DiscDetection::IsOnDisc(const QString& path)
{
    if (path.isEmpty())
        return false;
    struct statfs info { };
    if (statfs(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return IsDiscFileSystemType(static_cast<unsigned long>(info.f_type));
}

} // namespace zentil
