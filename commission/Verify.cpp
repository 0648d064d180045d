#include "commission/Verify.h"

#include "commission/FieldLimits.h"
#include "protocol/ItemLists.h"
#include "protocol/FieldNames.h"

namespace commission {

std::vector<Difference> Compare(const Configuration& expected, const Configuration& reported) {
    std::vector<Difference> differences;
    for (const auto& field : Fields()) {
        if (!field.readBack || !reported.Has(field.control)) continue;
        const Value& mine = expected.At(field.control);
        const Value& theirs = reported.At(field.control);
        // As they travel: "77" in the slave address goes out as "077".
        const auto mineOnWire = WireForm(field, mine);
        if (mine != theirs && (!mineOnWire || mineOnWire != WireForm(field, theirs)))
            differences.push_back({field.control, mine, theirs});
    }
    return differences;
}

std::vector<std::string> NotChecked(const Configuration& reported) {
    std::vector<std::string> controls;
    for (const auto& field : Fields())
        if (field.readBack && !reported.Has(field.control)) controls.push_back(field.control);
    return controls;
}

namespace {

// A box's value by its item, as the user sees it: through `items` when given,
// else by the window's own item lists.
std::string ShowValue(const std::string& control, const Value& value, const ItemNamer& items) {
    const int* index = std::get_if<int>(&value);
    if (!index) return Show(value);
    if (items)
        if (auto item = items(control, *index)) return *item;
    if (auto item = protocol::ItemText(control, *index)) return *item;
    return Show(value);
}

}  // namespace

std::string DescribeDifference(const Difference& d, const std::string& source, const ItemNamer& items) {
    return protocol::FieldDisplayName(d.control) + ": " + source + " " + ShowValue(d.control, d.expected, items) +
           ", converter " + ShowValue(d.control, d.reported, items);
}

std::string DescribeDifferences(const std::vector<Difference>& differences, const std::string& source,
                                const ItemNamer& items) {
    if (differences.empty()) return "No differences: the converter holds every setting checked.";
    std::string text;
    for (const auto& d : differences) text += (text.empty() ? "" : "\n") + DescribeDifference(d, source, items);
    return text;
}

}  // namespace commission
