#pragma once
// The waveform transfer settings of the command tree: "Wfm:Source", "Wfm:Data", "Wfm:Preamb" and
// "Wfm:Complex". None of them is saved in setups.
#include "core/Feature.h"

namespace vt {

class TCommandTree;
class TSignalRecords;
class TSignalSourceSwHandler;
class TGpibStringHandler;
class TRadioSwHandler;

struct TWaveformCommands {
    TSignalSourceSwHandler* Source = nullptr;
    TGpibStringHandler* Data = nullptr;
    TGpibStringHandler* Preamb = nullptr;
    TRadioSwHandler* Complex = nullptr;
};

// Registers the four settings; the replies read the records, which must outlive the tree.
TWaveformCommands RegisterWaveformCommands(TCommandTree& tree, const TSignalRecords& records);

// The waveform transfer as a feature of the program: its registration row.
class TWaveformCommandsFeature : public TFeature {
public:
    void FillRows(TShell& shell) override;
};

}  // namespace vt
