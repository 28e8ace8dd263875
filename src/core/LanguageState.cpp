#include "core/LanguageState.h"
#include "core/AsciiText.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <system_error>

#include "core/IniFiles.h"
#include "core/LanguageTable.h"
#include "core/ScopeGuards.h"
#include "core/DotNumberText.h"
#include "core/TextFiles.h"

namespace vt {
namespace {

constexpr std::string_view kCheckFont = "Delta \u0394, \u0444\u0440\u043E\u043D\u0442 _/\u02C9, "
                                        "\u0431\u0435\u0441\u043A\u043E\u043D\u0435\u0447\u043D\u043E\u0441\u0442\u044C \u221E";
constexpr std::string_view kEnglishCode = "Eng";


// The arguments a format pattern takes: argument index -> kind ('i' integer, 'r' real, 's' text), or
// nothing when the text is not a well-formed pattern.
using TSignature = std::map<int, char>;

std::optional<TSignature> FormatSignature(std::string_view text) {
    TSignature sig;
    int next = 0;
    const auto use = [&](int index, char kind) {
        auto [it, inserted] = sig.emplace(index, kind);
        return inserted || it->second == kind;
    };
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i++] != '%') continue;
        if (i < text.size() && text[i] == '%') {
            ++i;
            continue;
        }
        std::size_t k = i;
        int number = 0;
        while (k < text.size() && IsDigit(text[k]) && k - i < 6) number = number * 10 + (text[k++] - '0');
        if (k > i && k < text.size() && text[k] == ':') {
            next = number;
            i = k + 1;
        }
        if (i < text.size() && text[i] == '-') ++i;
        if (i < text.size() && text[i] == '*') {
            if (!use(next++, 'i')) return std::nullopt;
            ++i;
        } else {
            while (i < text.size() && IsDigit(text[i])) ++i;
        }
        if (i < text.size() && text[i] == '.') {
            ++i;
            if (i < text.size() && text[i] == '*') {
                if (!use(next++, 'i')) return std::nullopt;
                ++i;
            } else {
                while (i < text.size() && IsDigit(text[i])) ++i;
            }
        }
        if (i >= text.size()) return std::nullopt;
        char kind = 0;
        switch (text[i++]) {
            case 'd': case 'D': case 'u': case 'U': case 'x': case 'X': kind = 'i'; break;
            case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'n': case 'N': kind = 'r'; break;
            case 's': case 'S': kind = 's'; break;
            default: return std::nullopt;
        }
        if (!use(next++, kind)) return std::nullopt;
    }
    return sig;
}

}  // namespace

bool HasFormatPlaceholders(std::string_view text) {
    const auto sig = FormatSignature(text);
    return sig && !sig->empty();
}

bool SameFormatPlaceholders(std::string_view english, std::string_view translated) {
    const auto wanted = FormatSignature(english);
    if (!wanted || wanted->empty()) return true;  // not a pattern: any text will do
    const auto got = FormatSignature(translated);
    if (!got || *got != *wanted) return false;
    // Try it with sample arguments, so that whatever the formatter refuses is refused here too.
    std::vector<TFormatArg> args(static_cast<std::size_t>(wanted->rbegin()->first + 1), TFormatArg{std::int64_t{0}});
    for (const auto& [index, kind] : *wanted) {
        if (kind == 'r') args[static_cast<std::size_t>(index)] = 0.0;
        if (kind == 's') args[static_cast<std::size_t>(index)] = std::string();
    }
    try {
        FormatDotV(translated, args);
    } catch (const EConvertError&) {
        return false;
    }
    return true;
}

TLanguageStrings::TLanguageStrings(TMessage message) : Message_(std::move(message)) {}

void TLanguageStrings::AddLangStr(std::string_view key, std::string_view text) {
    if (Index_.contains(key)) {
        if (Message_) Message_("TLanguageStrings.AddLangStr - Name \"" + std::string(key) + "\" Duplicated");
        return;
    }
    Index_.emplace(std::string(key), Entries_.size());
    Entries_.push_back(TLangStr{std::string(key), std::string(text)});
}

