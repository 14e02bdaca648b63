#pragma once

#include <QString>

namespace zentil {

// Removes one file (or link), giving it write permission first when a plain remove fails, so
// read-only copies go too. True when the file is gone.
bool RemoveFileForced(const QString& path);

} // namespace zentil
