#pragma once
// The one wire protocol between the program and the instrument: text commands and one-line replies,
// typed queries, the stream of 16-bit sample words, the start of an acquisition, and the
// communication-error state with its probe and recovery. One TInstrumentLink object holds the whole
// link state; the shell context owns it.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/InstrumentKind.h"
#include "core/IpAddress.h"
#include "link/LinkClock.h"
#include "link/LinkServices.h"
#include "link/TcpTransport.h"
#include "link/UsbApi.h"

namespace vt {

class TUsbTransport;

inline constexpr std::uint16_t EndOfAcquisitionWord = 0x8000;
inline constexpr std::uint16_t FillerWord = 0x8001;
// What a typed query gives for a reply that does not parse.
inline constexpr std::int32_t QueryFailedInt = -2147483647;
inline constexpr double QueryFailedFloat = -2147483647.0;
// End marks of a reply's text: the last received byte, and a CR just before it.
inline constexpr std::string_view ReplyEndMark = "\xC2\xB6";      // U+00B6
inline constexpr std::string_view ReplyCrMark = "\xC2\xAC";       // U+00AC

enum class TReplyStatus : std::uint8_t { Received, TimedOut, NoInstrument };

// One reply of the instrument: what came, or that nothing came in time, or that there is no
// instrument to ask.
struct TReply {
    TReplyStatus Status = TReplyStatus::TimedOut;
    // The received text (see ReplyBytesToText); empty when nothing came.
    std::string Text;

    bool Received() const { return Status == TReplyStatus::Received; }
    bool TimedOut() const { return Status == TReplyStatus::TimedOut; }
    // The reply as the system shows it: the text, else "Timeout" or "Not Pribor".
    std::string ShownText() const;
};

// Sizes, waits and time limits; a test shortens them.
struct TLinkTiming {
    int TcpPort = InstrumentTcpPort;
    int TcpPreConnectWaitMs = 200;  // each of the two waits before the socket is opened
    int TcpConnectWaitMs = 500;
    int TcpReplyTimeoutMs = 5000;   // a reply; also the longest silence of a running stream
    int TcpBlockWaitMs = 20;        // how long one block read waits for the first new bytes
    int TcpProbeTimeoutMs = 1000;
    int UsbWriteTimeoutMs = 1000;
    int UsbFlushTimeoutMs = 50;
    int UsbReplyTimeoutMs = 1000;
    int UsbBlockTimeoutMs = 300;
    int UsbProbeTimeoutMs = 50;
    int BreakDrainTimeoutMs = 2000;  // longest drain of the stream after "ACQ:BREAK"
    int BreakDrainMaxReads = 10000;
    int CommErrIdleCalls = 200;      // idle calls in the error state before the first probe
};

class TInstrumentLink {
public:
    static constexpr std::size_t TextBufferBytes = 16400;
    static constexpr std::size_t WordBufferWords = 8200;
    static constexpr std::size_t WordBufferBytes = WordBufferWords * 2;
    static constexpr std::size_t UsbReplyBytes = 384;
    static constexpr std::size_t UsbProbeBytes = 255;

    // clock: null for the steady clock. usbApi: makes the USB library binding on first use (null for
    // libusb).
    explicit TInstrumentLink(TLinkTiming timing = {}, TLinkClock* clock = nullptr,
                             std::function<std::unique_ptr<TUsbApi>()> usbApi = {});
    ~TInstrumentLink();
    TInstrumentLink(const TInstrumentLink&) = delete;
    TInstrumentLink& operator=(const TInstrumentLink&) = delete;

    // What the link calls up into the rest of the program: each is set once; null (the start, or a
    // detach) answers with the interface's empty defaults.
    void SetAcquisition(TLinkAcquisition* acquisition);
    void SetCommErrorReport(TCommErrorReport* report);
    void SetRecovery(TLinkRecovery* recovery);
    void SetTexts(TLinkTexts* texts);
    // Breaks an outstanding acquisition through the acquisition that attached itself (nothing before
    // one did): every feature that changes what the instrument acquires calls this first.
    void BreakAcquisition(bool afterBreak) { Acquisition().BreakAcquisitionHook(afterBreak); }

    // --- state ---
    TInstrumentLinkKind LinkKind() const { return Kind_; }
    void SetLinkKind(TInstrumentLinkKind kind) { Kind_ = kind; }
    bool IsInstrumentConnected() const { return Kind_ == TInstrumentLinkKind::Usb || Kind_ == TInstrumentLinkKind::Tcp; }
    bool TcpConnectedFlag() const { return TcpConnected_; }
    bool CommErrorFlag() const { return CommErrorFlag_; }
    int CommErrIdleCount() const { return CommErrIdleCount_; }
    bool AcquisitionRunning() const { return AcquisitionRunning_; }
    void SetAcquisitionRunning(bool on) { AcquisitionRunning_ = on; }
    bool BreakModeFlag() const { return BreakModeFlag_; }
    const TLinkTiming& Timing() const { return Timing_; }
    // The clock of the link's waits; features that pace their questions to the instrument read it.
    TLinkClock& Clock() { return Clock_; }
    // Inside a connect or an exchange with the instrument. The waits of a connect may run the event
    // loop, so timers and idle steps can fire in the middle of one: they must not use the link then.
    bool Busy() const { return BusyDepth_ > 0; }
    const std::string& LastUsbError() const { return LastUsbError_; }

