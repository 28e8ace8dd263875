#include "link/InstrumentLink.h"
#include "core/AsciiText.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <limits>

#include "core/InternalError.h"
#include "core/DotNumberText.h"
#include "core/ScopeGuards.h"
#include "link/UsbTransport.h"

namespace vt {

// The stream's words are little-endian on the wire and are used in place.
static_assert(std::endian::native == std::endian::little, "the sample stream is read in place as little-endian words");

namespace {

constexpr const char* Unit = "PriborInterface";
// What the instrument answers when its own read timed out.
constexpr std::string_view InstrumentTimeoutAnswer = "TIMEOUT";
constexpr std::uint8_t ChunkRequest[] = {0x00, 0x0D, 0x0A};

// Commands are sent in the single-byte code page: Latin-1 of the UTF-8 text, "?" for the rest.
std::string ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 2);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            out.push_back(static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F)));
        } else if (c >= 0xC0) {
            out.push_back('?');
            while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) ++i;
        }
    }
    return out;
}

std::span<const std::uint8_t> AsBytes(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// A call-up is set once: a second one would silently take the first one's place.
template <class T>
void SetCallUp(T*& slot, T* callUp) {
    if (slot && callUp && slot != callUp) VT_INTERNAL_ERROR(Unit, "Link call-up set twice");
    slot = callUp;
}

bool ParseInt32(std::string_view text, std::int32_t& value) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

TInstrumentLink::TInstrumentLink(TLinkTiming timing, TLinkClock* clock,
                                 std::function<std::unique_ptr<TUsbApi>()> usbApi)
    : Timing_(timing), Clock_(clock ? *clock : OwnClock_), UsbApiFactory_(std::move(usbApi)) {}

TInstrumentLink::~TInstrumentLink() = default;

TUsbTransport& TInstrumentLink::Usb() {
    if (!Usb_) {
        Usb_ = std::make_unique<TUsbTransport>(UsbApiFactory_ ? UsbApiFactory_() : MakeLibUsbApi());
        Usb_->Binding().SetWriteTimeout(static_cast<unsigned>(Timing_.UsbWriteTimeoutMs));
    }
    return *Usb_;
}

void TInstrumentLink::SetAcquisition(TLinkAcquisition* acquisition) { SetCallUp(Acquisition_, acquisition); }
void TInstrumentLink::SetCommErrorReport(TCommErrorReport* report) { SetCallUp(Report_, report); }
void TInstrumentLink::SetRecovery(TLinkRecovery* recovery) { SetCallUp(Recovery_, recovery); }
void TInstrumentLink::SetTexts(TLinkTexts* texts) { SetCallUp(Texts_, texts); }

TLinkAcquisition& TInstrumentLink::Acquisition() const {
    static TLinkAcquisition none;
    return Acquisition_ ? *Acquisition_ : none;
}

TCommErrorReport& TInstrumentLink::Report() const {
    static TCommErrorReport none;
    return Report_ ? *Report_ : none;
}

TLinkRecovery& TInstrumentLink::Recovery() const {
    static TLinkRecovery none;
    return Recovery_ ? *Recovery_ : none;
}

TLinkTexts& TInstrumentLink::Texts() const {
    static TLinkTexts none;
    return Texts_ ? *Texts_ : none;
}

std::string TInstrumentLink::Lang(std::string_view key, std::string_view builtIn) const {
    return Texts().LangText(key, builtIn);
}

void TInstrumentLink::EnterCommError() {
    if (!CommErrorFlag_ && !Recovering_) CommErrIdleCount_ = 0;
    CommErrorFlag_ = true;
}

void TInstrumentLink::LeaveCommError() { CommErrorFlag_ = false; }

// ---------------------------------------------------------------------------------------- opening

bool TInstrumentLink::OpenInstrumentLink(bool useUsb, const TIpAddress& address) {
    const TDepthScope busy(BusyDepth_);
    DisconnectInstrument(true);
    bool opened = false;
    if (useUsb) {
        UsbFailuresToStatus_ = true;
        opened = OpenInstrumentUsb();
        if (opened) {
            Kind_ = TInstrumentLinkKind::Usb;
        } else {
            CloseInstrumentUsb();
        }
    } else {
        opened = ConnectTcp(address);
        if (opened) Kind_ = TInstrumentLinkKind::Tcp;
    }
    if (!opened) return false;
    SendCommand("Info:IndivData?", true);
    if (ReadReply().TimedOut()) {
        EnterCommError();
        return false;
    }
    return true;
}

bool TInstrumentLink::ConnectTcp(const TIpAddress& address) {
    const TDepthScope busy(BusyDepth_);
    if (!address.Valid) VT_INTERNAL_ERROR(Unit, "ConnectTcp with an invalid address");
    TcpConnected_ = false;
    const std::string text = std::to_string(address.Bytes[0]) + "." + std::to_string(address.Bytes[1]) + "." +
                             std::to_string(address.Bytes[2]) + "." + std::to_string(address.Bytes[3]);
    Tcp_ = std::make_unique<TMyTSPIPPribor>(text, Timing_.TcpPort);
    Clock_.SleepMs(Timing_.TcpPreConnectWaitMs);
    const int activeBefore = Tcp_->IsOpen() ? 1 : 0;
    Clock_.SleepMs(Timing_.TcpPreConnectWaitMs);
    Texts().SplashStatus(Lang("WaitTCP_IP", "Wait few second for established TCP-IP connection..."));
    TcpConnected_ = Tcp_->Connect(Timing_.TcpConnectWaitMs);
    if (!TcpConnected_)
        Texts().SplashStatus(Texts().ProductName() + Lang("_not_found", " not found") + std::to_string(activeBefore));
    return TcpConnected_;
}

void TInstrumentLink::DisconnectInstrument(bool bothTransports) {
    if (bothTransports || Kind_ == TInstrumentLinkKind::Usb) CloseInstrumentUsb();
    if (bothTransports || Kind_ == TInstrumentLinkKind::Tcp) {
        Tcp_.reset();
        TcpConnected_ = false;
    }
}

bool TInstrumentLink::OpenInstrumentUsb() {
    const TDepthScope busy(BusyDepth_);
    try {
        Usb().Open(static_cast<unsigned>(Timing_.UsbFlushTimeoutMs));
        LastUsbError_.clear();
        return true;
    } catch (const std::exception& e) {
        LastUsbError_ = e.what();
        EnterCommError();
        return false;
    }
}

void TInstrumentLink::CloseInstrumentUsb() {
    if (Usb_) Usb_->Close();
}

bool TInstrumentLink::UsbSendBuffer(std::span<const std::uint8_t> bytes) {
    const TDepthScope busy(BusyDepth_);
    const TTransferResult r = Usb().Send(bytes);
    if (r.Ok) return true;
    EnterCommError();
    if (UsbFailuresToStatus_) Texts().SplashStatus("SendBufferToUSB() failed (" + r.Error + ")");
    return false;
}

bool TInstrumentLink::UsbReadBuffer(std::span<std::uint8_t> into, std::size_t& bytesRead, std::uint16_t timeoutMs) {
    const TDepthScope busy(BusyDepth_);
    bytesRead = 0;
    const TTransferResult r = Usb().Receive(into, timeoutMs);
    if (r.Ok) {
        bytesRead = r.Count;
        return true;
    }
    EnterCommError();
    if (UsbFailuresToStatus_) Texts().SplashStatus("ReadBufferFromUSB() failed (" + r.Error + ")");
    return false;
}

// ------------------------------------------------------------------------------------ text channel

bool TInstrumentLink::TcpSend(std::span<const std::uint8_t> bytes) {
    if (!Tcp_ || !Tcp_->Send(bytes).Ok) {
        EnterCommError();
        return false;
    }
    return true;
}

bool TInstrumentLink::SendCommand(std::string_view command, bool exempt) {
    const TDepthScope busy(BusyDepth_);
    std::string bytes = ToAnsi(command);
    if (!exempt) Acquisition().BreakAcquisitionHook(true);
    // A reply that came too late for an earlier query must not answer this command. While a stream
    // runs, what is received belongs to it.
    TextCount_ = 0;
    if (!InDataMode()) {
        if (Kind_ == TInstrumentLinkKind::Usb && Usb_) Usb_->DiscardReceived();
        if (Kind_ == TInstrumentLinkKind::Tcp && Tcp_ && Tcp_->IsOpen()) Tcp_->DiscardReceived();
    }
    bytes += "\r\n";
    switch (Kind_) {
    case TInstrumentLinkKind::Usb:
        return UsbSendBuffer(AsBytes(bytes));
    case TInstrumentLinkKind::Tcp:
        return TcpSend(AsBytes(bytes));
    default:
        return true;
    }
}

std::string TInstrumentLink::ReplyBytesToText(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() + 2);
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i + 1 == n) {
            text += ReplyEndMark;
        } else if (i + 2 == n && bytes[i] == '\r') {
            text += ReplyCrMark;
        } else {
            text.push_back(bytes[i] >= 0x80 ? '_' : static_cast<char>(bytes[i]));
        }
    }
    return text;
}

