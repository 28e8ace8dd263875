#pragma once
// The per-instrument lock that keeps two copies of the program off one instrument: an exclusive
// flock on a lock file per instrument name. The lock goes with the process (the kernel drops it when
// the descriptor closes), so a crashed copy never leaves its instrument locked.
#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace vt {

// The folder of the lock files: $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp. getEnv answers nullptr for
// an unset name.
std::filesystem::path DefaultLockFolder(const std::function<const char*(const char*)>& getEnv);

// The lock name of an instrument: the fixed prefix and the name, in upper case.
std::string InstrumentMutexName(std::string_view instrumentName);
// The lock file's name for a lock name: every byte outside letters, digits, "{", "}" and "-" is
// written as "%XX", so no name reaches a path outside the lock folder.
std::string LockFileName(std::string_view mutexName);

enum class TLockSlot : int { Smart = 0, Other = 1 };

class TInstrumentLocks {
public:
    explicit TInstrumentLocks(std::filesystem::path folder);
    ~TInstrumentLocks();
    TInstrumentLocks(const TInstrumentLocks&) = delete;
    TInstrumentLocks& operator=(const TInstrumentLocks&) = delete;

    const std::filesystem::path& Folder() const { return Folder_; }
    // Some holder (another copy, or this one through a slot) has the instrument's lock.
    bool InstrumentMutexExists(std::string_view instrumentName) const;
    // Takes the instrument's lock into the slot in one step: false when another holder has it. A slot
    // that already holds a lock is an internal error.
    bool TryClaimInstrumentMutex(TLockSlot slot, std::string_view instrumentName);
    bool SlotHeld(TLockSlot slot) const { return Fds_[static_cast<int>(slot)] >= 0; }
    void Release(TLockSlot slot);
    void ReleaseAll();

private:
    std::filesystem::path LockPath(std::string_view instrumentName) const;
    std::filesystem::path Folder_;
    std::array<int, 2> Fds_{-1, -1};
};

}  // namespace vt
