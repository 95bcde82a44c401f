#pragma once
// Where the flock finds its data: the setup script and the files it names.

#include <filesystem>
#include <string>
#include <vector>

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

// Where a setup script of one's own runs: in its own folder, with the folders that
// hold QDM_Scripts/ (its own, then --data, then the project's or the installed data)
// searched in that order after it. `problem` says, in one line, why it cannot run.
struct SetupPlace {
    std::filesystem::path folder;
    std::string script;                      // the file's name in `folder`
    std::vector<std::string> scriptFolders;  // for the interpreters' path, after `folder`
    std::string problem;
};
SetupPlace placeSetup(const std::string& file, const DataSearch& search);

// The search of the running program: `given` (may be empty), the working folder,
// then the build tree's or the install's data depending on where the program lives.
DataSearch programDataSearch(const std::string& given);

}  // namespace flock
