#pragma once
// Text encodings and whole-file I/O. Files are written to a temporary name beside the target and
// renamed into place, so a crash never leaves half a file; a read-only target is refused.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vt {

class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

bool IsValidUtf8(std::string_view bytes);
// Latin-1 bytes as UTF-8 (0xB5 becomes "µ").
std::string Latin1ToUtf8(std::string_view bytes);
// Decodes a text file's bytes to UTF-8: by its byte-order mark (UTF-16 LE/BE, UTF-8; the mark is
// dropped), else as UTF-8 where valid, else as Latin-1. A UTF-16 mark in front of bytes that cannot be
// UTF-16 text (not one ASCII character) is dropped and the rest read as 8-bit. whole (when given)
// tells whether the bytes were read as what they claim, nothing replaced or dropped.
std::string DecodeText(std::string_view bytes, bool* whole = nullptr);
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// UTF-16 LE bytes with the byte-order mark FF FE.
std::string EncodeUtf16LEWithBom(std::string_view utf8);

// Raises EFileError when the file cannot be read. Reads at most maxBytes from the start.
std::string ReadFileBytes(const std::filesystem::path& path, std::size_t maxBytes = static_cast<std::size_t>(-1));
// Writes atomically (temporary file, flush, rename). Raises EFileError when the target is read-only
// or the folder cannot be written.
void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);
// Removes the temporary files of writes below root that a program which no longer runs left behind
// (it was killed half-way through a write). Answers how many were removed.
int RemoveStaleTemporaryFiles(const std::filesystem::path& root);

}  // namespace vt
