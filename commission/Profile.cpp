#include "commission/Profile.h"

#include <set>

#include <nlohmann/json.hpp>

#include "commission/AtomicFile.h"
#include "commission/JsonTypeName.h"
#include "commission/BoundedFile.h"
#include "commission/FieldLimits.h"
#include "protocol/Excerpt.h"
#include "protocol/FieldNames.h"
#include "protocol/Latin1.h"

namespace commission {
namespace {

using Json = nlohmann::ordered_json;

[[noreturn]] void Fault(const std::string& key, const std::string& fault) {
    throw EProfileError(key + ": " + fault);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// A JSON value as a message shows it, cut when long.
std::string Shown(const Json& value) { return protocol::Excerpt(value.dump()); }

// Refuses a key that an object holds twice (the parser would keep the last one
// without a word), naming it with its parameter: "ZDAD01.coefficient".
class DuplicateKeys {
public:
    bool operator()(int, Json::parse_event_t event, Json& parsed) {
        using Event = Json::parse_event_t;
        if (event == Event::object_start || event == Event::array_start) {
            std::string name;
            if (!open_.empty() && !open_.back().last.empty())
                name = open_.back().name.empty() ? open_.back().last : open_.back().name + "." + open_.back().last;
            open_.push_back({std::move(name), {}, {}});
        } else if (event == Event::object_end || event == Event::array_end) {
            if (!open_.empty()) open_.pop_back();
        } else if (event == Event::key && !open_.empty()) {
            Level& level = open_.back();
            level.last = parsed.get<std::string>();
            if (!level.keys.insert(level.last).second)
                Fault(protocol::Excerpt(level.name.empty() ? level.last : level.name + "." + level.last),
                      "is given twice");
        }
        return true;
    }

private:
    struct Level {
        std::string name;  // "" at the top
        std::set<std::string> keys;
        std::string last;  // the key whose value is being read
    };
    std::vector<Level> open_;
};


Value ReadValue(const Field& field, const Json& json, const std::string& key) {
    if (field.isIndex) {
        if (!json.is_number_integer()) Fault(key, "is " + JsonTypeName(json) + ", expected an item index");
        const auto index = json.get<long long>();
        if (index < 0 || index >= field.itemCount)
            Fault(key, "item index " + std::to_string(index) + " is outside 0 to " +
                           std::to_string(field.itemCount - 1));
        return static_cast<int>(index);
    }
    if (!json.is_string()) Fault(key, "is " + JsonTypeName(json) + ", expected a text");
    auto text = protocol::Utf8ToLatin1(json.get_ref<const std::string&>());
    if (!text) Fault(key, "holds characters the line cannot carry (only Latin-1 travels)");
    return *text;
}

// The fields of each parameter, in profile order.
std::vector<std::pair<std::string, std::vector<const Field*>>> Parameters() {
    std::vector<std::pair<std::string, std::vector<const Field*>>> parameters;
    for (const auto& field : Fields()) {
        if (parameters.empty() || parameters.back().first != field.parameter)
            parameters.push_back({field.parameter, {}});
        parameters.back().second.push_back(&field);
    }
    return parameters;
}

std::string WithoutExceptionId(std::string message) {
    // "[json.exception.parse_error.101] parse error at line 1, ..." -> "parse error at line 1, ..."
    if (!message.empty() && message.front() == '[') {
        const auto end = message.find("] ");
        if (end != std::string::npos) message.erase(0, end + 2);
    }
    return message;
}

}  // namespace

std::vector<FieldFailure> ProfileFaults(const Configuration& record) {
    std::vector<FieldFailure> faults;
    for (const auto& field : Fields()) {
        if (!record.Has(field.control)) {
            faults.push_back({field.control, "no value"});
            continue;
        }
        const Value& value = record.At(field.control);
        if (field.isIndex != std::holds_alternative<int>(value)) {
            faults.push_back({field.control, "a value of the wrong kind"});
        } else if (field.isIndex) {
            const int index = std::get<int>(value);
            if (index < 0 || index >= field.itemCount)
                faults.push_back({field.control, "no item selected"});
        } else if (auto fault = CarryBackFault(field, PaddedForm(field, value).value_or(std::get<std::string>(value)))) {
            // What is saved must load again; a short run of digits is saved padded.
            faults.push_back({field.control, *fault});
        }
    }
    return faults;
}

std::string ProfileText(const Configuration& record) {
    Json root;
    root["format"] = ProfileFormat;
    root["version"] = ProfileVersion;
    for (const auto& [parameter, fields] : Parameters()) {
        Json object = Json::object();
        for (const Field* field : fields) {
            const Value& value = record.At(field->control);
            if (const int* index = std::get_if<int>(&value))
                object[field->key] = *index;
            else
                object[field->key] =
                    protocol::Latin1ToUtf8(PaddedForm(*field, value).value_or(std::get<std::string>(value)));
        }
        root[parameter] = std::move(object);
    }
    return root.dump(2) + "\n";
}

Configuration ParseProfile(std::string_view text) {
    Json root;
    try {
        root = Json::parse(text.begin(), text.end(), DuplicateKeys());
    } catch (const Json::exception& e) {
        // Syntax errors, and numbers too large for any type (out_of_range).
        throw EProfileError("not JSON: " + WithoutExceptionId(e.what()));
    }
    if (!root.is_object()) throw EProfileError("not a profile: the document is " + JsonTypeName(root) + ", not an object");
    if (!root.contains("format")) Fault("format", "is missing");
    if (root["format"] != ProfileFormat)
        Fault("format", "is " + Shown(root["format"]) + ", expected " + Quoted(std::string(ProfileFormat)));
    if (!root.contains("version")) Fault("version", "is missing");
    if (!root["version"].is_number_integer() || root["version"].get<long long>() != ProfileVersion)
        Fault("version", Shown(root["version"]) + " is not supported (this program reads version " +
                             std::to_string(ProfileVersion) + ")");

    const auto parameters = Parameters();
    for (const auto& [key, value] : root.items()) {
        if (key == "format" || key == "version") continue;
        bool known = false;
        for (const auto& p : parameters) known = known || p.first == key;
        if (!known) Fault(protocol::Excerpt(key), "unknown key");
    }
    Configuration record;
    for (const auto& [parameter, fields] : parameters) {
        if (!root.contains(parameter)) Fault(parameter, "is missing");
        const Json& object = root[parameter];
        if (!object.is_object()) Fault(parameter, "is " + JsonTypeName(object) + ", expected an object");
        for (const auto& [key, value] : object.items()) {
            bool known = false;
            for (const Field* f : fields) known = known || f->key == key;
            if (!known) Fault(parameter + "." + protocol::Excerpt(key), "unknown key");
        }
        for (const Field* field : fields) {
            const std::string key = parameter + "." + field->key;
            if (!object.contains(field->key)) Fault(key, "is missing");
            record.values[field->control] = ReadValue(*field, object[field->key], key);
            if (auto fault = CarryBackFault(*field, record.values[field->control])) Fault(key, *fault);
        }
    }
    return record;
}

std::string ReadProfileFile(const std::string& path) {
    try {
        return ReadBoundedFile(path, MaxProfileBytes, "profile");
    } catch (const EReadError& e) {
        throw EProfileError(e.what());
    }
}

Configuration LoadProfile(const std::string& path) {
    const std::string text = ReadProfileFile(path);
    try {
        return ParseProfile(text);
    } catch (const EProfileError& e) {
        throw EProfileError(path + ": " + e.what());
    }
}

void SaveProfile(const std::string& path, const Configuration& record) {
    if (auto faults = ProfileFaults(record); !faults.empty()) {
        std::string message = path + ": not saved:";
        for (const auto& f : faults) message += "\n" + protocol::FieldDisplayName(f.control) + ": " + f.message;
        throw EProfileError(message);
    }
    try {
        WriteFileAtomically(path, ProfileText(record));
    } catch (const EFileError& e) {
        throw EProfileError(e.what());
    }
}

}  // namespace commission
