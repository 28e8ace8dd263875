#include "link/InstrumentConnection.h"

#include <charconv>

#include "core/Handlers.h"
#include "core/InternalError.h"
#include "core/CommandTree.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {
constexpr std::string_view InstrumentsUnitName = "Instruments";

bool ContainsUpper(std::string_view name, std::string_view part) {
    return UpperCase(name).find(part) != std::string::npos;
}

// A parameter echoed in a reply: nothing in it may end the reply's line or close its quotes.
std::string ReplySafe(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u < ' ' || u == 0x7F || c == '"' || c == ';') c = '_';
    }
    return out;
}

// A whole-text integer, else false.
bool ParseIndex(std::string_view text, int& value) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}
}  // namespace

TInstruments::TInstruments(std::filesystem::path configFile, std::filesystem::path lockFolder,
                           TInstrumentLink& link)
    : List_(std::move(configFile)), Locks_(std::move(lockFolder)), Link_(link) {}

void TInstruments::SetServices(TInstrumentsServices* services) {
    if (Services_ && services && Services_ != services) VT_INTERNAL_ERROR(InstrumentsUnitName, "Services set twice");
    Services_ = services;
}

void TInstruments::SetMainWindowSwitch(TMainWindowSwitch* window) {
    if (Window_ && window && Window_ != window) VT_INTERNAL_ERROR(InstrumentsUnitName, "Main window set twice");
    Window_ = window;
}

TInstrumentsServices& TInstruments::Services() const {
    static TInstrumentsServices none;
    return Services_ ? *Services_ : none;
}

TMainWindowSwitch& TInstruments::Window() const {
    static TMainWindowSwitch none;
    return Window_ ? *Window_ : none;
}

std::string TInstruments::Lang(std::string_view key, std::string_view builtIn) const {
    return Services().LangText(key, builtIn);
}

bool TInstruments::ReserveDefaultDemo() {
    if (Locks_.SlotHeld(TLockSlot::Other)) return true;
    return Locks_.TryClaimInstrumentMutex(TLockSlot::Other, kDefaultDemoName);
}

TOpenResult TInstruments::OpenInstrument(std::string_view name, bool quiet) {
    Link_.SetLinkKind(TInstrumentLinkKind::None);
    const bool absent = List_.KindOf(name) == TInstrumentLinkKind::None;
    if (!quiet) {
        std::string status;
        if (absent) {
            status = Lang("StartWithoutConnections_", "Start Without Connections");
        } else if (SameText(name, kDefaultUsbName)) {
            status = Lang("InitializingUSB_", "Initializing USB connection...");
        } else if (SameText(name, kDefaultLanName)) {
            status = Lang("InitializDefTCP_", "Initializing Default TCP-IP connection...");
        } else if (ContainsUpper(name, "INSTRUMENT")) {
            status = Lang("InitializingTCP_", "Initializing TCP-IP connection...");
        }
        if (!status.empty()) Services().SplashStatus(status);
    }
    if (absent) return TOpenResult::Connected;

    // The check and the claim are one step, so two copies starting together cannot both win.
    const bool demoReserved = SameText(name, kDefaultDemoName) && Locks_.SlotHeld(TLockSlot::Other);
    if (!demoReserved) {
        const TLockSlot slot = IsSmartInstrumentName(name) ? TLockSlot::Smart : TLockSlot::Other;
        if (!Locks_.TryClaimInstrumentMutex(slot, name)) return TOpenResult::Busy;
    }
    if (ContainsUpper(name, "DEMO")) {
        Link_.SetLinkKind(TInstrumentLinkKind::Demo);
        return TOpenResult::Connected;
    }

    bool opened;
    if (SameText(name, kDefaultUsbName)) {
        opened = Link_.OpenInstrumentLink(true, TIpAddress{});
    } else {
        TIpAddress address = DefaultLanAddress();
        if (!SameText(name, kDefaultLanName)) {
            const int index = List_.IndexOf(name);
            if (index < 0) VT_INTERNAL_ERROR(InstrumentsUnitName, "INSTRUMENT NOT IN THE LIST");
            address = List_.Prop(index).IpAddress;
        }
        opened = address.Valid && Link_.OpenInstrumentLink(false, address);
    }
    if (!opened) {
        Unanswered_ = Link_.TcpConnectedFlag();
        // A failed attempt leaves no half-open link behind.
        Link_.DisconnectInstrument(true);
        Link_.SetLinkKind(TInstrumentLinkKind::None);
        Locks_.Release(TLockSlot::Smart);
        return TOpenResult::NotFound;
    }
    return TOpenResult::Connected;
}

