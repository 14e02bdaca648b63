#pragma once

namespace zentil {

// The zentil player program: answers --help and --version, otherwise plays the script named
// on the command line. Returns the process exit code.
int RunPlayer(int argc, char** argv);

} // namespace zentil
