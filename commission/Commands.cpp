#include "commission/Commands.h"

#include <algorithm>
#include <array>
#include <functional>
#include <stdexcept>

#include "commission/FieldLimits.h"
#include "protocol/ChannelProtocol.h"
#include "protocol/ChannelTable.h"
#include "protocol/CustomCommandCrc.h"
#include "protocol/CustomCommands.h"
#include "protocol/Excerpt.h"
#include "protocol/Latin1.h"
#include "protocol/FieldCheck.h"
#include "protocol/ReplyCodes.h"
#include "protocol/SystemParameters.h"
#include "protocol/FieldNames.h"

namespace commission {
namespace {

namespace reply = protocol::reply;

// The edits whose text the composers convert to a number.
constexpr std::array NumericControls = {"Edit1", "ADBESARD", "PUBESARD", "Edit2", "Edit3", "PCBSN", "JIANZHI"};

bool IsNumeric(const std::string& control) {
    for (const char* name : NumericControls)
        if (control == name) return true;
    return false;
}

bool IsCustomCommandData(const std::string& control) {
    for (const auto& group : protocol::CustomCommandGroups)
        if (control == group.data) return true;
    return false;
}

using Compose = std::function<std::string(const Configuration&)>;

struct Command {
    std::string label;
    std::optional<int> code;
    Compose compose;
};

std::vector<Command> SetCommands() {
    using C = const Configuration&;
    std::vector<Command> commands = {
        {"ADR", reply::Shown, [](C r) { return protocol::SlaveAddressCommand(r.Text("Edit1")); }},
        {"MDO", reply::Shown, [](C r) { return protocol::MonitoringCommand(r.Index("ComboBox4")); }},
        {"BADR", std::nullopt,
         [](C r) { return protocol::BaseAddressesCommand(r.Text("ADBESARD"), r.Text("PUBESARD")); }},
        {"JTM", reply::Shown, [](C r) { return protocol::ReadIntervalCommand(r.Text("Edit2")); }},
        {"STM", reply::Shown,
         [](C r) { return protocol::SendIntervalCommand(r.Text("Edit3"), r.Index("SENDXIEYI")); }},
    };
    for (std::string line : {"Z", "A", "B"}) {
        commands.push_back({"MR485" + line, std::nullopt, [line](C r) {
                                return protocol::LineSettingsCommand("MR485" + line, r.Index(line + "MR485BT"),
                                                                     r.Index(line + "MR485JN"),
                                                                     r.Index(line + "RS485STOP"));
                            }});
    }
    commands.push_back(
        {"PCBSN", std::nullopt, [](C r) { return protocol::BoardIdentityCommand(r.Text("PCBSN"), r.Text("JIANZHI")); }});
    for (const auto* table : {&protocol::AnalogChannels(), &protocol::TotalizerChannels()}) {
        for (int n = 1; n <= table->ChannelCount(); ++n) {
            commands.push_back({table->setWord + protocol::ChannelDigits(n), reply::Shown, [table, n](C r) {
                                    std::vector<protocol::ColumnValue> values;
                                    for (const auto& column : table->columns)
                                        values.push_back(r.At(protocol::ControlName(column, n)));
                                    return protocol::ComposeChannelSet(*table, n, values);
                                }});
        }
    }
    for (int g = 1; g <= protocol::CustomCommandCount; ++g) {
        commands.push_back({"COMW" + std::to_string(g), reply::CustomCommandSet, [g](C r) {
                                const auto& names = protocol::CustomCommandGroups[static_cast<std::size_t>(g - 1)];
                                auto command = protocol::CommandWriteCommand(g, r.Index(std::string(names.enable)),
                                                                             r.Text(std::string(names.data)));
                                if (!command) throw std::invalid_argument("Input data must be plural");
                                return *command;
                            }});
    }
    for (int g = 1; g <= protocol::CustomCommandCount; ++g) {
        commands.push_back({"COMP0" + std::to_string(g), reply::ParsingRule, [g](C r) {
                                const auto& b = protocol::CustomCommandGroups[static_cast<std::size_t>(g - 1)].bytes;
                                return protocol::ParsingRuleWriteCommand(g, r.Text(std::string(b[0])),
                                                                         r.Text(std::string(b[1])),
                                                                         r.Text(std::string(b[2])));
                            }});
    }
    return commands;
}

}  // namespace

std::vector<std::string> FieldsOf(const std::vector<std::string>& parameters) {
    std::vector<std::string> controls;
    for (const auto& field : Fields())
        if (field.readBack && std::find(parameters.begin(), parameters.end(), field.parameter) != parameters.end())
            controls.push_back(field.control);
    return controls;
}

std::vector<Step> ReadAllSteps() {
    std::vector<Step> steps = {
        {"QX1", protocol::ParameterQueryCommand(), reply::SystemParameters, "ADR:",
         FieldsOf({"ADR", "MDO", "BADR", "JTM", "STM", "MR485Z", "MR485A", "MR485B"})},
    };
    // Each channel query answers from its first channel on.
    const struct {
        const char* word;
        const protocol::ChannelTable& table;
        int firstChannel;
    } channelQueries[] = {
        {"QX2", protocol::AnalogChannels(), 1},
        {"QX3", protocol::AnalogChannels(), 9},
        {"QX4", protocol::TotalizerChannels(), 1},
        {"QX5", protocol::TotalizerChannels(), 7},
    };
    for (const auto& q : channelQueries) {
        std::vector<std::string> parameters;
        for (int n = q.firstChannel; n < q.firstChannel + q.table.ChannelCount() / 2; ++n)
            parameters.push_back(q.table.setWord + protocol::ChannelDigits(n));
        steps.push_back({q.word, protocol::ComposeCommand(protocol::QueryPrefix, q.word), q.table.replyCode,
                         protocol::ChannelReplyTag(q.table, q.firstChannel), FieldsOf(parameters)});
    }
    for (int g = 1; g <= protocol::CustomCommandCount; ++g)
        steps.push_back({"COMR0" + std::to_string(g), protocol::CommandReadCommand(g), reply::CustomCommand,
                         "COMR" + std::to_string(g) + ":", FieldsOf({"COMW" + std::to_string(g)})});
    for (int g = 1; g <= protocol::CustomCommandCount; ++g)
        steps.push_back({"COMP0" + std::to_string(g), protocol::ParsingRuleReadCommand(g), reply::ParsingRule,
                         "COMP0" + std::to_string(g) + ":", FieldsOf({"COMP0" + std::to_string(g)})});
    return steps;
}

void CheckField(const Field& field, const Value& value) {
    if (field.isIndex != std::holds_alternative<int>(value))
        throw std::invalid_argument(field.isIndex ? "an item index is expected" : "a text is expected");
    if (field.isIndex) return;
    const auto& text = std::get<std::string>(value);
    // The same checks as the window's buttons make before they send.
    if (IsNumeric(field.control)) {
        if (!protocol::TryStrToInt(text))
            throw std::invalid_argument(protocol::QuotedExcerpt(protocol::Latin1ToUtf8(text), '\'') +
                                        " is not a valid integer value");
    }
    else if (IsCustomCommandData(field.control))
        protocol::CheckCommandData(field.control, text);
    else
        protocol::CheckRawField(field.control, text);
}

WritePlan WriteAllSteps(const Configuration& record) {
    WritePlan plan;
    for (const auto& field : Fields()) {
        try {
            if (!record.Has(field.control)) throw std::invalid_argument("no value");
            CheckField(field, record.At(field.control));
            // A value the converter's reply cannot carry back can never be verified.
            if (auto fault = CarryBackFault(field, record.At(field.control))) throw std::invalid_argument(*fault);
        } catch (const protocol::EFieldRefused& e) {
            plan.failures.push_back({field.control, e.Reason()});
        } catch (const std::exception& e) {
            plan.failures.push_back({field.control, e.what()});
        }
    }
    if (!plan.failures.empty()) return plan;
    for (const auto& command : SetCommands()) {
        try {
            // A parsing rule's answer is its record, read back; the others answer with a verdict.
            const bool rule = command.code == reply::ParsingRule;
            plan.steps.push_back({command.label, command.compose(record), command.code,
                                  rule ? command.label + ":" : command.label,
                                  rule ? FieldsOf({command.label}) : std::vector<std::string>{}});
        } catch (const std::exception& e) {
            plan.failures.push_back({command.label, e.what()});
        }
    }
    if (!plan.failures.empty()) plan.steps.clear();
    return plan;
}

std::string DescribeFailures(const std::vector<FieldFailure>& failures) {
    std::string text = "Nothing was sent. These fields cannot be sent:";
    for (const auto& f : failures) text += "\n" + protocol::FieldDisplayName(f.control) + ": " + f.message;
    return text;
}

std::vector<std::string> FrameWarnings(const Configuration& record) {
    std::vector<std::string> warnings;
    for (int group = 1; group <= protocol::CustomCommandCount; ++group) {
        const std::string control(protocol::CustomCommandGroups[static_cast<std::size_t>(group - 1)].data);
        if (!record.Has(control)) continue;
        const std::string* data = std::get_if<std::string>(&record.At(control));
        if (!data) continue;
        if (auto warning = protocol::CustomCommandCrcWarning(group, *data)) warnings.push_back(std::move(*warning));
    }
    return warnings;
}

std::string DescribeWarnings(const std::vector<std::string>& warnings) {
    if (warnings.empty()) return {};
    std::string text = "Warnings (written as they are):";
    for (const auto& warning : warnings) text += "\n" + warning;
    return text;
}

}  // namespace commission
