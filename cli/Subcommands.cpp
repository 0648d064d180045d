#include "cli/Subcommands.h"

#include "cli/CaptureCommand.h"
#include "cli/CommissionCommands.h"
#include "cli/FindCommand.h"
#include "cli/FrameCommand.h"
#include "cli/UnitCommand.h"

namespace cli {

const std::vector<Subcommand>& Subcommands() {
    static const std::vector<Subcommand> table = {
        {.name = "read",
         .usage = "--port PATH [LINE] -o FILE",
         .summary = "read the converter's whole configuration into the profile FILE",
         .run = ReadCommand},
        {.name = "write",
         .usage = "--port PATH [LINE] FILE",
         .summary = "send every setting of the profile FILE to the converter",
         .run = WriteCommand},
        {.name = "verify",
         .usage = "--port PATH [LINE] FILE",
         .summary = "read the converter back and list where it differs from FILE (exit 1)",
         .run = VerifyCommand},
        {.name = "commission",
         .usage = "--port PATH [LINE] FILE --serial N --inspector I [--address A] --record DIR\n"
                  "      [--batch-log CSV [--retry]]   (or --first-serial N --batch-log CSV: the first number\n"
                  "      from N on that the log does not hold)",
         .summary = "one unit of a batch: write FILE with the unit's identity, verify, write its record\n"
                    "      DIR/SERIAL.json and .html and a line of the batch log (exit 1: differences)",
         .run = CommissionUnitCommand},
        {.name = "capture",
         .usage = "--port PATH [LINE] -o FILE [--with-sets]",
         .summary = "record how the converter answers the 17 queries (nothing that changes it), every\n"
                    "      piece with its time, into the capture FILE for a bug report or for\n"
                    "      tq410k-emulator --replay FILE. --with-sets: also write back every value just read\n"
                    "      (not the serial number and inspector, which cannot be read) and record the\n"
                    "      acknowledgments. Exit 2 when a command got no answer; FILE is written all the same",
         .run = CaptureCommand},
        {.name = "find",
         .usage = "--port PATH [--baud N] [--parity none|odd|even] [--stop 1|2] [--all] [--timeout MS]",
         .summary = "try the line settings (1200 to 19200 baud, no, even, odd parity, 1 or 2 stop bits;\n"
                    "      9600 8N1 first) until a TQ410-K answers the communication query and the\n"
                    "      parameter query; print its settings and slave address. --baud, --parity and\n"
                    "      --stop narrow the search; --all goes on after a find (another converter may\n"
                    "      share the bus); --timeout: the wait for an answer at each try (500), beyond\n"
                    "      the time the command and answer take on the line. Nothing that changes the\n"
                    "      converter is sent. Exit 2, listing what was tried, when none answers",
         .run = FindCommand},
        {.name = "frame",
         .usage = "--check HEX | --slave N --function N [--start N] [--count N] [--values V,...]",
         .summary = "check a custom command's Modbus frame (exit 1: wrong CRC), or build one",
         .run = RunFrameCommand},
    };
    return table;
}

std::string Usage() {
    std::string text = "usage: tq410k-cli COMMAND [OPTIONS]\n\ncommands:\n";
    for (const auto& s : Subcommands()) {
        text += "  " + std::string(s.name) + " " + std::string(s.usage) + "\n";
        text += "      " + std::string(s.summary) + "\n";
    }
    text +=
        "\nLINE (read, write, verify, commission, capture):\n"
        "      --baud N (9600) --parity none|odd|even (none) --stop 1|2 (1)\n"
        "      --timeout MS  how long each step waits for its answer (3000)\n"
        "\nexit status: 0 done (verify: no differences), 1 verify found differences, 2 error\n";
    return text;
}

std::string Usage(const Subcommand& s) {
    std::string text = "usage: tq410k-cli " + std::string(s.name) + " " + std::string(s.usage) + "\n  " +
                       std::string(s.summary) + "\n";
    if (s.name != "frame" && s.name != "find")
        text +=
            "\nLINE: --baud N (9600) --parity none|odd|even (none) --stop 1|2 (1)\n"
            "      --timeout MS  how long each step waits for its answer (3000)\n";
    return text;
}

}  // namespace cli
