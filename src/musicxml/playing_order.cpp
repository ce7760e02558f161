#include "musicxml/playing_order.h"

#include <algorithm>

namespace ostinel::musicxml {

namespace {

// A damaged file could jump in circles; no real score plays its measures
// more often than this on average.
constexpr std::size_t kMaxPlaysPerMeasure = 64;

struct Brackets {
    std::vector<std::vector<int>> endings;  // the volta numbers over each measure
    std::vector<int> lastEnding;            // the highest number of its run of brackets
};

// A bracket covers the measures from its start to its stop. One that is not
// closed ends at a backward repeat inside it or before the next forward repeat.
Brackets FindBrackets(const std::vector<MeasureMarks>& marks) {
    const std::size_t count = marks.size();
    Brackets brackets{std::vector<std::vector<int>>(count), std::vector<int>(count, 0)};
    std::vector<int> open;
    for (std::size_t i = 0; i < count; ++i) {
        if (!marks[i].endings.empty()) open = marks[i].endings;
        if (marks[i].forwardRepeat && marks[i].endings.empty()) open.clear();
        brackets.endings[i] = open;
        if (marks[i].endingStop || marks[i].backwardRepeat) open.clear();
    }
    std::size_t runStart = 0;
    for (std::size_t i = 0; i <= count; ++i) {
        if (i < count && !brackets.endings[i].empty()) continue;
        int highest = 0;
        for (std::size_t j = runStart; j < i; ++j) {
            for (int number : brackets.endings[j])
                highest = std::max(highest, number);
        }
        for (std::size_t j = runStart; j < i; ++j)
            brackets.lastEnding[j] = highest;
        runStart = i + 1;
    }
    return brackets;
}

int FindSegno(const std::vector<MeasureMarks>& marks, int from) {
    for (int j = from; j >= 0; --j) {
        if (marks[static_cast<std::size_t>(j)].segno) return j;
    }
    for (std::size_t j = 0; j < marks.size(); ++j) {
        if (marks[j].segno) return static_cast<int>(j);
    }
    return -1;
}

int FindCoda(const std::vector<MeasureMarks>& marks, int from) {
    for (std::size_t j = static_cast<std::size_t>(from) + 1; j < marks.size(); ++j) {
        if (marks[j].coda) return static_cast<int>(j);
    }
    return -1;
}

bool Contains(const std::vector<int>& numbers, int number) {
    return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
}

}  // namespace

std::vector<int> PlayingOrder(const std::vector<MeasureMarks>& marks) {
    const int count = static_cast<int>(marks.size());
    const Brackets brackets = FindBrackets(marks);
    std::vector<bool> jumpTaken(marks.size(), false);
    std::vector<int> order;
    int repeatStart = 0;
    int pass = 1;
    bool leaving = false;  // the last pass of a repeat is done; its endings may follow
    bool afterJump = false;
    int i = 0;
    while (i < count && order.size() < kMaxPlaysPerMeasure * marks.size()) {
        const auto at = static_cast<std::size_t>(i);
        const MeasureMarks& measure = marks[at];
        const std::vector<int>& endings = brackets.endings[at];
        const bool afterBracket = i > 0 && !brackets.endings[at - 1].empty();
        if (endings.empty() && (leaving || afterBracket)) {
            leaving = false;
            pass = 1;
            repeatStart = i;
        }
        if (measure.forwardRepeat && i != repeatStart) {
            repeatStart = i;
            pass = 1;
        }
        if (!endings.empty() && !Contains(endings, afterJump ? brackets.lastEnding[at] : pass)) {
            ++i;
            continue;
        }
        order.push_back(i);
        if (afterJump && measure.fine) break;
        if (afterJump && measure.toCoda) {
            if (const int coda = FindCoda(marks, i); coda >= 0) {
                i = coda;
                continue;
            }
        }
        if (measure.backwardRepeat && !afterJump && !leaving) {
            if (pass < measure.repeatTimes) {
                ++pass;
                i = repeatStart;
                continue;
            }
            leaving = true;
        }
        const bool jumpBack = (measure.daCapo || measure.dalSegno) && !jumpTaken[at];
        if (jumpBack) {
            const int target = measure.daCapo ? 0 : FindSegno(marks, i);
            if (target >= 0) {
                jumpTaken[at] = true;
                afterJump = true;
                leaving = false;
                pass = 1;
                repeatStart = target;
                i = target;
                continue;
            }
        }
        ++i;
    }
    return order;
}

}  // namespace ostinel::musicxml
