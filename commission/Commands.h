#pragma once
// The commands of the read-all and write-all sequences: the queries, and the
// set commands of protocol/CommandTable composed from a record.

#include <optional>
#include <string>
#include <vector>

#include "commission/Configuration.h"

namespace commission {

// One command of a sequence and the reply code the window's button for it sets
// (nothing: the code in force judges the answer, as the button does).
struct Step {
    std::string label;    // "QX2", "ZDAD07"
    std::string command;  // the bytes on the wire
    std::optional<protocol::ReplyCode> code;
    // A step with fields: its answer holds this tag ("ZDAD09:"); a text
    // without it answered something else (a late block of an earlier command).
    std::string answerTag = {};
    // The controls whose values the answer carries; the answer is whole when
    // the parser for `code` finds every one. None: a set command, which any
    // answer beyond an echo of the command acknowledges ("OK", "ADR:001 OK";
    // one holding "ERR" refuses).
    std::vector<std::string> fields = {};
    // A set command. One with fields (a parsing rule, answered with its
    // record) is also acknowledged by a verdict word alone ("OK"), as a
    // converter may answer any set; Verify then proves its values.
    bool set = false;
};

// The controls that the parameter words travel with ("ADR", "ZDAD07", "COMW3").
std::vector<std::string> FieldsOf(const std::vector<std::string>& parameters);
std::vector<std::string> FieldsOf(const std::vector<std::string>& parameters, const std::vector<Field>& fields);

// QX1 to QX5, COMR01 to COMR06, COMP01 to COMP06.
std::vector<Step> ReadAllSteps();

struct FieldFailure {
    std::string control;
    std::string message;  // "'1x' is not a valid integer value"
};

struct WritePlan {
    std::vector<Step> steps;             // empty when anything failed
    std::vector<FieldFailure> failures;  // in write order
};

// Every set command of the window (never the reset), in write order. Each
// field is checked on its own, so every field that cannot travel is listed;
// when any fails, no command is returned.
WritePlan WriteAllSteps(const Configuration& record);
// The same for the set commands given (protocol::AllSetCommands).
WritePlan WriteAllSteps(const Configuration& record, const protocol::CommandTable& commands);

// Checks one field's value as it would travel; throws an exception whose
// message says what is wrong.
void CheckField(const Field& field, const Value& value);

// "Nothing was sent. These fields cannot be sent:" and one line per field,
// "Slave address: '1x' is not a valid integer value".
std::string DescribeFailures(const std::vector<FieldFailure>& failures);

// The custom commands whose Modbus frame ends in a wrong CRC or in none, one
// line each ("Command 3 · Command: CRC is 0x0944, the frame needs 0x0A84").
// Warnings only: the frames are written as they are.
std::vector<std::string> FrameWarnings(const Configuration& record);
// "Warnings:" and the lines, or nothing when there are none.
std::string DescribeWarnings(const std::vector<std::string>& warnings);

}  // namespace commission
