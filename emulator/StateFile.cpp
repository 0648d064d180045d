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

}  // namespace emulator
