#include "emulator/StateFile.h"

#include <stdexcept>

#include "commission/Commands.h"
#include "commission/Profile.h"

namespace emulator {

void LoadState(Converter& converter, const std::string& path) {
    const auto plan = commission::WriteAllSteps(commission::LoadProfile(path));
    if (!plan.failures.empty()) throw std::runtime_error(path + ": " + commission::DescribeFailures(plan.failures));
    Converter configured = converter;
    for (const auto& step : plan.steps) {
        auto answer = configured.Handle(step.command);
        if (!answer || answer->ends_with(" ERR"))
            throw std::runtime_error(path + ": the converter refuses " + step.command);
    }
    converter = std::move(configured);
}

commission::Configuration StoredRecord(const Converter& converter) {
    Converter asked = converter;
    auto record = commission::DefaultConfiguration();
    for (const auto& step : commission::ReadAllSteps()) {
        const auto answer = asked.Handle(step.command);
        if (!answer || !step.code || !commission::FillFromReply(record, *step.code, *answer))
            throw std::runtime_error("the converter does not answer " + step.label);
    }
    record.values["PCBSN"] = converter.State().Field("PCBSN");
    record.values["JIANZHI"] = converter.State().Field("JIANZHI");
    return record;
}

void SaveState(const Converter& converter, const std::string& path) {
    commission::SaveProfile(path, StoredRecord(converter));
}

}  // namespace emulator
