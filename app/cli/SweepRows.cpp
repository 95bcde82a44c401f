#include "app/cli/SweepRows.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <utility>

#include "app/sim/FlightReport.h"
#include "app/cli/FlockOptions.h"
#include "app/cli/SweepStatistics.h"
#include "support/SvgWriter.h"

namespace flock {

namespace {

using tala::interp::SvgDocument;

constexpr std::size_t kColumns = 6 + kFigureCount;

std::vector<std::string> splitText(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// Why these fields are not a row, or empty.
std::string parseRow(std::vector<std::string> fields, SweepRow& row, bool grid) {
    const std::size_t columns = kColumns + (grid ? gridColumnCount() : 0);
    if (fields.size() != columns) return format("%zu fields, not %zu", fields.size(), columns);
    if (grid) {
        const std::string problem = parseGridFields({fields.begin() + kColumns, fields.end()}, row);
        if (!problem.empty()) return problem;
        fields.resize(kColumns);
    }
    if (!readField(fields[0], row.run) || row.run < 0) return "run '" + fields[0] + "' is not a whole number";
    if (!readField(fields[1], row.agents) || row.agents < 1 || row.agents > kMaxAgentCount)
        return "agents '" + fields[1] + "' is not from 1 to " + std::to_string(kMaxAgentCount);
    row.sensors = fields[2];
    if (row.sensors.empty()) return "no sensors";
    if (!readField(fields[3], row.seconds) || !(row.seconds > 0) || row.seconds > kMaxFlightSeconds)
        return "seconds '" + fields[3] + "' is not a flight's length";
    if (!readField(fields[4], row.seed)) return "seed '" + fields[4] + "' is not a whole number";
    for (std::size_t i = 0; i < kFigureCount; ++i) {
        const FlightFigure& figure = kFlightFigures[i];
        const std::string& field = fields[5 + i];
        std::int64_t count = 0;
        if (!figure.count && !readField(field, row.figures[i]))
            return std::string(figure.name) + " '" + field + "' is not a number";
        if (figure.count && (!readField(field, count) || count < 0))
            return std::string(figure.name) + " '" + field + "' is not a count";
        if (figure.count) row.figures[i] = static_cast<double>(count);
    }
    if (!readField(fields[10], row.wallSeconds) || row.wallSeconds < 0)
        return "wall_seconds '" + fields[10] + "' is not a time";
    return {};
}

std::string secondsText(double seconds) { return format("%g", seconds); }

// The runs of one setting, in run order.
struct Setting {
    int agents = 0;
    std::string sensors;
    double seconds = 0;
    std::string grid;  // setup and world settings
    std::vector<const SweepRow*> runs;
    std::string label() const {
        return format("%d, ", agents) + sensors + ", " + secondsText(seconds) + " s" + gridLabel(*runs.front());
    }
};

std::vector<Setting> settingsOf(const std::vector<SweepRow>& rows) {
    std::vector<Setting> settings;
    std::map<std::tuple<int, std::string, double, std::string>, std::size_t> index;
    for (const SweepRow& row : rows) {
        auto [at, added] = index.try_emplace({row.agents, row.sensors, row.seconds, gridKey(row)}, settings.size());
        if (added) settings.push_back({row.agents, row.sensors, row.seconds, gridKey(row), {}});
        settings[at->second].runs.push_back(&row);
    }
    return settings;
}

// The figures the summary and the picture show.
std::vector<std::size_t> summedUp() {
    std::vector<std::size_t> figures;
    for (std::size_t i = 0; i < kFigureCount; ++i)
        if (kFlightFigures[i].summary != nullptr) figures.push_back(i);
    return figures;
}

std::string number(const char* pattern, double value) {
    if (std::isnan(value)) return "-";
    // No "-0.000" for a difference that rounds to nothing.
    std::string text = format(pattern, value);
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);
    return text;
}

std::string interval(const char* pattern, const Spread& spread) {
    if (std::isnan(spread.low)) return "-";
    return number(pattern, spread.low) + " to " + number(pattern, spread.high);
}

// Columns padded to their widest cell, two spaces between: the names in column
// `textColumn` to the left, the numbers to the right.
std::string alignedTable(const std::vector<std::vector<std::string>>& lines, std::size_t textColumn) {
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
            line += c == textColumn ? cells[c] + pad : pad + cells[c];
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        text += line + '\n';
    }
    return text;
}

std::vector<double> valuesOf(const std::vector<const SweepRow*>& runs, std::size_t figure) {
    std::vector<double> values;
    for (const SweepRow* run : runs) values.push_back(run->figures[figure]);
    return values;
}

// The setup and the settings that are not at their default, as columns of the tables,
// when any run has them.
struct GridColumns {
    bool shown = false;
    std::vector<const WorldSetting*> settings;
    explicit GridColumns(const std::vector<Setting>& all) {
        std::vector<const SweepRow*> firstRuns;
        for (const Setting& setting : all) {
            shown = shown || setting.runs.front()->grid;
            firstRuns.push_back(setting.runs.front());
        }
        settings = shownSettings(firstRuns);
    }
    void addHeader(std::vector<std::string>& cells) const {
        if (!shown) return;
        const std::vector<std::string> more = gridHeaderCells(settings);
        cells.insert(cells.end(), more.begin(), more.end());
    }
    void addCells(std::vector<std::string>& cells, const Setting& setting) const {
        if (!shown) return;
        const std::vector<std::string> more = gridCells(*setting.runs.front(), settings);
        cells.insert(cells.end(), more.begin(), more.end());
    }
};

std::string settingsTable(const std::vector<Setting>& settings) {
    std::vector<std::vector<std::string>> lines;
    const GridColumns grid(settings);
    std::vector<std::string> header = {"agents", "sensors", "seconds"};
    grid.addHeader(header);
    header.push_back("runs");
    for (std::size_t f : summedUp()) header.insert(header.end(), {kFlightFigures[f].summary, "sd", "95% interval"});
    header.push_back("failures");
    lines.push_back(header);
    for (const Setting& setting : settings) {
        std::vector<std::string> cells = {std::to_string(setting.agents), setting.sensors, secondsText(setting.seconds)};
        grid.addCells(cells, setting);
        cells.push_back(std::to_string(setting.runs.size()));
        for (std::size_t f : summedUp()) {
            const char* pattern = kFlightFigures[f].stored;
            const Spread spread = spreadOf(valuesOf(setting.runs, f));
            cells.insert(cells.end(), {number(pattern, spread.mean), number(pattern, spread.deviation),
                                       interval(pattern, spread)});
        }
        double failures = 0;
        for (const SweepRow* run : setting.runs) failures += run->figures[kFailures];
        cells.push_back(format("%.0f", failures));
        lines.push_back(cells);
    }
    return alignedTable(lines, 1);
}

std::string pairedTable(const std::vector<Setting>& settings) {
    std::vector<std::vector<std::string>> lines;
    const GridColumns grid(settings);
    std::vector<std::string> header = {"agents", "seconds"};
    grid.addHeader(header);
    header.insert(header.end(), {"first - second", "seeds"});
    for (std::size_t f : summedUp()) header.insert(header.end(), {kFlightFigures[f].summary, "95% interval", "wins"});
    lines.push_back(header);
    for (std::size_t i = 0; i < settings.size(); ++i) {
        for (std::size_t j = i + 1; j < settings.size(); ++j) {
            const Setting& first = settings[i];
            const Setting& second = settings[j];
            if (first.agents != second.agents || first.seconds != second.seconds || first.grid != second.grid) continue;
            std::map<unsigned, const SweepRow*> bySeed;
            for (const SweepRow* run : second.runs) bySeed.emplace(run->seed, run);
            std::vector<std::pair<const SweepRow*, const SweepRow*>> pairs;
            for (const SweepRow* run : first.runs) {
                auto other = bySeed.find(run->seed);
                if (other != bySeed.end()) pairs.emplace_back(run, other->second);
            }
            if (pairs.empty()) continue;
            std::vector<std::string> cells = {std::to_string(first.agents), secondsText(first.seconds)};
            grid.addCells(cells, first);
            cells.insert(cells.end(), {first.sensors + " - " + second.sensors, std::to_string(pairs.size())});
            for (std::size_t f : summedUp()) {
                const FlightFigure& figure = kFlightFigures[f];
                std::vector<double> differences;
                std::size_t wins = 0;
                for (const auto& [a, b] : pairs) {
                    const double d = a->figures[f] - b->figures[f];
                    differences.push_back(d);
                    if (figure.higherIsBetter ? d > 0 : d < 0) wins += 1;
                }
                const Spread spread = spreadOf(differences);
                cells.insert(cells.end(), {number(figure.stored, spread.mean), interval(figure.stored, spread),
                                           std::to_string(wins)});
            }
            lines.push_back(cells);
        }
    }
    return lines.size() > 1 ? alignedTable(lines, grid.shown ? 3 + grid.settings.size() : 2) : std::string();
}

// --- the picture ---

struct Scale {
    double low = 0, high = 1;
    double top = 0, bottom = 0;  // in the picture
    double at(double v) const { return bottom - (v - low) / (high - low) * (bottom - top); }
};

void drawPanel(SvgDocument& doc, const std::vector<Setting>& settings, std::size_t figure, double left, double top,
               double width, double height) {
    const double plotLeft = left + 64, plotRight = left + width - 10, plotTop = top + 28,
                 plotBottom = top + height - 40;
    double low = INFINITY, high = -INFINITY;
    std::vector<Spread> spreads;
    for (const Setting& setting : settings) {
        spreads.push_back(spreadOf(valuesOf(setting.runs, figure)));
        for (const SweepRow* run : setting.runs) {
            low = std::min(low, run->figures[figure]);
            high = std::max(high, run->figures[figure]);
        }
        if (!std::isnan(spreads.back().low)) {
            low = std::min(low, spreads.back().low);
            high = std::max(high, spreads.back().high);
        }
    }
    if (!std::isfinite(low)) low = high = 0;  // no runs at all
    if (!(high > low)) {
        low -= 1;
        high += 1;
    }
    const double pad = (high - low) * 0.05;
    const Scale y{low - pad, high + pad, plotTop, plotBottom};

    doc.text(left + width / 2, top + 18, std::string(kFlightFigures[figure].summary) + ": runs, means and 95% intervals", 13, "middle");
    doc.rect(plotLeft, plotTop, plotRight - plotLeft, plotBottom - plotTop, "none", "#999999");
    for (int t = 0; t <= 4; ++t) {
        const double v = y.low + (y.high - y.low) * t / 4;
        doc.line(plotLeft - 4, y.at(v), plotLeft, y.at(v), "#999999");
        doc.text(plotLeft - 6, y.at(v) + 4, format("%.3g", v), 10, "end", "#333333");
    }
    const double step = (plotRight - plotLeft) / static_cast<double>(settings.size());
    for (std::size_t s = 0; s < settings.size(); ++s) {
        const double centre = plotLeft + step * (static_cast<double>(s) + 0.5);
        doc.text(centre, plotBottom + 16, settings[s].label(), 10, "middle", "#333333");
        // The runs spread a little sideways, in run order, so that equal values stay apart.
        const auto& runs = settings[s].runs;
        for (std::size_t r = 0; r < runs.size(); ++r) {
            const double offset = (static_cast<double>(r % 9) - 4) * std::min(step * 0.04, 4.0);
            doc.circle(centre - step * 0.15 + offset, y.at(runs[r]->figures[figure]), 2, "#7799cc");
        }
        const Spread& spread = spreads[s];
        if (!std::isnan(spread.low)) {
            const double x = centre + step * 0.15;
            doc.line(x, y.at(spread.low), x, y.at(spread.high), "#000000", 1.5);
            doc.line(x - 5, y.at(spread.low), x + 5, y.at(spread.low), "#000000", 1.5);
            doc.line(x - 5, y.at(spread.high), x + 5, y.at(spread.high), "#000000", 1.5);
        }
        doc.circle(centre + step * 0.15, y.at(spread.mean), 3.5, "#cc3333");
    }
}

}  // namespace

