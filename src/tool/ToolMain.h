#pragma once

#include <QStringList>

namespace zentil {

// The zentil-tool program: dispatches COMMAND to the authoring and inspection commands.
// Returns the process exit code (0 success, 1 failure, 2 usage error).
int RunZentilTool(int argc, char** argv);

} // namespace zentil
