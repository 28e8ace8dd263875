#include "analysis/ScopeAnalysisServices.h"

#include <memory>

#include "core/Shell.h"

namespace vt {

TScopeAnalysisServices::TScopeAnalysisServices(TShell& shell) : Meas_(shell) {}

void TAnalysisFeature::FillRows(TShell& shell) {
    shell.SetAnalysisServices(std::make_unique<TScopeAnalysisServices>(shell));
}

}  // namespace vt
