// The flock's command line and where it finds its data.
#include "app/cli/FlockOptions.h"
#include <gtest/gtest.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
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

TEST(FlockOptions, SettingsSetupsAndGridsAreReadAndCheckedBeforeAnythingFlies) {
    FlockOptions options = parse({"--headless", "--set", "noise=12.5", "--set=think_period=5", "--setup", "mine.txt"});
    EXPECT_EQ(options.flock.world.noise, 12.5);
    EXPECT_EQ(options.flock.world.thinkPeriod, 5);
    EXPECT_EQ(options.sweepChoice.setups.at(0).label, "mine.txt");
    options = parse({"--sweep", "--set", "speed=1,2", "--set", "noise=0:40:9", "--seconds", "5,10", "--setup", "a,b"});
    const SweepChoice& grid = options.sweepChoice;
    ASSERT_EQ(grid.axes.size(), 2u);  // in the settings table's order, not the command line's
    EXPECT_STREQ(grid.axes[0].setting->name, "speed");
    EXPECT_EQ(grid.axes[1].values, (std::vector<double>{0, 5, 10, 15, 20, 25, 30, 35, 40}));
    EXPECT_EQ(grid.seconds, (std::vector<double>{5, 10}));
    EXPECT_TRUE(grid.grid);
    EXPECT_EQ(grid.runCount(), 2 * 9 * 2 * 2 * 10);
    EXPECT_FALSE(parse({"--sweep"}).sweepChoice.grid);  // no setting asked: the rows stay as they were
    EXPECT_EQ(parse({"--sweep", "--set", "noise=0:1:3"}).sweepChoice.axes[0].values.back(), 1);  // the stop exactly

    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"--set", "noise"}, "--set needs NAME=VALUE, not 'noise'"},
        {{"--set", "noise=5", "--set", "noise=6"}, "--set: noise is given twice"},
        {{"--set", "noise=-1"}, "--set: noise must be from 0 to 180 degrees, not -1"},
        {{"--set", "noise=x"}, "--set noise needs a number, not 'x'"},
        {{"--headless", "--set", "noise=1,2"}, "--set noise: several values need --sweep"},
        {{"--sweep", "--set", "noise=0:40:0"}, "--set noise: the count of '0:40:0' must be a whole number from 1 to 1000"},
        {{"--sweep", "--set", "noise=0:40:1001"}, "--set noise: the count of '0:40:1001' must be a whole number from 1 to 1000"},
        {{"--sweep", "--set", "noise=40:0:3"}, "--set noise: the range '40:0:3' stops before it starts"},
        {{"--sweep", "--set", "noise=0:40"}, "--set noise needs START:STOP:COUNT, not '0:40'"},
        {{"--sweep", "--set", "noise=0,200"}, "--set: noise must be from 0 to 180 degrees, not 200"},
        {{"--sweep", "--set", "noise=5,5"}, "--set noise: 5 is given twice"},
        {{"--sweep", "--set", "think_period=1:2:3"}, "--set: think_period must be a whole number, not 1.5"},
        {{"--sweep", "--seconds", "5,5"}, "--seconds: 5 is given twice"},
        {{"--sweep", "--setup", "a,a"}, "--setup: 'a' is given twice"},
        {{"--setup", "a", "--setup", "b"}, "--setup is given twice"},
        {{"--summarize", "f", "--set", "noise=1"}, "--set does not go with --summarize"},
        {{"--sweep", "--set", "noise=0:180:1000", "--set", "speed=0:1:1000"},
         "10000000 runs: a sweep has at most 100000"},
        {{"--sweep", "--seeds", "0-9"}, "--seeds: seed 0 flies as seed 1 does; start at 1, not '0-9'"},
        {{"--data", "a", "--data", "b"}, "--data is given twice"},
        {{"--sweep", "--agents", "16", "--seconds", "60,1801"}, "a flight of 16 agents can last at most 1800 seconds"},
    };
    for (const auto& [arguments, reason] : refused) EXPECT_EQ(refusal(arguments), reason);
    EXPECT_TRUE(parse({"--settings"}).settings);
    EXPECT_EQ(refusal({"--set", "nosie=1"}).rfind("--set: unknown setting 'nosie'; the settings are neighbour_distance", 0), 0u);
}

