#include "FuzzSupport.h"

#include <QFile>
#include <QTemporaryDir>

namespace zentil::fuzz {

QString ScratchFolder()
{
    static QTemporaryDir dir;
    return dir.path();
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

} // namespace zentil::fuzz
