// Writes a made-up human performance of a piece's following track(s): see humanise.h.
// Usage: make-performance PIECE.mid --track N [options] -o DIR

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "humanise.h"

namespace {

using ostinel::performance::HumaniseOptions;

constexpr const char* kUsage =
    "usage: make-performance PIECE.mid --track N [--track2 N] [--seed N] [--speed F]\n"
    "           [--drift F] [--ritardando F] [--jitter MS] [--chord-spread MS]\n"
    "           [--velocity-spread F] [--lead-in MS] [--wrong N] [--extra N] [--missing N]\n"
    "           [--skip-bar M] [--repeat-from M --repeat-to N] [--start M]\n"
    "           [--taps] [--tap-key K] [--accomp-truth] [--case] [--set 'KEY = VALUE'] -o DIR\n"
    "Writes DIR/performance.mid and DIR/truth.tsv; --accomp-truth adds DIR/accomp_truth.tsv;\n"
    "--case adds that, DIR/piece.mid (a copy) and DIR/case.txt (with each --set line).\n";

struct Arguments {
    std::string piece;
    std::string outputDirectory;
    HumaniseOptions options;
    bool accompanimentTruth = false;
    bool makeCase = false;
    std::vector<std::pair<std::string, std::string>> settings;
};

bool ParseNumber(std::string_view text, double& value) {
    const std::string copy(text);
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return !copy.empty() && end == copy.c_str() + copy.size();
}

bool ParseInteger(std::string_view text, int& value) {
    double number = 0;
    if (!ParseNumber(text, number) || number != static_cast<double>(static_cast<int>(number)))
        return false;
    value = static_cast<int>(number);
    return true;
}

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

bool Parse(int argc, char** argv, Arguments& arguments, std::string& error) {
    HumaniseOptions& o = arguments.options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view flag = argv[i];
        auto value = [&]() -> std::string_view {
            if (i + 1 >= argc) return {};
            return argv[++i];
        };
        auto integer = [&](int& into) {
            if (!ParseInteger(value(), into)) error = std::string(flag) + " needs a whole number";
        };
        auto number = [&](double& into) {
            if (!ParseNumber(value(), into)) error = std::string(flag) + " needs a number";
        };
        int seed = 0;
        if (flag == "--track") {
            integer(o.track);
        } else if (flag == "--track2") {
            integer(o.track2);
        } else if (flag == "--seed") {
            integer(seed);
            o.seed = static_cast<std::uint32_t>(seed);
        } else if (flag == "--speed") {
            number(o.speed);
        } else if (flag == "--drift") {
            number(o.drift);
        } else if (flag == "--ritardando") {
            number(o.ritardando);
        } else if (flag == "--jitter") {
            number(o.jitterMs);
        } else if (flag == "--chord-spread") {
            number(o.chordSpreadMs);
        } else if (flag == "--velocity-spread") {
            number(o.velocitySpread);
        } else if (flag == "--lead-in") {
            int leadIn = 0;
            integer(leadIn);
            o.leadInMs = static_cast<std::uint32_t>(std::max(leadIn, 0));
        } else if (flag == "--wrong") {
            integer(o.wrongNotes);
        } else if (flag == "--extra") {
            integer(o.extraNotes);
        } else if (flag == "--missing") {
            integer(o.missingNotes);
        } else if (flag == "--skip-bar") {
            integer(o.skipBar);
        } else if (flag == "--repeat-from") {
            integer(o.repeatFrom);
        } else if (flag == "--repeat-to") {
            integer(o.repeatTo);
        } else if (flag == "--start") {
            integer(o.startBar);
        } else if (flag == "--taps") {
            o.taps = true;
        } else if (flag == "--tap-key") {
            integer(o.tapKey);
        } else if (flag == "--accomp-truth") {
            arguments.accompanimentTruth = true;
        } else if (flag == "--case") {
            arguments.makeCase = true;
            arguments.accompanimentTruth = true;
        } else if (flag == "--set") {
            const std::string_view line = value();
            const auto equals = line.find('=');
            if (equals == std::string_view::npos || Trim(line.substr(0, equals)).empty()) {
                error = "--set needs 'KEY = VALUE'";
            } else {
                arguments.settings.emplace_back(Trim(line.substr(0, equals)),
                                                Trim(line.substr(equals + 1)));
            }
        } else if (flag == "-o") {
            arguments.outputDirectory = value();
        } else if (!flag.empty() && flag[0] != '-' && arguments.piece.empty()) {
            arguments.piece = flag;
        } else {
            error = "unknown argument " + std::string(flag);
        }
        if (!error.empty()) return false;
    }
    if (arguments.piece.empty() || arguments.outputDirectory.empty()) {
        error = "a piece and -o DIR are needed";
        return false;
    }
    const bool counts = o.wrongNotes >= 0 && o.extraNotes >= 0 && o.missingNotes >= 0;
    if (!counts || o.speed <= 0 || o.drift < 0 || o.drift >= 0.9 || o.ritardando < 0 ||
        o.ritardando >= 0.9 || o.jitterMs < 0 || o.chordSpreadMs < 0 || o.tapKey < 0 ||
        o.tapKey > 127) {
        error = "a value is out of range";
        return false;
    }
    return true;
}

bool WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out.flush());
}

int Run(const Arguments& arguments) {
    ostinel::Piece piece;
    if (ostinel::OpenPiece(arguments.piece, piece) != ostinel::LoadResult::Loaded) {
        std::fprintf(stderr, "make-performance: cannot read %s\n", arguments.piece.c_str());
        return 1;
    }
    ostinel::performance::Performance performance;
    std::string error;
    if (!ostinel::performance::Humanise(piece, arguments.options, performance, error)) {
        std::fprintf(stderr, "make-performance: %s\n", error.c_str());
        return 1;
    }
    const std::filesystem::path directory(arguments.outputDirectory);
    std::error_code code;
    std::filesystem::create_directories(directory, code);
    const ostinel::smf::Bytes bytes = ostinel::performance::PerformanceFile(performance);
    bool written =
        WriteText(directory / "performance.mid", std::string(bytes.begin(), bytes.end()));
    written = written && WriteText(directory / "truth.tsv", TruthTsv(performance));
    if (arguments.accompanimentTruth) {
        written = written &&
                  WriteText(directory / "accomp_truth.tsv", AccompanimentTruthTsv(performance));
    }
    if (arguments.makeCase) {
        written = written && WriteText(directory / "case.txt",
                                       CaseText(arguments.options, arguments.settings));
        const std::filesystem::path copy = directory / "piece.mid";
        // The piece may already be the case's own copy.
        if (!std::filesystem::equivalent(arguments.piece, copy, code)) {
            written = written && std::filesystem::copy_file(
                                     arguments.piece, copy,
                                     std::filesystem::copy_options::overwrite_existing, code);
        }
    }
    if (!written) {
        std::fprintf(stderr, "make-performance: cannot write into %s\n",
                     arguments.outputDirectory.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments arguments;
    std::string error;
    if (!Parse(argc, argv, arguments, error)) {
        std::fprintf(stderr, "make-performance: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    return Run(arguments);
}
