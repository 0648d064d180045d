#include "emulator/Options.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace emulator {

std::optional<std::string> ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        std::string refusal;  // set by a value that is missing or wrong
        auto value = [&]() -> const char* {
            if (i + 1 < argc) return argv[++i];
            refusal = a + " needs a value";
            return nullptr;
        };
        auto text = [&](std::string& target) {
            const char* v = value();
            if (!v) return false;
            target = v;
            return true;
        };
        auto number = [&](int& target, long low = 0) {
            const char* v = value();
            if (!v) return false;
            char* end = nullptr;
            const long n = std::strtol(v, &end, 10);
            if (*v == '\0' || *end != '\0' || n < low || n > 1000000) {
                refusal = a + ": \"" + v + "\" is not a number from " + std::to_string(low) + " to 1,000,000";
                return false;
            }
            target = static_cast<int>(n);
            return true;
        };
        bool ok = true;
        if (a == "--split") o.split = true;
        else if (a == "--silent") o.silent = true;
        else if (a == "--garbage") o.garbage = true;
        else if (a == "--echo") o.echo = true;
        else if (a == "--ack") {
            const char* v = value();
            const auto form = v ? AcknowledgmentNamed(v) : std::nullopt;
            ok = form.has_value();
            if (ok) o.ack = *form;
            else if (v) refusal = a + ": \"" + v + "\" is not tagged, plain, crlf, err or none";
        }
        else if (a == "--baud") {
            const char* v = value();
            ok = false;
            for (std::uint32_t b : {1200u, 2400u, 4800u, 9600u, 19200u})
                if (v && std::to_string(b) == v) {
                    o.baud = b;
                    ok = o.lineGiven = true;
                }
            if (!ok && v) refusal = a + ": \"" + v + "\" is not 1200, 2400, 4800, 9600 or 19200";
        }
        else if (a == "--parity") {
            const char* v = value();
            const std::string_view p = v ? v : "";
            ok = p == "none" || p == "odd" || p == "even";
            if (ok) {
                o.parity = p == "none" ? 'N' : p == "odd" ? 'O' : 'E';
                o.lineGiven = true;
            } else if (v) {
                refusal = a + ": \"" + v + "\" is not none, odd or even";
            }
        }
        else if (a == "--stop") {
            const char* v = value();
            const std::string_view p = v ? v : "";
            ok = p == "1" || p == "2";
            if (ok) {
                o.stopBits = p == "1" ? 1 : 2;
                o.lineGiven = true;
            } else if (v) {
                refusal = a + ": \"" + v + "\" is not 1 or 2";
            }
        }
        else if (a == "--garble-mismatch") o.garbleMismatch = true;
        else if (a == "--delay") ok = number(o.delayMs);
        else if (a == "--hangup-after") ok = number(o.hangupAfter);
        else if (a == "--blink") ok = number(o.blinkMs);
        else if (a == "--stream-ms") ok = number(o.streamMs, 1);
        else if (a == "--no-link") o.noLink = true;
        else if (a == "--link") ok = text(o.link);
        else if (a == "--wire-log") ok = text(o.wireLog);
        else if (a == "--state") ok = text(o.state);
        else if (a == "--save-state") ok = text(o.saveState);
        else if (a == "--device") ok = text(o.device);
        else if (a == "--replay") ok = text(o.replay);
        else ok = false;
        if (!ok) {
            if (!refusal.empty()) return refusal;
            return a.starts_with("-") ? "unknown option " + a : "unexpected argument \"" + a + "\"";
        }
    }
    return std::nullopt;
}

bool AsksForHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") return true;
    return false;
}

std::optional<std::string> ReplayConflict(const Options& o) {
    if (o.replay.empty()) return std::nullopt;
    const struct {
        bool given;
        const char* option;
    } others[] = {
        {!o.state.empty(), "--state"}, {!o.saveState.empty(), "--save-state"}, {o.split, "--split"},
        {o.silent, "--silent"},        {o.garbage, "--garbage"},                {o.delayMs != 0, "--delay"},
        {o.hangupAfter >= 0, "--hangup-after"}, {o.blinkMs >= 0, "--blink"},
        {o.echo, "--echo"}, {o.ack != Acknowledgment::Tagged, "--ack"},
    };
    for (const auto& other : others)
        if (other.given) return std::string("--replay cannot be combined with ") + other.option;
    return std::nullopt;
}

