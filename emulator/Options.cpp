#include "emulator/Options.h"

#include <cstdio>
#include <cstdlib>

namespace emulator {

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        auto text = [&](std::string& target) {
            const char* v = value();
            if (!v) return false;
            target = v;
            return true;
        };
        auto number = [&](int& target) {
            const char* v = value();
            if (!v) return false;
            char* end = nullptr;
            const long n = std::strtol(v, &end, 10);
            if (*v == '\0' || *end != '\0' || n < 0 || n > 1000000) return false;
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
        }
        else if (a == "--delay") ok = number(o.delayMs);
        else if (a == "--hangup-after") ok = number(o.hangupAfter);
        else if (a == "--blink") ok = number(o.blinkMs);
        else if (a == "--stream-ms") ok = number(o.streamMs) && o.streamMs != 0;
        else if (a == "--no-link") o.noLink = true;
        else if (a == "--link") ok = text(o.link);
        else if (a == "--wire-log") ok = text(o.wireLog);
        else if (a == "--state") ok = text(o.state);
        else if (a == "--save-state") ok = text(o.saveState);
        else if (a == "--device") ok = text(o.device);
        else ok = false;
        if (!ok) return false;
    }
    return true;
}

void Usage() {
#ifdef _WIN32
    std::fputs(
        "usage: tq410k-emulator --device COMn [options]\n"
        "  --device COMn      answer on this serial port, e.g. one end of a null-modem pair\n"
        "  --state FILE       start configured as the profile FILE says\n"
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
        "  --state FILE       start configured as the profile FILE says\n"
        "  --save-state FILE  keep FILE a profile of what the converter stores, board\n"
        "                     serial number and inspector included (rewritten on change)\n"
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
