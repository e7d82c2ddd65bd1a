// How the records write their values, shared by the scan record and the comparison record:
// a figure that is not a finite number as null, and a list item by item.
#pragma once

#include "machine/warnings.h" // Warning

#include <nlohmann/json.hpp>

#include <cmath>
#include <vector>

// JSON has no NaN or infinity: such a figure is written as null.
inline nlohmann::ordered_json figure_json(double value)
{
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

// A warning as both records hold it: its kind, then its message.
inline nlohmann::ordered_json warning_json(const Warning& w)
{
    return {{"kind", w.kind}, {"message", w.message}};
}

// The items in order, each written by write; an empty list is [].
template <typename Item, typename Write>
nlohmann::ordered_json list_json(const std::vector<Item>& items, Write write)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const Item& item : items)
        list.push_back(write(item));
    return list;
}
