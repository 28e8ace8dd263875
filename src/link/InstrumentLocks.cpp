#include "link/InstrumentLocks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "core/Handlers.h"
#include "core/InternalError.h"
#include "core/TextHelpers.h"

namespace vt {

namespace {
constexpr std::string_view InstrumentsUnitName = "Instruments";
constexpr std::string_view MutexPrefix = "{A4D797D2-BBDF-11D4-B2B6-000000000000}";

// Opens (creating) the lock file and tries to lock it; -1 when another holder has it or the file
// cannot be opened.
int OpenAndLock(const std::filesystem::path& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 && errno == ENOENT) {
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    }
    if (fd < 0) return -1;
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}
}  // namespace

std::filesystem::path DefaultLockFolder(const std::function<const char*(const char*)>& getEnv) {
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* v = getEnv ? getEnv(name) : nullptr;
        if (v && *v) return v;
    }
    return "/tmp";
}

std::string InstrumentMutexName(std::string_view instrumentName) {
    return UpperCase(std::string(MutexPrefix) + std::string(instrumentName));
}

std::string LockFileName(std::string_view mutexName) {
    return "veltrane-" + FileNameEscaped(mutexName) + ".lock";
}

TInstrumentLocks::TInstrumentLocks(std::filesystem::path folder) : Folder_(std::move(folder)) {}

TInstrumentLocks::~TInstrumentLocks() { ReleaseAll(); }

std::filesystem::path TInstrumentLocks::LockPath(std::string_view instrumentName) const {
    return Folder_ / LockFileName(InstrumentMutexName(instrumentName));
}

bool TInstrumentLocks::InstrumentMutexExists(std::string_view instrumentName) const {
    const int fd = OpenAndLock(LockPath(instrumentName));
    if (fd < 0) return true;
    ::close(fd);  // releases the probe's lock at once
    return false;
}

bool TInstrumentLocks::TryClaimInstrumentMutex(TLockSlot slot, std::string_view instrumentName) {
    int& held = Fds_[static_cast<int>(slot)];
    if (held >= 0) VT_INTERNAL_ERROR(InstrumentsUnitName, "INSTRUMENT LOCK SLOT IN USE");
    held = OpenAndLock(LockPath(instrumentName));
    return held >= 0;
}

void TInstrumentLocks::Release(TLockSlot slot) {
    int& held = Fds_[static_cast<int>(slot)];
    if (held >= 0) ::close(held);
    held = -1;
}

void TInstrumentLocks::ReleaseAll() {
    Release(TLockSlot::Smart);
    Release(TLockSlot::Other);
}

}  // namespace vt
