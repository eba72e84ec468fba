// Conversions between twips (1/1440 inch), the units the paragraph dialog shows
// (inches, centimetres, points) and the texts of its edits.
#pragma once

#include <QString>

#include <optional>

namespace compose {

enum class LengthUnit { Inch, Centimetre };

constexpr int kTwipsPerInch = 1440;
constexpr int kTwipsPerPoint = 20;
constexpr double kTwipsPerCentimetre = 566.929;

// Rounds to the nearest whole number, halves to the even neighbour.
long long RoundHalfEven(double value);

// "inches" or "centimeters", the word the dialog's hints end with.
QString UnitWord(LengthUnit unit);

// An indent in the unit, as fixed-point text with two decimals ("1.00", "2.54").
QString TwipsToLengthText(int twips, LengthUnit unit);
// A spacing in whole points (twips / 20, halves to even).
QString TwipsToPointsText(int twips);

// Text typed into an edit, back to twips: an empty text is 0; anything that is not a
// decimal number, or whose value does not fit, gives nothing.
std::optional<int> LengthTextToTwips(const QString& text, LengthUnit unit);
std::optional<int> PointsTextToTwips(const QString& text);

}  // namespace compose
