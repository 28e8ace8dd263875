#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/temp_folder.h"
#include "link/InstrumentLocks.h"
#include "link/InstrumentConnection.h"

using namespace vt;

namespace {

// A second copy of the program: a child process that takes an instrument's lock, reports it, and
// holds it until told to end.
class TOtherCopy {
public:
    TOtherCopy(const std::filesystem::path& folder, const std::string& name) {
        int up[2], down[2];
        if (::pipe(up) != 0 || ::pipe(down) != 0) return;
        Pid_ = ::fork();
        if (Pid_ == 0) {
            ::close(up[0]);
            ::close(down[1]);
            TInstrumentLocks locks(folder);
            const char got = locks.TryClaimInstrumentMutex(TLockSlot::Other, name) ? '1' : '0';
            (void)!::write(up[1], &got, 1);
            char c;
            (void)!::read(down[0], &c, 1);  // until the parent ends us
            ::_exit(0);                       // the kernel drops the lock with the process
        }
        ::close(up[1]);
        ::close(down[0]);
        Down_ = down[1];
        char got = '0';
        Claimed_ = ::read(up[0], &got, 1) == 1 && got == '1';
        ::close(up[0]);
    }
    ~TOtherCopy() { End(); }
    bool Claimed() const { return Claimed_; }
    void End() {
        if (Down_ >= 0) {
            ::close(Down_);  // the child's read returns and it exits
            Down_ = -1;
        }
        if (Pid_ > 0) {
            int status = 0;
            ::waitpid(Pid_, &status, 0);
            Pid_ = -1;
        }
    }

private:
    pid_t Pid_ = -1;
    int Down_ = -1;
    bool Claimed_ = false;
};

}  // namespace

TEST(InstrumentLock, LockNamesNeverLeaveTheLockFolder) {
    EXPECT_EQ(InstrumentMutexName("Default USB"), "{A4D797D2-BBDF-11D4-B2B6-000000000000}DEFAULT USB");
    const std::string file = LockFileName(InstrumentMutexName("../../etc/x/Demo1"));
    EXPECT_EQ(file.find('/'), std::string::npos);
    EXPECT_EQ(file.find(".."), std::string::npos);
    EXPECT_EQ(file, "veltrane-{A4D797D2-BBDF-11D4-B2B6-000000000000}%2E%2E%2F%2E%2E%2FETC%2FX%2FDEMO1.lock");
    EXPECT_NE(LockFileName("A B"), LockFileName("A_B")) << "two names never share a lock";

    test::TempFolder temp;
    TInstrumentLocks locks(temp / "runtime");  // a missing folder is made
    ASSERT_TRUE(locks.TryClaimInstrumentMutex(TLockSlot::Smart, "../x"));
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(temp / "runtime")) files.push_back(e.path().filename());
    EXPECT_EQ(files.size(), 1u);
}

TEST(InstrumentLock, SlotsClaimReleaseAndCaseBlindNames) {
    test::TempFolder temp;
    TInstrumentLocks mine(temp.Path());
    TInstrumentLocks other(temp.Path());
    EXPECT_FALSE(mine.InstrumentMutexExists("Demo1"));
    ASSERT_TRUE(mine.TryClaimInstrumentMutex(TLockSlot::Other, "Demo1"));
    EXPECT_TRUE(mine.SlotHeld(TLockSlot::Other));
    EXPECT_TRUE(mine.InstrumentMutexExists("DEMO1")) << "held through our own slot counts too";
    EXPECT_FALSE(other.TryClaimInstrumentMutex(TLockSlot::Other, "demo1"));
    EXPECT_FALSE(other.SlotHeld(TLockSlot::Other));
    EXPECT_THROW(mine.TryClaimInstrumentMutex(TLockSlot::Other, "Demo2"), std::exception) << "slot in use";
    mine.Release(TLockSlot::Other);
    EXPECT_FALSE(mine.InstrumentMutexExists("Demo1"));
    EXPECT_TRUE(other.TryClaimInstrumentMutex(TLockSlot::Other, "Demo1"));
}

TEST(InstrumentLock, ASecondProcessIsRefusedAndGetsTheInstrumentOnceTheFirstEnds) {
    test::TempFolder temp;
    TOtherCopy first(temp.Path(), "Default Demo");
    ASSERT_TRUE(first.Claimed());

    TInstrumentLink link;
    TInstruments second(temp / "Configuration.ini", temp.Path(), link);
    second.List().LoadInstrumentList({});
    struct TMessages : TInstrumentsServices {
        void ShowMessage(const std::string& m) override { Texts.push_back(m); }
        std::vector<std::string> Texts;
    } services;
    second.SetServices(&services);
    const std::vector<std::string>& messages = services.Texts;
    EXPECT_TRUE(second.Locks().InstrumentMutexExists("Default Demo"));
    EXPECT_EQ(second.OpenInstrument("Default Demo", true), TOpenResult::Busy);
    std::string name = "Default Demo";
    EXPECT_FALSE(second.OpenInstrumentWithRetry(name, false)) << "without dialogs a failed start gives up";
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("used by another copy of the program"), std::string::npos);
    EXPECT_EQ(second.FirstResult(), TOpenResult::Busy);

    first.End();
    EXPECT_EQ(second.OpenInstrument("Default Demo", true), TOpenResult::Connected);
    EXPECT_EQ(link.LinkKind(), TInstrumentLinkKind::Demo);
    TOtherCopy third(temp.Path(), "Default Demo");
    EXPECT_FALSE(third.Claimed()) << "now this copy holds it";
}
