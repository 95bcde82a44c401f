// The flock's command line and where it finds its data.
#include "app/cli/FlockOptions.h"
#include <gtest/gtest.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include "app/cli/DataFolder.h"

namespace flock {
namespace {

namespace fs = std::filesystem;

FlockOptions parse(std::vector<std::string> arguments) { return parseFlockOptions(arguments); }

std::string refusal(std::vector<std::string> arguments) try {
    parseFlockOptions(arguments);
    return "accepted";
} catch (const UsageError& error) {
    return error.what();
}

TEST(FlockOptions, DefaultsAndEveryOptionInBothSpellings) {
    FlockOptions options = parse({});
    EXPECT_FALSE(options.headless || options.help || options.version || options.quiet || options.seed);
    EXPECT_TRUE(options.flock.agentCount == 8 && options.flock.sensors == SensorSource::Setup);
    EXPECT_TRUE(options.seconds == 60 && options.every == 0);
    options = parse({"--headless", "--data", "d", "--agents=256", "--seed", "4294967295", "--seconds", "112.5",
                     "--every=0.5", "--csv", "a.csv", "--svg=b.svg", "--sensors", "s.bin", "--quiet"});
    EXPECT_TRUE(options.headless && options.quiet);
    EXPECT_EQ(options.dataFolder + options.csvFile + options.svgFile + options.flock.sensorFile, "da.csvb.svgs.bin");
    EXPECT_TRUE(options.flock.agentCount == 256 && *options.seed == 4294967295u && options.seconds == 112.5);
    EXPECT_TRUE(options.every == 0.5 && options.flock.sensors == SensorSource::File);
    options = parse({"--agents", "1", "--random-sensors", "--seed=0"});  // the window takes these too
    EXPECT_TRUE(options.flock.agentCount == 1 && options.flock.sensors == SensorSource::Random && *options.seed == 0);
    EXPECT_TRUE(parse({"-h"}).help && parse({"--seconds", "5", "--help"}).help && parse({"--version"}).version);
}

TEST(FlockOptions, BadValuesAndCombinationsAreRefusedWithTheReason) {
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"--agents", "257"}, "--agents needs a whole number from 1 to 256, not '257'"},
        {{"--agents", "8x"}, "--agents needs a whole number from 1 to 256, not '8x'"},
        {{"--seed", "-1"}, "--seed needs a whole number from 0 to 4294967295, not '-1'"},
        {{"--headless", "--every", "0"}, "--every needs a number of seconds above 0 and at most 3600, not '0'"},
        {{"--headless", "--seconds", "-5"}, "--seconds needs a number of seconds above 0 and at most 3600, not '-5'"},
        {{"--headless", "--seconds"}, "--seconds needs a value"},
        {{"--csv", "a.csv"}, "--csv needs --headless"},
        {{"--sensors", "a", "--random-sensors"}, "--sensors and --random-sensors: choose one, once"},
        {{"--headless", "--agents", "16", "--seconds", "1801"}, "a flight of 16 agents can last at most 1800 seconds"},
        {{"flight.csv"}, "unexpected argument 'flight.csv'"},
        {{"-x"}, "unknown option '-x'"},
        {{"--headless", "--csv", "out/f", "--svg", "out/../out/f"},
         "--csv and --svg name one file, 'out/f': give each its own"},
        {{"--quiet=yes"}, "--quiet takes no value"},
        {{"--version", "--frames"}, "unknown option '--frames'"},  // help and version win over the rest alone
        {{"--help=yes"}, "--help takes no value"},
    };
    for (const auto& [arguments, reason] : refused) EXPECT_EQ(refusal(arguments), reason);
    for (const char* bad : {"0", "3600.5", "nan", "inf", "", "1,5"})
        EXPECT_NE(refusal({"--headless", "--seconds", bad}), "accepted") << bad;
    EXPECT_EQ(parse({"--headless", "--agents", "16", "--seconds", "1800"}).seconds, 1800);
    EXPECT_EQ(parse({"--headless", "--seconds", "3600"}).seconds, 3600);
}

class DataFolderTest : public ::testing::Test {
protected:
    DataFolderTest() : root(fs::temp_directory_path() / ("flock_data_" + std::to_string(::getpid()))) {
        for (const char* name : {"work", "build", "installed", "given"}) fs::create_directories(root / name);
    }
    ~DataFolderTest() override { fs::remove_all(root); }
    void setUp(const char* folder) { std::ofstream(root / folder / "vex_flock_setup.txt") << "begin\n"; }
    DataSearch search() { return {{}, root / "work", root / "build", root / "installed"}; }

    fs::path root;
};

TEST_F(DataFolderTest, TheWorkingFolderComesFirstThenTheBuildTreeThenTheInstall) {
    for (const char* folder : {"installed", "build", "work"}) {
        setUp(folder);
        EXPECT_EQ(findDataFolder(search()).folder, root / folder);
    }
}

TEST_F(DataFolderTest, AGivenFolderIsTheOnlyOneLookedAtAndAFailureSaysWhereItLooked) {
    setUp("work");
    DataSearch given = search();
    given.given = root / "given";
    EXPECT_TRUE(findDataFolder(given).folder.empty());  // its message: the command line's test
    setUp("given");
    EXPECT_EQ(findDataFolder(given).folder, root / "given");
    fs::remove(root / "work" / "vex_flock_setup.txt");
    fs::create_directories(root / "work" / "vex_flock_setup.txt");  // a folder of that name is no script
    const DataFolder found = findDataFolder(search());
    EXPECT_TRUE(found.folder.empty());
    EXPECT_EQ(found.problem, "cannot find vex_flock_setup.txt in '" + (root / "work").string() + "', '" +
                                 (root / "build").string() + "' or '" + (root / "installed").string() +
                                 "'; run flock in its data folder or name it with --data DIR");
}

}  // namespace
}  // namespace flock
