#pragma once
// Comparing the configuration a converter reports with the one expected.

#include <functional>
#include <optional>
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
// reported) that `reported` holds and that differs from `expected` as the two
// travel on the wire, in write order.
std::vector<Difference> Compare(const Configuration& expected, const Configuration& reported);
// The settings the converter reports that `reported` lacks: not checked.
std::vector<std::string> NotChecked(const Configuration& reported);

// The text of item `index` of the box `control`, where the caller knows it.
using ItemNamer = std::function<std::optional<std::string>(const std::string& control, int index)>;

// "Analog 7 · Coefficient: window 00010, converter 00001", where `source`
// names the expected side ("window", "profile"); boxes show their items.
std::string DescribeDifference(const Difference& difference, const std::string& source, const ItemNamer& items = {});
// One line per difference, or "No differences: the converter holds every setting checked."
std::string DescribeDifferences(const std::vector<Difference>& differences, const std::string& source,
                                const ItemNamer& items = {});

}  // namespace commission