void TLanguageStrings::ChangeLangStr(std::string_view key, std::string_view text) {
    const auto it = Index_.find(key);
    if (it == Index_.end()) {
        if (Message_) Message_("TLanguageStrings.ChangeLangStr - Name \"" + std::string(key) + "\" Not Found");
        return;
    }
    Entries_[it->second].Text = text;
}

const std::string* TLanguageStrings::Find(std::string_view key) const {
    const auto it = Index_.find(key);
    return it == Index_.end() ? nullptr : &Entries_[it->second].Text;
}

void TLanguageStrings::Clear() {
    Entries_.clear();
    Index_.clear();
}

TMultiLanguages::TMultiLanguages(std::vector<TLanguage> languages) : Languages_(std::move(languages)) {}

int TMultiLanguages::IndexOf(std::string_view code) const {
    for (std::size_t i = 0; i < Languages_.size(); ++i)
        if (Languages_[i].Code == code) return static_cast<int>(i);
    return -1;
}

void TMultiLanguages::Choose(int index, std::unique_ptr<TLangIniFile> file) {
    Chosen_ = index;
    ChosenFile_ = std::move(file);
}

std::filesystem::path DefaultConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && *xdg != '\0' && std::filesystem::path(xdg).is_absolute()) return xdg;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home != nullptr ? home : "") / ".config";
}

TLanguageState::TLanguageState(TLanguageSetup setup)
    : Setup_(std::move(setup)), Strings_(Setup_.ShowMessage) {
    for (const TLangTableRow& row : BuiltInLanguageTable()) Strings_.AddLangStr(row.Key, row.Text);
}

void TLanguageState::Message(const std::string& text) const {
    if (Setup_.ShowMessage) Setup_.ShowMessage(text);
}

std::string TLanguageState::GetLangStr(std::string_view key, bool raw) const {
    const std::string* text = Strings_.Find(key);
    if (text == nullptr) {
        Message("           ERROR!!!\r\n Language String \"rs" + std::string(key) + "\" is absent!");
        return std::string(kLangMissingText);
    }
    std::string result = *text;
    constexpr std::string_view kUnit = "@Unit@";
    if (!raw) {
        const std::size_t at = result.find(kUnit);
        if (at != std::string::npos)
            result.replace(at, kUnit.size(), Setup_.InstrumentName ? Setup_.InstrumentName() : std::string());
    }
    return result;
}

void TLanguageState::ScanLanguageFiles() {
    Languages_.reset();
    std::vector<TMultiLanguages::TLanguage> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(Setup_.DataRoot, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        const std::string name = it->path().filename().string();
        if (!name.starts_with(kLangFilePrefix)) continue;
        const std::string_view ext = std::string_view(name).substr(kLangFilePrefix.size());
        // "~" marks a translator's backup; a further dot is not a language file of ours.
        if (ext.empty() || ext.front() == '~' || ext.find('.') != std::string_view::npos) continue;
        found.push_back({UpperCase(ext), {}, it->path()});
    }
    if (found.empty()) return;
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.Code != b.Code ? a.Code < b.Code : a.File < b.File; });
    // Extensions that differ only in case name one language: the first file is offered.
    found.erase(std::unique(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.Code == b.Code; }),
                found.end());
    if (found.size() > static_cast<std::size_t>(TMultiLanguages::kMaxLanguages))
        found.resize(static_cast<std::size_t>(TMultiLanguages::kMaxLanguages));
    for (auto& language : found) {
        language.Name = language.Code;
        try {
            const TLangIniFile file(language.File);
            std::string raw;
            if (file.FindRaw(kLangCommonSection, "Language", raw)) {
                std::string name;
                if (ReadLangValue(raw, name) && !name.empty()) language.Name = name;
            }
        } catch (const EFileError&) {
            // An unreadable file is still offered under its code; choosing it logs its texts absent.
        }
    }
    Languages_ = std::make_unique<TMultiLanguages>(std::move(found));
}

