// The scan dialog asks for colour or grey as "Color" or "Gray"; drivers name their modes in
// their own words ("Colour", "24bit Color", "Grayscale", "True Gray").
#pragma once

#include <optional>
#include <string>
#include <vector>

// The device's own mode for the wanted one: the same name in any case, else the first that
// names colour or grey. The wanted name itself when the device lists none; nothing when its
// list has no such mode (the device then keeps its current mode).
std::optional<std::string> DeviceModeFor(const std::vector<std::string>& deviceModes, const std::string& wanted);
