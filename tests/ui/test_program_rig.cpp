// The rig of the in-process program tests: its main block's time guard ends with the block.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include "UiTestSupport.h"

namespace vt {
namespace {

TEST(ProgramRig, AProgramThatEndsBeforeItsTimeGuardLeavesNoGuardBehindToEndALaterLoop) {
    {
        test::TProgramRig rig({.Instrument = "Absent"});
        rig.Run(2000, 5, [] {
            if (test::ShownMainWindow()) test::CloseMainWindows();
        });
    }
    // A later loop that outlasts the guard ends by its own timer.
    QEventLoop later;
    QTimer::singleShot(2500, &later, [&later] { later.exit(0); });
    EXPECT_EQ(later.exec(), 0);
}

}  // namespace
}  // namespace vt