void TLanguageState::ChooseLanguage(int index) {
    std::unique_ptr<TLangIniFile> file;
    try {
        file = std::make_unique<TLangIniFile>(Languages_->File(index));
    } catch (const EFileError& e) {
        Message(e.what());
        file = std::make_unique<TLangIniFile>();
    }
    Languages_->Choose(index, std::move(file));
}

void TLanguageState::InitLanguages() {
    EnglishFileMissing_ = false;
    ScanLanguageFiles();
    if (Languages_) {
        const int eng = Languages_->EngIndex();
        if (eng < 0) {
            EnglishFileMissing_ = true;
        } else {
            int chosen = Languages_->IndexOf(UpperCase(ReadChosenCode()));
            if (chosen < 0) {
                chosen = eng;
                StoreChosenCode("ENG");
            }
            ChooseLanguage(chosen);
        }
    }
    LoadLanguageStrings();
}

const TLangIniFile* TLanguageState::FormTextsFile() const {
    return Languages_ && !EnglishFileMissing_ ? Languages_->ChosenFile() : nullptr;
}

bool TLanguageState::ReadResourceString(const TLangIniFile& file, std::string_view key, bool allowCaseless,
                                        std::string& value) {
    const std::string entry = std::string(kLangResourcePrefix) + std::string(key);
    std::string raw;
    if (!file.FindRaw(kLangResourceSection, entry, raw, allowCaseless)) {
        LogLanguageError(kLangResourceSection, LangIniKey(kLangResourceSection, entry), kLangAbsent);
        return false;
    }
    if (!ReadLangValue(raw, value))
        Message("Error in string " + LangIniKey(kLangResourceSection, entry) + "=" + raw);
    return true;
}

void TLanguageState::LoadLanguageStrings() {
    ReadLanguageStrings();
    WriteErrorLog();
}

void TLanguageState::ReadLanguageStrings() {
    Strings_.Clear();
    for (const TLangTableRow& row : BuiltInLanguageTable()) Strings_.AddLangStr(row.Key, row.Text);
    const TLangIniFile* file = FormTextsFile();
    if (file == nullptr) return;
    // A key matches a differently cased entry of the file only when no other key of the table has
    // that spelling too ("PERIOD" and "Period" are two texts).
    std::unordered_map<std::string, int> spellings;
    for (const TLangTableRow& row : BuiltInLanguageTable()) ++spellings[UpperCase(row.Key)];
    const TFlagScope batch(ErrorLogBatched_);
    for (const TLangTableRow& row : BuiltInLanguageTable()) {
        if (row.IsHeading()) continue;
        std::string text;
        if (!ReadResourceString(*file, row.Key, spellings[UpperCase(row.Key)] == 1, text)) continue;
        if (!SameFormatPlaceholders(row.Text, text)) {
            LogLanguageError(kLangResourceSection,
                             LangIniKey(kLangResourceSection, std::string(kLangResourcePrefix) + std::string(row.Key)),
                             kLangFormatDiffers);
            continue;
        }
        Strings_.ChangeLangStr(row.Key, text);
    }
}

bool TLanguageState::CreateEnglishLanguageFile(const std::function<void(TLangIniFile&)>& writeForms) {
    if (!EnglishFileMissing_) return false;
    Message("English Language File must be Created.");
    TLangIniFile file(Setup_.DataRoot / (std::string(kLangFilePrefix) + std::string(kEnglishCode)));
    file.Clear();
    file.WriteLangString(kLangCommonSection, "Language", "English");
    file.WriteLangString(kLangCommonSection, "CheckFont", kCheckFont);
    for (std::size_t i = 0; i < Strings_.Count(); ++i)
        file.WriteLangString(kLangResourceSection, std::string(kLangResourcePrefix) + Strings_.Key(i),
                             Strings_.Text(i));
    if (writeForms) {
        const TFlagScope writing(EnglishFileWriting_);
        writeForms(file);
    }
    file.SaveUtf16();
    return true;
}

