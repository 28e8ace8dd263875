// The typed text of the edit switcher, the suffix letters and the repeat timing, without a window.
#include <gtest/gtest.h>

#include <string>

#include "ui/controls/EditTyping.h"

using namespace vt;

namespace {

// Types every character of the text; the results, one letter each: A accepted, R refused, I ignored,
// L left, C commit.
std::string TypeAll(TTypingState& s, std::string_view text, double* committed = nullptr) {
    std::string out;
    for (char c : text) {
        const TTypeResult r = TypeChar(s, c);
        switch (r.Outcome) {
            case TTypeOutcome::Accepted: out += 'A'; break;
            case TTypeOutcome::Refused: out += 'R'; break;
            case TTypeOutcome::Ignored: out += 'I'; break;
            case TTypeOutcome::Left: out += 'L'; break;
            case TTypeOutcome::Commit:
                out += 'C';
                if (committed) *committed = r.Value;
                break;
        }
    }
    return out;
}

TEST(EditTyping, BeginningsOfNumbersAreKeptOthersRefused) {
    for (const char* t : {"", "-", ".", "-.", "1", "1.", "1e", "1e-", "1.5e-3", "-0.25"})
        EXPECT_TRUE(IsTypedNumberBeginning(t)) << t;
    for (const char* t : {"e", "-e", ".e", "--", "1-", "1e5.", "1e5e", "1..", "1e--"})
        EXPECT_FALSE(IsTypedNumberBeginning(t)) << t;
    EXPECT_FALSE(IsTypedNumber("1e"));
    EXPECT_FALSE(IsTypedNumber("-"));
    EXPECT_FALSE(IsTypedNumber(""));
    EXPECT_TRUE(IsTypedNumber("1."));
    EXPECT_TRUE(IsTypedNumber(".5"));
}

TEST(EditTyping, SuffixLettersAsListed) {
    EXPECT_EQ(TypedSuffixFactor('t'), 1e12);
    EXPECT_EQ(TypedSuffixFactor('g'), 1e9);
    EXPECT_EQ(TypedSuffixFactor('a'), 1e6);
    EXPECT_EQ(TypedSuffixFactor('k'), 1e3);
    EXPECT_EQ(TypedSuffixFactor('m'), 1e-3);
    EXPECT_EQ(TypedSuffixFactor('u'), 1e-6);
    EXPECT_EQ(TypedSuffixFactor('n'), 1e-9);
    EXPECT_EQ(TypedSuffixFactor('p'), 1e-12);
    EXPECT_EQ(TypedSuffixFactor('x'), 1);
    EXPECT_EQ(TypedSuffixFactor(TypedEnter), 1);
    // "e" belongs to the number; "f" and "M" end nothing ("M" is lower-cased before it gets here).
    EXPECT_EQ(TypedSuffixFactor('e'), 0);
    EXPECT_EQ(TypedSuffixFactor('f'), 0);
}

TEST(EditTyping, EntriesEndWithTheirFactor) {
    TTypingState s;
    double v = 0;
    EXPECT_EQ(TypeAll(s, "10k", &v), "AAC");
    EXPECT_EQ(v, 10000);
    EXPECT_FALSE(s.Typing);
    EXPECT_EQ(TypeAll(s, "2.5a", &v), "AAAC");
    EXPECT_EQ(v, 2.5e6);
    EXPECT_EQ(TypeAll(s, "-3E-2\r", &v), "AAAAAC");  // upper-case letters are taken in lower case
    EXPECT_DOUBLE_EQ(v, -0.03);
    EXPECT_EQ(TypeAll(s, "7x", &v), "AC");
    EXPECT_EQ(v, 7);
    EXPECT_EQ(TypeAll(s, "12p", &v), "AAC");
    EXPECT_DOUBLE_EQ(v, 12e-12);
    // A comma is the decimal point, once; blanks and a unit after the letter change nothing.
    EXPECT_EQ(TypeAll(s, "7,5 mV", &v), "AAAICI");
    EXPECT_DOUBLE_EQ(v, 7.5e-3);
    EXPECT_EQ(TypeAll(s, "0,02\r", &v), "AAAAC");
    EXPECT_DOUBLE_EQ(v, 0.02);
    EXPECT_EQ(TypeAll(s, "1,5,\x1b"), "AAARL");
}

TEST(EditTyping, RefusedCharactersChangeNothing) {
    TTypingState s;
    // Not typing: a refused first character does not start typing mode; letters are ignored.
    EXPECT_EQ(TypeAll(s, "ek\r\x1b\b"), "RIIII");
    EXPECT_FALSE(s.Typing);
    EXPECT_EQ(TypeAll(s, "1-"), "AR");
    EXPECT_EQ(s.Text, "1");
    EXPECT_EQ(TypeAll(s, "e"), "A");
    // "1e" is a beginning only: the end of the entry is refused and typing goes on.
    EXPECT_EQ(TypeAll(s, "\rk"), "RR");
    EXPECT_TRUE(s.Typing);
    EXPECT_EQ(s.Text, "1e");
    EXPECT_EQ(TypeAll(s, "3k"), "AC");
    EXPECT_FALSE(s.Typing);
}

TEST(EditTyping, BackspaceEscapeAndTheEmptyEntry) {
    TTypingState s;
    EXPECT_EQ(TypeAll(s, "12\b"), "AAA");
    EXPECT_EQ(s.Text, "1");
    EXPECT_EQ(TypeAll(s, "\b\b"), "AA");
    EXPECT_TRUE(s.Typing);  // emptied, still typing
    EXPECT_EQ(TypeAll(s, "\r"), "L");
    EXPECT_FALSE(s.Typing);
    EXPECT_EQ(TypeAll(s, "5\x1b"), "AL");
    EXPECT_FALSE(s.Typing);
    EXPECT_TRUE(s.Text.empty());
    EXPECT_EQ(TypeAll(s, "5?"), "AI");  // other characters are ignored
    EXPECT_EQ(s.Text, "5");
}

TEST(EditTyping, RepeatTimingOfAHeldArrow) {
    EXPECT_EQ(StepRepeatInterval(0), 250);
    EXPECT_EQ(StepRepeatInterval(1), 40);
    EXPECT_EQ(StepRepeatInterval(20), 40);
}

}  // namespace
