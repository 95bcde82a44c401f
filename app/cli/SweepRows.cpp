#include "app/cli/SweepRows.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <tuple>
#include <utility>

#include "app/sim/FlightReport.h"
#include "app/sim/WorldSettings.h"
#include "app/cli/FlockOptions.h"
#include "app/cli/SweepStatistics.h"
#include "support/SvgWriter.h"

namespace flock {

namespace {

using support::SvgDocument;
using support::SvgPoint;

constexpr std::size_t kFixedColumns = 6 + kFigureCount;

// Rounding may take a polarisation a hair past 1.
constexpr double kRangeSlack = 1e-9;

bool holdsControlByte(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}


std::string secondsText(double seconds) { return format("%g", seconds); }

// The columns of a grid's rows: the setup, then every world setting.
const std::vector<std::string>& gridColumnNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all = {"setup"};
        for (const WorldSetting& setting : worldSettingTable()) all.push_back(setting.name);
        return all;
    }();
    return names;
}

// The value a column has in a flight that did not set it; nothing for a column unknown.
std::optional<std::string> defaultOf(const std::string& column) {
    if (column == "setup") return std::string(kDefaultSetupLabel);
    if (const WorldSetting* setting = findWorldSetting(column)) return settingText(setting->defaultValue);
    return std::nullopt;
}

// A field in a message: quoted, control bytes as \xNN, at most 40 bytes of it.
std::string quoted(const std::string& field) {
    std::string text = "'";
    for (std::size_t i = 0; i < field.size() && i < 40; ++i) {
        const auto byte = static_cast<unsigned char>(field[i]);
        text += byte < 0x20 || byte == 0x7f ? format("\\x%02x", byte) : std::string(1, field[i]);
    }
    return text + (field.size() > 40 ? "...'" : "'");
}

// Why these fields are not a row, or empty.
std::string parseRow(const std::vector<std::string>& fields, std::size_t settingCount, SweepRow& row) {
    const std::size_t columns = kFixedColumns + settingCount;
    if (fields.size() != columns) return format("%zu fields, not %zu", fields.size(), columns);
    if (!readField(fields[0], row.run) || row.run < 0 || row.run >= kMaxSweepRuns)
        return "run " + quoted(fields[0]) + " is not a whole number from 0 to " + std::to_string(kMaxSweepRuns - 1);
    if (!readField(fields[1], row.agents) || row.agents < 1 || row.agents > kMaxAgentCount)
        return "agents " + quoted(fields[1]) + " is not from 1 to " + std::to_string(kMaxAgentCount);
    row.sensors = fields[2];
    if (row.sensors.empty()) return "no sensors";
    if (holdsControlByte(row.sensors)) return "the sensors' name holds a control byte";
    if (!readField(fields[3], row.seconds) || !(row.seconds > 0) || row.seconds > kMaxFlightSeconds)
        return "seconds " + quoted(fields[3]) + " is not a flight's length";
    if (row.seconds * row.agents > kMaxAgentSeconds)
        return format("%d agents cannot fly %g seconds", row.agents, row.seconds);
    if (!readField(fields[4], row.seed)) return "seed " + quoted(fields[4]) + " is not a whole number";
    for (std::size_t i = 0; i < kFigureCount; ++i) {
        const FlightFigure& figure = kFlightFigures[i];
        const std::string& field = fields[5 + i];
        std::int64_t count = 0;
        if (figure.count) {
            if (!readField(field, count) || count < 0 || count > kMaxRowCount)
                return std::string(figure.name) + " " + quoted(field) + " is not a count from 0 to " +
                       std::to_string(kMaxRowCount);
            row.figures[i] = static_cast<double>(count);
            continue;
        }
        if (!readField(field, row.figures[i])) return std::string(figure.name) + " " + quoted(field) + " is not a number";
        const double high = std::min(figure.high + kRangeSlack, kMaxRowFigure);
        if (row.figures[i] < figure.low || row.figures[i] > high)
            return std::string(figure.name) + " " + quoted(field) + " is not from " + settingText(figure.low) + " to " +
                   settingText(std::min(figure.high, kMaxRowFigure));
    }
    if (row.figures[kFailures] > row.figures[kDecisions]) return "more failures than decisions";
    if (!readField(fields[5 + kFigureCount], row.wallSeconds) || row.wallSeconds < 0 || row.wallSeconds > kMaxRowFigure)
        return "wall_seconds " + quoted(fields[5 + kFigureCount]) + " is not a time";
    row.settings.assign(fields.begin() + static_cast<std::ptrdiff_t>(kFixedColumns), fields.end());
    for (std::size_t i = 0; i < row.settings.size(); ++i)
        if (holdsControlByte(row.settings[i])) return "column " + std::to_string(kFixedColumns + i + 1) + " holds a control byte";
    return {};
}

// "# setup SIZE SHA256 NAME"; nothing when the line is not one.
std::optional<FileIdentity> parseIdentity(const std::string& kind, const std::string& rest) {
    const std::vector<std::string> parts = splitText(rest, ' ');
    if (parts.size() < 3) return std::nullopt;
    FileIdentity identity{kind, rest.substr(parts[0].size() + parts[1].size() + 2), 0, parts[1]};
    if (!readField(parts[0], identity.size) || identity.sha256.size() != 64 ||
        identity.sha256.find_first_not_of("0123456789abcdef") != std::string::npos || identity.name.empty())
        return std::nullopt;
    return identity;
}

// --- settings and pairs ---

