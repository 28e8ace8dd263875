// The USB binding and the link over USB, against a mock of the libusb calls.
#include <gtest/gtest.h>

#include <deque>

#include "LinkTestSupport.h"
#include "core/InternalError.h"
#include "link/UsbBinding.h"

using namespace vt;
using namespace vt::test;

namespace {

struct TMockUsbState {
    struct TRead {
        int Rc = 0;
        std::string Bytes;
    };
    std::deque<TRead> Reads;  // one entry per IN transfer; none left: a time-out with nothing
    std::vector<std::string> Writes;
    std::vector<int> ReadLengths;
    std::vector<unsigned> ReadTimeouts;
    int InitRc = 0;
    int OpenRc = 0;
    int WriteRc = 0;
    int Packet = 512;
    int Opens = 0;
    int Closes = 0;
    bool Open = false;
};

class TMockUsb final : public TUsbApi {
public:
    explicit TMockUsb(TMockUsbState& s) : S(s) {}
    int Init() override { return S.InitRc; }
    void Exit() override {}
    int Open(std::uint16_t vid, std::uint16_t pid, std::string_view serial) override {
        EXPECT_EQ(vid, InstrumentUsbVendorId);
        EXPECT_EQ(pid, 0x100B);
        EXPECT_EQ(serial, "2008-nnnnn");
        if (S.OpenRc != 0) return S.OpenRc;
        ++S.Opens;
        S.Open = true;
        return 0;
    }
    void Close() override {
        ++S.Closes;
        S.Open = false;
    }
    int MaxPacketSize(std::uint8_t) override { return S.Packet; }
    int BulkTransfer(std::uint8_t ep, std::uint8_t* data, int length, int& transferred, unsigned timeoutMs) override {
        transferred = 0;
        if (ep == UsbPipeOut) {
            if (S.WriteRc != 0) return S.WriteRc;
            S.Writes.emplace_back(reinterpret_cast<char*>(data), static_cast<std::size_t>(length));
            transferred = length;
            return 0;
        }
        EXPECT_EQ(ep, UsbPipeIn);
        EXPECT_EQ(length % S.Packet, 0) << "reads must ask for whole packets";
        S.ReadLengths.push_back(length);
        S.ReadTimeouts.push_back(timeoutMs);
        if (S.Reads.empty()) return ErrorTimeout;
        const TMockUsbState::TRead r = S.Reads.front();
        S.Reads.pop_front();
        EXPECT_LE(static_cast<int>(r.Bytes.size()), length);
        std::copy(r.Bytes.begin(), r.Bytes.end(), data);
        transferred = static_cast<int>(r.Bytes.size());
        return r.Rc;
    }
    std::string ErrorText(int code) override { return "mock error " + std::to_string(code); }

private:
    TMockUsbState& S;
};

struct TUsbLink {
    TUsbLink() : Link(TLinkTiming{}, &Clock, [this] { return std::make_unique<TMockUsb>(S); }) {
        Link.SetTexts(&Texts);
    }
    bool Open() {
        S.Reads.push_back({TUsbApi::ErrorTimeout, ""});  // the flush finds nothing queued
        S.Reads.push_back({0, "1,42,2010\r\n"});
        return Link.OpenInstrumentLink(true, TIpAddress{});
    }
    TMockUsbState S;
    TFakeLinkClock Clock;
    TStatusLog Texts;
    TInstrumentLink Link;
    std::vector<std::string>& Status = Texts.Status;
};

}  // namespace

