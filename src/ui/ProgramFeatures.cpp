#include "ui/ProgramFeatures.h"

#include "acq/MainCommands.h"
#include "acq/WaveformCommands.h"
#include "display/ScopeDisplayServices.h"
#include "program/ProgramLife.h"
#include "program/ProgramLinkServices.h"
#include "ui/Automation.h"
#include "ui/InstrumentStart.h"
#include "ui/MainCommandsUi.h"
#include "ui/MainWindowFeature.h"

namespace vt {

template <class T>
T& TProgramFeatures::Add(TProgramLife& life, std::unique_ptr<T> feature) {
    T& added = *feature;
    Features_.push_back(std::move(feature));
    life.Install(added);
    return added;
}

TProgramFeatures::TProgramFeatures(TShell& shell, TProgramLife& life, TUserDialogs& dialogs,
                                   const std::vector<std::string>& args, std::uint16_t automationPort) {
    // First: the display's services take the hints pushed from here on.
    Add(life, std::make_unique<TDisplayFeature>());
    // Before the instrument start, which ends the link: the link's services go after it.
    Add(life, std::make_unique<TProgramLinkServices>(shell));
    Add(life, std::make_unique<TMainWindowFeature>());
    Add(life, std::make_unique<TMainCommandsFeature>(Add(life, std::make_unique<TMainCommandsUi>(shell, dialogs))));
    Add(life, std::make_unique<TWaveformCommandsFeature>());
    Automation_ = &Add(life, std::make_unique<TAutomationFeature>(shell, dialogs, automationPort));
    Instruments_ = &Add(life, std::make_unique<TInstrumentStart>(shell, life, dialogs, args));
}

TProgramFeatures::~TProgramFeatures() = default;

}  // namespace vt
