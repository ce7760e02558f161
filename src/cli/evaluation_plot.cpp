#include "cli/evaluation_plot.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace ostinel::cli {
namespace {

constexpr double kWidth = 1600;
constexpr double kHeight = 900;
constexpr double kMargin = 50;

class Frame {
  public:
    void Include(double x, double y) {
        minX_ = std::min(minX_, x);
        maxX_ = std::max(maxX_, x);
        minY_ = std::min(minY_, y);
        maxY_ = std::max(maxY_, y);
    }
    double X(double x) const {
        return kMargin + (x - minX_) / std::max(maxX_ - minX_, 1.0) * (kWidth - 2 * kMargin);
    }
    double Y(double y) const {
        return kHeight - kMargin -
               (y - minY_) / std::max(maxY_ - minY_, 1.0) * (kHeight - 2 * kMargin);
    }
    double MaxX() const { return maxX_; }
    double MaxY() const { return maxY_; }

  private:
    double minX_ = 0;
    double maxX_ = 1;
    double minY_ = 0;
    double maxY_ = 1;
};

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string Escaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '<')
            escaped += "&lt;";
        else if (c == '>')
            escaped += "&gt;";
        else if (c == '&')
            escaped += "&amp;";
        else
            escaped += c;
    }
    return escaped;
}

}  // namespace

std::string EvaluationPlotSvg(const std::string& title, const EvaluationInput& input) {
    Frame frame;
    for (const TruthRow& row : input.truth) {
        if (row.scoreMs != kNotInScore)
            frame.Include(static_cast<double>(row.perfMs), static_cast<double>(row.scoreMs));
    }
    for (const SentOnset& onset : input.sent)
        frame.Include(static_cast<double>(onset.sentMs), static_cast<double>(onset.scoreMs));

    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(kWidth) +
                      "\" height=\"" + Number(kHeight) +
                      "\">\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += "<text x=\"" + Number(kMargin) +
           "\" y=\"30\" font-family=\"sans-serif\" font-size=\"16\">" + Escaped(title) +
           " (across: performed time to " + Number(frame.MaxX() / 1000) +
           " s; up: score position to " + Number(frame.MaxY() / 1000) +
           " s; grey: truth, blue: follower, red: jump, green: accompaniment)</text>\n";
    for (const TruthRow& row : input.truth) {
        if (row.scoreMs == kNotInScore) continue;
        svg += "<circle cx=\"" + Number(frame.X(static_cast<double>(row.perfMs))) + "\" cy=\"" +
               Number(frame.Y(static_cast<double>(row.scoreMs))) + "\" r=\"2\" fill=\"#999\"/>\n";
    }
    for (const SentOnset& onset : input.sent) {
        svg += "<circle cx=\"" + Number(frame.X(static_cast<double>(onset.sentMs))) + "\" cy=\"" +
               Number(frame.Y(static_cast<double>(onset.scoreMs))) +
               "\" r=\"1.5\" fill=\"#2a2\"/>\n";
    }
    std::string line;
    std::string jumps;
    const std::size_t count = std::min(input.truth.size(), input.follower.size());
    for (std::size_t i = 0; i < count; ++i) {
        const FollowerSample& sample = input.follower[i];
        if (!sample.positionMs) continue;
        const std::string x = Number(frame.X(static_cast<double>(input.truth[i].perfMs)));
        const std::string y = Number(frame.Y(std::clamp(*sample.positionMs, -1e7, 1e7)));
        line += (line.empty() ? "" : " ") + x + "," + y;
        if (sample.jumpRequested) {
            jumps += "<circle cx=\"" + x + "\" cy=\"" + y +
                     "\" r=\"6\" fill=\"none\" stroke=\"red\" stroke-width=\"2\"/>\n";
        }
    }
    svg += "<polyline fill=\"none\" stroke=\"#24c\" stroke-width=\"1\" points=\"" + line + "\"/>\n";
    svg += jumps + "</svg>\n";
    return svg;
}

}  // namespace ostinel::cli