TOpenResult TInstruments::OpenInstrumentAuto(std::string& name, bool quiet) {
    if (!SameText(name, kDefaultAutoName)) return OpenInstrument(name, quiet);
    const std::string lastSmart = List_.LastSmartInstrument();
    name = lastSmart;
    const TOpenResult first = OpenInstrument(name, quiet);
    if (first == TOpenResult::Connected) return first;
    name = SameText(lastSmart, kDefaultUsbName) ? std::string(kDefaultLanName) : std::string(kDefaultUsbName);
    const TOpenResult second = OpenInstrument(name, quiet);
    if (second != TOpenResult::Connected) {
        name = std::string(kDefaultAutoName);
    } else if (first == TOpenResult::NotFound) {
        List_.WriteLastSmartInstrument(name);
    }
    return second;
}

std::string TInstruments::MakeGiveUpText(const std::string& name, TOpenResult result) const {
    std::string text = "SW didn't link with the Veltrane\n";
    const int index = List_.IndexOf(name);
    const TInstrumentProp* prop = index >= 0 ? &List_.Prop(index) : nullptr;
    // The entry's label beside its name, as the lists show it.
    const std::string shown = index >= 0 ? List_.InstrumentDisplayName(index) : name;
    if (result == TOpenResult::Busy) {
        text += "The instrument \"" + shown + "\" is used by another copy of the program.";
    } else if (prop && prop->Kind == TInstrumentLinkKind::Tcp && !prop->IpAddress.Valid) {
        text += "The instrument \"" + shown + "\" has no usable IP address: \"" + prop->IpAddressText + "\" in " +
                std::string(kConfigurationFileName) + ".";
    } else if (Unanswered_ && prop) {
        text += "The instrument \"" + shown + "\" at " + IpAddressToText(prop->IpAddress) +
                " took the connection but did not answer.";
    } else {
        text += "The instrument \"" + shown + "\" was not found.";
    }
    return text;
}

bool TInstruments::OpenInstrumentWithRetry(std::string& name, bool quiet) {
    FirstResult_ = TOpenResult::NotYetKnown;
    GiveUpText_.clear();
    for (int attempt = 1;; ++attempt) {
        Unanswered_ = false;
        const TOpenResult r = OpenInstrumentAuto(name, quiet);
        if (FirstResult_ == TOpenResult::NotYetKnown) FirstResult_ = r;
        if (r == TOpenResult::Connected) return true;
        if (attempt == 1 && SameText(name, kDefaultAutoName)) ReserveDefaultDemo();
        const bool demoHeld = Locks_.SlotHeld(TLockSlot::Other);
        if (quiet) {
            // Ends the loop: both fall-backs always start.
            name = std::string(demoHeld ? kDefaultDemoName : kAbsentName);
        } else if (!Dialogs) {
            GiveUpText_ = MakeGiveUpText(name, r);
            Services().ShowMessage(GiveUpText_);
            Locks_.ReleaseAll();
            return false;
        } else {
            switch (Dialogs->ShowInitialisationDialog(std::min(attempt, 3), name, demoHeld)) {
                case TInitDialogResult::Ignore: name = std::string(kAbsentName); break;
                case TInitDialogResult::Yes: break;
                case TInitDialogResult::No: name = std::string(kDefaultDemoName); break;
                default:
                    GiveUpText_ = MakeGiveUpText(name, r);
                    Locks_.ReleaseAll();
                    return false;
            }
        }
        if (!SameText(name, kDefaultDemoName)) Locks_.Release(TLockSlot::Other);
    }
}

