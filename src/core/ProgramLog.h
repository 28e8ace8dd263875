#pragma once
// The program's log: one line on standard error for each message the program gives by itself and for
// each question it answered for a person who could not (no screen, a remote command running).
#include <string>
#include <string_view>

namespace vt {

// Writes "veltrane: " + text as one line.
void LogProgramLine(std::string_view text);

// The line of a question answered for the person who was not asked: "<question> -- <answer> (<why>)",
// the question's line breaks and runs of blanks made one blank each, so that it stays one line.
std::string AnsweredQuestionLine(std::string_view question, std::string_view answer, std::string_view why);
// Writes that line to the log.
void LogAnswerTaken(std::string_view question, std::string_view answer, std::string_view why);
// The why of an answer taken where the platform shows nothing.
inline constexpr std::string_view kNoScreenToAnswerOn = "no screen to answer on";

}  // namespace vt
