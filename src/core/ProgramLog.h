#pragma once
// The program's log: one line on standard error for each message the program gives by itself and for
// each question it answered for a person who could not (no screen, a remote command running).
#include <string>
#include <string_view>

namespace vt {

// Writes "veltrane: " + text as one line.
void LogProgramLine(std::string_view text);

// The log's line of a question nobody was asked: "<question> -- <answer> (<why>)", the question's
// line breaks and runs of blanks made one blank each.
std::string AnsweredQuestionLine(std::string_view question, std::string_view answer, std::string_view why);
void LogAnsweredQuestion(std::string_view question, std::string_view answer, std::string_view why);

}  // namespace vt
