// Default font of new texts and its font dialog.
#include "compose/defaultfont.h"

#include "settings/appsettings.h"

#include <QApplication>
#include <QFontDialog>
#include <QFontInfo>

#include <cmath>

namespace compose {

namespace {

// The font dialog lists installed families only; a stored name the system draws with
// another family (Arial with its metric twin, say) is shown as that family.
QFont presetFont() {
  QFont font(QString::fromStdString(settings::AppSettings.FontName));
  font.setFamily(QFontInfo(font).family());
  if (settings::AppSettings.FontSize > 0) font.setPointSize(settings::AppSettings.FontSize);
  font.setBold(settings::AppSettings.FontBold);
  font.setItalic(settings::AppSettings.FontItalic);
  font.setUnderline(settings::AppSettings.FontUnderline);
  return font;
}

std::optional<QFont> runFontDialog(const QFont& preset) {
  if (FontDialogAnswers()) return FontDialogAnswers()(preset);
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, preset, QApplication::activeWindow());
  if (!ok) return std::nullopt;
  return chosen;
}

// A font given in pixels has no point size; keep the stored size then.
int pointSizeOf(const QFont& font, int fallback) {
  if (font.pointSize() > 0) return font.pointSize();
  if (font.pointSizeF() > 0) return static_cast<int>(std::lround(font.pointSizeF()));
  return fallback;
}

}  // namespace

richtext::CharAttributes DefaultFontAttributes() {
  richtext::CharAttributes attrs;
  attrs.fontName = QString::fromStdString(settings::AppSettings.FontName);
  attrs.pointSize = settings::AppSettings.FontSize;
  attrs.bold = settings::AppSettings.FontBold;
  attrs.italic = settings::AppSettings.FontItalic;
  attrs.underline = settings::AppSettings.FontUnderline;
  return attrs;
}

ui::Seam<std::optional<QFont>(const QFont&)>& FontDialogAnswers() {
  static ui::Seam<std::optional<QFont>(const QFont&)> seam;
  return seam;
}

// The settings of this run are the ones in force: reading the file again would bring back
// what the program keeps apart until it is stored (a port the first run has not yet
// written, say).
bool ChooseDefaultFont() {
  const QFont preset = presetFont();
  const std::optional<QFont> chosen = runFontDialog(preset);
  if (!chosen) return false;
  // The family the stored name was shown as keeps that name: other programs read it too.
  if (!chosen->family().isEmpty() && chosen->family() != preset.family())
    settings::AppSettings.FontName = chosen->family().toStdString();
  settings::AppSettings.FontSize = pointSizeOf(*chosen, settings::AppSettings.FontSize);
  settings::AppSettings.FontBold = chosen->bold();
  settings::AppSettings.FontItalic = chosen->italic();
  settings::AppSettings.FontUnderline = chosen->underline();
  settings::SaveSettings();
  return true;
}

}  // namespace compose