void Usage() {
#ifdef _WIN32
    std::fputs(
        "usage: tq410k-emulator --device COMn [options]\n"
        "  --device COMn      answer on this serial port, e.g. one end of a null-modem pair\n"
        "  --baud N --parity none|odd|even --stop 1|2\n"
        "                     the port's line (9600, none, 1): the port itself garbles\n"
        "                     what comes at other settings\n"        "  --state FILE       start configured as the profile FILE says\n"
        "  --replay FILE      answer as the converter of the capture FILE did (tq410k-cli\n"
        "                     capture): its pieces with their gaps; a command the capture\n"
        "                     does not hold gets no answer\n"
        "  --split            send every reply in two blocks, 250 ms apart\n"
        "  --delay MS         wait MS milliseconds before every reply\n"
        "  --silent           answer nothing\n"
        "  --garbage          answer random bytes instead of replies\n"
        "  --ack FORM         acknowledge set commands as FORM: tagged (\"ADR:001 OK\",\n"
        "                     the default), plain (\"OK\"), crlf (\"OK\" CR LF), err (refuse\n"
        "                     every set) or none (no answer to a set)\n"
        "  --echo             send every command back as it came before answering, as\n"
        "                     a 2-wire RS485 adapter does\n"
        "  --hangup-after N   close the port and end after answering N commands\n"
        "  --stream-ms MS     interval of the data-monitoring stream (default 120)\n",
        stderr);
#else
    std::fputs(
        "usage: tq410k-emulator [options]\n"
        "  --link PATH        make PATH a symlink to the emulator's port (default on a\n"
        "                     pseudo-terminal: $XDG_RUNTIME_DIR/tq410k-emulator, else\n"
        "                     /tmp/tq410k-emulator-$USER)\n"
        "  --no-link          make no link\n"
        "  --device PATH      answer on this serial device instead of a pseudo-terminal\n"
        "  --baud N --parity none|odd|even --stop 1|2\n"
        "                     the line the converter listens at (9600, none, 1). On a\n"
        "                     pseudo-terminal: only a client whose baud rate matches is\n"
        "                     answered (Linux clears the parity bits of a pseudo-terminal,\n"
        "                     so parity cannot be seen there; a stop-bit mismatch is\n"
        "                     tolerated, as by real receivers). On a --device the port\n"
        "                     itself is set so\n"
        "  --garble-mismatch  a client at other settings gets noise instead of nothing\n"        "  --state FILE       start configured as the profile FILE says\n"
        "  --save-state FILE  keep FILE a profile of what the converter stores, board\n"
        "                     serial number and inspector included (rewritten on change)\n"
        "  --replay FILE      answer as the converter of the capture FILE did (tq410k-cli\n"
        "                     capture): its pieces with their gaps; a command the capture\n"
        "                     does not hold gets no answer\n"
        "  --split            send every reply in two blocks, 250 ms apart\n"
        "  --delay MS         wait MS milliseconds before every reply\n"
        "  --silent           answer nothing\n"
        "  --garbage          answer random bytes instead of replies\n"
        "  --ack FORM         acknowledge set commands as FORM: tagged (\"ADR:001 OK\",\n"
        "                     the default), plain (\"OK\"), crlf (\"OK\" CR LF), err (refuse\n"
        "                     every set) or none (no answer to a set)\n"
        "  --echo             send every command back as it came before answering, as\n"
        "                     a 2-wire RS485 adapter does\n"
        "  --hangup-after N   close the port after answering N commands\n"
        "  --blink MS         instead of ending, drop the port for MS milliseconds and come\n"
        "                     back on a new pseudo-terminal under the same --link\n"
        "                     (after every command, or every N with --hangup-after N)\n"
        "  --stream-ms MS     interval of the data-monitoring stream (default 120)\n"
        "  --wire-log FILE    write when each command came and each answer went out\n",
        stderr);
#endif
}

}  // namespace emulator
