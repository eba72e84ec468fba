// Twips to and from the inches, centimetres and points of the paragraph dialog.
#include "compose/paragraphunits.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace compose {

namespace {

double twipsPerUnit(LengthUnit unit) {
  return unit == LengthUnit::Inch ? kTwipsPerInch : kTwipsPerCentimetre;
}

std::optional<int> textToTwips(const QString& text, double twipsPerUnit) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return 0;
  QLocale c = QLocale::c();
  c.setNumberOptions(QLocale::RejectGroupSeparator);
  bool ok = false;
  const double value = c.toDouble(t, &ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  const double twips = value * twipsPerUnit;
  if (std::fabs(twips) > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(RoundHalfEven(twips));
}

}  // namespace

long long RoundHalfEven(double value) {
  const double lower = std::floor(value);
  const double diff = value - lower;
  long long r = static_cast<long long>(lower);
  if (diff > 0.5 || (diff == 0.5 && (r % 2 != 0))) ++r;
  return r;
}

QString UnitWord(LengthUnit unit) {
  return unit == LengthUnit::Inch ? QStringLiteral("inches") : QStringLiteral("centimeters");
}

QString TwipsToLengthText(int twips, LengthUnit unit) {
  return QString::number(twips / twipsPerUnit(unit), 'f', 2);
}

QString TwipsToPointsText(int twips) {
  return QString::number(RoundHalfEven(static_cast<double>(twips) / kTwipsPerPoint));
}

std::optional<int> LengthTextToTwips(const QString& text, LengthUnit unit) {
  return textToTwips(text, twipsPerUnit(unit));
}

std::optional<int> PointsTextToTwips(const QString& text) {
  return textToTwips(text, kTwipsPerPoint);
}

}  // namespace compose
