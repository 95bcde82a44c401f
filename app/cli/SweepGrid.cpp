#include "app/cli/SweepGrid.h"

#include <stdexcept>

#include "app/cli/SweepRows.h"
#include "app/sim/FlightReport.h"

namespace flock {

std::size_t gridColumnCount() { return 1 + worldSettingTable().size(); }

std::string gridFields(const SweepRow& row) {
    std::string fields = ",";
    fields += row.setup;
    for (const WorldSetting& setting : worldSettingTable()) {
        fields += ',';
        fields += settingText(row.world.*(setting.field));
    }
    return fields;
}

std::string parseGridFields(const std::vector<std::string>& fields, SweepRow& row) {
    if (fields.size() != gridColumnCount()) return "no setup and settings";
    row.grid = true;
    row.setup = fields[0];
    if (row.setup.empty()) return "no setup";
    for (char c : row.setup)
        if (static_cast<unsigned char>(c) < 0x20 || c == '"' || c == 0x7f) return "setup '" + row.setup + "' holds a control character or a quote";
    const std::vector<WorldSetting>& table = worldSettingTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        double value = 0;
        if (!readField(fields[i + 1], value)) return std::string(table[i].name) + " '" + fields[i + 1] + "' is not a number";
        try {
            setWorldSetting(row.world, table[i].name, value);
        } catch (const std::runtime_error& error) {
            return error.what();
        }
    }
    return {};
}

}  // namespace flock