TEST(FlockOptions, OutputsThatAreOneFileThroughALinkAreRefused) {
    const fs::path folder = fs::temp_directory_path() / ("flock_links_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    fs::create_symlink("rows.csv", folder / "picture.svg");  // to a file not made yet
    fs::create_symlink("picture.svg", folder / "again.svg");  // and a link to that link
    for (const char* svg : {"picture.svg", "again.svg"}) {
        EXPECT_EQ(refusal({"--sweep", "--csv", (folder / "rows.csv").string(), "--svg", (folder / svg).string()}),
                  "--csv and --svg name one file, '" + (folder / "rows.csv").string() + "': give each its own")
            << svg;
    }
    EXPECT_EQ(refusal({"--headless", "--csv", (folder / "other.csv").string(), "--svg", (folder / "picture.svg").string()}),
              "accepted");
    fs::remove_all(folder);
}

// The help's option lines and the reference in docs/flock.md come from the option rows.
TEST(FlockOptions, TheHelpAndTheReferenceFollowTheRows) {
    const std::string help = flockHelp();
    for (const FlockOptionRow& row : flockOptionTable()) {
        if (!row.help) continue;
        const std::string firstLine = std::string(row.help).substr(0, std::string(row.help).find('\n'));
        EXPECT_NE(help.find(firstLine + "\n"), std::string::npos) << row.name;
        EXPECT_EQ(refusal({std::string(row.name) + "=x", "x"}).find("unknown option"), std::string::npos) << row.name;
    }
    std::ifstream file(fs::path(__FILE__).parent_path() / "../../docs/flock.md");
    const std::string doc((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(doc.find(flockOptionReference()), std::string::npos) << flockOptionReference();
    EXPECT_NE(doc.find(worldSettingsReference()), std::string::npos) << worldSettingsReference();
}

// The synopsis comes from the rows' places, and a line of a mode shows only the options
// that go with it.
TEST(FlockOptions, TheUsageComesFromTheRowsAndEachModesLineHoldsItsOwnOptions) {
    EXPECT_EQ(flockUsage(),
              "Usage: flock [--data DIR] [--agents K] [--seed N] [--sensors FILE | --random-sensors]\n"
              "       flock --headless [--seconds S] [--every T] [--csv FILE] [--svg FILE] ...\n"
              "       flock --sweep [--seeds A-B | --seeds S1,S2,...] [--agents K1,K2,...]\n"
              "             [--sensors FILE|setup|random,...] [--jobs N] [--shard K/N] [--csv FILE] [--svg FILE] ...\n"
              "       flock --summarize FILE... [--csv FILE] [--svg FILE] [--pairs FILE]\n"
              "       flock ... [--setup FILE] [--set NAME=VALUE]... | flock --settings\n"
              "       flock --help | --version\n");
    const unsigned lineModes[] = {kWindow, kHeadless, kSweep, kSweep, kSummarize, kAnyMode, kAnyMode};
    for (const FlockOptionRow& row : flockOptionTable())
        for (const UsagePlace& place : row.usage)
            EXPECT_TRUE(row.modes & lineModes[place.slot / 10]) << row.name << " at " << place.slot;
}

// A sweep's sensor words and the pictures' titles come from the one list of kinds.
TEST(FlockOptions, SensorKindsGiveTheSweepsWordsAndTheTitles) {
    const FlockOptions options = parse({"--sweep", "--sensors", "random,setup,mine.bin"});
    ASSERT_EQ(options.sweepChoice.sensors.size(), 3u);
    EXPECT_EQ(options.sweepChoice.sensors[0].source, SensorSource::Random);
    EXPECT_EQ(options.sweepChoice.sensors[1].source, SensorSource::Setup);
    EXPECT_EQ(options.sweepChoice.sensors[2].file, "mine.bin");
    FlockChoice choice;
    EXPECT_EQ(sensorsTitle(choice), "the setup's sensors");
    choice.sensors = SensorSource::File;
    choice.sensorFile = "some/folder/mine.bin";
    EXPECT_EQ(sensorsTitle(choice), "sensors from mine.bin");
    choice.sensors = SensorSource::Random;
    EXPECT_EQ(sensorsTitle(choice), "random sensors");
}

}  // namespace
}  // namespace flock
