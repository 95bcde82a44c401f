#include "app/sim/WorldSettings.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace flock {

namespace {

const WorldSettings kDefaults;

}  // namespace

const std::vector<WorldSetting>& worldSettingTable() {
    static const std::vector<WorldSetting> table = {
        {"neighbour_distance", kDefaults.neighbourDistance, "units", 0, 100, false,
         "neighbours this close push an agent away", &WorldSettings::neighbourDistance},
        {"alignment_threshold", kDefaults.alignmentThreshold, "degrees", 0, 180, false,
         "an agent aligns once its heading is further than this off the others' mean",
         &WorldSettings::alignmentThreshold},
        {"cohesion_threshold", kDefaults.cohesionThreshold, "degrees", 0, 180, false,
         "an agent closes up once the others' centre is further than this off its heading",
         &WorldSettings::cohesionThreshold},
        {"decision_turn", kDefaults.decisionTurn, "degrees", 0, 180, false,
         "how far a left or right decision turns the target heading", &WorldSettings::decisionTurn},
        {"turn_rate", kDefaults.turnRate, "degrees/s", 0, 36000, false,
         "how fast the heading turns towards its target", &WorldSettings::turnRate},
        {"speed", kDefaults.speed, "units/s", 0, 1000, false, "how fast an agent flies", &WorldSettings::speed},
        {"think_period", kDefaults.thinkPeriod, "steps", 1, 1000, true,
         "steering steps (frames) per thinking step", &WorldSettings::thinkPeriod},
        {"thinks_per_decision", kDefaults.thinksPerDecision, "thinks", 1, 1000, true,
         "thinking steps per decision", &WorldSettings::thinksPerDecision},
        {"noise", kDefaults.noise, "degrees", 0, 180, false,
         "each decision's target heading moves by a uniform random turn of up to this either way",
         &WorldSettings::noise},
    };
    return table;
}

const WorldSetting* findWorldSetting(std::string_view name) {
    for (const WorldSetting& row : worldSettingTable())
        if (name == row.name) return &row;
    return nullptr;
}

std::string settingText(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc{} ? std::string(text, end) : std::string("?");
}

void setWorldSetting(WorldSettings& settings, std::string_view name, double value) {
    const WorldSetting* row = findWorldSetting(name);
    if (!row) {
        std::string known;
        for (const WorldSetting& each : worldSettingTable()) known += std::string(known.empty() ? "" : ", ") + each.name;
        throw std::runtime_error("unknown setting '" + std::string(name) + "'; the settings are " + known);
    }
    if (!(value >= row->low && value <= row->high))
        throw std::runtime_error(std::string(row->name) + " must be from " + settingText(row->low) + " to " +
                                 settingText(row->high) + " " + row->unit + ", not " + settingText(value));
    if (row->whole && value != std::floor(value))
        throw std::runtime_error(std::string(row->name) + " must be a whole number, not " + settingText(value));
    settings.*(row->field) = value;
}

std::string changedSettings(const WorldSettings& settings) {
    std::string text;
    for (const WorldSetting& row : worldSettingTable())
        if (settings.*(row.field) != row.defaultValue)
            text += (text.empty() ? "" : ", ") + std::string(row.name) + "=" + settingText(settings.*(row.field));
    return text;
}

std::string worldSettingsHelp() {
    std::string text = "Settings of the world, for --set NAME=VALUE (a sweep also takes V1,V2,... or\n"
                       "START:STOP:COUNT):\n";
    char line[256];
    for (const WorldSetting& row : worldSettingTable()) {
        const std::string range = settingText(row.low) + " to " + settingText(row.high) + (row.whole ? ", whole" : "");
        std::snprintf(line, sizeof line, "  %-20s %-18s %-10s %s\n", row.name, settingText(row.defaultValue).c_str(),
                      row.unit, range.c_str());
        text += line;
        text += std::string(23, ' ') + row.meaning + "\n";
    }
    return text;
}

std::string worldSettingsReference() {
    std::string text = "| setting | default | unit | range | meaning |\n|---|---|---|---|---|\n";
    for (const WorldSetting& row : worldSettingTable())
        text += std::string("| `") + row.name + "` | " + settingText(row.defaultValue) + " | " + row.unit + " | " +
                settingText(row.low) + " to " + settingText(row.high) + (row.whole ? ", whole" : "") + " | " +
                row.meaning + " |\n";
    return text;
}

}  // namespace flock
