#include "display/ScopeDisplayServices.h"

#include "core/Shell.h"

namespace vt {

TScopeDisplayServices::TScopeDisplayServices(TShell& shell, std::unique_ptr<THintStack> hints, THintClock clock)
    : Shell_(shell), Hints_(std::move(hints)), Clock_(std::move(clock)) {
    if (!Hints_) Hints_ = std::make_unique<THintStack>();
    if (!Clock_) Clock_ = SteadyClockMs;
}

void TScopeDisplayServices::PushHint(const std::string& text, int durationMs) { Hints_->Push(text, durationMs, 0, 1); }

int TScopeDisplayServices::PushOrRefreshHint(int id, const std::string& text, int style, int keepUnder,
                                             int durationMs) {
    return Hints_->PushOrRefresh(id, text, style, keepUnder, durationMs);
}

void TScopeDisplayServices::RemoveHint(int id) { Hints_->Remove(id); }

void TScopeDisplayServices::ReportCommError(std::string_view suffix) {
    if (!ErrorNoted_) {
        ErrorNoted_ = true;
        ErrorSince_ = Clock_();
        return;
    }
    if (ErrorHintId_ != 0 || Clock_() - ErrorSince_ < CommErrorDelayMs) return;
    ErrorHintId_ = Hints_->Push(Shell_.LangStr("CommunicationErr") + std::string(suffix), 0, HintAlarmStyle, 1);
}

void TScopeDisplayServices::ClearCommError() {
    ErrorNoted_ = false;
    if (ErrorHintId_ != 0) Hints_->Remove(ErrorHintId_);
    ErrorHintId_ = 0;
}

void TDisplayFeature::FillRows(TShell& shell) {
    shell.SetDisplayServices(std::make_unique<TScopeDisplayServices>(shell));
}

}  // namespace vt
