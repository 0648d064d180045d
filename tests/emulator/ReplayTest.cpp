// The replayed converter: a command the capture holds is answered once its
// last byte came, however the line cut it; anything else gets no answer.

#include <gtest/gtest.h>

#include "emulator/Replay.h"

namespace {

TEST(ReplayTest, AHeldCommandIsAnsweredOnceWholeAndNothingElseIs) {
    const emulator::Replay replay(commission::Capture{
        .when = "",
        .line = {},
        .exchanges = {{.label = "QX1", .command = "PPPPPP#QX1#", .result = "answered", .pieces = {}},
                      {.label = "QX2", .command = "PPPPPP#QX2#", .result = "answered", .pieces = {}},
                      {.label = "ADR", .command = "HQLNVE#ADR:001#", .result = "answered", .pieces = {}}}});
    const struct {
        const char* name;
        std::vector<std::string> reads;  // what each read of the port brought
        std::string answered;            // the labels answered after each read, "|" between reads
    } cases[] = {
        {.name = "whole", .reads = {"PPPPPP#QX1#"}, .answered = "QX1"},
        {.name = "cut", .reads = {"PPPPPP#Q", "X1", "#"}, .answered = "||QX1"},
        {.name = "two at once", .reads = {"PPPPPP#QX2#HQLNVE#ADR:001#"}, .answered = "QX2 ADR"},
        {.name = "noise before", .reads = {std::string("\0\xFF" "PPPPPP#QX2#", 13)}, .answered = "QX2"},
        {.name = "not held", .reads = {"PPPPPP#QX9#", "HQLNVE#ADR:002#"}, .answered = "|"},
        {.name = "abandoned start", .reads = {"PPPPPP#QX", "PPPPPP#QX1#"}, .answered = "|QX1"},
        {.name = "other value", .reads = {"HQLNVE#ADR:00", "2#HQLNVE#ADR:001#"}, .answered = "|ADR"},
    };
    for (const auto& c : cases) {
        emulator::Replay r = replay;
        std::string answered;
        for (std::size_t i = 0; i < c.reads.size(); ++i) {
            if (i > 0) answered += "|";
            std::string labels;
            for (const auto* e : r.Feed(c.reads[i])) labels += (labels.empty() ? "" : " ") + e->label;
            answered += labels;
        }
        EXPECT_EQ(answered, c.answered) << c.name;
    }
}

}  // namespace
