#include "commission/Configuration.h"

#include "protocol/Latin1.h"
#include "protocol/ParseReply.h"

namespace commission {

std::vector<Field> MakeFields(const protocol::CommandTable& commands) {
    std::vector<Field> fields;
    for (const auto& command : commands) {
        if (!command.inWriteAll) continue;
        for (const auto& f : command.fields)
            fields.push_back({.control = f.control,
                              .parameter = command.word,
                              .key = f.key,
                              .isIndex = f.IsIndex(),
                              .itemCount = f.items ? static_cast<int>(f.items->size()) : 0,
                              .defaultValue = f.initial,
                              .readBack = !command.tag.empty(),
                              .travel = f.travel,
                              .width = f.width,
                              .hexadecimal = f.hexadecimal});
    }
    return fields;
}

const std::vector<Field>& Fields() {
    static const std::vector<Field> fields = MakeFields(protocol::AllSetCommands());
    return fields;
}

const Field* FindField(std::string_view control) {
    for (const auto& f : Fields())
        if (f.control == control) return &f;
    return nullptr;
}

int Configuration::Index(const std::string& control) const { return std::get<int>(values.at(control)); }

const std::string& Configuration::Text(const std::string& control) const {
    return std::get<std::string>(values.at(control));
}

Configuration DefaultConfiguration() {
    Configuration c;
    for (const auto& f : Fields()) c.values[f.control] = f.defaultValue;
    return c;
}

std::optional<std::string> Apply(Configuration& record, const protocol::ParseResult& parse) {
    using Kind = protocol::Assignment::Kind;
    for (const auto& a : parse.assignments) {
        if (a.kind == Kind::ReplyMode || !FindField(a.control)) continue;
        if (a.kind == Kind::Text)
            record.values[a.control] = a.text;
        else
            record.values[a.control] = a.value;
    }
    return parse.failedText;
}

bool FillFromReply(Configuration& record, protocol::ReplyCode code, std::string_view text,
                   std::optional<std::string>* failedText) {
    auto parse = protocol::ParseReply(code, text);
    if (!parse) return false;
    auto failed = Apply(record, *parse);
    if (failedText) *failedText = std::move(failed);
    return true;
}

std::string Show(const Value& value) {
    if (const int* index = std::get_if<int>(&value)) return std::to_string(*index);
    const auto& text = std::get<std::string>(value);
    return text.empty() ? "(empty)" : protocol::Latin1ToUtf8(text);
}

}  // namespace commission
