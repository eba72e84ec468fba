// The default font of new cover sheets and documents, its font dialog, and the test
// that tells an empty cover or document from one worth sending.
#pragma once

#include "richtext/richtext.h"

#include <QFont>
#include <QStringList>

#include <functional>
#include <optional>

namespace app {

// The default font of the settings ([Default Font]) as rich-text character attributes.
richtext::CharAttributes DefaultFontAttributes();

// Makes the default font the caret's attributes, so typing into a new, empty
// document uses it. A null editor is ignored.
inline void ApplyDefaultFont(richtext::TRichText* editor) {
  if (editor) editor->SetCurrentCharAttributes(DefaultFontAttributes());
}

// Re-reads the settings, lets the user pick a font preset with the default font and,
// when confirmed, stores name, size, bold, italic and underline and saves the settings
// (which may throw IniWriteError). Returns whether the user confirmed.
bool ChooseDefaultFont();

// The font dialog ChooseDefaultFont opens: given the preset, it returns the chosen font,
// or nothing on Cancel. Tests put their own answer here; an empty handler restores the
// platform's dialog.
using FontDialogHandler = std::function<std::optional<QFont>(const QFont& preset)>;
void SetFontDialogHandler(FontDialogHandler handler);

// A text is blank when the editor reports it empty, or when it has fewer than 256
// characters and each of its first 201 lines holds nothing but blanks.
bool IsRichTextBlank(bool reportedEmpty, int characterCount, const QStringList& lines);

inline bool IsRichTextBlank(const richtext::TRichText* editor) {
  return IsRichTextBlank(editor->IsEmpty(), editor->CharacterCount(), editor->PlainTextLines());
}

}  // namespace app