// The runs of one setting, in run order.
struct Setting {
    int agents = 0;
    std::string sensors;
    double seconds = 0;
    std::vector<std::string> values;  // of the setting columns
    std::vector<const SweepRow*> runs;
};

using SettingKey = std::tuple<int, std::string, double, std::vector<std::string>>;

std::vector<Setting> settingsOf(const std::vector<SweepRow>& rows) {
    std::vector<Setting> settings;
    std::map<SettingKey, std::size_t> index;
    for (const SweepRow& row : rows) {
        auto [at, added] = index.try_emplace({row.agents, row.sensors, row.seconds, row.settings}, settings.size());
        if (added) settings.push_back({row.agents, row.sensors, row.seconds, row.settings, {}});
        settings[at->second].runs.push_back(&row);
    }
    return settings;
}

// The setting columns the tables show: the setup, and the others whose values differ
// between the rows or are not the default.
std::vector<std::size_t> varyingColumns(const std::vector<Setting>& settings, const std::vector<std::string>& names) {
    std::vector<std::size_t> varying;
    for (std::size_t c = 0; c < names.size(); ++c) {
        const std::optional<std::string> usual = defaultOf(names[c]);
        for (const Setting& s : settings)
            if (names[c] == "setup" || s.values[c] != settings.front().values[c] || (usual && s.values[c] != *usual)) {
                varying.push_back(c);
                break;
            }
    }
    return varying;
}

// The figures the summary and the picture show.
std::vector<std::size_t> summedUp() {
    std::vector<std::size_t> figures;
    for (std::size_t i = 0; i < kFigureCount; ++i)
        if (kFlightFigures[i].summary != nullptr) figures.push_back(i);
    return figures;
}

std::vector<double> valuesOf(const std::vector<const SweepRow*>& runs, std::size_t figure) {
    std::vector<double> values;
    for (const SweepRow* run : runs) values.push_back(run->figures[figure]);
    return values;
}

struct PairFigure {
    Spread spread;
    std::size_t wins = 0;
};

// Two settings that differ along one axis (the sensors, or a setting column such as
// the setup), over their common seeds.
struct Pair {
    std::size_t first = 0, second = 0;
    std::optional<std::size_t> column;  // the setting column compared; none: the sensors
    std::size_t seeds = 0;
    std::vector<PairFigure> figures;  // by summedUp()
};

// The setting columns that are compared like the sensors.
std::vector<std::size_t> pairedColumns(const std::vector<std::string>& settingNames) {
    std::vector<std::size_t> columns;
    for (std::size_t c = 0; c < settingNames.size(); ++c)
        if (settingNames[c] == "setup") columns.push_back(c);
    return columns;
}

