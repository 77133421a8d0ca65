// Fuzzes the dialogue with the device. The input plays a device that may send any byte at any
// time, interleaved with a technician who starts and stops jobs (from the client area and as
// the Jobs dialog does), types into the boxes, toggles the check boxes, loads object lists and
// reconnects. After every received byte the promises
// of the dialogue are checked, and a broken one aborts with a description.
//
// Input format, read front to back:
//   0x20..0xFF  the device sends this byte
//   0x00 b      the device sends b (any value, also those below 0x20)
//   0x01..0x1F  an action of the technician (kActions below), which may read argument bytes
// Bytes missing at the end of the input read as 0.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "form/frm_terminal.h"
#include "support/fakes.h"
#include "support/memory_serial_port.h"

namespace {

using zelmar::frmTerminal;
using zelmar::kReadStepDataDue;
using zelmar::kReadStepStart;
using zelmar::kWriteStepEntrySent;
using zelmar::kWriteStepStart;
using zelmar::MemorySerialPort;
using zelmar::ObjectTable;
using zelmar::Platform;
using zelmar::StepError;
using zelmar::testing::FixedScreen;
using zelmar::testing::RecordingMessageBox;
using zelmar::testing::ScriptedFileDialog;
using zelmar::testing::TextFiles;

constexpr int kEntries = zelmar::kObjectCount;
constexpr unsigned char kPoll172 = 172;
constexpr unsigned char kPoll202 = 202;
constexpr const char* kListPath = "objects.onf";

class InputCursor {
  public:
    InputCursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    std::uint8_t Byte() { return empty() ? 0 : data_[pos_++]; }
    // A short text over an alphabet that makes numbers, separators and junk likely.
    std::string Text(std::string_view alphabet, std::size_t maxLength) {
        const std::size_t length = Byte() % (maxLength + 1);
        std::string text;
        for (std::size_t i = 0; i < length && !empty(); ++i)
            text.push_back(alphabet[Byte() % alphabet.size()]);
        return text;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

constexpr std::string_view kNumberAlphabet = "0123456789012345678901234567890 .-+eEa";
constexpr std::string_view kListAlphabet = "0123456789012345678901234567890123456789,\r\n \".-eEa";

[[noreturn]] void Broken(const char* promise, int received) {
    std::fprintf(stderr, "dialogue promise broken after receiving %d: %s\n", received, promise);
    std::abort();
}

// The image entry an object number addresses: the number rounded to the nearest whole number,
// a half to the even neighbour; -1 when that is no entry of the table. Worked out here on its
// own so that the check does not lean on the rounding it checks.
int EntryOf(double objectNumber) {
    if (!std::isfinite(objectNumber)) return -1;
    double whole = std::floor(objectNumber);
    const double fraction = objectNumber - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
    if (whole < 0 || whole >= kEntries) return -1;
    return static_cast<int>(whole);
}

// An address byte of an object number: the rounded number's high or low byte, or nothing when
// the number does not round into 32 bits or the byte is out of 0..255.
std::optional<int> AddressByte(double objectNumber, bool high) {
    if (!std::isfinite(objectNumber)) return std::nullopt;
    const double rounded = std::nearbyint(objectNumber);
    if (rounded < INT32_MIN || rounded > INT32_MAX) return std::nullopt;
    const auto whole = static_cast<std::int64_t>(rounded);
    const std::int64_t byte = high ? whole / 256 : whole % 256;
    if (byte < 0 || byte > 255) return std::nullopt;
    return static_cast<int>(byte);
}

// What the dialogue looks like just before a byte arrives: all the byte's handling depends on.
struct Before {
    bool portOpen;
    bool justConnected;
    int linkMode;
    int linkStep;
    int writeStep;
    bool pollToConfirm;  // the object's last read gave 172
    double curObject;
    ObjectTable image;
};

// The byte the exchange tables promise in answer to `received`, if any.
std::optional<int> ExpectedAnswer(const Before& b, unsigned char received) {
    if (!b.portOpen) return std::nullopt;  // nothing arrives at a closed port
    // The first value of a link that is not 172 only restarts the link.
    if (b.justConnected && received != kPoll172) return std::nullopt;
    const bool poll = received == kPoll172 || received == kPoll202;
    // A poll where a data byte is due is marked and then answers to nothing.
    if (!poll || b.linkStep == 4) return std::nullopt;
    if (b.linkMode == 1) {
        if (received == kPoll172) return b.linkStep == 1 ? std::optional<int>(0x55) : std::nullopt;
        if (b.linkStep == 2) return AddressByte(b.curObject, true);
        if (b.linkStep == 3) return AddressByte(b.curObject, false);
        return std::nullopt;
    }
    if (b.linkMode == 2) {
        if (received == kPoll172) return b.writeStep == 1 ? std::optional<int>(0xAA) : std::nullopt;
        if (b.writeStep == 2) return AddressByte(b.curObject, true);
        if (b.writeStep == 3) return AddressByte(b.curObject, false);
        if (b.writeStep == 4) {
            const int entry = EntryOf(b.curObject);
            if (entry < 0) return std::nullopt;
            return b.image[entry];
        }
    }
    return std::nullopt;
}

class Session {
  public:
    Session() : window_(Platform{port_, messages_, screen_, fileDialog_, files_}) {
        window_.Form_Load();
        window_.imgNotConnected_Click();
        if (!port_.PortOpen()) Broken("the in-memory port did not open", -1);
        Settle();
    }

    void Receive(unsigned char byte) {
        const Before b{port_.PortOpen(),
                       window_.line.state().JustConnected,
                       window_.line.state().LinkMode,
                       window_.line.state().LinkStep,
                       window_.line.state().WriteStep,
                       window_.line.state().PollToConfirm,
                       window_.line.state().CurObject.value(),
                       window_.line.table()};

        port_.FeedByte(byte);

        const std::string sent = port_.TakeSent();
        const bool poll = byte == kPoll172 || byte == kPoll202;
        if (!sent.empty() && !poll) Broken("a byte was sent that answers no poll", byte);
        if (sent.size() > 1) Broken("more than one byte was sent for one received value", byte);
        if (!sent.empty() && b.linkMode == 0) Broken("a byte was sent with no job under way", byte);
        const std::optional<int> expected = ExpectedAnswer(b, byte);
        if (expected && (sent.size() != 1 || static_cast<unsigned char>(sent[0]) != *expected))
            Broken("the exchange did not send the byte its step calls for", byte);
        if (!expected && !sent.empty()) Broken("a byte was sent where no step calls for one", byte);

        // One exchange concerns one object: its address and data bytes, and the data byte it
        // stores, belong to the object its command was sent for.
        const bool command = byte == kPoll172 && ((b.linkMode == 1 && b.linkStep == 1) ||
                                                  (b.linkMode == 2 && b.writeStep == 1));
        if (!sent.empty() && command) {
            exchangeObject_ = b.curObject;
            const auto& walked = window_.line.engine().job().objects;
            if (std::find(walked.begin(), walked.end(), zelmar::Number::Double(b.curObject)) ==
                walked.end())
                Broken("an exchange addressed an object outside its job", byte);
        } else if (!sent.empty() && (!exchangeObject_ || *exchangeObject_ != b.curObject)) {
            Broken("an exchange's bytes named two objects", byte);
        }

        // Only after both address bytes went out is a value the current object's data byte; a
        // poll there counts as data too, a 172 only when the read before it gave 172 as well.
        // Nothing else ever touches the image.
        const bool restartsLink = b.justConnected && byte != kPoll172;
        const bool unconfirmed = byte == kPoll172 && !b.pollToConfirm;
        const bool dataByte =
            b.portOpen && !restartsLink && b.linkMode == 1 && b.linkStep == 4 && !unconfirmed;
        if (dataByte && (!exchangeObject_ || *exchangeObject_ != b.curObject))
            Broken("a data byte was taken for an object whose command was not sent", byte);
        const int entry = dataByte ? EntryOf(b.curObject) : -1;
        const ObjectTable& image = window_.line.table();
        // Compared whole first: a byte-by-byte look at every value would dominate the run.
        if (!(image == b.image)) {
            for (int i = 0; i < kEntries; ++i) {
                if (image[i] == b.image[i] || i == entry) continue;
                Broken(dataByte ? "a data byte changed an entry other than the current object's"
                                : "the image changed without a data byte",
                       byte);
            }
        }
        if (entry >= 0 && image[entry] != byte)
            Broken("the data byte was not stored at the current object", byte);

        const zelmar::JobReport& report = window_.line.report();
        if (report.done > report.total) Broken("a job counted past its total", byte);
        if (window_.line.state().LinkStep < kReadStepStart ||
            window_.line.state().LinkStep > kReadStepDataDue)
            Broken("LinkStep left the read exchange's table", byte);
        if (window_.line.state().WriteStep < kWriteStepStart ||
            window_.line.state().WriteStep > kWriteStepEntrySent)
            Broken("WriteStep left the write exchange's table", byte);
        Settle();
    }

    void Act(std::uint8_t op, InputCursor& in) {
        const ObjectTable imageBefore = window_.line.table();
        bool writesSettings = false;
        switch (op % 26) {
            case 0:  // the settings panel's "Read"
                window_.Command2_Click();
                break;
            case 1:  // the settings panel's "Write" composes the settings entries first
                window_.Command3_Click();
                writesSettings = true;
                break;
            case 2:
                window_.Option2_Click(1);
                break;
            case 3:
                window_.Option2_Click(2);
                break;
            case 4:
                window_.Option3_Click(1);
                break;
            case 5:
                window_.Option3_Click(2);
                break;
            case 6: {  // the option buttons as the technician clicks them
                const std::uint8_t arg = in.Byte();
                const int index = 1 + arg % 2;
                (arg & 4 ? window_.Option3(index) : window_.Option2(index)).UserClick();
                break;
            }
            case 7:  // 2 is the grey state: still "checked" for the engine
                window_.Check4.SetValue(in.Byte() % 3);
                break;
            case 8:
                window_.Check2.SetValue(in.Byte() % 3);
                break;
            case 9:
                window_.Check3.SetValue(in.Byte() % 3);
                break;
            case 10: {  // typing into an object number box, maybe leaving it
                const std::uint8_t arg = in.Byte();
                zelmar::Control& box = ObjectBox(arg);
                box.UserEdit(in.Text(kNumberAlphabet, 8));
                if (arg & 8) box.UserLeave();
                break;
            }
            case 11: {  // a box set from code
                zelmar::Control& box = ObjectBox(in.Byte());
                box.SetText(in.Text(kNumberAlphabet, 8));
                break;
            }
            case 12:
                LoadList(in);
                break;
            case 13:  // the connection lamp
                if (port_.PortOpen()) {
                    window_.imgConnected_Click();
                } else {
                    window_.imgNotConnected_Click();
                }
                break;
            case 14:
                window_.chClear.SetValue(in.Byte() % 2);
                break;
            case 15:
                window_.Check1.SetValue(in.Byte() % 2);
                break;
            case 16:
                window_.ch_1_0.SetValue(in.Byte() % 2);
                break;
            case 17:
                window_.Text_Pac_Time.SetText(in.Text(kNumberAlphabet, 6));
                break;
            case 18:  // the combo boxes have eight choices; -1 is none
                window_.Combo1.SetListIndex(in.Byte() % 9 - 1);
                break;
            case 19:
                window_.Combo2.SetListIndex(in.Byte() % 9 - 1);
                break;
            case 20: {
                const int n = 1 + in.Byte() % 15;
                window_.Text_R(n).SetText(in.Text(kNumberAlphabet, 6));
                break;
            }
            case 21: {  // a port event other than a received byte
                static constexpr std::array<int, 19> kCodes = {
                    1,    3,    4,    5,    6,    7,    1001, 1002, 1003, 1004,
                    1005, 1006, 1007, 1008, 1009, 1010, 1011, 0,    999};
                port_.FeedEvent(kCodes[in.Byte() % kCodes.size()]);
                break;
            }
            case 22:
                port_.Vanish("The device is gone");
                break;
            case 23: {  // the port choice, taken only while the port is closed
                const int index = 1 + in.Byte() % 4;
                window_.Option1(index).UserClick();
                break;
            }
            case 24:  // time passes: a stalled exchange starts again, in the end the job fails
                nowMs_ += 250 * (1 + in.Byte() % 8);
                window_.Tick(nowMs_);
                break;
            case 25: {  // Jobs > Read or Write objects: a set of its own, ascending
                const std::uint8_t arg = in.Byte();
                std::vector<int> objects;
                for (int object = in.Byte() * 32 + in.Byte() % 32, n = arg >> 2;
                     n > 0 && object < kEntries; --n, object += 1 + in.Byte() % 5)
                    objects.push_back(object);
                window_.StartJob({arg & 1 ? zelmar::Direction::Write : zelmar::Direction::Read,
                                  zelmar::ObjectsOf(objects), zelmar::JobOrigin::ObjectsDialog});
                break;
            }
            default:
                break;
        }
        if (!port_.Sent().empty()) Broken("a byte was sent on the technician's action", -1);
        const ObjectTable& image = window_.line.table();
        if (!(image == imageBefore)) {
            for (int i = 0; i < kEntries; ++i) {
                const bool settingsEntry = i == 0 || i >= 8176;
                if (image[i] != imageBefore[i] && !(writesSettings && settingsEntry))
                    Broken("an action changed the image beyond the settings write's entries", -1);
            }
        }
        Settle();
    }

  private:
    std::optional<double> exchangeObject_;  // the object of the last command sent
    std::int64_t nowMs_ = 0;

    zelmar::Control& ObjectBox(std::uint8_t arg) {
        switch (arg % 4) {
            case 0:
                return window_.Text1;
            case 1:
                return window_.Text2;
            case 2:
                return window_.Text3;
            default:
                return window_.Text4;
        }
    }

    void LoadList(InputCursor& in) {
        const std::uint8_t arg = in.Byte();
        files_.files[kListPath] = in.Text(kListAlphabet, 48);
        if (arg % 8 == 0) {
            fileDialog_.answer.reset();  // cancelled
        } else if (arg % 8 == 1) {
            fileDialog_.answer = "missing.onf";
        } else {
            fileDialog_.answer = kListPath;
        }
        if (arg & 8) {
            files_.failAfterFields[kListPath] = arg >> 4;
        } else {
            files_.failAfterFields.erase(kListPath);
        }
        window_.Command1_Click();
    }

    // Keeps what the stand-ins record from piling up over a long input.
    void Settle() { messages_.shown.clear(); }

    MemorySerialPort port_;
    RecordingMessageBox messages_;
    FixedScreen screen_;
    ScriptedFileDialog fileDialog_;
    TextFiles files_;
    frmTerminal window_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputCursor in(data, size);
    Session session;
    while (!in.empty()) {
        const std::uint8_t op = in.Byte();
        if (op >= 0x20) {
            session.Receive(op);
        } else if (op == 0) {
            session.Receive(in.Byte());
        } else {
            session.Act(static_cast<std::uint8_t>(op - 1), in);
        }
    }
    return 0;
}
