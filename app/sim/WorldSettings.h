#pragma once
// The world the flock flies in: how far an agent senses, when it aligns and closes up,
// how far a decision turns it, how fast it turns and flies, how often it thinks and
// decides, and how much chance disturbs its decisions. Defaults are the flock's own
// world; one table names, bounds and explains every setting.

#include <string>
#include <string_view>
#include <vector>

namespace flock {

struct WorldSettings {
    double neighbourDistance = 1.4142135623730951;  // units (the square root of 2): closer ones push away
    double alignmentThreshold = 10;                 // degrees off the others' mean heading before aligning
    double cohesionThreshold = 20;                  // degrees off the bearing to their centre before closing up
    double decisionTurn = 20;                       // degrees a left or right decision turns the target
    double turnRate = 576;                          // degrees a second
    double speed = 7.2;                             // units a second
    double thinkPeriod = 3;                         // steering steps per thinking step
    double thinksPerDecision = 4;                   // thinking steps per decision
    double noise = 0;                               // degrees: each decision's target moves by up to ± this

    bool operator==(const WorldSettings&) const = default;
};

struct WorldSetting {
    const char* name;
    double defaultValue;
    const char* unit;
    double low, high;  // allowed values, both included
    bool whole;        // only whole numbers
    const char* meaning;
    double WorldSettings::*field;
};

// Every setting, in the order of the rows' columns and of `flock --settings`.
const std::vector<WorldSetting>& worldSettingTable();

// The row named so, or null.
const WorldSetting* findWorldSetting(std::string_view name);

// Sets one setting. Raises std::runtime_error for an unknown name (listing the known
// ones), a value outside its range or, for a whole-number setting, a fraction.
void setWorldSetting(WorldSettings& settings, std::string_view name, double value);

// The value as it is written in rows and messages: the shortest text that reads back
// to the same number.
std::string settingText(double value);

// The settings that differ from the defaults, "name=value" each, joined by ", ".
std::string changedSettings(const WorldSettings& settings);

// The table for `flock --settings`: name, default, unit, range and meaning, one a line.
std::string worldSettingsHelp();
// The same as the Markdown table of docs/flock.md.
std::string worldSettingsReference();

}  // namespace flock
