#include "core/TextFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <chrono>
#include <cstring>
#include <limits>

namespace vt {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at s[i]; false (and i unchanged) when it is not a valid one.
bool NextUtf8(std::string_view s, std::size_t& i, char32_t& cp) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    int len = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        cp = b0;
        ++i;
        return true;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return false;
    }
    if (i + static_cast<std::size_t>(len) > s.size()) return false;
    for (int k = 1; k < len; ++k) {
        const unsigned char b = byte(i + static_cast<std::size_t>(k));
        if ((b & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not valid.
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += static_cast<std::size_t>(len);
    return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::u16string BytesToUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string s;
    s.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        s += static_cast<char16_t>(lo | (hi << 8));
    }
    return s;  // an odd last byte cannot be a character and is dropped
}

// Ini and language files always hold ASCII (line ends, "=", "[", the keys): in UTF-16 those are code
// units whose high byte is zero. 8-bit text read as UTF-16 has none.
bool PlausibleUtf16(std::string_view bytes, bool bigEndian) {
    if (bytes.size() < 2) return true;
    for (std::size_t i = bigEndian ? 0 : 1; i < bytes.size(); i += 2)
        if (bytes[i] == 0) return true;
    return false;
}

bool HasUnpairedSurrogate(std::u16string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            ++i;
        } else if (s[i] >= 0xD800 && s[i] <= 0xDFFF) {
            return true;
        }
    }
    return false;
}

std::string ErrnoText(int err) { return std::strerror(err); }

[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& path, int err) {
    throw EFileError(what + " \"" + path.string() + "\": " + ErrnoText(err));
}

constexpr std::string_view TemporaryMark = ".vt";
constexpr std::string_view TemporaryEnd = ".tmp";
constexpr std::size_t HexDigits = 8;

void AppendHex(std::string& out, std::uint32_t value) {
    static constexpr char Hex[] = "0123456789abcdef";
    for (int shift = 28; shift >= 0; shift -= 4) out += Hex[(value >> shift) & 0xF];
}

bool AllHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// A short name of a fixed length beside the target that no other writer uses: a target whose own name
// fits the folder never fails for its temporary one. It names the writing process, so that the files
// a killed program left can be told from those of a running one.
std::filesystem::path TemporaryName(const std::filesystem::path& target, int attempt) {
    const auto ticks = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::string name(TemporaryMark);
    AppendHex(name, static_cast<std::uint32_t>(::getpid()));
    name += '-';
    AppendHex(name, static_cast<std::uint32_t>(ticks ^ (ticks >> 32)) + static_cast<std::uint32_t>(attempt));
    name += TemporaryEnd;
    return target.parent_path() / name;
}

// The writer of a temporary file by its name, or 0 for a name that is none. Also the longer names that
// earlier versions of the program wrote (".<target>.tmp<pid>_<ticks>_<attempt>").
long TemporaryFileWriter(std::string_view name) {
    const std::size_t shortSize = TemporaryMark.size() + 2 * HexDigits + 1 + TemporaryEnd.size();
    if (name.size() == shortSize && name.starts_with(TemporaryMark) && name.ends_with(TemporaryEnd) &&
        name[TemporaryMark.size() + HexDigits] == '-') {
        const std::string_view pid = name.substr(TemporaryMark.size(), HexDigits);
        const std::string_view ticks = name.substr(TemporaryMark.size() + HexDigits + 1, HexDigits);
        if (!AllHex(pid) || !AllHex(ticks)) return 0;
        const long writer = std::stol(std::string(pid), nullptr, 16);
        return writer <= std::numeric_limits<pid_t>::max() ? writer : 0;
    }
    if (!name.starts_with('.')) return 0;
    const std::size_t mark = name.rfind(".tmp");
    if (mark == std::string_view::npos || mark == 0) return 0;
    const std::string_view rest = name.substr(mark + 4);
    const std::size_t first = rest.find('_');
    const std::size_t second = first == std::string_view::npos ? first : rest.find('_', first + 1);
    if (second == std::string_view::npos || first == 0 || first > 10) return 0;
    const auto digits = [](std::string_view t) {
        return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(rest.substr(0, first)) || !digits(rest.substr(first + 1, second - first - 1)) ||
        !digits(rest.substr(second + 1)))
        return 0;
    const long pid = std::stol(std::string(rest.substr(0, first)));
    return pid <= std::numeric_limits<pid_t>::max() ? pid : 0;
}

