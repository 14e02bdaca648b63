#pragma once

#include <QString>

namespace zentil {

// Tells whether a file lies on an optical disc, by the type of the file system it is mounted on.
class DiscDetection {
public:
    // True when path (a file or folder) is on an ISO 9660 or UDF file system; false when it is
    // not or cannot be examined.
    static bool IsOnDisc(const QString& path);
    // True for the statfs type numbers of the disc file systems.
    static bool IsDiscFileSystemType(unsigned long type);
};

} // namespace zentil