bool TLanguageState::SwitchLanguage(int index) {
    if (!Languages_ || index < 0 || index >= Languages_->Count() || index == Languages_->ChosenIndex()) return false;
    StoreChosenCode(Languages_->Code(index));
    ChooseLanguage(index);
    ErrorFileAsked_ = false;
    ErrorFileInUse_ = false;
    ErrorLog_.clear();
    LoadLanguageStrings();
    return true;
}

bool TLanguageState::ReadLangText(const TLangIniFile& file, std::string_view section, std::string_view key,
                                  std::string& value) {
    std::string raw;
    if (!file.FindRaw(section, key, raw)) {
        LogLanguageError(section, LangIniKey(section, key), kLangAbsent);
        return false;
    }
    if (!ReadLangValue(raw, value)) Message("Error in string " + LangIniKey(section, key) + "=" + raw);
    return true;
}

bool TLanguageState::ReadLangItems(const TLangIniFile& file, std::string_view section, std::string_view key,
                                   std::size_t expectedCount, std::vector<std::string>& items) {
    std::string value;
    if (!ReadLangText(file, section, key, value) || value == " ") return false;
    std::vector<std::string> read = LangItemsFromCommaText(value);
    if (read.size() != expectedCount) {
        // A list of another length would break the bound setting's items: the built-in list stays.
        LogLanguageError(section, LangIniKey(section, key), kLangItemCountDiffers);
        return false;
    }
    items = std::move(read);
    return true;
}

std::filesystem::path TLanguageState::ErrorFilePath() const { return Setup_.DataRoot / kLangErrorFileName; }

void TLanguageState::LogLanguageError(std::string_view section, std::string_view key, std::string_view kind) {
    const std::string path = ErrorFilePath().string();
    if (!ErrorFileAsked_) {
        ErrorFileAsked_ = true;
        ErrorLog_.clear();
        ErrorFileInUse_ = Setup_.AskYesNo &&
                          Setup_.AskYesNo("Error in Language file\r\nDo You want create Error file \"" + path + "\"?");
    }
    if (!ErrorFileInUse_) return;
    ErrorLog_ += "SECTION = " + std::string(section) + ";   IDENT = " + std::string(key) + std::string(kind) + "\n";
    ErrorLogDirty_ = true;
    if (!ErrorLogBatched_) WriteErrorLog();
}

void TLanguageState::WriteErrorLog() {
    if (!ErrorFileInUse_ || !ErrorLogDirty_) return;
    ErrorLogDirty_ = false;
    try {
        WriteFileAtomic(ErrorFilePath(), ErrorLog_);
    } catch (const EFileError&) {
        Message("Don't create file " + ErrorFilePath().string());
        ErrorFileInUse_ = false;
    }
}

std::filesystem::path TLanguageState::UserSettingsFile() const {
    return Setup_.ConfigFolder / "veltrane" / "Veltrane.ini";
}

std::string TLanguageState::ReadChosenCode() const {
    try {
        const TIniFile_Dot ini(UserSettingsFile());
        return ini.ReadString(kLangLocalesSection, Setup_.ProgramFile, "");
    } catch (const EFileError&) {
        return {};
    }
}

void TLanguageState::StoreChosenCode(std::string_view code) {
    std::error_code ec;
    std::filesystem::create_directories(UserSettingsFile().parent_path(), ec);
    try {
        TIniFile_Dot ini(UserSettingsFile());
        ini.WriteString(kLangLocalesSection, Setup_.ProgramFile, code);
    } catch (const EFileError& e) {
        Message(e.what());
    }
}

}  // namespace vt
