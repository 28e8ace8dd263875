#include "core/ProgramLog.h"

#include <iostream>

namespace vt {

void LogProgramLine(std::string_view text) { std::cerr << "veltrane: " << text << '\n'; }

std::string AnsweredQuestionLine(std::string_view question, std::string_view answer, std::string_view why) {
    std::string line;
    bool blank = false;
    for (const char c : question) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            blank = !line.empty();
            continue;
        }
        if (blank) line += ' ';
        blank = false;
        line += c;
    }
    line += " -- ";
    line += answer;
    line += " (";
    line += why;
    line += ')';
    return line;
}

void LogAnsweredQuestion(std::string_view question, std::string_view answer, std::string_view why) {
    LogProgramLine(AnsweredQuestionLine(question, answer, why));
}

}  // namespace vt
