// The reading request behind GetData, and the pieces it is made of.
#pragma once

#include <string>
#include <string_view>

// Replaces every occurrence of `token` (not empty) in `text` by `value`, from
// left to right; inserted text is never searched again. Linear in the
// length of the text, however many occurrences there are.
void ReplaceAll(std::string& text, std::string_view token, std::string_view value);

// The dew point in degrees Celsius of air at `temperatureCelsius` with
// `relativeHumidity` percent, by a Magnus-type formula. Nothing is clamped:
// a humidity of 0 or below gives not-a-number.
double DewPoint(double temperatureCelsius, double relativeHumidity);