std::string TReply::ShownText() const {
    switch (Status) {
    case TReplyStatus::Received:
        return Text;
    case TReplyStatus::TimedOut:
        return Text.empty() ? "Timeout" : Text;
    default:
        return "Not Pribor";
    }
}

TReply TInstrumentLink::ReadReplyUsb(std::size_t maxBytes, int timeoutMs) {
    std::size_t got = 0;
    // A read that completes with no bytes brought no reply either.
    if (!UsbReadBuffer(std::span(Text_.data(), maxBytes), got, static_cast<std::uint16_t>(timeoutMs)) || got == 0)
        return {TReplyStatus::TimedOut, {}};
    return {TReplyStatus::Received, ReplyBytesToText(std::span(Text_.data(), got))};
}

TReply TInstrumentLink::ReadReplyTcp(int timeoutMs) {
    // The waits are bounded in sum; each received fragment adds bytes, so the loop is bounded by the
    // buffer too.
    constexpr int Slice = 50;
    int waited = 0;
    const std::uint8_t* lineEnd = nullptr;
    while (Tcp_ && Tcp_->IsOpen() && TextCount_ < Text_.size() && waited < timeoutMs) {
        const int wait = std::min(Slice, timeoutMs - waited);
        const TTransferResult r = Tcp_->Receive(std::span(Text_.data() + TextCount_, Text_.size() - TextCount_), wait);
        if (r.Closed) {
            EnterCommError();
            break;
        }
        if (!r.Ok || r.Count == 0) {
            waited += wait;
            continue;
        }
        const std::uint8_t* from = Text_.data() + TextCount_;
        TextCount_ += r.Count;
        lineEnd = static_cast<const std::uint8_t*>(std::memchr(from, '\n', r.Count));
        if (lineEnd) break;
    }
    if (TextCount_ == 0) return {TReplyStatus::TimedOut, {}};
    const std::size_t n = lineEnd ? static_cast<std::size_t>(lineEnd - Text_.data()) + 1 : TextCount_;
    return {TReplyStatus::Received, ReplyBytesToText(std::span(Text_.data(), n))};
}