bool ProcessRuns(long pid) { return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; }

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    char32_t cp = 0;
    while (i < bytes.size())
        if (!NextUtf8(bytes, i, cp)) return false;
    return true;
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) AppendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

std::string DecodeText(std::string_view bytes, bool* whole) {
    bool readWhole = true;
    auto eightBit = [](std::string_view text) { return IsValidUtf8(text) ? std::string(text) : Latin1ToUtf8(text); };
    std::string text;
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        // Marked UTF-8; a broken sequence still must not pass through unchecked.
        const std::string_view rest = bytes.substr(3);
        readWhole = IsValidUtf8(rest);
        text = readWhole ? std::string(rest) : Utf16ToUtf8(Utf8ToUtf16(rest));
    } else if (bytes.size() >= 2 && (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")) {
        const bool bigEndian = bytes[0] == '\xFE';
        const std::string_view rest = bytes.substr(2);
        if (PlausibleUtf16(rest, bigEndian)) {
            const std::u16string units = BytesToUtf16(rest, bigEndian);
            text = Utf16ToUtf8(units);
            // An odd last byte cannot be a character and is dropped.
            readWhole = rest.size() % 2 == 0 && !HasUnpairedSurrogate(units);
        } else {
            // A mark in front of 8-bit text (an editor can write that): the text is read as 8-bit.
            text = eightBit(rest);
            readWhole = false;
        }
    } else {
        text = eightBit(bytes);
    }
    if (whole) *whole = readWhole;
    return text;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        if (!NextUtf8(utf8, i, cp)) {
            cp = kReplacement;
            ++i;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;  // unpaired surrogate
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string EncodeUtf16LEWithBom(std::string_view utf8) {
    const std::u16string s = Utf8ToUtf16(utf8);
    std::string out = "\xFF\xFE";
    out.reserve(2 + 2 * s.size());
    for (const char16_t c : s) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

std::string ReadFileBytes(const std::filesystem::path& path, std::size_t maxBytes) {
    // Read in large blocks: waveform and setup files are read whole on every recall.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail("Cannot open file", path, errno);
    std::string bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        bytes.reserve(std::min(static_cast<std::size_t>(st.st_size), maxBytes));
    char block[65536];
    while (bytes.size() < maxBytes) {
        const ssize_t n = ::read(fd, block, std::min(sizeof block, maxBytes - bytes.size()));
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            Fail("Cannot read file", path, err);
        }
        bytes.append(block, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
    std::error_code ec;
    // Through a link the file it names is replaced, not the link.
    std::filesystem::path target = std::filesystem::is_symlink(path, ec) ? std::filesystem::weakly_canonical(path, ec) : path;
    if (ec || target.empty()) target = path;
    if (target.filename().empty()) throw EFileError("Cannot write file \"" + path.string() + "\": not a file name");

    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode)) throw EFileError("Cannot write file \"" + path.string() + "\": not a regular file");
        // Checked by the mode bits as well, so that a read-only file is refused even to the superuser.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target.c_str(), W_OK) != 0)
            throw EFileError("Cannot write file \"" + path.string() + "\": the file is read-only");
    }

    std::filesystem::path tmp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        tmp = TemporaryName(target, attempt);
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) Fail("Cannot write file", path, errno);
    }
    if (fd < 0) Fail("Cannot write file", path, EEXIST);

    const auto abandon = [&](int err) {
        ::close(fd);
        ::unlink(tmp.c_str());
        Fail("Cannot write file", path, err);
    };
    if (exists && ::fchmod(fd, st.st_mode & 07777) != 0) abandon(errno);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            abandon(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) abandon(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        Fail("Cannot write file", path, err);
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        Fail("Cannot write file", path, err);
    }
    // The rename itself survives a crash only once the folder is on disk too.
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

int RemoveStaleTemporaryFiles(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    int removed = 0;
    std::error_code ec;
    const auto options = fs::directory_options::skip_permission_denied;
    for (fs::recursive_directory_iterator it(root, options, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code entryEc;
        if (!it->is_regular_file(entryEc) || it->is_symlink(entryEc)) continue;
        const long writer = TemporaryFileWriter(it->path().filename().string());
        if (writer <= 0 || ProcessRuns(writer)) continue;
        if (fs::remove(it->path(), entryEc)) ++removed;
    }
    return removed;
}

}  // namespace vt