bool TInstruments::StartInstrument(bool atStartUp, std::string& name, bool quiet) {
    if (atStartUp) {
        name = List_.StartUnit();
    } else {
        SetGUIReady(false);
        Window().StopMainWindow();
        Link_.DisconnectInstrument(true);
        Link_.SetLinkKind(TInstrumentLinkKind::None);
    }
    Locks_.ReleaseAll();
    const bool q = quiet || Services().StartedAsComServer();
    const bool started = OpenInstrumentWithRetry(name, q);
    // A run-time switch that gave up leaves no instrument behind.
    Current_ = started ? name : std::string(kAbsentName);
    CurrentKind_ = started ? List_.KindOf(name) : TInstrumentLinkKind::None;
    if (!atStartUp) {
        Window().StartMainWindow(CurrentKind_ != TInstrumentLinkKind::None);
        SetGUIReady(true);
    }
    if (started) Services().ReadReferenceTemperature();
    return started;
}

// ------------------------------------------------------------------------------------------ INSTR:

void TInstruments::SetGUIReady(bool on) {
    Services().SetAutoCalTimer(on);
    if (GuiReady_) GuiReady_->SetOn(on);
}

void TInstruments::CurrentGet(std::string& reply) const {
    const int index = List_.IndexOf(Current_);
    const std::string label = index >= 0 ? List_.Prop(index).Label : std::string();
    reply = " " + ArgForm(label) + "[" + ArgForm(Current_) + "]";
}

void TInstruments::CurrentSet(std::string_view parameter, std::string& reply) {
    int index = -1;
    if (!ParseIndex(parameter, index) || index < 0 || index >= List_.Count()) {
        index = -1;
        List_.FindInstrumentByArg(UpperCase(parameter), index);
    }
    if (index < 0) {
        reply = " BAD SPECIFIER OF THE INSTRUMENT \"" + ReplySafe(parameter) + "\"";
        return;
    }
    std::string name = List_.Name(index);
    if (SameText(name, Current_)) {
        reply = " OK";
        return;
    }
    // Commands never open a dialog: a failed switch returns to the previous instrument.
    std::string previous = Current_;
    StartInstrument(false, name, true);
    const TOpenResult first = FirstResult_;
    if (first != TOpenResult::Connected) StartInstrument(false, previous, true);
    reply = first == TOpenResult::Connected ? " OK" : first == TOpenResult::Busy ? " BUSY" : " NOT DETECTED";
}

void TInstruments::RegisterInstrCommands(TSpider& root) {
    root.AddGpibStringHandler("INSTR:List:Count", 0, [this](std::string_view, bool, std::uint8_t, std::string& reply) {
        reply = " " + std::to_string(List_.Count());
    });
    root.AddGpibStringHandler("INSTR:List:Unit", 0,
                              [this](std::string_view parameter, bool, std::uint8_t, std::string& reply) {
                                  int n = -1;
                                  if (!ParseIndex(parameter, n) || n < 0 || n >= List_.Count()) {
                                      reply = " BAD PARAMETER " + ReplySafe(parameter);
                                      return;
                                  }
                                  const TInstrumentProp& prop = List_.Prop(n);
                                  reply = " " + std::to_string(n) + ";" + ArgForm(prop.Label) + "[" +
                                          ArgForm(List_.Name(n)) + "];" + UpperCase(InterfaceName(prop.Kind));
                                  if (prop.Kind == TInstrumentLinkKind::Tcp)
                                      reply += ";" + IpAddressToText(prop.IpAddress);
                              });
    root.AddGpibStringHandler("INSTR:Current:Get", 0,
                              [this](std::string_view, bool, std::uint8_t, std::string& reply) { CurrentGet(reply); });
    root.AddGpibStringHandler("INSTR:Current:Set", 0,
                              [this](std::string_view parameter, bool, std::uint8_t, std::string& reply) {
                                  if (!parameter.empty()) CurrentSet(parameter, reply);
                              });
    GuiReady_ = &root.AddOnOffHandler("INSTR:GUIReady", {});
}

}  // namespace vt
