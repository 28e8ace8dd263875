#pragma once
// The base of the program's forms and dialogs whose texts come from the language file, and the walks
// that write a form's texts into a language file and read them back. A form's section is its object
// name; a control's key is built from the names of its containers and its own name.
#include <QWidget>
#include <string>

namespace vt {

class TLangIniFile;
class TLanguageState;

class TLanguageForm : public QWidget {
public:
    explicit TLanguageForm(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    // Translates the form when a language was chosen and the English file exists.
    void Translate(TLanguageState& language);
};

// Translates a dialog that is no TLanguageForm as its creation would: with the chosen language's file,
// when a language list exists and the English file does.
void TranslateForm(QWidget& form, TLanguageState& language);

// Writes the form's caption, its number of direct controls and every control's texts.
void SaveFormTexts(TLangIniFile& file, const QWidget& form);
// Reads them back; a missing key is logged and leaves its control as it was.
void ApplyFormTexts(const TLangIniFile& file, QWidget& form, TLanguageState& language);

}  // namespace vt
