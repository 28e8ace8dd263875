#include "ui/controls/LanguageForm.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <functional>

#include "core/LanguageFile.h"
#include "core/LanguageState.h"
#include "ui/MainMenuButton.h"
#include "ui/controls/Switcher.h"

namespace vt {

TLanguageForm::TLanguageForm(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

void TLanguageForm::Translate(TLanguageState& language) { TranslateForm(*this, language); }

void TranslateForm(QWidget& form, TLanguageState& language) {
    if (!language.Languages()) return;
    if (const TLangIniFile* file = language.FormTextsFile()) ApplyFormTexts(*file, form, language);
}

namespace {

// How a control keeps its texts in a language file.
enum class TTextClass { Container, Captioned, Switcher, ListView, NoTexts, Unknown };

struct TTextKind {
    TTextClass Class = TTextClass::Unknown;
    TLangContainerKind Container = TLangContainerKind::Panel;
};

bool IsExactly(const QWidget& w, const char* className) {
    return qstrcmp(w.metaObject()->className(), className) == 0;
}

TTextKind Classify(const QWidget& w) {
    if (dynamic_cast<const TRC_RightMenuPanel*>(&w)) return {TTextClass::Container, TLangContainerKind::RightMenuPanel};
    if (qobject_cast<const QGroupBox*>(&w)) return {TTextClass::Container, TLangContainerKind::GroupBox};
    if (qobject_cast<const QTabWidget*>(&w)) return {TTextClass::Container, TLangContainerKind::TabControl};
    if (IsExactly(w, "QFrame")) return {TTextClass::Container, TLangContainerKind::Panel};
    if (dynamic_cast<const TRC_Switcher*>(&w)) return {TTextClass::Switcher, {}};
    if (dynamic_cast<const TButtonOfMainMenu*>(&w) || qobject_cast<const QAbstractButton*>(&w) ||
        qobject_cast<const QLabel*>(&w))
        return {TTextClass::Captioned, {}};
    if (qobject_cast<const QTreeWidget*>(&w)) return {TTextClass::ListView, {}};
    if (qobject_cast<const QLineEdit*>(&w) || qobject_cast<const QStatusBar*>(&w) ||
        qobject_cast<const QProgressBar*>(&w) || IsExactly(w, "QWidget"))
        return {TTextClass::NoTexts, {}};
    return {};
}

QString CaptionOf(const QWidget& w) {
    if (auto* page = dynamic_cast<const TRC_RightMenuPanel*>(&w)) return page->Caption();
    if (auto* sw = dynamic_cast<const TRC_Switcher*>(&w)) return sw->Caption();
    if (auto* b = dynamic_cast<const TButtonOfMainMenu*>(&w)) return b->Caption();
    if (auto* box = qobject_cast<const QGroupBox*>(&w)) return box->title();
    if (auto* b = qobject_cast<const QAbstractButton*>(&w)) return b->text();
    if (auto* l = qobject_cast<const QLabel*>(&w)) return l->text();
    return w.windowTitle();  // a plain panel keeps its caption there
}

void SetCaptionOf(QWidget& w, const QString& text) {
    if (auto* page = dynamic_cast<TRC_RightMenuPanel*>(&w)) {
        page->SetCaption(text);
    } else if (auto* sw = dynamic_cast<TRC_Switcher*>(&w)) {
        sw->SetCaption(text);
    } else if (auto* b = dynamic_cast<TButtonOfMainMenu*>(&w)) {
        b->SetCaption(text);
    } else if (auto* box = qobject_cast<QGroupBox*>(&w)) {
        box->setTitle(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(&w)) {
        button->setText(text);
    } else if (auto* l = qobject_cast<QLabel*>(&w)) {
        l->setText(text);
    } else {
        w.setWindowTitle(text);
    }
}

// The named direct controls of a container; a tab control's controls sit on its pages.
std::vector<QWidget*> ControlsOf(const QWidget& container) {
    std::vector<QWidget*> controls;
    auto collect = [&controls](const QWidget& parent) {
        for (QObject* child : parent.children()) {
            auto* w = qobject_cast<QWidget*>(child);
            if (w && !w->objectName().isEmpty() && !w->isWindow()) controls.push_back(w);
        }
    };
    if (auto* tabs = qobject_cast<const QTabWidget*>(&container)) {
        for (int i = 0; i < tabs->count(); ++i) collect(*tabs->widget(i));
    } else {
        collect(container);
    }
    return controls;
}

std::vector<std::string> TabTexts(const QTabWidget& tabs) {
    std::vector<std::string> items;
    for (int i = 0; i < tabs.count(); ++i) items.push_back(tabs.tabText(i).toStdString());
    return items;
}

std::string Cat(std::string_view a, std::string_view b) { return std::string(a) + std::string(b); }

// One visit of a control: its key, its container key (containers only) and its class.
struct TVisit {
    QWidget& Control;
    std::string Prefix;
    std::string Key;
    std::string ContainerKey;
    TTextKind Kind;
    bool Translated = true;  // false for the one control that is never translated beyond its caption
};

// Visits every control below the form in the order of the language file, containers before their
// children.
void WalkControls(const QWidget& container, const std::string& prefix, const std::function<void(TVisit&)>& visit) {
    for (QWidget* control : ControlsOf(container)) {
        const std::string name = control->objectName().toStdString();
        TVisit v{*control, prefix, LangControlKey(prefix, name), {}, Classify(*control), true};
        if (v.Kind.Class == TTextClass::Container) v.ContainerKey = LangContainerKey(prefix, v.Kind.Container, name);
        v.Translated = v.Key != kLangUntranslatedControl && v.ContainerKey != kLangUntranslatedControl;
        visit(v);
        if (v.Kind.Class == TTextClass::Container) WalkControls(*control, LangChildPrefix(v.ContainerKey), visit);
    }
}

}  // namespace

void SaveFormTexts(TLangIniFile& file, const QWidget& form) {
    const TFormTextSink sink{file, form.objectName().toStdString()};
    sink.Write(kLangFormControls, std::to_string(ControlsOf(form).size()));
    sink.Write(kLangFormCaption, form.windowTitle().toStdString());
    WalkControls(form, "", [&](TVisit& v) {
        switch (v.Kind.Class) {
            case TTextClass::Container:
                if (v.Kind.Container != TLangContainerKind::TabControl)
                    sink.Write(Cat(v.ContainerKey, kLangCaption), CaptionOf(v.Control).toStdString());
                sink.Write(Cat(v.ContainerKey, kLangName), v.Key);
                if (auto* tabs = qobject_cast<QTabWidget*>(&v.Control); tabs && v.Translated)
                    sink.Write(Cat(v.Key, kLangItems), LangCommaText(TabTexts(*tabs)));
                break;
            case TTextClass::Captioned: sink.Write(Cat(v.Key, kLangCaption), CaptionOf(v.Control).toStdString()); break;
            case TTextClass::Switcher: {
                auto& sw = dynamic_cast<TRC_Switcher&>(v.Control);
                sink.Write(Cat(v.Key, kLangCaption), sw.Caption().toStdString());
                if (v.Translated) sw.WriteLangTexts(sink, v.Key);
                break;
            }
            case TTextClass::ListView: {
                auto& list = dynamic_cast<QTreeWidget&>(v.Control);
                if (!v.Translated) break;
                for (int i = 0; i < list.columnCount(); ++i)
                    sink.Write(Cat(v.Key, LangColumnSuffix(i)), list.headerItem()->text(i).toStdString());
                break;
            }
            case TTextClass::NoTexts: break;
            case TTextClass::Unknown:
                sink.Write(Cat(v.Key, kLangCaption), LangUnknownControlText(v.Key, v.Prefix));
                break;
        }
    });
}

void ApplyFormTexts(const TLangIniFile& file, QWidget& form, TLanguageState& language) {
    const TFormTextSource source{file, language, LangFormSection(form.objectName().toStdString())};
    // The caption is taken whether or not the file has it: a missing one reads "Undefined".
    std::string raw, caption;
    if (!file.FindRaw(source.Section, kLangFormCaption, raw)) raw = "Undefined";
    ReadLangValue(raw, caption);
    form.setWindowTitle(QString::fromStdString(caption));

    auto readCaption = [&](QWidget& control, const std::string& key) {
        std::string text;
        if (source.Read(Cat(key, kLangCaption), text) && !text.empty())
            SetCaptionOf(control, QString::fromStdString(text));
    };
    WalkControls(form, "", [&](TVisit& v) {
        switch (v.Kind.Class) {
            case TTextClass::Container:
                if (v.Kind.Container != TLangContainerKind::TabControl) readCaption(v.Control, v.ContainerKey);
                if (auto* tabs = qobject_cast<QTabWidget*>(&v.Control); tabs && v.Translated) {
                    std::vector<std::string> items;
                    if (source.ReadItems(Cat(v.Key, kLangItems), static_cast<std::size_t>(tabs->count()), items))
                        for (int i = 0; i < tabs->count(); ++i)
                            tabs->setTabText(i, QString::fromStdString(items[static_cast<std::size_t>(i)]));
                }
                break;
            case TTextClass::Captioned: readCaption(v.Control, v.Key); break;
            case TTextClass::Switcher:
                readCaption(v.Control, v.Key);
                if (v.Translated) dynamic_cast<TRC_Switcher&>(v.Control).ApplyLangTexts(source, v.Key);
                break;
            case TTextClass::ListView: {
                if (!v.Translated) break;
                auto& list = dynamic_cast<QTreeWidget&>(v.Control);
                for (int i = 0; i < list.columnCount(); ++i) {
                    std::string text;
                    if (source.Read(Cat(v.Key, LangColumnSuffix(i)), text) && !text.empty())
                        list.headerItem()->setText(i, QString::fromStdString(text));
                }
                break;
            }
            case TTextClass::NoTexts:
            case TTextClass::Unknown: break;
        }
    });
}

}  // namespace vt
