#pragma once
// Where the acquisition engine takes its sample words from: the instrument's block reader or the demo
// simulator. Both hand out the same 16-bit words, 0x8000 ending a record, so everything after the read
// runs the same code for both.
#include <cstdint>

namespace vt {

class TAcqWordSource {
public:
    virtual ~TAcqWordSource() = default;
    // The words of one read; they stay valid until the next call. False: the read failed.
    virtual bool ReadAcqWords(const std::uint16_t*& words, std::uint16_t& count) = 0;
};

}  // namespace vt