TReply TInstrumentLink::ReadReplyRaw() {
    const TDepthScope busy(BusyDepth_);
    switch (Kind_) {
    case TInstrumentLinkKind::Usb:
        return ReadReplyUsb(UsbReplyBytes, Timing_.UsbReplyTimeoutMs);
    case TInstrumentLinkKind::Tcp:
        return ReadReplyTcp(Timing_.TcpReplyTimeoutMs);
    default:
        return {TReplyStatus::NoInstrument, {}};
    }
}

TReply TInstrumentLink::ReadReply() {
    const TDepthScope busy(BusyDepth_);
    TReply reply = ReadReplyRaw();
    const auto pos = reply.Text.find(ReplyCrMark);
    if (pos != std::string::npos) reply.Text.resize(pos);
    if (reply.Received() && SameText(reply.Text, InstrumentTimeoutAnswer)) reply.Status = TReplyStatus::TimedOut;
    return reply;
}

TReply TInstrumentLink::QueryCommand(std::string_view command) {
    const TDepthScope busy(BusyDepth_);
    SendCommand(command, false);
    return ReadReply();
}

TReply TInstrumentLink::QueryUpperText(std::string_view command, bool noQuestionMark) {
    const TDepthScope busy(BusyDepth_);
    std::string text(command);
    if (!noQuestionMark) text += '?';
    TReply reply = QueryCommand(text);
    reply.Text = UpperCase(reply.Text);
    return reply;
}

