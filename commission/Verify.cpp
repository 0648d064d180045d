#include "commission/Verify.h"

#include "protocol/FieldNames.h"

namespace commission {

std::vector<Difference> Compare(const Configuration& expected, const Configuration& reported) {
    std::vector<Difference> differences;
    for (const auto& field : Fields()) {
        if (!field.readBack || !reported.Has(field.control)) continue;
        const Value& mine = expected.At(field.control);
        const Value& theirs = reported.At(field.control);
        if (mine != theirs) differences.push_back({field.control, mine, theirs});
    }
    return differences;
}

std::string DescribeDifference(const Difference& d, const std::string& source) {
    return protocol::FieldDisplayName(d.control) + ": " + source + " " + Show(d.expected) + ", converter " + Show(d.reported);
}

std::string DescribeDifferences(const std::vector<Difference>& differences, const std::string& source) {
    if (differences.empty()) return "No differences: the converter holds every setting checked.";
    std::string text;
    for (const auto& d : differences) text += (text.empty() ? "" : "\n") + DescribeDifference(d, source);
    return text;
}

}  // namespace commission
