// Adding a converter command is adding one row to the parameter table: with
// nothing else changed, the composer, the write-all list, the limits, the
// names, the parameter record's parser and the emulator all take it.

#include <gtest/gtest.h>

#include "commission/Commands.h"
#include "commission/Configuration.h"
#include "commission/FieldLimits.h"
#include "emulator/Converter.h"
#include "protocol/FieldNames.h"
#include "protocol/SystemParameters.h"

namespace {

using protocol::Assignment;

// The parameter table and one more row: an alarm limit and what to do on it.
const protocol::CommandTable& WithAlarm() {
    static const protocol::CommandTable table = [] {
        auto t = protocol::ParameterCommands();
        t.push_back({.word = "ALM",
                     .fields = {{.control = "AlarmEdit", .key = "limit", .label = "Alarm limit",
                                 .travel = protocol::Travel::Number, .width = 4, .offset = 4, .initial = "0100"},
                                {.control = "AlarmBox", .key = "action", .label = "Alarm action",
                                 .travel = protocol::Travel::ItemIndex, .width = 1, .offset = 9,
                                 .items = &protocol::MonitoringItems(), .initial = 1}},
                     .tag = "ALM:",
                     .place = 9});
        return t;
    }();
    return table;
}

}  // namespace

TEST(NewCommand, OneTableRowReachesEveryPartThatHandlesCommands) {
    const auto& table = WithAlarm();
    const auto all = protocol::AllSetCommands(table);
    const auto* alarm = protocol::FindCommand(all, "ALM");
    ASSERT_NE(alarm, nullptr);

    // Composer: each field in its own form.
    const std::vector<protocol::ColumnValue> typed = {"42", 0};
    std::size_t next = 0;
    EXPECT_EQ(protocol::ComposeSet(*alarm, [&](const auto&) { return typed.at(next++); }), "HQLNVE#ALM:0042,0#");

    // Write-all: the record holds its fields, and its command follows the board identity.
    const auto fields = commission::MakeFields(all);
    commission::Configuration record;
    for (const auto& f : fields) record.values[f.control] = f.defaultValue;
    const auto plan = commission::WriteAllSteps(record, all);
    ASSERT_TRUE(plan.failures.empty());
    const auto at = std::find_if(plan.steps.begin(), plan.steps.end(), [](const auto& s) { return s.label == "ALM"; });
    ASSERT_NE(at, plan.steps.end());
    EXPECT_EQ(at->command, "HQLNVE#ALM:0100,1#");
    EXPECT_EQ(std::prev(at)->label, "PCBSN");
    EXPECT_EQ(at->code, protocol::ReplyCode::Shown);

    // Limits and names.
    const auto limit = std::find_if(fields.begin(), fields.end(), [](const auto& f) { return f.control == "AlarmEdit"; });
    ASSERT_NE(limit, fields.end());
    EXPECT_EQ(commission::CarryBackFault(*limit, std::string("12345")),
              "'12345' is not a number from 0 to 9999 (the 4 digits the converter's reply carries back)");
    EXPECT_EQ(protocol::FieldLabel("AlarmBox", all), "Alarm action");

    // Emulator and parser: the converter stores it and reports it in its
    // parameter record, which the parser reads back.
    emulator::Converter converter(table);
    EXPECT_EQ(converter.Handle("HQLNVE#ALM:42,0#"), "ALM ERR");
    EXPECT_EQ(converter.Handle("HQLNVE#ALM:0042,0#"), "ALM:0042,0 OK");
    const auto answer = converter.Handle("PPPPPP#QX1#");
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->ends_with(",MR485B:3,0,0,ALM:0042,0")) << *answer;
    const auto parsed = protocol::ParseSystemParameters(*answer, table);
    ASSERT_GE(parsed.assignments.size(), 2u);
    EXPECT_EQ(parsed.assignments[parsed.assignments.size() - 2], Assignment::SetText("AlarmEdit", "0042"));
    EXPECT_EQ(parsed.assignments.back(), Assignment::SetItemIndex("AlarmBox", 0));
}
