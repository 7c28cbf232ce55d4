#pragma once
// The captions of the settings controls as the parameter pages show them, and the text a loaded
// language gives any target of the language table. The window builds its caption labels from
// these; the workshop report writes the same captions in the chosen language.

#include "LanguageFile.h"
#include "TextTargets.h"

#include <QString>

namespace kelvane {

// The text `texts` (a loaded language file) gives the target (kind, name, index), or the window's
// own English text of that target when the file has none; empty when the language table has no
// such target. Of two ids for one target the higher wins, as when a file is applied.
QString targetText(TextTargetKind kind, const char *name, int index, const LanguageTexts &texts);
inline QString captionText(const char *name, const LanguageTexts &texts)
{
    return targetText(TextTargetKind::Caption, name, -1, texts);
}

// The object name of the caption label beside a settings control ("LabelCoil" for ComboBoxRpmSet);
// empty for a control whose caption has no label of its own name.
QString captionLabelName(const char *control);
// The caption shown beside a setting ("min.inj", "Heat time:", ...); empty for a check box, which
// carries its own text, and for a control shown without a caption.
QString settingCaption(const char *control, const LanguageTexts &texts = {});
// The text of a check box ("negative sensor", "valvetronic").
QString checkBoxText(const char *control, const LanguageTexts &texts = {});
// A caption as the name of its setting in a sentence or a column ("Heat time:" -> "Heat time"):
// without the blanks around it, the ":" a label ends in and the "&" of a keyboard mnemonic.
QString settingName(const QString &caption);

} // namespace kelvane
