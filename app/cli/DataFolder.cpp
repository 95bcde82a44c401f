#include "app/cli/DataFolder.h"

#include <system_error>
#include <vector>

#include "app/sim/Flock.h"

namespace flock {

namespace fs = std::filesystem;

namespace {

bool holdsSetup(const fs::path& folder) {
    std::error_code error;
    return !folder.empty() && fs::is_regular_file(folder / kSetupScript, error);
}

// The program's own file, through the link the kernel keeps for it.
fs::path programFile() {
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : self;
}

bool sameFolder(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

}  // namespace

DataFolder findDataFolder(const DataSearch& search) {
    if (!search.given.empty()) {
        if (holdsSetup(search.given)) return {fs::absolute(search.given), {}};
        return {{}, "no " + std::string(kSetupScript) + " in '" + search.given.string() + "' (given with --data)"};
    }
    std::vector<fs::path> looked;
    for (const fs::path& place : {search.workingFolder, search.buildTreeData, search.installedData}) {
        if (place.empty()) continue;
        if (holdsSetup(place)) return {fs::absolute(place), {}};
        looked.push_back(place);
    }
    std::string places;
    for (std::size_t i = 0; i < looked.size(); ++i) {
        if (i > 0) places += i + 1 == looked.size() ? " or " : ", ";
        places.append("'").append(looked[i].string()).append("'");
    }
    return {{}, "cannot find " + std::string(kSetupScript) + " in " + places +
                    "; run flock in its data folder or name it with --data DIR"};
}

std::string missingDecisionScripts(const fs::path& folder) {
    std::string missing;
    for (const char* script : {"QDM_Scripts/SetupTops.txt", "QDM_Scripts/prepare.txt"}) {
        std::error_code error;
        if (fs::is_regular_file(folder / script, error)) continue;
        if (!missing.empty()) missing += " and ";
        missing += script;
    }
    if (missing.empty()) return {};
    return "the data folder '" + folder.string() + "' has no " + missing +
           ", which every decision maker is finalized with; copy QDM_Scripts/ from the project's data/ or name "
           "a complete data folder with --data DIR";
}

SetupPlace placeSetup(const std::string& file, const DataSearch& search) {
    SetupPlace place;
    std::error_code error;
    const fs::path path = fs::absolute(file, error);
    const fs::file_status status = fs::status(path, error);
    if (!fs::is_regular_file(status)) {
        place.problem = (fs::is_directory(status) ? "a folder, not a setup script: '" : "no file '") + file + "'";
        return place;
    }
    place.folder = path.parent_path();
    place.script = path.filename().string();
    // Names reach the interpreters inside command texts, which these characters would split.
    const auto unsafe = [](const std::string& name) { return name.find_first_of(" ,\t()\"") != std::string::npos; };
    if (unsafe(place.script)) {
        place.problem = "the name of '" + file + "' holds a space, a comma, a bracket or a quote";
        return place;
    }
    bool found = missingDecisionScripts(place.folder).empty();
    for (const fs::path& folder : {search.given, search.buildTreeData, search.installedData}) {
        if (folder.empty() || !missingDecisionScripts(folder).empty() || sameFolder(folder, place.folder)) continue;
        const std::string name = fs::absolute(folder, error).lexically_normal().string();
        if (unsafe(name)) continue;
        place.scriptFolders.push_back(name);
        found = true;
    }
    if (!found)
        place.problem = "no QDM_Scripts/SetupTops.txt and prepare.txt beside '" + file +
                        "', in --data or in the project's or the installed data";
    return place;
}

DataSearch programDataSearch(const std::string& given) {
    DataSearch search;
    search.given = given;
    std::error_code error;
    search.workingFolder = fs::current_path(error);
    const fs::path program = programFile();
    if (program.empty()) return search;
    const fs::path bin = program.parent_path();
    // Built into the build tree's program folder: the data of the sources it was built from.
    if (sameFolder(bin, FLOCK_BUILD_PROGRAM_DIR)) search.buildTreeData = FLOCK_SOURCE_DATA_DIR;
    else search.installedData = (bin / FLOCK_INSTALLED_DATA_FROM_PROGRAM).lexically_normal();
    return search;
}

}  // namespace flock