std::vector<Pair> pairsOf(const std::vector<Setting>& settings, const std::vector<std::string>& settingNames) {
    // The settings alike but for one axis, bucketed, so that many settings cost no more
    // than their pairs.
    std::vector<std::tuple<std::size_t, std::size_t, std::optional<std::size_t>>> found;
    std::vector<std::optional<std::size_t>> axes = {std::nullopt};
    for (std::size_t c : pairedColumns(settingNames)) axes.emplace_back(c);
    std::size_t count = 0;
    for (const std::optional<std::size_t>& axis : axes) {
        std::map<SettingKey, std::vector<std::size_t>> buckets;
        for (std::size_t i = 0; i < settings.size(); ++i) {
            const Setting& s = settings[i];
            SettingKey key{s.agents, axis ? s.sensors : std::string(), s.seconds, s.values};
            if (axis) std::get<3>(key)[*axis].clear();
            buckets[key].push_back(i);
        }
        for (const auto& [key, members] : buckets) {
            count += members.size() * (members.size() - 1) / 2;
            if (count > kMaxPairs)
                throw RowFileError("more than " + std::to_string(kMaxPairs) +
                                   " pairs of settings to compare: summarize fewer settings at once");
            for (std::size_t a = 0; a < members.size(); ++a)
                for (std::size_t b = a + 1; b < members.size(); ++b) found.emplace_back(members[a], members[b], axis);
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<Pair> pairs;
    for (const auto& [i, j, axis] : found) {
        std::map<unsigned, const SweepRow*> bySeed;
        for (const SweepRow* run : settings[j].runs) bySeed.emplace(run->seed, run);
        std::vector<std::pair<const SweepRow*, const SweepRow*>> matched;
        for (const SweepRow* run : settings[i].runs)
            if (auto other = bySeed.find(run->seed); other != bySeed.end()) matched.emplace_back(run, other->second);
        if (matched.empty()) continue;
        Pair pair{i, j, axis, matched.size(), {}};
        for (std::size_t f : summedUp()) {
            std::vector<double> differences;
            PairFigure figure;
            for (const auto& [a, b] : matched) {
                const double d = a->figures[f] - b->figures[f];
                differences.push_back(d);
                if (kFlightFigures[f].higherIsBetter ? d > 0 : d < 0) figure.wins += 1;
            }
            figure.spread = spreadOf(differences);
            pair.figures.push_back(figure);
        }
        pairs.push_back(std::move(pair));
    }
    return pairs;
}

// The value of a pair's axis in a setting.
const std::string& axisValue(const Setting& setting, const std::optional<std::size_t>& axis) {
    return axis ? setting.values[*axis] : setting.sensors;
}

// A spread held to what the figure (or, for a difference, the difference of two) can be.
struct Clamped {
    Spread spread;
    bool clamped = false;
};
Clamped clampedTo(Spread spread, std::size_t figure, bool difference) {
    const FlightFigure& range = kFlightFigures[figure];
    const double low = difference ? range.low - range.high : range.low;
    const double high = difference ? range.high - range.low : range.high;
    Clamped result{spread, false};
    for (double* v : {&result.spread.mean, &result.spread.low, &result.spread.high}) {
        if (std::isnan(*v)) continue;
        const double held = std::clamp(*v, low, high);
        result.clamped = result.clamped || std::fabs(held - *v) > kRangeSlack;  // not for rounding's hair
        *v = held;
    }
    return result;
}

// --- the table ---

std::string number(const char* pattern, double value) {
    if (std::isnan(value)) return "-";
    // No "-0.000" for a difference that rounds to nothing.
    std::string text = format(pattern, value);
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);
    return text;
}

std::string interval(const char* pattern, const Clamped& held) {
    if (std::isnan(held.spread.low)) return "-";
    return number(pattern, held.spread.low) + " to " + number(pattern, held.spread.high) + (held.clamped ? "*" : "");
}

// Columns padded to their widest cell, two spaces between: the names in the columns
// `textColumns` to the left, the numbers to the right.
std::string alignedTable(const std::vector<std::vector<std::string>>& lines, const std::vector<std::size_t>& textColumns) {
    std::vector<std::size_t> widths;
    for (const auto& cells : lines) {
        widths.resize(std::max(widths.size(), cells.size()));
        for (std::size_t c = 0; c < cells.size(); ++c) widths[c] = std::max(widths[c], cells[c].size());
    }
    std::string text;
    for (const auto& cells : lines) {
        std::string line;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (c > 0) line += "  ";
            const std::string pad(widths[c] - cells[c].size(), ' ');
            const bool left = std::find(textColumns.begin(), textColumns.end(), c) != textColumns.end();
            line += left ? cells[c] + pad : pad + cells[c];
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        text += line + '\n';
    }
    return text;
}

// The shown columns whose every value is a number, aligned to the right.
bool numberColumn(const std::vector<Setting>& settings, std::size_t c) {
    return std::all_of(settings.begin(), settings.end(), [&](const Setting& s) {
        double v = 0;
        return readField(s.values[c], v);
    });
}

// The note under a table with clamped intervals.
std::string clampNote(const std::vector<bool>& clamped) {
    std::string ranges;
    for (std::size_t f = 0; f < kFigureCount; ++f)
        if (clamped[f]) ranges += std::string(ranges.empty() ? "" : ", ") + kFlightFigures[f].range;
    return ranges.empty() ? "" : "* clamped to what the figure can be: " + ranges + "\n";
}

std::string settingsTable(const std::vector<Setting>& settings, const std::vector<std::string>& names,
                          const std::vector<std::size_t>& shown) {
    std::vector<std::vector<std::string>> lines;
    std::vector<std::string> header = {"agents", "sensors", "seconds"};
    for (std::size_t c : shown) header.push_back(names[c]);
    header.push_back("runs");
    for (std::size_t f : summedUp()) header.insert(header.end(), {kFlightFigures[f].summary, "sd", "95% interval"});
    header.push_back("failures");
    lines.push_back(header);
    std::vector<bool> clamped(kFigureCount, false);
    for (const Setting& setting : settings) {
        std::vector<std::string> cells = {std::to_string(setting.agents), setting.sensors, secondsText(setting.seconds)};
        for (std::size_t c : shown) cells.push_back(setting.values[c]);
        cells.push_back(std::to_string(setting.runs.size()));
        for (std::size_t f : summedUp()) {
            const char* pattern = kFlightFigures[f].stored;
            const Spread raw = spreadOf(valuesOf(setting.runs, f));
            const Clamped held = clampedTo(raw, f, false);
            clamped[f] = clamped[f] || held.clamped;
            cells.insert(cells.end(), {number(pattern, held.spread.mean), number(pattern, raw.deviation),
                                       interval(pattern, held)});
        }
        double failures = 0;
        for (const SweepRow* run : setting.runs) failures += run->figures[kFailures];
        cells.push_back(format("%.0f", failures));
        lines.push_back(cells);
    }
    std::vector<std::size_t> textColumns = {1};
    for (std::size_t i = 0; i < shown.size(); ++i)
        if (!numberColumn(settings, shown[i])) textColumns.push_back(3 + i);
    return alignedTable(lines, textColumns) + clampNote(clamped);
}

std::string pairedTable(const std::vector<Setting>& settings, const std::vector<Pair>& pairs,
                        const std::vector<std::string>& names, const std::vector<std::size_t>& shown) {
    if (pairs.empty()) return {};
    // The sensors are a column of their own once pairs compare something else.
    const bool sensorsShown = std::any_of(pairs.begin(), pairs.end(), [](const Pair& p) { return p.column.has_value(); });
    std::vector<std::vector<std::string>> lines;
    std::vector<std::string> header = {"agents", "seconds"};
    if (sensorsShown) header.push_back("sensors");
    for (std::size_t c : shown) header.push_back(names[c]);
    header.insert(header.end(), {"first - second", "seeds"});
    for (std::size_t f : summedUp()) header.insert(header.end(), {kFlightFigures[f].summary, "95% interval", "wins"});
    lines.push_back(header);
    std::vector<bool> clamped(kFigureCount, false);
    for (const Pair& pair : pairs) {
        const Setting& first = settings[pair.first];
        std::vector<std::string> cells = {std::to_string(first.agents), secondsText(first.seconds)};
        if (sensorsShown) cells.push_back(pair.column ? first.sensors : "");
        for (std::size_t c : shown) cells.push_back(pair.column == c ? "" : first.values[c]);
        cells.push_back(axisValue(first, pair.column) + " - " + axisValue(settings[pair.second], pair.column));
        cells.push_back(std::to_string(pair.seeds));
        for (std::size_t k = 0; k < summedUp().size(); ++k) {
            const std::size_t f = summedUp()[k];
            const Clamped held = clampedTo(pair.figures[k].spread, f, true);
            clamped[f] = clamped[f] || held.clamped;
            cells.insert(cells.end(), {number(kFlightFigures[f].stored, held.spread.mean),
                                       interval(kFlightFigures[f].stored, held), std::to_string(pair.figures[k].wins)});
        }
        lines.push_back(cells);
    }
    const std::size_t before = 2 + (sensorsShown ? 1 : 0);
    std::vector<std::size_t> textColumns = {before + shown.size()};
    if (sensorsShown) textColumns.push_back(2);
    for (std::size_t i = 0; i < shown.size(); ++i)
        if (!numberColumn(settings, shown[i])) textColumns.push_back(before + i);
    return alignedTable(lines, textColumns) + clampNote(clamped);
}

}  // namespace