TEST(UsbBinding, ReadsAskForWholePacketsAndDeliverExactlyWhatWasAskedFor) {
    TMockUsbState s;
    s.Packet = 64;
    TVltWinUsb usb(std::make_unique<TMockUsb>(s));
    usb.WinUsbOpen();
    s.Reads.push_back({0, std::string(50, 'a') });
    std::uint8_t buf[100];
    EXPECT_EQ(usb.WinUsbReadPipe(UsbPipeIn, std::span(buf, 30), 100), 30u);
    EXPECT_EQ(s.ReadLengths, std::vector<int>{64});
    // The rest of that transfer comes from our own buffer, without a transfer.
    EXPECT_EQ(usb.WinUsbReadPipe(UsbPipeIn, std::span(buf, 30), 100), 20u);
    EXPECT_EQ(s.ReadLengths.size(), 1u);
    // A time-out after some bytes delivers them; with none it raises.
    s.Reads.push_back({TUsbApi::ErrorTimeout, "xyz"});
    EXPECT_EQ(usb.WinUsbReadPipe(UsbPipeIn, std::span(buf, 100), 1000), 3u);
    EXPECT_EQ(s.ReadLengths.back(), 128);
    try {
        usb.WinUsbReadPipe(UsbPipeIn, std::span(buf, 100), 1000);
        FAIL();
    } catch (const EVltWinUSBTimeout& e) {
        EXPECT_STREQ(e.what(), "WinUSB ReadPipe Timeout (1000 ms)");
    }
    // A time-out keeps what the transfer brought beyond the request for later.
    s.Reads.push_back({TUsbApi::ErrorTimeout, std::string(64, 'b')});
    EXPECT_EQ(usb.WinUsbReadPipe(UsbPipeIn, std::span(buf, 10), 5), 10u);
    EXPECT_EQ(usb.CarryCount(), 54u);
    usb.WinUsbClose();
    EXPECT_EQ(usb.CarryCount(), 0u);
}

TEST(UsbBinding, OpenCloseAndTheirFailures) {
    TMockUsbState s;
    TVltWinUsb usb(std::make_unique<TMockUsb>(s));
    std::uint8_t buf[4];
    EXPECT_THROW(usb.WinUsbReadPipe(UsbPipeIn, buf, 10), EInternalError);
    EXPECT_THROW(usb.WinUsbWritePipe(UsbPipeOut, buf), EInternalError);
    usb.WinUsbClose();  // closing a closed device does nothing
    EXPECT_EQ(s.Closes, 0);
    usb.WinUsbOpen();
    EXPECT_THROW(usb.WinUsbOpen(), EInternalError);
    usb.WinUsbClose();
    EXPECT_EQ(s.Closes, 1);

    s.OpenRc = TUsbApi::ErrorNotFound;
    try {
        usb.WinUsbOpen();
        FAIL();
    } catch (const EOSError& e) {
        const std::string m = e.what();
        EXPECT_EQ(m.rfind("Cannot connect to device via USB. Make sure the device is connected and device USB driver "
                          "is installed.\r\n\r\n",
                          0),
                  0u);
        EXPECT_NE(m.find("mock error -5"), std::string::npos);
    }
    TMockUsbState s2;
    s2.InitRc = -99;
    TVltWinUsb noLib(std::make_unique<TMockUsb>(s2));
    try {
        noLib.WinUsbOpen();
        FAIL();
    } catch (const EOSError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Error loading WinUSB.dll. Mare sure device USB driver is installed.\r\n\r\nmock error -99");
    }
}

TEST(UsbLink, OpeningFlushesThenAsksForTheIdentity) {
    TUsbLink u;
    ASSERT_TRUE(u.Open());
    EXPECT_EQ(u.Link.LinkKind(), TInstrumentLinkKind::Usb);
    EXPECT_EQ(u.S.Writes, std::vector<std::string>{"Info:IndivData?\r\n"});
    ASSERT_EQ(u.S.ReadTimeouts.size(), 2u);
    EXPECT_EQ(u.S.ReadTimeouts[0], 50u);
    EXPECT_GE(u.S.ReadLengths[0], 65576);
    EXPECT_EQ(u.S.ReadTimeouts[1], 1000u);
    EXPECT_EQ(u.S.ReadLengths[1], 512);  // 384 bytes asked for, in whole packets
    // USB failures go to the splash status from now on.
    u.S.WriteRc = -1;
    EXPECT_FALSE(u.Link.SendCommand("Trig:Mode Free"));
    ASSERT_EQ(u.Status.size(), 1u);
    EXPECT_EQ(u.Status[0], "SendBufferToUSB() failed (mock error -1)");
    EXPECT_TRUE(u.Link.CommErrorFlag());
}

