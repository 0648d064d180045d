#include "commission/Commands.h"

#include <algorithm>
#include <stdexcept>

#include "commission/FieldLimits.h"
#include "protocol/ChannelTable.h"
#include "protocol/CommandTable.h"
#include "protocol/CustomCommandCrc.h"
#include "protocol/CustomCommands.h"
#include "protocol/SystemParameters.h"
#include "protocol/Excerpt.h"
#include "protocol/Latin1.h"
#include "protocol/FieldCheck.h"
#include "protocol/FieldNames.h"

namespace commission {

using protocol::ReplyCode;

std::vector<std::string> FieldsOf(const std::vector<std::string>& parameters) { return FieldsOf(parameters, Fields()); }

std::vector<std::string> FieldsOf(const std::vector<std::string>& parameters, const std::vector<Field>& fields) {
    std::vector<std::string> controls;
    for (const auto& field : fields)
        if (field.readBack && std::find(parameters.begin(), parameters.end(), field.parameter) != parameters.end())
            controls.push_back(field.control);
    return controls;
}

std::vector<Step> ReadAllSteps() {
    // The parameter query's answer starts with its first record.
    const auto reported = protocol::ReportedCommands(protocol::ParameterCommands());
    std::vector<std::string> words;
    for (const auto* command : reported) words.push_back(command->word);
    std::vector<Step> steps = {
        {"QX1", protocol::ParameterQueryCommand(), ReplyCode::SystemParameters, reported.front()->tag, FieldsOf(words)},
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
        steps.push_back({"COMR0" + std::to_string(g), protocol::CommandReadCommand(g), ReplyCode::CustomCommand,
                         "COMR" + std::to_string(g) + ":", FieldsOf({"COMW" + std::to_string(g)})});
    for (int g = 1; g <= protocol::CustomCommandCount; ++g)
        steps.push_back({"COMP0" + std::to_string(g), protocol::ParsingRuleReadCommand(g), ReplyCode::ParsingRule,
                         "COMP0" + std::to_string(g) + ":", FieldsOf({"COMP0" + std::to_string(g)})});
    return steps;
}

void CheckField(const Field& field, const Value& value) {
    if (field.isIndex != std::holds_alternative<int>(value))
        throw std::invalid_argument(field.isIndex ? "an item index is expected" : "a text is expected");
    if (field.isIndex) return;
    const auto& text = std::get<std::string>(value);
    // The same checks as the window's buttons make before they send.
    if (field.travel == protocol::Travel::Number) {
        if (!protocol::TryStrToInt(text))
            throw std::invalid_argument(protocol::QuotedExcerpt(protocol::Latin1ToUtf8(text), '\'') +
                                        " is not a valid integer value");
    }
    else if (field.travel == protocol::Travel::CountedData)
        protocol::CheckCommandData(field.control, text);
    else
        protocol::CheckRawField(field.control, text);
}

WritePlan WriteAllSteps(const Configuration& record) { return WriteAllSteps(record, protocol::AllSetCommands()); }

WritePlan WriteAllSteps(const Configuration& record, const protocol::CommandTable& commands) {
    const auto fields = MakeFields(commands);
    WritePlan plan;
    for (const auto& field : fields) {
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
    for (const auto& command : commands) {
        if (!command.inWriteAll) continue;
        try {
            auto bytes = protocol::ComposeSet(command, [&](const protocol::CommandField& f) { return record.At(f.control); });
            if (!bytes) throw std::invalid_argument("Input data must be plural");
            // A parsing rule's answer is its record, read back; the others answer with a verdict.
            const bool rule = command.code == ReplyCode::ParsingRule;
            plan.steps.push_back({command.word, std::move(*bytes), command.code,
                                  rule ? command.word + ":" : command.word,
                                  rule ? FieldsOf({command.word}, fields) : std::vector<std::string>{}, true});
        } catch (const std::exception& e) {
            plan.failures.push_back({command.word, e.what()});
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
