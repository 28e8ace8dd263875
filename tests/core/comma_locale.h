#pragma once
// Runs a test under a locale whose decimal separator is ",", and puts the previous locale back.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <string>

namespace vt::test {

class CommaLocale {
public:
    CommaLocale() {
        const char* previous = std::setlocale(LC_ALL, nullptr);
        Previous_ = previous != nullptr ? previous : "C";
        PreviousGlobal_ = std::locale();
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8"}) {
            if (std::setlocale(LC_ALL, name) != nullptr) {
                try {
                    std::locale::global(std::locale(name));
                } catch (const std::runtime_error&) {
                    continue;
                }
                Active_ = *std::localeconv()->decimal_point == ',';
                if (Active_) return;
            }
        }
        std::setlocale(LC_ALL, Previous_.c_str());
    }
    ~CommaLocale() {
        std::locale::global(PreviousGlobal_);
        std::setlocale(LC_ALL, Previous_.c_str());
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool Active() const { return Active_; }

private:
    std::string Previous_;
    std::locale PreviousGlobal_;
    bool Active_ = false;
};

}  // namespace vt::test

// Declares `commaLocale` and skips the test where no comma locale can be set.
#define VT_UNDER_COMMA_LOCALE()                                                                  \
    ::vt::test::CommaLocale commaLocale;                                                         \
    if (!commaLocale.Active()) GTEST_SKIP() << "no locale with a decimal comma (de_DE.UTF-8) here"
