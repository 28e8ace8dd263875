// One GUI application object for the whole test program (the display and serial suites): text
// rendering needs it.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <memory>

namespace {

class TGuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "tests";
        static char* argv[] = {name, nullptr};
        App_ = std::make_unique<QGuiApplication>(argc, argv);
    }
    void TearDown() override { App_.reset(); }

private:
    std::unique_ptr<QGuiApplication> App_;
};

[[maybe_unused]] const auto* const Environment = ::testing::AddGlobalTestEnvironment(new TGuiEnvironment);

}  // namespace
