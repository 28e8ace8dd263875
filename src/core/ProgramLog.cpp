#include "core/ProgramLog.h"

#include <iostream>
#include <string>

namespace vt {

void LogProgramLine(std::string_view text) { std::cerr << "veltrane: " << text << '\n'; }

std::string AnsweredQuestionLine(std::string_view question, std::string_view answer, std::string_view why) {
    std::string line;
    bool blank = false;
    for (const char c : question) {
        if (c == ' ' || (c >= '\t' && c <= '\r')) {
            blank = !line.empty();
            continue;
        }
        if (blank) line += ' ';
        blank = false;
        line += c;
    }
    line.append(" -- ").append(answer).append(" (").append(why).append(")");
    return line;
}

void LogAnswerTaken(std::string_view question, std::string_view answer, std::string_view why) {
    LogProgramLine(AnsweredQuestionLine(question, answer, why));
}

}  // namespace vt
