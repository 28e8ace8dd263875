#pragma once
// The display library's services in the shell context: the timed hints and the communication-error
// hint; the panel's own services join here as the panel is built.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/DisplayServices.h"
#include "core/Feature.h"
#include "display/HintStack.h"

namespace vt {

class TShell;

inline constexpr int CommErrorDelayMs = 5000;

class TScopeDisplayServices : public TDisplayServices {
public:
    TScopeDisplayServices(TShell& shell, std::unique_ptr<THintStack> hints = nullptr, THintClock clock = {});

    THintStack& Hints() { return *Hints_; }

    void PushHint(const std::string& text, int durationMs) override;
    int PushOrRefreshHint(int id, const std::string& text, int style, int keepUnder, int durationMs) override;
    void RemoveHint(int id) override;
    // The alarm hint "CommunicationErr" + suffix, pushed once when the error state has lasted 5 s.
    void ReportCommError(std::string_view suffix) override;
    void ClearCommError() override;

private:
    TShell& Shell_;
    std::unique_ptr<THintStack> Hints_;
    THintClock Clock_;
    bool ErrorNoted_ = false;
    std::int64_t ErrorSince_ = 0;
    int ErrorHintId_ = 0;
};

// Installs the display services in the shell when the program is put together.
class TDisplayFeature : public TFeature {
public:
    void FillRows(TShell& shell) override;
};

}  // namespace vt
