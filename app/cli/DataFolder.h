#pragma once
// Where the flock finds its data: the setup script and the files it names.

#include <filesystem>
#include <string>

namespace flock {

// The places to look, in order; an empty path is skipped.
struct DataSearch {
    std::filesystem::path given;          // --data DIR: the only place looked at when set
    std::filesystem::path workingFolder;  // where the program was started
    std::filesystem::path buildTreeData;  // the project's data/, for a program in the build tree
    std::filesystem::path installedData;  // the installed data, for an installed program
};

struct DataFolder {
    std::filesystem::path folder;  // holds the setup script; empty when none does
    std::string problem;           // one line: where it looked and what to do
};

// The first place holding the setup script.
DataFolder findDataFolder(const DataSearch& search);

// Why `folder` cannot finalize a decision maker, or empty: finalize runs the two scripts
// of QDM_Scripts/ from the working folder, which is the data folder.
std::string missingDecisionScripts(const std::filesystem::path& folder);

// The search of the running program: `given` (may be empty), the working folder,
// then the build tree's or the install's data depending on where the program lives.
DataSearch programDataSearch(const std::string& given);

}  // namespace flock
