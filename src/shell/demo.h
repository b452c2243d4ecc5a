#pragma once
// Demo mode: a repository directory prepared once with a settings file naming it,
// an initialised repository, the report files, and one registered server "DEMO"
// on the simulated instance (sim:ORCL, SYSTEM/MANAGER, the password stored encoded).
#include <string>

namespace shell {

// The default demo directory: a folder under the user's data directory.
std::string defaultDemoDirectory();

// Prepares `dir` if it is not prepared yet; answers the settings file to start
// with. Throws std::runtime_error with a readable message when it cannot.
std::string prepareDemo(const std::string &dir);

} // namespace shell