std::string shellQuoted(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) {
        if (!text.empty()) text += ' ';
        const bool plain = !argument.empty() && argument.find_first_not_of(
                                                    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                    "0123456789_./:=,@%+-") == std::string::npos;
        if (plain) {
            text += argument;
        } else if (holdsControlByte(argument)) {
            text += "$'";
            for (char c : argument) {
                const auto byte = static_cast<unsigned char>(c);
                if (byte < 0x20 || byte == 0x7f || c == '\'' || c == '\\') text += format("\\x%02x", byte);
                else text += c;
            }
            text += "'";
        } else {
            text += "'";
            for (char c : argument) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
            text += "'";
        }
    }
    return text;
}

std::string provenanceLines(const Provenance& provenance) {
    std::string text = "# flock " + provenance.version + "\n# command: " + provenance.command + "\n";
    for (const FileIdentity& file : provenance.files)
        text += "# " + file.kind + " " + std::to_string(file.size) + " " + file.sha256 + " " + file.name + "\n";
    return text;
}

std::string sweepRowsHeader(const std::vector<std::string>& settingNames) {
    std::string header = "run,agents,sensors,seconds,seed";
    header += figureColumns() + ",wall_seconds";
    for (const std::string& name : settingNames) header += "," + name;
    return header + "\n";
}

std::string sweepRowsHeader(bool grid) { return sweepRowsHeader(grid ? gridColumnNames() : std::vector<std::string>()); }

std::string sweepRowLine(const SweepRow& row) {
    std::string line = std::to_string(row.run) + "," + std::to_string(row.agents) + "," + row.sensors + "," +
                       settingText(row.seconds) + "," + std::to_string(row.seed);
    line += figureFields(row.figures) + format(",%.3f", row.wallSeconds);
    if (row.grid) line += gridFields(row);
    else
        for (const std::string& value : row.settings) line += "," + value;
    return line + "\n";
}

SweepRow sweepRow(std::int64_t run, int agents, const std::string& sensors, double seconds, unsigned seed,
                  const FlightFigures& figures, double wallSeconds) {
    SweepRow row;
    row.run = run, row.agents = agents, row.sensors = sensors, row.seconds = seconds, row.seed = seed;
    row.figures = valuesOf(figures);
    row.wallSeconds = wallSeconds;
    return row;
}

std::vector<SweepRow> readSweepRows(const std::string& text, const std::string& fileName) {
    return readRowFile(text, fileName).rows;
}

RowFile readRowFile(const std::string& text, const std::string& fileName) {
    std::vector<std::string> lines = splitText(text, '\n');
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    auto fail = [&](std::size_t line, const std::string& why) {
        throw RowFileError(fileName + ":" + std::to_string(line) + ": not a sweep row file: " + why);
    };
    if (lines.empty()) fail(1, "it is empty");
    RowFile file;
    file.name = fileName;
    std::size_t at = 0;
    if (!lines[0].starts_with("# flock "))
        fail(1, "no provenance: a row file starts with '# flock VERSION', as flock writes it");
    for (; at < lines.size() && lines[at].starts_with("#"); ++at) {
        const std::string& line = lines[at];
        if (holdsControlByte(line)) fail(at + 1, "a control byte in a comment line");
        if (at == 0) {
            file.provenance.version = line.substr(8);
        } else if (line.starts_with("# command: ")) {
            file.provenance.command = line.substr(11);
        } else {
            for (const char* kind : {"setup", "sensors"}) {
                const std::string lead = std::string("# ") + kind + " ";
                if (!line.starts_with(lead)) continue;
                const std::optional<FileIdentity> identity = parseIdentity(kind, line.substr(lead.size()));
                if (!identity) fail(at + 1, "not '" + lead + "SIZE SHA256 NAME'");
                file.provenance.files.push_back(*identity);
            }
        }
    }
    const std::string fixed = sweepRowsHeader();
    if (at == lines.size() || !(lines[at] + "\n").starts_with(fixed.substr(0, fixed.size() - 1)))
        fail(at + 1, "the header is not '" + fixed.substr(0, fixed.size() - 1) + "'");
    const std::vector<std::string> columns = splitText(lines[at], ',');
    file.settingNames.assign(columns.begin() + static_cast<std::ptrdiff_t>(kFixedColumns), columns.end());
    if (lines[at] + "\n" != sweepRowsHeader(file.settingNames))
        fail(at + 1, "the header is not '" + fixed.substr(0, fixed.size() - 1) + "'");
    for (const std::string& name : file.settingNames)
        if (name.empty() || holdsControlByte(name)) fail(at + 1, "a column without a name");
    for (std::size_t i = at + 1; i < lines.size(); ++i) {
        SweepRow row;
        std::string problem = parseRow(splitText(lines[i], ','), file.settingNames.size(), row);
        // A grid's settings must be ones a flight can have.
        if (problem.empty() && file.settingNames == gridColumnNames()) {
            problem = parseGridFields(row.settings, row);
            if (problem.empty()) row.settings = splitText(gridFields(row).substr(1), ',');  // as the grid writes them
        }
        if (!problem.empty()) fail(i + 1, problem);
        row.origin = fileName + ":" + std::to_string(i + 1);
        file.rows.push_back(std::move(row));
    }
    return file;
}

