#include "commission/Capture.h"

#include <algorithm>
#include <optional>
#include <set>

#include <nlohmann/json.hpp>

#include "commission/AtomicFile.h"
#include "commission/JsonTypeName.h"
#include "commission/BoundedFile.h"
#include "protocol/Latin1.h"

namespace commission {
namespace {

using Json = nlohmann::ordered_json;

[[noreturn]] void Fault(const std::string& key, const std::string& fault) { throw ECaptureError(key + ": " + fault); }


// A JSON object whose keys are exactly `required` (and any of `optional`).
const Json& Object(const Json& json, const std::string& key, std::initializer_list<const char*> required,
                   std::initializer_list<const char*> optional = {}) {
    if (!json.is_object()) Fault(key, "is " + JsonTypeName(json) + ", expected an object");
    const std::string prefix = key.empty() ? "" : key + ".";
    for (const auto& item : json.items()) {
        const std::string& name = item.key();
        auto is = [&](const char* k) { return name == k; };
        if (std::none_of(required.begin(), required.end(), is) && std::none_of(optional.begin(), optional.end(), is))
            Fault(prefix + name, "unknown key");
    }
    for (const char* name : required)
        if (!json.contains(name)) Fault(prefix + name, "is missing");
    return json;
}

long long Number(const Json& json, const std::string& key, long long low, long long high) {
    if (!json.is_number_integer() || json.get<long long>() < low || json.get<long long>() > high)
        Fault(key, json.dump() + " is not a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    return json.get<long long>();
}

std::string Text(const Json& json, const std::string& key) {
    if (!json.is_string()) Fault(key, "is " + JsonTypeName(json) + ", expected a text");
    return json.get<std::string>();
}

// A text of bytes: every character one byte, U+0000 to U+00FF.
std::string Bytes(const Json& json, const std::string& key) {
    protocol::Utf8Fault fault;
    auto bytes = protocol::Utf8ToLatin1(Text(json, key), &fault);
    if (!bytes)
        Fault(key, fault.notUtf8 ? "is not UTF-8"
                                 : "holds a character beyond U+00FF, which is no byte (one character per byte)");
    if (bytes->empty()) Fault(key, "is empty");
    return *bytes;
}

std::string OneOf(const Json& json, const std::string& key, const auto& words) {
    const std::string text = Text(json, key);
    if (std::find(words.begin(), words.end(), text) != words.end()) return text;
    std::string list;
    for (const auto& w : words) list += std::string(list.empty() ? "" : ", ") + "\"" + std::string(w) + "\"";
    Fault(key, "is \"" + text + "\", expected one of " + list);
}

CaptureLine ReadLine(const Json& json) {
    Object(json, "line", {"port", "baud", "parity", "stopBits", "timeoutMs"});
    CaptureLine line;
    line.port = Text(json["port"], "line.port");
    line.baud = Number(json["baud"], "line.baud", 1, 4'000'000);
    line.parity = OneOf(json["parity"], "line.parity", std::array{"none", "odd", "even"});
    line.stopBits = Number(json["stopBits"], "line.stopBits", 1, 2);
    line.timeoutMs = Number(json["timeoutMs"], "line.timeoutMs", 1, 600'000);
    return line;
}

CaptureExchange ReadExchange(const Json& json, const std::string& key) {
    Object(json, key, {"label", "command", "result", "pieces"}, {"cut"});
    CaptureExchange exchange;
    exchange.label = Text(json["label"], key + ".label");
    exchange.command = Bytes(json["command"], key + ".command");
    exchange.result = OneOf(json["result"], key + ".result", CaptureResults);
    if (json.contains("cut")) {
        if (!json["cut"].is_boolean()) Fault(key + ".cut", "is " + JsonTypeName(json["cut"]) + ", expected true or false");
        exchange.cut = json["cut"].get<bool>();
    }
    const Json& pieces = json["pieces"];
    if (!pieces.is_array()) Fault(key + ".pieces", "is " + JsonTypeName(pieces) + ", expected an array");
    if (pieces.size() > MaxCapturePieces)
        Fault(key + ".pieces", "holds " + std::to_string(pieces.size()) + " pieces, more than a capture keeps (" +
                                   std::to_string(MaxCapturePieces) + ")");
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const std::string at = key + ".pieces[" + std::to_string(i) + "]";
        Object(pieces[i], at, {"afterMs", "bytes"});
        CapturePiece piece{.afterMs = Number(pieces[i]["afterMs"], at + ".afterMs", 0, MaxCaptureAfterMs),
                           .bytes = Bytes(pieces[i]["bytes"], at + ".bytes")};
        if (!exchange.pieces.empty() && piece.afterMs < exchange.pieces.back().afterMs)
            Fault(at + ".afterMs", std::to_string(piece.afterMs) + " is earlier than the piece before (" +
                                       std::to_string(exchange.pieces.back().afterMs) + ")");
        exchange.pieces.push_back(std::move(piece));
    }
    if (exchange.result == "not sent" && !exchange.pieces.empty())
        Fault(key + ".pieces", "a command that was not sent has no answer");
    return exchange;
}

// The document, refusing a key that appears twice in one object (a parser
// would otherwise keep one of them without a word).
Json ParseJson(std::string_view text) {
    std::vector<std::set<std::string>> keys;
    std::optional<std::string> twice;
    auto callback = [&](int, Json::parse_event_t event, Json& parsed) {
        if (event == Json::parse_event_t::object_start) keys.emplace_back();
        else if (event == Json::parse_event_t::object_end && !keys.empty()) keys.pop_back();
        else if (event == Json::parse_event_t::key && !keys.empty() && !keys.back().insert(parsed.get<std::string>()).second)
            if (!twice) twice = parsed.get<std::string>();
        return true;
    };
    Json root;
    try {
        root = Json::parse(text.begin(), text.end(), callback);
    } catch (const Json::exception& e) {
        std::string message = e.what();
        // "[json.exception.parse_error.101] parse error at ..." -> "parse error at ..."
        if (const auto end = message.find("] "); !message.empty() && message.front() == '[' && end != std::string::npos)
            message.erase(0, end + 2);
        throw ECaptureError("not JSON: " + message);
    }
    if (twice) Fault(*twice, "the key appears twice in one object");
    return root;
}

}  // namespace

std::string CaptureText(const Capture& capture) {
    Json root;
    root["format"] = CaptureFormat;
    root["version"] = CaptureVersion;
    root["when"] = capture.when;
    root["line"] = Json{{"port", capture.line.port},
                        {"baud", capture.line.baud},
                        {"parity", capture.line.parity},
                        {"stopBits", capture.line.stopBits},
                        {"timeoutMs", capture.line.timeoutMs}};
    Json exchanges = Json::array();
    for (const auto& e : capture.exchanges) {
        Json pieces = Json::array();
        for (const auto& p : e.pieces)
            pieces.push_back(Json{{"afterMs", p.afterMs}, {"bytes", protocol::Latin1ToUtf8(p.bytes)}});
        Json exchange{{"label", e.label},
                      {"command", protocol::Latin1ToUtf8(e.command)},
                      {"result", e.result},
                      {"pieces", std::move(pieces)}};
        if (e.cut) exchange["cut"] = true;
        exchanges.push_back(std::move(exchange));
    }
    root["exchanges"] = std::move(exchanges);
    // ASCII only: every byte beyond it is written as its escape. The port's
    // name is the only text not made of bytes; a name that is no UTF-8 gets
    // U+FFFD where it breaks.
    return root.dump(2, ' ', true, Json::error_handler_t::replace) + "\n";
}

Capture ParseCapture(std::string_view text) {
    const Json root = ParseJson(text);
    if (!root.is_object()) throw ECaptureError("not a capture: the document is " + JsonTypeName(root) + ", not an object");
    if (!root.contains("format")) Fault("format", "is missing");
    if (root["format"] != CaptureFormat)
        Fault("format", "is " + root["format"].dump() + ", expected \"" + std::string(CaptureFormat) + "\"");
    if (!root.contains("version")) Fault("version", "is missing");
    if (!root["version"].is_number_integer() || root["version"].get<long long>() != CaptureVersion)
        Fault("version", root["version"].dump() + " is not supported (this program reads version " +
                             std::to_string(CaptureVersion) + ")");
    Object(root, "", {"format", "version", "when", "line", "exchanges"});

    Capture capture;
    capture.when = Text(root["when"], "when");
    capture.line = ReadLine(root["line"]);
    const Json& exchanges = root["exchanges"];
    if (!exchanges.is_array()) Fault("exchanges", "is " + JsonTypeName(exchanges) + ", expected an array");
    for (std::size_t i = 0; i < exchanges.size(); ++i) {
        const std::string key = "exchanges[" + std::to_string(i) + "]";
        auto exchange = ReadExchange(exchanges[i], key);
        for (std::size_t j = 0; j < capture.exchanges.size(); ++j)
            if (capture.exchanges[j].command == exchange.command)
                Fault(key + ".command", "the same command as exchanges[" + std::to_string(j) + "]");
        capture.exchanges.push_back(std::move(exchange));
    }
    return capture;
}

Capture LoadCapture(const std::string& path) {
    std::string text;
    try {
        text = ReadBoundedFile(path, MaxCaptureBytes, "capture");
    } catch (const EReadError& e) {
        throw ECaptureError(e.what());
    }
    try {
        return ParseCapture(text);
    } catch (const ECaptureError& e) {
        throw ECaptureError(path + ": " + e.what());
    }
}

void SaveCapture(const std::string& path, const Capture& capture) { WriteFileAtomically(path, CaptureText(capture)); }

}  // namespace commission