void TInstrumentLink::SendIntCommand(std::string_view command, std::int64_t value) {
    SendCommand(std::string(command) + " " + std::to_string(value), false);
}

void TInstrumentLink::SendOnOffCommand(std::string_view command, bool on) {
    SendCommand(std::string(command) + (on ? " On" : " Off"), false);
}

std::string TInstrumentLink::InstrumentFloatText(double value) {
    std::string text = FloatToStrFDot(TFloatFormat::General, 8, 0, value);
    std::replace(text.begin(), text.end(), ',', '.');
    return text;
}

void TInstrumentLink::SendFloatCommand(std::string_view command, bool exempt, double value) {
    SendCommand(std::string(command) + " " + InstrumentFloatText(value), exempt);
}

std::int32_t TInstrumentLink::QueryInt(std::string_view command, int waitMs, bool noQuestionMark) {
    const TDepthScope busy(BusyDepth_);
    std::string text(command);
    if (!noQuestionMark) text += '?';
    SendCommand(text, false);
    if (waitMs != 0) Clock_.SleepMs(waitMs);
    const TReply reply = ReadReply();
    if (!IsInstrumentConnected()) return 0;
    std::int32_t value = 0;
    return reply.Received() && ParseInt32(reply.Text, value) ? value : QueryFailedInt;
}

std::int32_t TInstrumentLink::QueryIntParam(std::string_view command, std::int64_t value) {
    return QueryInt(std::string(command) + "? " + std::to_string(value), 0, true);
}

double TInstrumentLink::QueryFloat(std::string_view command, bool noQuestionMark) {
    const TDepthScope busy(BusyDepth_);
    std::string text(command);
    if (!noQuestionMark) text += '?';
    SendCommand(text, false);
    const TReply reply = ReadReply();
    if (!IsInstrumentConnected()) return 0;
    double value = 0;
    return reply.Received() && TryStrToFloatDot(reply.Text, value) ? value : QueryFailedFloat;
}

double TInstrumentLink::QueryFloatParam(std::string_view command, double value) {
    return QueryFloat(std::string(command) + "? " + InstrumentFloatText(value), true);
}

// -------------------------------------------------------------------------------------------- data

void TInstrumentLink::ResetWords() {
    ByteCount_ = WordsReceived_ = WordsHanded_ = 0;
    EndWordSeen_ = false;
}

void TInstrumentLink::CompactWords() {
    // Words handed out are done with; an odd byte waits for its partner at the front.
    if (WordsHanded_ == 0) return;
    const std::size_t from = WordsHanded_ * 2;
    std::memmove(WordBytes(), WordBytes() + from, ByteCount_ - from);
    ByteCount_ -= from;
    WordsReceived_ -= WordsHanded_;
    WordsHanded_ = 0;
}

