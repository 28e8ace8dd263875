// The program's log line and the line of a question answered for nobody.
#include <gtest/gtest.h>

#include <string>

#include "core/ProgramLog.h"

using namespace vt;

// The log's line of a question nobody was asked keeps it on one line.
TEST(ProgramLog, AnAnsweredQuestionIsOneLineWithItsAnswerAndWhy) {
    EXPECT_EQ(AnsweredQuestionLine("  Connect the step\r\nand click OK.  ", "Cancel", "no screen to answer on"),
              "Connect the step and click OK. -- Cancel (no screen to answer on)");
    EXPECT_EQ(AnsweredQuestionLine("Save\t\tthe\vsetup?", "Yes", "remote"), "Save the setup? -- Yes (remote)");

    testing::internal::CaptureStderr();
    LogAnswerTaken("Overwrite\nfile?", "No", kNoScreenToAnswerOn);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "veltrane: Overwrite file? -- No (no screen to answer on)\n");
}