std::string sweepRowsHeader(bool grid) {
    std::string header = "run,agents,sensors,seconds,seed";
    for (const FlightFigure& figure : kFlightFigures) header += std::string(",") + figure.name;
    return header + ",wall_seconds" + (grid ? gridHeaderColumns() : "") + "\n";
}

std::string sweepRowLine(const SweepRow& row) {
    std::string line = format("%lld,%d,", static_cast<long long>(row.run), row.agents) + row.sensors +
                       format(",%s,%u", secondsText(row.seconds).c_str(), row.seed);
    for (std::size_t i = 0; i < kFigureCount; ++i) {
        line += ',';
        line += format(kFlightFigures[i].stored, row.figures[i]);
    }
    return line + format(",%.3f", row.wallSeconds) + (row.grid ? gridFields(row) : "") + "\n";
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
    std::vector<std::string> lines = splitText(text, '\n');
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    auto fail = [&](std::size_t line, const std::string& why) {
        throw RowFileError(fileName + ":" + std::to_string(line) + ": not a sweep row file: " + why);
    };
    const std::string header = sweepRowsHeader();
    if (lines.empty()) fail(1, "it is empty");
    const bool grid = lines[0] + '\n' == sweepRowsHeader(true);
    if (!grid && lines[0] + '\n' != header) fail(1, "the header is not '" + header.substr(0, header.size() - 1) + "'");
    std::vector<SweepRow> rows;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        SweepRow row;
        const std::string problem = parseRow(splitText(lines[i], ','), row, grid);
        if (!problem.empty()) fail(i + 1, problem);
        row.origin = fileName + ":" + std::to_string(i + 1);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<SweepRow> mergeSweepRows(std::vector<SweepRow> rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const SweepRow& a, const SweepRow& b) { return a.run < b.run; });
    for (std::size_t i = 1; i < rows.size(); ++i)
        if (rows[i].run == rows[i - 1].run)
            throw RowFileError(rows[i].origin + ": run " + std::to_string(rows[i].run) + " is also at " +
                               rows[i - 1].origin);
    return rows;
}

std::string sweepSummary(const std::vector<SweepRow>& rows) {
    const std::vector<Setting> settings = settingsOf(rows);
    std::string text = settingsTable(settings);
    const std::string paired = pairedTable(settings);
    if (!paired.empty()) text += "\n" + paired;
    return text;
}

std::string sweepPicture(const std::vector<SweepRow>& rows) {
    const std::vector<Setting> settings = settingsOf(rows);
    const double width = std::max(760.0, 74.0 + 140.0 * static_cast<double>(settings.size()));
    const double panel = 240, margin = 10;
    const std::vector<std::size_t> figures = summedUp();
    SvgDocument doc(width, 40 + static_cast<double>(figures.size()) * panel + margin);
    std::size_t runs = rows.size();
    doc.text(width / 2, 24, format("%zu flights in %zu settings (agents, sensors, seconds)", runs, settings.size()), 15,
             "middle");
    double top = 36;
    for (std::size_t figure : figures) {
        drawPanel(doc, settings, figure, margin, top, width - 2 * margin, panel);
        top += panel;
    }
    return doc.str();
}

}  // namespace flock
