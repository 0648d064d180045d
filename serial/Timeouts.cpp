#include "serial/Timeouts.h"

namespace serial {

TReadPlan ReadPlanFor(const TCommTimeouts& t, std::size_t requested) {
    TReadPlan plan;
    const std::uint32_t interval = t.ReadIntervalTimeout;
    const std::uint32_t multiplier = t.ReadTotalTimeoutMultiplier;
    const std::uint32_t constant = t.ReadTotalTimeoutConstant;

    if (interval == MAXDWORD && multiplier == 0 && constant == 0) {
        plan.Immediate = true;  // return at once with what is there
        return plan;
    }
    if (interval == MAXDWORD && multiplier == MAXDWORD && constant > 0 && constant < MAXDWORD) {
        // Return at once with what is there; if nothing, with the first byte
        // to arrive, or empty after `constant` ms.
        plan.FirstByteCompletes = true;
        plan.Total = std::chrono::milliseconds(constant);
        return plan;
    }
    if (interval != 0) plan.Interval = std::chrono::milliseconds(interval);
    if (multiplier != 0 || constant != 0) {
        const std::uint64_t total = std::uint64_t{multiplier} * requested + constant;
        plan.Total = std::chrono::milliseconds(static_cast<std::chrono::milliseconds::rep>(total));
    }
    return plan;
}

}  // namespace serial
