#include "cli/FrameCommand.h"

#include <map>
#include <optional>

#include "protocol/ModbusRtu.h"

namespace cli {
namespace {

namespace modbus = protocol::modbus;

constexpr int Right = 0;
constexpr int WrongCrc = 1;
constexpr int BadInput = 2;

constexpr const char* Usage =
    "usage: tq410k-cli frame --check HEX\n"
    "       tq410k-cli frame --slave N --function N [--start N] [--count N] [--values V,...]\n"
    "Checks a Modbus RTU request typed in hexadecimal, or builds one with its CRC.\n"
    "Functions: 1, 2, 3, 4 read (--count); 5 write a coil (--value ON or OFF);\n"
    "6 write a register (--value N); 15 write coils (--values 1,0,...);\n"
    "16 write registers (--values N,...). Numbers are decimal or 0x hexadecimal.\n"
    "Exit status: 0 CRC right or frame built, 1 CRC wrong or missing, 2 bad input.\n";

const char* const Options[] = {"--check", "--slave", "--function", "--start", "--count", "--value", "--values"};

// "--name value" and "--name=value"; "--value" and "--values" are one option.
struct Arguments {
    std::map<std::string, std::string> options;
    bool help = false;
    std::string error;
};

Arguments Read(const std::vector<std::string>& args) {
    Arguments read;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (name == "--help" || name == "-h") {
            read.help = true;
            continue;
        }
        if (const auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        bool known = false;
        for (const char* option : Options) known = known || name == option;
        if (!known) {
            read.error = "unknown argument '" + args[i] + "'";
            return read;
        }
        if (name == "--value") name = "--values";
        if (!value) {
            if (i + 1 == args.size()) {
                read.error = name + " needs a value";
                return read;
            }
            value = args[++i];
        }
        if (!read.options.emplace(name, *value).second) {
            read.error = name + " is given twice";
            return read;
        }
    }
    return read;
}

int Check(const std::string& hex, std::ostream& out, std::ostream& err) {
    const modbus::FrameCheck check = modbus::CheckFrame(hex);
    if (!check.error.empty()) {
        err << "frame: " << check.error << "\n";
        return BadInput;
    }
    out << modbus::Describe(check) << "\n";
    if (check.CrcIsRight()) return Right;
    if (const auto completed = modbus::CompleteCrc(hex)) out << "Right frame: " << *completed << "\n";
    return WrongCrc;
}

std::optional<unsigned> Number(const Arguments& read, const char* name, unsigned maximum, std::ostream& err) {
    const auto found = read.options.find(name);
    if (found == read.options.end()) return std::nullopt;
    auto number = modbus::ParseNumber(found->second, maximum);
    if (!number) err << "frame: " << name << " '" << found->second << "' is not a number from 0 to " << maximum << "\n";
    return number;
}

int Build(const Arguments& read, std::ostream& out, std::ostream& err) {
    for (const char* required : {"--slave", "--function"})
        if (!read.options.contains(required)) {
            err << "frame: " << required << " is missing\n" << Usage;
            return BadInput;
        }
    const auto slave = Number(read, "--slave", 255, err);
    const auto function = Number(read, "--function", 255, err);
    const auto start = read.options.contains("--start") ? Number(read, "--start", 0xFFFF, err) : 0u;
    const auto count = Number(read, "--count", 0xFFFF, err);
    if (!slave || !function || !start || (read.options.contains("--count") && !count)) return BadInput;

    modbus::Request request{.slave = *slave, .function = *function, .address = *start, .count = count.value_or(0),
                            .values = {}};
    if (modbus::FunctionName(*function)) {
        const auto values = read.options.find("--values");
        const modbus::ParsedValues parsed =
            modbus::ParseValues(*function, values == read.options.end() ? "" : values->second);
        if (!parsed.error.empty()) {
            err << "frame: " << parsed.error << "\n";
            return BadInput;
        }
        request.values = parsed.values;
        const bool readsCount = parsed.values.empty();
        if (readsCount && !count) {
            err << "frame: --count is missing\n";
            return BadInput;
        }
        if ((*function == 15 || *function == 16) && count && *count != parsed.values.size()) {
            err << "frame: --count " << *count << " does not match the " << parsed.values.size() << " values\n";
            return BadInput;
        }
    }
    const modbus::BuiltFrame built = modbus::BuildFrame(request);
    if (!built.error.empty()) {
        err << "frame: " << built.error << "\n";
        return BadInput;
    }
    out << built.hex << "\n";
    return Right;
}

}  // namespace

int RunFrameCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments read = Read(args);
    if (!read.error.empty()) {
        err << "frame: " << read.error << "\n" << Usage;
        return BadInput;
    }
    if (read.help) {
        out << Usage;
        return Right;
    }
    if (read.options.empty()) {
        err << Usage;
        return BadInput;
    }
    if (const auto check = read.options.find("--check"); check != read.options.end()) {
        if (read.options.size() > 1) {
            err << "frame: --check takes no other options\n" << Usage;
            return BadInput;
        }
        return Check(check->second, out, err);
    }
    return Build(read, out, err);
}

}  // namespace cli
