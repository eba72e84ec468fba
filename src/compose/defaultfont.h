// The default font of new cover sheets and documents, and its font dialog.
#pragma once

#include "richtext/richtext.h"
#include "ui/testseam.h"

#include <QFont>

#include <optional>

namespace compose {

// The default font of the settings ([Default Font]) as rich-text character attributes.
richtext::CharAttributes DefaultFontAttributes();

// Makes the default font the caret's attributes, so typing into a new, empty
// document uses it. A null editor is ignored.
inline void ApplyDefaultFont(richtext::TRichText* editor) {
  if (editor) editor->SetCurrentCharAttributes(DefaultFontAttributes());
}

// Lets the user pick a font preset with the default font of this run's settings and,
// when confirmed, stores name, size, bold, italic and underline and saves the settings
// (which may throw IniWriteError). Returns whether the user confirmed.
bool ChooseDefaultFont();

// The font dialog ChooseDefaultFont opens: given the preset, it returns the chosen font,
// or nothing on Cancel. Tests put their own answer here.
ui::Seam<std::optional<QFont>(const QFont& preset)>& FontDialogAnswers();

}  // namespace compose