MergedRows mergeRowFiles(const std::vector<RowFile>& files) {
    MergedRows merged;
    const RowFile* widest = &files.front();
    for (const RowFile& file : files)
        if (file.settingNames.size() > widest->settingNames.size()) widest = &file;
    merged.settingNames = widest->settingNames;
    // Rows without setting columns flew with the defaults.
    std::vector<std::string> defaults;
    for (const std::string& name : merged.settingNames) defaults.push_back(defaultOf(name).value_or(std::string()));
    std::vector<SweepRow>& rows = merged.rows;
    std::map<std::pair<std::string, std::string>, std::pair<FileIdentity, std::string>> identities;
    for (const RowFile& file : files) {
        const bool plain = file.settingNames.empty() &&
                           std::none_of(defaults.begin(), defaults.end(), [](const std::string& d) { return d.empty(); });
        if (file.settingNames != merged.settingNames && !plain)
            throw RowFileError(file.name + ": its columns are not those of " + widest->name);
        for (const FileIdentity& identity : file.provenance.files) {
            auto [at, added] = identities.try_emplace({identity.kind, identity.name}, identity, file.name);
            const FileIdentity& known = at->second.first;
            if (!added && known != identity)
                throw RowFileError(file.name + ": its " + identity.kind + " '" + identity.name + "' (" +
                                   std::to_string(identity.size) + " bytes, SHA-256 " + identity.sha256.substr(0, 12) +
                                   "...) is not the one of " + at->second.second + " (" + std::to_string(known.size) +
                                   " bytes, SHA-256 " + known.sha256.substr(0, 12) + "...)");
        }
        const std::size_t first = rows.size();
        rows.insert(rows.end(), file.rows.begin(), file.rows.end());
        if (file.settingNames != merged.settingNames)
            for (std::size_t i = first; i < rows.size(); ++i) rows[i].settings = defaults;
    }
    std::stable_sort(rows.begin(), rows.end(), [](const SweepRow& a, const SweepRow& b) { return a.run < b.run; });
    // One flight is one sample: the same settings and seed twice is a run held twice.
    std::map<std::tuple<SettingKey, unsigned>, const SweepRow*> flown;
    for (const SweepRow& row : rows) {
        auto [at, added] = flown.try_emplace({{row.agents, row.sensors, row.seconds, row.settings}, row.seed}, &row);
        if (!added) throw RowFileError(row.origin + ": run " + std::to_string(row.run) + " is also at " + at->second->origin);
    }
    return merged;
}

Provenance mergedProvenance(const std::vector<RowFile>& files, const std::string& command) {
    Provenance merged;
    merged.version = files.empty() ? "" : files.front().provenance.version;
    merged.command = command;
    for (const RowFile& file : files)
        for (const FileIdentity& identity : file.provenance.files)
            if (std::find(merged.files.begin(), merged.files.end(), identity) == merged.files.end())
                merged.files.push_back(identity);
    return merged;
}

std::string sweepSummary(const std::vector<SweepRow>& rows, const std::vector<std::string>& settingNames) {
    const std::vector<Setting> settings = settingsOf(rows);
    const std::vector<std::size_t> shown = varyingColumns(settings, settingNames);
    std::string text = settingsTable(settings, settingNames, shown);
    const std::string paired = pairedTable(settings, pairsOf(settings, settingNames), settingNames, shown);
    if (!paired.empty()) text += "\n" + paired;
    return text;
}

std::string sweepPairsCsv(const std::vector<SweepRow>& rows, const std::vector<std::string>& settingNames) {
    const std::vector<Setting> settings = settingsOf(rows);
    std::string text = "along,first,second,agents,sensors,seconds";
    for (const std::string& name : settingNames) text += "," + name;
    text += ",seeds";
    for (std::size_t f : summedUp()) {
        const std::string name = kFlightFigures[f].name;
        text += "," + name + "," + name + "_low," + name + "_high," + name + "_wins";
    }
    text += "\n";
    for (const Pair& pair : pairsOf(settings, settingNames)) {
        const Setting& first = settings[pair.first];
        std::vector<std::string> cells = {pair.column ? settingNames[*pair.column] : std::string("sensors"),
                                          axisValue(first, pair.column), axisValue(settings[pair.second], pair.column),
                                          std::to_string(first.agents), pair.column ? first.sensors : std::string(),
                                          settingText(first.seconds)};
        for (std::size_t c = 0; c < settingNames.size(); ++c) cells.push_back(pair.column == c ? std::string() : first.values[c]);
        cells.push_back(std::to_string(pair.seeds));
        const auto cell = [](double v) { return std::isnan(v) ? std::string() : settingText(v); };
        for (const PairFigure& figure : pair.figures)
            cells.insert(cells.end(), {cell(figure.spread.mean), cell(figure.spread.low), cell(figure.spread.high),
                                       std::to_string(figure.wins)});
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (c > 0) text += ',';
            text += cells[c];
        }
        text += '\n';
    }
    return text;
}

