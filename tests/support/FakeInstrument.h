#pragma once
// A stand-in for the instrument on the loopback interface: a TCP server on its own thread that logs
// every line, answers scripted and default replies, streams samples for "ACQ:GO" in chunks that each
// wait for the chunk request 00 0D 0A, honours "ACQ:BREAK", and injects faults on request.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vt::test {

struct TFakeFaults {
    bool NoReply = false;               // queries are not answered
    int ReplyDelayMs = 0;               // every reply leaves this late
    int ReplyFragmentBytes = 0;            // > 0: replies leave in fragments of this many bytes...
    int FragmentGapMs = 2;                 // ...this far apart
    bool LfOnly = false;                // replies end with LF alone
    bool HighBytes = false;             // replies carry bytes above 0x7F
    bool IdentityTimeout = false;       // the identity query is answered "TIMEOUT"
    bool GoneAfterIdentity = false;     // the first identity reply closes the connection; later ones are refused
    int CloseMidReplyAfter = -1;        // >= 0: the next reply stops after this many bytes, then the connection closes
    int CloseMidStreamAfterWords = -1;  // >= 0: the connection closes after this many stream words
    bool OnlyFillers = false;           // the stream holds fillers only, then the end word
    bool FillersAfterEnd = false;       // fillers follow the end word in the same chunk
    bool NoEndWord = false;             // the stream never sends its end word (until a break)
    int FillerEvery = 0;                // > 0: a filler after every n sample words
    bool IgnoreBreak = false;           // "ACQ:BREAK" does not end the stream
};

class TFakeInstrument {
public:
    // port 0 takes an ephemeral port; chunkBytes is the size of each stream chunk.
    explicit TFakeInstrument(int port = 0, std::size_t chunkBytes = 1024);
    ~TFakeInstrument();
    TFakeInstrument(const TFakeInstrument&) = delete;
    TFakeInstrument& operator=(const TFakeInstrument&) = delete;

    int Port() const { return Port_; }
    bool Listening() const { return ListenFd_ >= 0; }

    void SetReply(const std::string& command, const std::string& reply);
    void SetFaults(const TFakeFaults& faults);
    void SetChunkBytes(std::size_t bytes);
    // Closes the current connection at once.
    void DropConnection();
    // While refusing, the port stays taken but every connection attempt is refused.
    void SetRefusing(bool refusing);

    std::vector<std::string> Lines() const;  // command lines as received, without CR LF
    std::string Received() const;            // every byte received
    int ChunkRequests() const;
    int Connections() const;
    int Acquisitions() const;

    // Waits (bounded) until the condition holds; used to let the server thread catch up.
    bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 2000) const;
    bool WaitForLine(const std::string& line, int timeoutMs = 2000) const;

    // The sample code the fake sends for a point of a channel (0 the first channel of the pass).
    static std::int16_t SampleWord(int point, int channel, int averages, int acquisition);
    // The whole stream of one acquisition without faults: interleaved samples and the end word.
    static std::vector<std::uint16_t> CleanStream(int points, int channels, int averages, int acquisition);

private:
    using TClock = std::chrono::steady_clock;
    struct TOutgoing {
        TClock::time_point Due;
        std::string Bytes;
        bool CloseAfter = false;
    };

    void Run();
    void Accept();
    void OnBytes(const char* data, std::size_t n);
    void OnLine(std::string line);
    void Reply(const std::string& text);
    void StartStream();
    void SendChunk();
    void Flush();
    void CloseClient();
    void ApplyRefusing(bool refusing);

    int Port_ = 0;
    int ListenFd_ = -1;
    int WakeFd_[2] = {-1, -1};
    int ClientFd_ = -1;
    std::atomic<bool> Stop_{false};
    std::atomic<bool> DropRequested_{false};
    std::atomic<int> RefuseRequest_{-1};  // -1 nothing asked, 0 listen again, 1 refuse
    std::thread Thread_;

    mutable std::mutex Mutex_;
    std::map<std::string, std::string> Replies_;  // by upper-case command
    TFakeFaults Faults_;
    std::size_t ChunkBytes_;
    std::vector<std::string> Lines_;
    std::string ReceivedBytes_;
    int ChunkRequests_ = 0;
    int Connections_ = 0;
    int Acquisitions_ = 0;

    // Server-thread state.
    bool Refusing_ = false;
    std::string LineBuffer_;
    std::vector<TOutgoing> Outgoing_;
    std::string SendBuffer_;
    bool CloseAfterSend_ = false;
    int RecLen_ = 0;
    int Channels_ = 1;
    int Averages_ = 1;
    std::string Stream_;          // bytes of the running stream not yet sent
    bool StreamActive_ = false;
    int Credits_ = 0;
    long StreamWordsSent_ = 0;
    // Tests that take one fixed port, run side by side by CTest, wait their turn here.
    int PortLockFd_ = -1;
};

}  // namespace vt::test