TEST(UsbLink, AFailedTransferSetsTheFlagAndAGoodOneDoesNotClearIt) {
    TUsbLink u;
    ASSERT_TRUE(u.Open());
    EXPECT_TRUE(u.Link.QueryCommand("Info:GetTemp?").TimedOut());
    EXPECT_TRUE(u.Link.CommErrorFlag());
    EXPECT_EQ(u.Status.back(), "ReadBufferFromUSB() failed (WinUSB ReadPipe Timeout (1000 ms))");
    EXPECT_EQ(u.Link.QueryInt("Info:GetTemp"), QueryFailedInt);
    EXPECT_TRUE(u.Link.SendCommand("Trig:Mode Free"));
    // Only the recovery of the idle step ends the state.
    EXPECT_TRUE(u.Link.CommErrorFlag());
}

TEST(UsbLink, RepliesAreCutAt384BytesAndTheRestAnswersNothing) {
    TUsbLink u;
    ASSERT_TRUE(u.Open());
    u.S.Reads.push_back({0, std::string(400, 'x') + "\r\n"});
    const std::string first = u.Link.QueryCommand("Info:Long?").Text;
    EXPECT_EQ(first, std::string(383, 'x') + "\xC2\xB6");
    u.S.Reads.push_back({0, "7\r\n"});
    EXPECT_EQ(u.Link.QueryInt("Info:GetTemp"), 7);
}

TEST(UsbLink, BlocksKeepAnOddByteForTheNextRead) {
    TUsbLink u;
    ASSERT_TRUE(u.Open());
    u.Link.SetAcquisitionRunning(true);
    u.S.Reads.push_back({0, std::string("\x01\x00\x02\x00\x03", 5)});
    u.S.Reads.push_back({0, std::string("\x00\x00\x80", 3)});
    const std::uint16_t* words = nullptr;
    std::uint16_t n = 0;
    ASSERT_TRUE(u.Link.ReadBinaryBlock(words, n, false));
    ASSERT_EQ(n, 2);
    EXPECT_EQ(words[0], 1);
    EXPECT_EQ(words[1], 2);
    EXPECT_EQ(u.S.ReadTimeouts.back(), 300u);
    EXPECT_GE(u.S.ReadLengths.back(), 16400);
    ASSERT_TRUE(u.Link.ReadBinaryBlock(words, n, false));
    ASSERT_EQ(n, 2);
    EXPECT_EQ(words[0], 3);
    EXPECT_EQ(words[1], EndOfAcquisitionWord);
    EXPECT_FALSE(u.Link.ReadBinaryBlock(words, n, false));  // nothing more: the block read times out
    EXPECT_TRUE(u.Link.CommErrorFlag());
}

TEST(UsbLink, TheProbeReopensAndReadsTheFpgaVersion) {
    TUsbLink u;
    ASSERT_TRUE(u.Open());
    u.S.Reads.push_back({TUsbApi::ErrorTimeout, ""});  // flush
    u.S.Reads.push_back({0, "1.0\r\n"});
    EXPECT_TRUE(u.Link.RecheckInstrumentLink());
    EXPECT_EQ(u.S.Opens, 2);
    EXPECT_EQ(u.S.Closes, 1);
    EXPECT_EQ(u.S.Writes.back(), "Info:GetVer:FPGAFW?\r\n");
    EXPECT_EQ(u.S.ReadTimeouts.back(), 50u);
    EXPECT_EQ(u.S.ReadLengths.back(), 512);  // 255 bytes asked for
    EXPECT_FALSE(u.Link.CommErrorFlag());

    u.S.Reads.push_back({TUsbApi::ErrorTimeout, ""});  // flush; then the probe reply never comes
    EXPECT_FALSE(u.Link.RecheckInstrumentLink());
    EXPECT_TRUE(u.Link.CommErrorFlag());

    u.S.OpenRc = TUsbApi::ErrorNoDevice;  // unplugged
    EXPECT_FALSE(u.Link.RecheckInstrumentLink());
    EXPECT_TRUE(u.Link.CommErrorFlag());
    EXPECT_FALSE(u.Link.SendCommand("Trig:Mode Free"));  // the device is closed
}