// --- the picture ---

std::vector<double> niceTicks(double low, double high, int wanted) {
    if (!(high > low) || !std::isfinite(low) || !std::isfinite(high)) return {low};
    const double rough = (high - low) / std::max(1, wanted);
    int exponent = static_cast<int>(std::floor(std::log10(rough)));
    double multiple = 10;
    for (double m : {1.0, 2.0, 5.0})
        if (m * std::pow(10.0, exponent) >= rough * (1 - 1e-12)) {
            multiple = m;
            break;
        }
    // Each tick as a whole number times a power of ten, so that 0.6 is 0.6 and not 3 x 0.2.
    const auto tick = [&](double k) {
        return exponent >= 0 ? k * multiple * std::pow(10.0, exponent) : k * multiple / std::pow(10.0, -exponent);
    };
    const double step = tick(1);
    std::vector<double> ticks;
    for (double k = std::ceil(low / step - 1e-9); tick(k) <= high + step * 1e-9; k += 1) ticks.push_back(tick(k) + 0.0);
    return ticks;
}

namespace {

struct Scale {
    double low = 0, high = 1;
    double from = 0, to = 0;  // in the picture
    double at(double v) const { return from + (v - low) / (high - low) * (to - from); }
};

// An axis from `low` to `high`, widened to whole ticks but kept within what the values can be.
Scale axisFor(double low, double high, double floor, double ceiling, double from, double to) {
    if (!std::isfinite(low)) low = high = 0;  // nothing to show
    if (!(high > low)) {
        const double half = std::max(std::fabs(low) * 0.1, 0.5);
        low -= half;
        high += half;
    }
    const std::vector<double> ticks = niceTicks(low, high);
    const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 1;
    low = std::floor(low / step + 1e-9) * step;
    high = std::ceil(high / step - 1e-9) * step;
    return {std::max(low, floor), std::min(high, ceiling), from, to};
}

std::string tickText(double v) { return format("%g", std::fabs(v) < 1e-12 ? 0.0 : v); }

void drawFrame(SvgDocument& doc, const Scale& x, const Scale& y, bool numberedX) {
    doc.rect(x.from, y.to, x.to - x.from, y.from - y.to, "none", "#999999");
    for (double v : niceTicks(y.low, y.high)) {
        doc.line(x.from - 4, y.at(v), x.from, y.at(v), "#999999");
        doc.text(x.from - 6, y.at(v) + 4, tickText(v), 10, "end", "#333333");
    }
    if (!numberedX) return;
    for (double v : niceTicks(x.low, x.high)) {
        doc.line(x.at(v), y.from, x.at(v), y.from + 4, "#999999");
        doc.text(x.at(v), y.from + 16, tickText(v), 10, "middle", "#333333");
    }
}

// "agents, sensors, seconds s" and the settings shown, without the column `leftOut`
// (or, with `withoutSensors`, the sensors).
std::string settingLabel(const Setting& s, const std::vector<std::size_t>& shown, const std::vector<std::string>& names,
                         std::optional<std::size_t> leftOut = std::nullopt, bool withoutSensors = false) {
    std::string label = format("%d, ", s.agents) + (withoutSensors ? "" : s.sensors + ", ") + secondsText(s.seconds) + " s";
    for (std::size_t c : shown)
        if (c != leftOut) label += ", " + names[c] + "=" + s.values[c];
    return label;
}

constexpr const char* kLineColours[] = {"#cc3333", "#3366cc", "#339933", "#cc8800", "#8833cc", "#009999"};

// Each setting's runs as dots beside its mean and interval, one setting after another.
void drawCategoryPanel(SvgDocument& doc, const std::vector<Setting>& settings, const std::vector<std::string>& labels,
                       std::size_t figure, double left, double top, double width, double height) {
    double low = INFINITY, high = -INFINITY;
    std::vector<Spread> spreads;
    for (const Setting& setting : settings) {
        spreads.push_back(clampedTo(spreadOf(valuesOf(setting.runs, figure)), figure, false).spread);
        for (const SweepRow* run : setting.runs) {
            low = std::min(low, run->figures[figure]);
            high = std::max(high, run->figures[figure]);
        }
        if (!std::isnan(spreads.back().low)) {
            low = std::min(low, spreads.back().low);
            high = std::max(high, spreads.back().high);
        }
    }
    const FlightFigure& range = kFlightFigures[figure];
    const Scale x{0, 1, left + 64, left + width - 10};
    const Scale y = axisFor(low, high, range.low, range.high, top + height - 40, top + 28);
    doc.text(left + width / 2, top + 18, std::string(kFlightFigures[figure].summary) + ": runs, means and 95% intervals", 13, "middle");
    drawFrame(doc, x, y, false);
    const double step = (x.to - x.from) / static_cast<double>(settings.size());
    for (std::size_t s = 0; s < settings.size(); ++s) {
        const double centre = x.from + step * (static_cast<double>(s) + 0.5);
        doc.text(centre, y.from + 16, labels[s], 10, "middle", "#333333");
        // The runs spread a little sideways, in run order, so that equal values stay apart.
        const auto& runs = settings[s].runs;
        for (std::size_t r = 0; r < runs.size(); ++r) {
            const double offset = (static_cast<double>(r % 9) - 4) * std::min(step * 0.04, 4.0);
            doc.circle(centre - step * 0.15 + offset, y.at(runs[r]->figures[figure]), 2, "#7799cc");
        }
        const Spread& spread = spreads[s];
        if (!std::isnan(spread.low)) {
            const double at = centre + step * 0.15;
            doc.line(at, y.at(spread.low), at, y.at(spread.high), "#000000", 1.5);
            doc.line(at - 5, y.at(spread.low), at + 5, y.at(spread.low), "#000000", 1.5);
            doc.line(at - 5, y.at(spread.high), at + 5, y.at(spread.high), "#000000", 1.5);
        }
        doc.circle(centre + step * 0.15, y.at(spread.mean), 3.5, "#cc3333");
    }
}

// One line of a swept panel: at each value of the swept number, a spread and the
// values it was made of.
struct CurvePoint {
    double x = 0;
    Spread spread;
    std::vector<double> values;
};
struct Curve {
    std::string label;
    std::vector<CurvePoint> points;
};

// Each curve's means against the swept number, its 95 % band and its values as faint
// dots, within [floor, ceiling]; with `zeroLine`, a dashed line at 0.
void drawCurves(SvgDocument& doc, std::vector<Curve> curves, const std::string& title, const std::string& xName,
                double floor, double ceiling, bool zeroLine, double left, double top, double width, double height) {
    double xLow = INFINITY, xHigh = -INFINITY, low = zeroLine ? 0 : INFINITY, high = zeroLine ? 0 : -INFINITY;
    for (Curve& curve : curves) {
        std::sort(curve.points.begin(), curve.points.end(), [](const auto& a, const auto& b) { return a.x < b.x; });
        for (const CurvePoint& p : curve.points) {
            xLow = std::min(xLow, p.x), xHigh = std::max(xHigh, p.x);
            for (double v : p.values) low = std::min(low, v), high = std::max(high, v);
            for (double v : {p.spread.mean, p.spread.low, p.spread.high})
                if (!std::isnan(v)) low = std::min(low, v), high = std::max(high, v);
        }
    }
    const Scale x = axisFor(xLow, xHigh, -INFINITY, INFINITY, left + 64, left + width - 200);
    const Scale y = axisFor(low, high, floor, ceiling, top + height - 40, top + 28);
    doc.text(left + width / 2, top + 18, title, 13, "middle");
    drawFrame(doc, x, y, true);
    doc.text((x.from + x.to) / 2, y.from + 32, xName, 11, "middle", "#333333");
    if (zeroLine) doc.line(x.from, y.at(0), x.to, y.at(0), "#666666", 1, true);
    for (std::size_t g = 0; g < curves.size(); ++g) {
        const char* colour = kLineColours[g % std::size(kLineColours)];
        std::vector<SvgPoint> means, upper, lower;
        for (const CurvePoint& p : curves[g].points) {
            const double at = x.at(p.x);
            for (double v : p.values) doc.circle(at, y.at(v), 1.5, "#bbbbbb");
            const Spread& spread = p.spread;
            means.push_back({at, y.at(spread.mean)});
            upper.push_back({at, y.at(std::isnan(spread.high) ? spread.mean : spread.high)});
            lower.push_back({at, y.at(std::isnan(spread.low) ? spread.mean : spread.low)});
        }
        std::vector<SvgPoint> band = upper;
        band.insert(band.end(), lower.rbegin(), lower.rend());
        doc.polygon(band, colour, 0.2);
        doc.polyline(means, colour, 2);
        const double row = top + 40 + 14.0 * static_cast<double>(g);
        doc.line(x.to + 12, row, x.to + 28, row, colour, 2);
        doc.text(x.to + 32, row + 4, curves[g].label, 10, "start", "#333333");
    }
}

double numberOf(const std::string& text) {
    double v = 0;
    readField(text, v);
    return v;
}

// A curve per group of settings alike but for the swept column.
void drawSweptPanel(SvgDocument& doc, const std::vector<Setting>& settings, std::size_t column,
                    const std::vector<std::size_t>& shown, const std::vector<std::string>& names, std::size_t figure,
                    double left, double top, double width, double height) {
    std::vector<Curve> curves;
    std::map<std::string, std::size_t> index;
    for (const Setting& setting : settings) {
        const std::string label = settingLabel(setting, shown, names, column);
        auto [at, added] = index.try_emplace(label, curves.size());
        if (added) curves.push_back({label, {}});
        const std::vector<double> values = valuesOf(setting.runs, figure);
        curves[at->second].points.push_back(
            {numberOf(setting.values[column]), clampedTo(spreadOf(values), figure, false).spread, values});
    }
    const FlightFigure& range = kFlightFigures[figure];
    drawCurves(doc, curves, std::string(kFlightFigures[figure].summary) + " against " + names[column] +
               ": means, 95% bands and runs", names[column], range.low, range.high, false, left, top, width, height);
}

// A curve of paired differences per pair of settings alike but for the swept column.
void drawSweptPairsPanel(SvgDocument& doc, const std::vector<Setting>& settings, const std::vector<Pair>& pairs,
                         std::size_t column, const std::vector<std::size_t>& shown,
                         const std::vector<std::string>& names, std::size_t k, double left, double top, double width,
                         double height) {
    const std::size_t figure = summedUp()[k];
    std::vector<Curve> curves;
    std::map<std::string, std::size_t> index;
    for (const Pair& pair : pairs) {
        const Setting& first = settings[pair.first];
        const std::string label = axisValue(first, pair.column) + " - " + axisValue(settings[pair.second], pair.column) +
                                  ", " + settingLabel(first, shown, names, column, !pair.column);
        auto [at, added] = index.try_emplace(label, curves.size());
        if (added) curves.push_back({label, {}});
        curves[at->second].points.push_back(
            {numberOf(first.values[column]), clampedTo(pair.figures[k].spread, figure, true).spread, {}});
    }
    const FlightFigure& range = kFlightFigures[figure];
    drawCurves(doc, curves, std::string(kFlightFigures[figure].summary) + " against " + names[column] +
               ": paired differences, first - second, with 95% bands", names[column], range.low - range.high,
               range.high - range.low, true, left, top, width, height);
}

// The paired differences of one figure, each with its interval, about a zero line.
void drawPairsPanel(SvgDocument& doc, const std::vector<Setting>& settings, const std::vector<Pair>& pairs,
                    const std::vector<std::size_t>& shown, const std::vector<std::string>& names, std::size_t k,
                    double left, double top, double width, double height) {
    const std::size_t figure = summedUp()[k];
    double low = 0, high = 0;  // zero is always in sight
    std::vector<Spread> spreads;
    for (const Pair& pair : pairs) {
        spreads.push_back(clampedTo(pair.figures[k].spread, figure, true).spread);
        for (double v : {spreads.back().mean, spreads.back().low, spreads.back().high})
            if (!std::isnan(v)) low = std::min(low, v), high = std::max(high, v);
    }
    const FlightFigure& range = kFlightFigures[figure];
    const Scale x{0, 1, left + 64, left + width - 10};
    const Scale y = axisFor(low, high, range.low - range.high, range.high - range.low, top + height - 40, top + 28);
    doc.text(left + width / 2, top + 18, std::string(kFlightFigures[figure].summary) + ": paired differences, first - second, with 95% intervals", 13, "middle");
    drawFrame(doc, x, y, false);
    doc.line(x.from, y.at(0), x.to, y.at(0), "#666666", 1, true);
    const double step = (x.to - x.from) / static_cast<double>(pairs.size());
    for (std::size_t p = 0; p < pairs.size(); ++p) {
        const double centre = x.from + step * (static_cast<double>(p) + 0.5);
        const Setting& first = settings[pairs[p].first];
        const std::string label = axisValue(first, pairs[p].column) + " - " +
                                  axisValue(settings[pairs[p].second], pairs[p].column);
        doc.text(centre, y.from + 16, label, 10, "middle", "#333333");
        doc.text(centre, y.from + 28, settingLabel(first, shown, names, pairs[p].column, !pairs[p].column), 9, "middle", "#666666");
        const Spread& spread = spreads[p];
        if (!std::isnan(spread.low)) {
            doc.line(centre, y.at(spread.low), centre, y.at(spread.high), "#000000", 1.5);
            doc.line(centre - 5, y.at(spread.low), centre + 5, y.at(spread.low), "#000000", 1.5);
            doc.line(centre - 5, y.at(spread.high), centre + 5, y.at(spread.high), "#000000", 1.5);
        }
        doc.circle(centre, y.at(spread.mean), 3.5, "#cc3333");
    }
}

// The first varying setting column whose every value is a number.
std::optional<std::size_t> sweptNumber(const std::vector<Setting>& settings, const std::vector<std::size_t>& shown) {
    for (std::size_t c : shown) {
        bool numbers = true;
        for (const Setting& s : settings) {
            double v = 0;
            numbers = numbers && readField(s.values[c], v);
        }
        if (numbers) return c;
    }
    return std::nullopt;
}

}  // namespace