void TInstrumentLink::AfterStreamBytes(std::size_t firstNewWord) {
    WordsReceived_ = ByteCount_ / 2;
    LastRxMs_ = Clock_.NowMs();
    if (!EndWordSeen_) {
        for (std::size_t i = firstNewWord; i < WordsReceived_; ++i) {
            if (Words_[i] == EndOfAcquisitionWord) {
                EndWordSeen_ = true;
                break;
            }
        }
    }
    // After the end word the instrument sends nothing more until the next command; during a break
    // every chunk is answered so that the stream runs to its end. A chunk of a single byte (half a
    // word) is answered too, or the stream would stall.
    if (!EndWordSeen_ || BreakModeFlag_) TcpSend(ChunkRequest);
}

bool TInstrumentLink::ReadBinaryBlockTcp() {
    bool closed = false;
    bool any = false;
    // Bounded by the buffer: each round that continues has added bytes.
    while (ByteCount_ < WordBufferBytes && Tcp_ && Tcp_->IsOpen()) {
        const TTransferResult r = Tcp_->Receive(std::span(WordBytes() + ByteCount_, WordBufferBytes - ByteCount_),
                                                any ? 0 : Timing_.TcpBlockWaitMs);
        if (r.Closed) {
            closed = true;
            break;
        }
        if (!r.Ok || r.Count == 0) break;
        const std::size_t firstNew = WordsReceived_;
        ByteCount_ += r.Count;
        AfterStreamBytes(firstNew);
        any = true;
    }
    // A closed connection enters the error state at once; words that came before it are still
    // handed out, and the next read fails.
    const bool lost = closed || !Tcp_ || !Tcp_->IsOpen();
    if (lost) EnterCommError();
    if (WordsReceived_ > WordsHanded_) return true;
    if (lost) return false;
    if (!EndWordSeen_ && Clock_.NowMs() - LastRxMs_ > Timing_.TcpReplyTimeoutMs) {
        EnterCommError();
        return false;
    }
    return true;
}

bool TInstrumentLink::ReadBinaryBlockUsb() {
    std::size_t got = 0;
    if (!UsbReadBuffer(std::span(WordBytes() + ByteCount_, WordBufferBytes - ByteCount_), got,
                       static_cast<std::uint16_t>(Timing_.UsbBlockTimeoutMs)))
        return false;
    ByteCount_ += got;
    WordsReceived_ = ByteCount_ / 2;
    return true;
}

bool TInstrumentLink::ReadBinaryBlock(const std::uint16_t*& words, std::uint16_t& count, bool duringBreak) {
    const TDepthScope busy(BusyDepth_);
    if (!duringBreak && !AcquisitionRunning_) VT_INTERNAL_ERROR(Unit, "ReadBinaryBlock without a running acquisition");
    count = 0;
    if (!IsInstrumentConnected()) return true;
    CompactWords();
    const bool ok = Kind_ == TInstrumentLinkKind::Usb ? ReadBinaryBlockUsb() : ReadBinaryBlockTcp();
    if (WordsReceived_ > WordsHanded_) {
        words = Words_.data() + WordsHanded_;
        count = static_cast<std::uint16_t>(WordsReceived_ - WordsHanded_);
        WordsHanded_ = WordsReceived_;
    }
    return ok;
}

void TInstrumentLink::StartAcquisition(std::uint8_t channels, std::uint16_t recordLength, std::uint16_t averages,
                                       double delay, bool realInstrument) {
    const TDepthScope busy(BusyDepth_);
    if (AcquisitionRunning_) {
        Texts().Beep();
        return;
    }
    if (Acquisition().PatternLockActive() && ++PatternLockStarts_ > 50) {
        PatternLockStarts_ = 0;
        Acquisition().RecheckPatternLock();
    }
    Acquisition().SendAcquisitionSettings(channels, recordLength, averages, delay);
    ResetWords();
    if (!realInstrument) {
        Acquisition().StartSimulatedAcquisition();
    } else if (!SendCommand("ACQ:GO", true)) {
        EnterCommError();
    }
    if (CommErrorFlag_) {
        Report().ReportCommError(" on start");
        return;
    }
    AcquisitionRunning_ = true;
    LastRxMs_ = Clock_.NowMs();
}

