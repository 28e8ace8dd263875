#include "ui/controls/EditTyping.h"

#include "core/DotNumberText.h"

namespace vt {

bool IsTypedNumber(std::string_view text) {
    // Blanks never reach the typed text, so the reader's tolerance of blanks does not matter.
    if (text.empty() || text.front() == ' ' || text.back() == ' ') return false;
    double v = 0;
    return TryStrToFloatDot(text, v);
}

bool IsTypedNumberBeginning(std::string_view text) {
    // Every unfinished beginning the typed alphabet allows ("-", ".", "1e", "1e-") is one digit short.
    return IsTypedNumber(text) || IsTypedNumber(std::string(text) + '0');
}

double TypedSuffixFactor(char c) {
    switch (c) {
        case TypedEnter:
        case 'x': return 1;
        case 't': return 1e12;
        case 'g': return 1e9;
        case 'a': return 1e6;
        case 'k': return 1e3;
        case 'm': return 1e-3;
        case 'u': return 1e-6;
        case 'n': return 1e-9;
        case 'p': return 1e-12;
        default: return 0;
    }
}

TTypeResult TypeChar(TTypingState& state, char c) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    // A person who types a comma means the decimal point (a keypad's decimal key gives one in many
    // layouts); commands and files keep the point alone.
    if (c == ',') c = '.';
    if ((c >= '0' && c <= '9') || c == '-' || c == '.' || c == 'e') {
        std::string candidate = state.Typing ? state.Text : std::string();
        candidate += c;
        if (!IsTypedNumberBeginning(candidate)) return {TTypeOutcome::Refused};
        state.Typing = true;
        state.Text = std::move(candidate);
        return {TTypeOutcome::Accepted};
    }
    if (!state.Typing) return {};
    if (c == TypedBackspace) {
        if (!state.Text.empty()) state.Text.pop_back();
        return {TTypeOutcome::Accepted};
    }
    if (c == TypedEscape) {
        state = {};
        return {TTypeOutcome::Left};
    }
    const double factor = TypedSuffixFactor(c);
    if (factor == 0) return {};
    if (state.Text.empty()) {
        state = {};
        return {TTypeOutcome::Left};
    }
    double v = 0;
    if (!IsTypedNumber(state.Text) || !TryStrToFloatDot(state.Text, v)) return {TTypeOutcome::Refused};
    state = {};
    return {TTypeOutcome::Commit, v * factor};
}

}  // namespace vt
