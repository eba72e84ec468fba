// Default font of new texts, its font dialog, and the blank-text test.
#include "app/richtextdefaults.h"

#include "app/appsettings.h"
#include "app/textutil.h"

#include <QApplication>
#include <QFontDialog>

#include <cmath>

namespace app {

namespace {

FontDialogHandler& fontDialogStorage() {
  static FontDialogHandler handler;
  return handler;
}

QFont presetFont() {
  QFont font(QString::fromStdString(AppSettings.FontName));
  if (AppSettings.FontSize > 0) font.setPointSize(AppSettings.FontSize);
  font.setBold(AppSettings.FontBold);
  font.setItalic(AppSettings.FontItalic);
  font.setUnderline(AppSettings.FontUnderline);
  return font;
}

std::optional<QFont> runFontDialog(const QFont& preset) {
  if (fontDialogStorage()) return fontDialogStorage()(preset);
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
  attrs.fontName = QString::fromStdString(AppSettings.FontName);
  attrs.pointSize = AppSettings.FontSize;
  attrs.bold = AppSettings.FontBold;
  attrs.italic = AppSettings.FontItalic;
  attrs.underline = AppSettings.FontUnderline;
  return attrs;
}

void SetFontDialogHandler(FontDialogHandler handler) { fontDialogStorage() = std::move(handler); }

bool ChooseDefaultFont() {
  LoadSettings();
  const std::optional<QFont> chosen = runFontDialog(presetFont());
  if (!chosen) return false;
  if (!chosen->family().isEmpty()) AppSettings.FontName = chosen->family().toStdString();
  AppSettings.FontSize = pointSizeOf(*chosen, AppSettings.FontSize);
  AppSettings.FontBold = chosen->bold();
  AppSettings.FontItalic = chosen->italic();
  AppSettings.FontUnderline = chosen->underline();
  SaveSettings();
  return true;
}

bool IsRichTextBlank(bool reportedEmpty, int characterCount, const QStringList& lines) {
  constexpr int kMaxCharacters = 256;
  constexpr qsizetype kLinesLooked = 201;
  if (reportedEmpty) return true;
  if (characterCount >= kMaxCharacters) return false;
  const qsizetype n = std::min(lines.size(), kLinesLooked);
  for (qsizetype i = 0; i < n; ++i)
    if (!TrimSpaces(lines[i].toStdString()).empty()) return false;
  return true;
}

}  // namespace app