bool TInstrumentLink::BreakRunningAcquisition(int maxReads) {
    const TDepthScope busy(BusyDepth_);
    if (!AcquisitionRunning_) return true;
    AcquisitionRunning_ = false;
    if (!IsInstrumentConnected()) return true;
    BreakModeFlag_ = true;
    bool ended = false;
    if (SendCommand("ACQ:BREAK", true)) {
        LastRxMs_ = Clock_.NowMs();
        const std::int64_t deadline = LastRxMs_ + Timing_.BreakDrainTimeoutMs;
        const int limit = maxReads > 0 ? std::min(maxReads, Timing_.BreakDrainMaxReads) : Timing_.BreakDrainMaxReads;
        for (int reads = 0; !ended; ++reads) {
            if (reads >= limit) {
                // A bound set by the caller (a closing window) is no failure of the link.
                if (maxReads <= 0 || maxReads > Timing_.BreakDrainMaxReads) EnterCommError();
                break;
            }
            const std::uint16_t* words = nullptr;
            std::uint16_t n = 0;
            if (!ReadBinaryBlock(words, n, true)) {
                RecheckInstrumentLink();
                break;
            }
            // The end word counts wherever it stands: fillers may follow it.
            ended = n > 0 && std::find(words, words + n, EndOfAcquisitionWord) != words + n;
            if (!ended && Clock_.NowMs() >= deadline) {
                EnterCommError();
                break;
            }
        }
    }
    BreakModeFlag_ = false;
    ResetWords();
    return ended;
}

// --------------------------------------------------------------------------------------- error state

bool TInstrumentLink::RecheckInstrumentLink() {
    const TDepthScope busy(BusyDepth_);
    switch (Kind_) {
    case TInstrumentLinkKind::Usb: {
        CloseInstrumentUsb();
        if (!OpenInstrumentUsb()) return false;
        if (!SendCommand("Info:GetVer:FPGAFW?", false)) return false;
        std::size_t got = 0;
        return UsbReadBuffer(std::span(Text_.data(), UsbProbeBytes), got,
                             static_cast<std::uint16_t>(Timing_.UsbProbeTimeoutMs));
    }
    case TInstrumentLinkKind::Tcp: {
        // A dead peer is only back after a new connection.
        if (!Tcp_) return false;
        TcpConnected_ = Tcp_->Connect(Timing_.TcpConnectWaitMs);
        if (!TcpConnected_) {
            EnterCommError();
            return false;
        }
        AcquisitionRunning_ = BreakModeFlag_ = false;
        ResetWords();
        if (!SendCommand("Info:GetVer:FPGAFW?", false)) return false;
        TextCount_ = 0;
        return !ReadReplyTcp(Timing_.TcpProbeTimeoutMs).TimedOut();
    }
    default:
        return true;
    }
}

bool TInstrumentLink::CommErrorIdleStep() {
    const TDepthScope busy(BusyDepth_);
    if (!CommErrorFlag_) return true;
    Report().ReportCommError("");
    if (CommErrIdleCount_ < Timing_.CommErrIdleCalls) {
        ++CommErrIdleCount_;
        return false;
    }
    // The grace is over: whatever fails from here on, the next call probes again.
    if (!RecheckInstrumentLink()) return false;
    AcquisitionRunning_ = BreakModeFlag_ = false;
    {
        // The identity read and the resend run on a working link, so that each failure among them
        // shows; the state ends only when none failed.
        const TFlagScope recovering(Recovering_);
        LeaveCommError();
        bool ok = Recovery().ReadIndividualData();
        if (ok) Recovery().RefreshAfterConnect();
        if (ok) ok = Recovery().ResendInstrumentSettings();
        if (!ok) EnterCommError();
    }
    if (CommErrorFlag_) return false;
    Report().ClearCommError();
    return true;
}

}  // namespace vt