    // --- opening and closing ---
    // Opens USB or TCP, then asks for the identity; false when the transport did not open or the
    // identity query timed out. A retry closes whatever an earlier attempt left open.
    bool OpenInstrumentLink(bool useUsb, const TIpAddress& address);
    bool ConnectTcp(const TIpAddress& address);
    void DisconnectInstrument(bool bothTransports);
    bool OpenInstrumentUsb();
    void CloseInstrumentUsb();
    bool UsbSendBuffer(std::span<const std::uint8_t> bytes);
    bool UsbReadBuffer(std::span<std::uint8_t> into, std::size_t& bytesRead, std::uint16_t timeoutMs);

    // --- text channel ---
    bool SendCommand(std::string_view command, bool exempt = false);
    TReply ReadReplyRaw();
    // The reply up to its CR mark. An instrument that answers "TIMEOUT" (its own read timed out)
    // gave no answer either.
    TReply ReadReply();
    TReply QueryCommand(std::string_view command);
    // The reply's text in upper case.
    TReply QueryUpperText(std::string_view command, bool noQuestionMark = false);
    void SendIntCommand(std::string_view command, std::int64_t value);
    void SendOnOffCommand(std::string_view command, bool on);
    void SendFloatCommand(std::string_view command, bool exempt, double value);
    std::int32_t QueryInt(std::string_view command, int waitMs = 0, bool noQuestionMark = false);
    std::int32_t QueryIntParam(std::string_view command, std::int64_t value);
    double QueryFloat(std::string_view command, bool noQuestionMark = false);
    double QueryFloatParam(std::string_view command, double value);

    // --- data ---
    // The sample words that arrived since the last call (TCP) or one block read (USB). The words
    // stay valid until the next call. False when the read failed; the link is then in the
    // communication-error state.
    bool ReadBinaryBlock(const std::uint16_t*& words, std::uint16_t& count, bool duringBreak);
    void StartAcquisition(std::uint8_t channels, std::uint16_t recordLength, std::uint16_t averages, double delay,
                          bool realInstrument);
    // Stops an outstanding acquisition: sends "ACQ:BREAK" and reads the stream up to its end word,
    // at most maxReads blocks (0: no bound but the drain's own) and never longer than the drain time
    // limit, after which the link enters the communication-error state. True when the end word came.
    bool BreakRunningAcquisition(int maxReads = 0);

    // --- error state ---
    // USB: reopen and ask for the FPGA version; TCP: reconnect and ask the same; others: true.
    bool RecheckInstrumentLink();
    // One idle call in the communication-error state: the report, 200 calls of grace, then a probe
    // on every call; after a good probe the identity is read, the settings are refreshed and sent
    // again, and the state ends only when all of that succeeded. True when the link is working.
    bool CommErrorIdleStep();

    // Reals in commands: general format, 8 significant digits, ".".
    static std::string InstrumentFloatText(double value);
    // Received reply bytes as text: bytes above 0x7F become "_", the last byte the end mark, a CR
    // before it the CR mark.
    static std::string ReplyBytesToText(std::span<const std::uint8_t> bytes);

private:
    // The only writers of the communication-error flag. The grace before the first probe starts
    // when the state begins; a failure during a recovery attempt does not grant it again.
    void EnterCommError();
    void LeaveCommError();
    TUsbTransport& Usb();
    bool InDataMode() const { return AcquisitionRunning_ || BreakModeFlag_; }
    bool TcpSend(std::span<const std::uint8_t> bytes);
    TReply ReadReplyUsb(std::size_t maxBytes, int timeoutMs);
    TReply ReadReplyTcp(int timeoutMs);
    bool ReadBinaryBlockUsb();
    bool ReadBinaryBlockTcp();
    // Takes newly received stream bytes into account and asks for the next chunk when due.
    void AfterStreamBytes(std::size_t firstNewWord);
    void CompactWords();
    void ResetWords();
    std::uint8_t* WordBytes() { return reinterpret_cast<std::uint8_t*>(Words_.data()); }
    std::string Lang(std::string_view key, std::string_view builtIn) const;
    TLinkAcquisition& Acquisition() const;
    TCommErrorReport& Report() const;
    TLinkRecovery& Recovery() const;
    TLinkTexts& Texts() const;

    TLinkTiming Timing_;
    TSteadyLinkClock OwnClock_;
    TLinkClock& Clock_;
    std::function<std::unique_ptr<TUsbApi>()> UsbApiFactory_;
    std::unique_ptr<TUsbTransport> Usb_;
    std::unique_ptr<TMyTSPIPPribor> Tcp_;
    TLinkAcquisition* Acquisition_ = nullptr;
    TCommErrorReport* Report_ = nullptr;
    TLinkRecovery* Recovery_ = nullptr;
    TLinkTexts* Texts_ = nullptr;
    bool UsbFailuresToStatus_ = false;  // from the first USB open on, USB failures go to the splash status

    TInstrumentLinkKind Kind_ = TInstrumentLinkKind::None;
    bool TcpConnected_ = false;
    bool CommErrorFlag_ = false;
    int CommErrIdleCount_ = 0;
    bool Recovering_ = false;  // the identity read and resend after a good probe are under way
    int BusyDepth_ = 0;        // entry points under way; they nest
    bool AcquisitionRunning_ = false;
    bool BreakModeFlag_ = false;
    int PatternLockStarts_ = 0;
    std::string LastUsbError_;

    std::array<std::uint8_t, TextBufferBytes> Text_{};
    std::size_t TextCount_ = 0;
    std::array<std::uint16_t, WordBufferWords> Words_{};
    std::size_t ByteCount_ = 0;      // bytes received into the word buffer
    std::size_t WordsReceived_ = 0;  // whole words among them
    std::size_t WordsHanded_ = 0;    // words already handed out
    bool EndWordSeen_ = false;       // the stream's end word has arrived (no further chunks)
    std::int64_t LastRxMs_ = 0;      // when stream bytes last arrived
};

}  // namespace vt
