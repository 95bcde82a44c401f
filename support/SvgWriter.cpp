#include "support/SvgWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace support {

namespace {

// Two decimals, trailing zeros dropped; non-finite values are drawn at 0.
std::string number(double value) {
    if (!std::isfinite(value)) value = 0.0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    std::string text = buffer;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    if (text == "-0") text = "0";
    return text;
}

// A short label for a tick value: up to four significant digits.
std::string tickLabel(double value) {
    if (std::fabs(value) < 1e-12) value = 0.0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.4g", value);
    return buffer;
}

// A tick step of 1, 2 or 5 times a power of ten giving about `count` intervals.
double niceStep(double span, int count) {
    const double raw = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0})
        if (raw <= factor * power) return factor * power;
    return 10.0 * power;
}

struct Range {
    double low;
    double high;
};

// The given range, or the data's when its ends are equal; never empty.
Range rangeOf(double low, double high, const std::vector<double>& values) {
    if (low == high && !values.empty()) {
        low = *std::min_element(values.begin(), values.end());
        high = *std::max_element(values.begin(), values.end());
    }
    if (!(high > low)) {
        low -= 0.5;
        high += 0.5;
    }
    return {low, high};
}

std::vector<double> finite(std::vector<double> values) {
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return !std::isfinite(v); }),
                 values.end());
    return values;
}

}  // namespace

std::string escapeXml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default:
                // Control characters are not allowed in XML 1.0 text.
                if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') out += ' ';
                else out += c;
        }
    }
    return out;
}

SvgDocument::SvgDocument(double width, double height, std::string_view background)
    : width_(width), height_(height) {
    rect(0, 0, width, height, background);
}

void SvgDocument::rect(double x, double y, double width, double height, std::string_view fill,
                       std::string_view stroke, double strokeWidth) {
    body_ += "<rect x=\"" + number(x) + "\" y=\"" + number(y) + "\" width=\"" + number(width) + "\" height=\"" +
             number(height) + "\" fill=\"" + escapeXml(fill) + "\" stroke=\"" + escapeXml(stroke) +
             "\" stroke-width=\"" + number(strokeWidth) + "\"/>\n";
}

void SvgDocument::line(double x1, double y1, double x2, double y2, std::string_view stroke, double width,
                       bool dashed) {
    body_ += "<line x1=\"" + number(x1) + "\" y1=\"" + number(y1) + "\" x2=\"" + number(x2) + "\" y2=\"" +
             number(y2) + "\" stroke=\"" + escapeXml(stroke) + "\" stroke-width=\"" + number(width) + "\"" +
             (dashed ? " stroke-dasharray=\"4 3\"" : "") + "/>\n";
}

void SvgDocument::polyline(std::span<const SvgPoint> points, std::string_view stroke, double width,
                           double opacity) {
    if (points.empty()) return;
    body_ += "<polyline fill=\"none\" stroke=\"" + escapeXml(stroke) + "\" stroke-width=\"" + number(width) +
             "\" stroke-linejoin=\"round\"";
    if (opacity < 1.0) body_ += " stroke-opacity=\"" + number(opacity) + "\"";
    body_ += " points=\"";
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i > 0) body_ += ' ';
        body_ += number(points[i].x) + "," + number(points[i].y);
    }
    body_ += "\"/>\n";
}

void SvgDocument::circle(double cx, double cy, double radius, std::string_view fill) {
    body_ += "<circle cx=\"" + number(cx) + "\" cy=\"" + number(cy) + "\" r=\"" + number(radius) + "\" fill=\"" +
             escapeXml(fill) + "\"/>\n";
}

void SvgDocument::polygon(std::span<const SvgPoint> points, std::string_view fill, double opacity) {
    if (points.empty()) return;
    body_ += "<polygon fill=\"" + escapeXml(fill) + "\" fill-opacity=\"" + number(opacity) + "\" points=\"";
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i > 0) body_ += ' ';
        body_ += number(points[i].x) + "," + number(points[i].y);
    }
    body_ += "\"/>\n";
}

void SvgDocument::text(double x, double y, std::string_view content, double size, std::string_view anchor,
                       std::string_view fill, double rotation) {
    body_ += "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" font-family=\"sans-serif\" font-size=\"" +
             number(size) + "\" text-anchor=\"" + escapeXml(anchor) + "\" fill=\"" + escapeXml(fill) + "\"";
    if (rotation != 0.0)
        body_ += " transform=\"rotate(" + number(rotation) + " " + number(x) + " " + number(y) + ")\"";
    body_ += '>';
    body_ += escapeXml(content);
    body_ += "</text>\n";
}

