#pragma once

#include <string>

/// The text of a single-precision number that people read and that reads back as the same
/// number: as "%g" writes it with the fewest digits (from 6) that keep the value, so that 0.1
/// shows as "0.1" rather than as the double nearest to 0.1f. Zero is "0", never "-0".
std::string UTshortestFloatText(float value);