std::string sweepPicture(const std::vector<SweepRow>& rows, const std::vector<std::string>& settingNames) {
    const std::vector<Setting> settings = settingsOf(rows);
    const std::vector<std::size_t> shown = varyingColumns(settings, settingNames);
    const std::vector<Pair> pairs = pairsOf(settings, settingNames);
    const std::optional<std::size_t> swept = sweptNumber(settings, shown);
    const std::size_t columns = swept ? 0 : std::max(settings.size(), pairs.size());
    const double width = std::max(swept ? 900.0 : 760.0, 74.0 + 140.0 * static_cast<double>(columns));
    const double panel = 240, margin = 10;
    const std::vector<std::size_t> figures = summedUp();
    const std::size_t panels = figures.size() * (pairs.empty() ? 1 : 2);
    SvgDocument doc(width, 40 + static_cast<double>(panels) * panel + margin);
    std::vector<std::string> labels;
    for (const Setting& s : settings) labels.push_back(settingLabel(s, shown, settingNames));
    doc.text(width / 2, 24, format("%zu flights in %zu settings (agents, sensors, seconds", rows.size(), settings.size()) +
             std::string(shown.empty() ? "" : ", ...") + ")", 15, "middle");
    double top = 36;
    for (std::size_t figure : figures) {
        if (swept) drawSweptPanel(doc, settings, *swept, shown, settingNames, figure, margin, top, width - 2 * margin, panel);
        else drawCategoryPanel(doc, settings, labels, figure, margin, top, width - 2 * margin, panel);
        top += panel;
    }
    if (!pairs.empty())
        for (std::size_t k = 0; k < figures.size(); ++k) {
            if (swept) drawSweptPairsPanel(doc, settings, pairs, *swept, shown, settingNames, k, margin, top, width - 2 * margin, panel);
            else drawPairsPanel(doc, settings, pairs, shown, settingNames, k, margin, top, width - 2 * margin, panel);
            top += panel;
        }
    return doc.str();
}

}  // namespace flock
