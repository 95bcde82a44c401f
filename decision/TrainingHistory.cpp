#include "decision/TrainingHistory.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string_view>

#include "support/FileReplace.h"
#include "support/OutputFile.h"
#include "support/SvgWriter.h"
#include "support/Failure.h"

namespace vex {

namespace {

using support::ChartSeries;
using support::SvgPoint;

constexpr double kPlotWidth = 720;
constexpr double kPlotHeight = 420;

// The shortest text that reads back as the same double; "nan" and "inf" as such.
std::string exactNumber(double value) {
    std::array<char, 64> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    return std::string(buffer.data(), end);
}

std::size_t ruleCount(const TrainingHistory& history) {
    std::size_t count = 0;
    for (const GenerationFitness& generation : history.generations)
        count = std::max(count, generation.bestRules.size());
    return count;
}

bool endsWith(std::string_view name, std::string_view ending) {
    if (name.size() < ending.size()) return false;
    return std::equal(ending.begin(), ending.end(), name.end() - static_cast<std::ptrdiff_t>(ending.size()),
                      [](char wanted, char c) { return std::tolower(static_cast<unsigned char>(c)) == wanted; });
}

ChartSeries curve(const TrainingHistory& history, std::string name, std::string colour, double width,
                  double (*valueOf)(const GenerationFitness&)) {
    ChartSeries series{std::move(name), std::move(colour), {}, width};
    for (std::size_t g = 0; g < history.generations.size(); ++g)
        series.points.push_back({static_cast<double>(g + 1), valueOf(history.generations[g])});
    return series;
}

// Light colours for the rules, so that the population's curves stay in front.
constexpr const char* kRuleColours[] = {"#9f86d6", "#d6a85a", "#6cc0cf", "#d886b8", "#9aa35a", "#a0a0a0"};

}  // namespace

std::string historyCsv(const TrainingHistory& history) {
    const std::size_t rules = ruleCount(history);
    std::string csv = "generation,best,mean,worst";
    for (std::size_t r = 0; r < rules; ++r) csv += ",rule " + std::to_string(r);
    csv += '\n';
    for (std::size_t g = 0; g < history.generations.size(); ++g) {
        const GenerationFitness& generation = history.generations[g];
        csv += std::to_string(g + 1) + ',' + exactNumber(generation.best) + ',' + exactNumber(generation.mean) + ',' +
               exactNumber(generation.worst);
        for (std::size_t r = 0; r < rules; ++r) {
            csv += ',';
            if (r < generation.bestRules.size()) csv += exactNumber(generation.bestRules[r]);
        }
        csv += '\n';
    }
    return csv;
}

std::string historySvg(const TrainingHistory& history) {
    support::LineChart chart;
    const std::size_t finished = history.generations.size();
    chart.title = "Sensor training: fitness per generation";
    if (history.plannedGenerations > 0 && finished < static_cast<std::size_t>(history.plannedGenerations))
        chart.title += " (ended after " + std::to_string(finished) + " of " +
                       std::to_string(history.plannedGenerations) + ")";
    chart.xLabel = "generation";
    chart.yLabel = "fitness";
    chart.yMin = 0.0;
    chart.yMax = kFitnessCeiling * 1.1;  // room above the ceiling for the legend
    chart.marks = {{kFitnessCeiling, "ceiling 10"}};

    // Rules first, so that best, mean and worst are drawn over them.
    const std::size_t rules = ruleCount(history);
    for (std::size_t r = 0; r < rules; ++r) {
        const std::string name = r < history.ruleLabels.size() ? history.ruleLabels[r] : "rule " + std::to_string(r);
        ChartSeries series{name, kRuleColours[r % std::size(kRuleColours)], {}, 1.0};
        for (std::size_t g = 0; g < finished; ++g)
            if (r < history.generations[g].bestRules.size())
                series.points.push_back({static_cast<double>(g + 1), history.generations[g].bestRules[r]});
        chart.series.push_back(std::move(series));
    }
    chart.series.push_back(curve(history, "worst", "#d0502a", 1.5, [](const GenerationFitness& f) { return f.worst; }));
    chart.series.push_back(curve(history, "mean", "#2a9d4a", 1.5, [](const GenerationFitness& f) { return f.mean; }));
    chart.series.push_back(curve(history, "best", "#1f5fbf", 2.5, [](const GenerationFitness& f) { return f.best; }));

    support::SvgDocument doc(kPlotWidth, kPlotHeight);
    support::drawLineChart(doc, chart, 0, 0, kPlotWidth, kPlotHeight);
    return doc.str();
}

void saveTrainingHistory(const TrainingHistory& history, const std::string& fileName) {
    const bool csv = endsWith(fileName, ".csv");
    if (!csv && !endsWith(fileName, ".svg"))
        throw support::Failure("Training history file '" + support::shownFileName(fileName) +
                            "' must end in .csv (a table) or .svg (a plot).");
    if (history.generations.empty())
        throw support::Failure("No training history to save: the decision maker has not trained a generation yet "
                            "(vex::train).");
    try {
        support::replaceFile(fileName, csv ? historyCsv(history) : historySvg(history));
    } catch (const support::Failure& failure) {
        throw support::Failure("Cannot write training history '" + support::shownFileName(fileName) +
                            "': " + failure.what());
    }
}

}  // namespace vex