std::string SvgDocument::str() const {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           number(width_) + "\" height=\"" + number(height_) + "\" viewBox=\"0 0 " + number(width_) + " " +
           number(height_) + "\">\n" + body_ + "</svg>\n";
}

std::vector<SvgPoint> thinned(std::span<const SvgPoint> points, std::size_t limit) {
    limit = std::max<std::size_t>(limit, 2);
    if (points.size() <= limit) return {points.begin(), points.end()};
    std::vector<SvgPoint> kept;
    kept.reserve(limit);
    const double step = static_cast<double>(points.size() - 1) / static_cast<double>(limit - 1);
    for (std::size_t i = 0; i < limit; ++i) {
        const auto index = std::min(points.size() - 1, static_cast<std::size_t>(std::llround(i * step)));
        kept.push_back(points[index]);
    }
    return kept;
}

void drawLineChart(SvgDocument& doc, const LineChart& chart, double x, double y, double width, double height) {
    // Margins for the tick values, the axis labels and the title.
    const double left = x + 56, right = x + width - 16, top = y + 28, bottom = y + height - 40;
    const double plotWidth = std::max(1.0, right - left), plotHeight = std::max(1.0, bottom - top);

    std::vector<double> xs, ys;
    for (const ChartSeries& series : chart.series)
        for (const SvgPoint& p : series.points) {
            xs.push_back(p.x);
            ys.push_back(p.y);
        }
    for (const ChartMark& mark : chart.marks) ys.push_back(mark.y);
    const Range xRange = rangeOf(chart.xMin, chart.xMax, finite(xs));
    const Range yRange = rangeOf(chart.yMin, chart.yMax, finite(ys));
    auto toX = [&](double v) { return left + (v - xRange.low) / (xRange.high - xRange.low) * plotWidth; };
    auto toY = [&](double v) { return bottom - (v - yRange.low) / (yRange.high - yRange.low) * plotHeight; };

    doc.rect(left, top, plotWidth, plotHeight, "none", "#444444");
    const double xStep = niceStep(xRange.high - xRange.low, 6);
    for (double v = std::ceil(xRange.low / xStep) * xStep; v <= xRange.high + xStep * 1e-9; v += xStep) {
        doc.line(toX(v), bottom, toX(v), bottom + 4, "#444444");
        doc.text(toX(v), bottom + 16, tickLabel(v), 10, "middle");
    }
    const double yStep = niceStep(yRange.high - yRange.low, 5);
    for (double v = std::ceil(yRange.low / yStep) * yStep; v <= yRange.high + yStep * 1e-9; v += yStep) {
        doc.line(left - 4, toY(v), left, toY(v), "#444444");
        doc.line(left, toY(v), right, toY(v), "#e4e4e4", 0.5);
        doc.text(left - 6, toY(v) + 3.5, tickLabel(v), 10, "end");
    }
    doc.text((left + right) / 2, y + height - 8, chart.xLabel, 12, "middle");
    doc.text(x + 14, (top + bottom) / 2, chart.yLabel, 12, "middle", "#000000", -90);
    doc.text((left + right) / 2, y + 18, chart.title, 14, "middle");

    for (const ChartMark& mark : chart.marks) {
        if (mark.y < yRange.low || mark.y > yRange.high) continue;
        doc.line(left, toY(mark.y), right, toY(mark.y), "#888888", 1.0, true);
        doc.text(right - 4, toY(mark.y) - 4, mark.label, 10, "end", "#555555");
    }

    const auto limit = static_cast<std::size_t>(std::max(2.0, plotWidth));
    // The legend runs along the top of the plot and wraps onto further rows.
    double legendX = left + 8, legendY = top + 12;
    for (const ChartSeries& series : chart.series) {
        std::vector<SvgPoint> drawn;
        for (const SvgPoint& p : thinned(series.points, limit))
            if (std::isfinite(p.x) && std::isfinite(p.y)) drawn.push_back({toX(p.x), toY(p.y)});
        doc.polyline(drawn, series.colour, series.width);
        const double entryWidth = 28 + 6.0 * static_cast<double>(series.name.size());
        if (legendX > left + 8 && legendX + entryWidth > right) {
            legendX = left + 8;
            legendY += 14;
        }
        doc.line(legendX, legendY, legendX + 16, legendY, series.colour, 2.0);
        doc.text(legendX + 20, legendY + 4, series.name, 10);
        legendX += entryWidth;
    }
}

}  // namespace support