TEST(UsbLink, TheIdentityAnsweredTimeoutOrAFailedOpenFailsTheLink) {
    TUsbLink u;
    u.S.Reads.push_back({TUsbApi::ErrorTimeout, ""});
    u.S.Reads.push_back({0, "Timeout\r\n"});
    EXPECT_FALSE(u.Link.OpenInstrumentLink(true, TIpAddress{}));
    EXPECT_EQ(u.Link.LinkKind(), TInstrumentLinkKind::Usb);
    EXPECT_TRUE(u.Link.CommErrorFlag());
    // The retry closes the device first instead of tripping over it being open.
    EXPECT_TRUE(u.Open());
    EXPECT_EQ(u.S.Opens, 2);

    TUsbLink absent;
    absent.S.OpenRc = TUsbApi::ErrorNotFound;
    absent.Link.SetLinkKind(TInstrumentLinkKind::None);
    EXPECT_FALSE(absent.Link.OpenInstrumentLink(true, TIpAddress{}));
    EXPECT_EQ(absent.Link.LinkKind(), TInstrumentLinkKind::None);
    EXPECT_TRUE(absent.Link.CommErrorFlag());
    EXPECT_EQ(absent.Link.LastUsbError().rfind("Cannot connect to device via USB.", 0), 0u);
    EXPECT_TRUE(absent.Status.empty());  // a failed open shows nothing
}

TEST(UsbLink, WithoutADeviceTheRealLibraryReportsAClearError) {
    TInstrumentLink link;
    EXPECT_FALSE(link.OpenInstrumentLink(true, TIpAddress{}));
    const std::string& e = link.LastUsbError();
    EXPECT_TRUE(e.rfind("Cannot connect to device via USB.", 0) == 0 || e.rfind("Error loading WinUSB.dll.", 0) == 0)
        << e;
    EXPECT_TRUE(link.CommErrorFlag());
}

TEST(UsbLink, AProbeThatFailsAfterAGoodSendProbesAgainOnTheNextIdleCall) {
    TUsbLink u;
    struct TIdentityRead : TLinkRecovery {
        explicit TIdentityRead(TInstrumentLink& link) : Link(link) {}
        bool ReadIndividualData() override { return !Link.QueryCommand("Info:IndivData?").TimedOut(); }
        TInstrumentLink& Link;
    } recovery(u.Link);
    u.Link.SetRecovery(&recovery);
    ASSERT_TRUE(u.Open());
    u.S.WriteRc = -1;
    EXPECT_FALSE(u.Link.SendCommand("Trig:Mode Free"));
    u.S.WriteRc = 0;
    for (int i = 0; i < 200; ++i) EXPECT_FALSE(u.Link.CommErrorIdleStep());
    // The device reopens and takes the probe, but its reply never comes.
    const int opensBefore = u.S.Opens;
    EXPECT_FALSE(u.Link.CommErrorIdleStep());
    EXPECT_EQ(u.S.Opens, opensBefore + 1);
    EXPECT_FALSE(u.Link.CommErrorIdleStep());
    EXPECT_EQ(u.S.Opens, opensBefore + 2);
    // The probe answers but the identity read that follows times out: next call probes again too.
    u.S.Reads.push_back({TUsbApi::ErrorTimeout, ""});  // flush
    u.S.Reads.push_back({0, "1.0\r\n"});
    EXPECT_FALSE(u.Link.CommErrorIdleStep());
    EXPECT_TRUE(u.Link.CommErrorFlag());
    EXPECT_FALSE(u.Link.CommErrorIdleStep());
    EXPECT_EQ(u.S.Opens, opensBefore + 4);
    u.S.Reads.push_back({TUsbApi::ErrorTimeout, ""});  // flush
    u.S.Reads.push_back({0, "1.0\r\n"});
    u.S.Reads.push_back({0, "1,42,2010\r\n"});
    EXPECT_TRUE(u.Link.CommErrorIdleStep());
    EXPECT_FALSE(u.Link.CommErrorFlag());
}
