#pragma once
// Comparing the configuration a converter reports with the one expected.

#include <string>
#include <vector>

#include "commission/Configuration.h"

namespace commission {

struct Difference {
    std::string control;
    Value expected;
    Value reported;
};

// Every setting the converter reports (serial number and inspector are not
// reported) that `reported` holds and that differs from `expected`, in write order.
std::vector<Difference> Compare(const Configuration& expected, const Configuration& reported);

// "Analog 7 · Coefficient: window 00010, converter 00001", where `source`
// names the expected side ("window", "profile").
std::string DescribeDifference(const Difference& difference, const std::string& source);
// One line per difference, or "No differences: the converter holds every setting checked."
std::string DescribeDifferences(const std::vector<Difference>& differences, const std::string& source);

}  // namespace commission
