#pragma once
// What the instrument link asks of the program as a whole: the shell's texts, the display's report
// of the communication-error state, and the identity read of the instrument in use when the link
// recovers, then the resend of every setting. A feature of the program; it attaches to the link once
// the link exists.
#include "core/Feature.h"
#include "link/LinkServices.h"

namespace vt {

class TShell;

class TProgramLinkServices final : public TFeature,
                                   public TLinkTexts,
                                   public TCommErrorReport,
                                   public TLinkRecovery {
public:
    explicit TProgramLinkServices(TShell& shell) : Shell_(shell) {}
    // Lets go of the link when the link outlives it.
    ~TProgramLinkServices() override;
    TProgramLinkServices(const TProgramLinkServices&) = delete;
    TProgramLinkServices& operator=(const TProgramLinkServices&) = delete;

    // The resend of every setting at each instrument start.
    void FillRows(TShell& shell) override;
    void AttachToProgram(TShell& shell) override;

    std::string LangText(std::string_view key, std::string_view builtIn) override;
    void ReportCommError(std::string_view suffix) override;
    void ClearCommError() override;
    bool ReadIndividualData() override;
    // The recovered link: every feature refreshes its controls as at an instrument start.
    void RefreshAfterConnect() override;
    void Beep() override;
    bool ResendInstrumentSettings() override;

private:
    TShell& Shell_;
    bool Attached_ = false;
};

}  // namespace vt
