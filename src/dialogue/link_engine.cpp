// The dialogue with the device. The device leads: it polls, and each received value may take
// the running job's exchange one step further, which sometimes means answering with one byte.
// Every value then goes to the terminal pane.
#include <cstdint>
#include <string>
#include <string_view>

#include "dialogue/terminal_log.h"
#include "window/frm_terminal.h"

namespace zelmar {

namespace {

constexpr std::uint8_t kReadCommand = 0x55;
constexpr std::uint8_t kWriteCommand = 0xAA;

// A received value that the device would never send as data while the dialogue expects an
// address poll carries this mark, so that it passes for neither poll.
constexpr char kDataMark = '*';

void Send(SerialPort& port, std::int32_t byte) {
    // An address of an object the table cannot hold does not fit one byte on the line.
    if (byte < 0 || byte > 255) throw StepError("Invalid procedure call or argument");
    const char c = static_cast<char>(byte);
    port.Output(std::string_view(&c, 1));
}

// Integer division and remainder truncate toward zero, as the address bytes always have.
std::int32_t HighAddress(Number object) {
    return RoundToLong(object.value()) / 256;
}
std::int32_t LowAddress(Number object) {
    return RoundToLong(object.value()) % 256;
}

// The port handler hands over plain decimal digits; anything else goes the general way.
std::uint8_t ValueOfReceived(std::string_view text) {
    if (!text.empty() && text.size() <= 3) {
        int value = 0;
        bool digits = true;
        for (char c : text) {
            digits = digits && c >= '0' && c <= '9';
            value = value * 10 + (c - '0');
        }
        if (digits && value <= 255) return static_cast<std::uint8_t>(value);
    }
    return ToByte(text);
}

// An entry past the end of the list reads as an empty one, which addresses object 0.
std::string_view ListEntry(const Control& list, int pos) {
    const auto& items = list.items();
    if (pos < 0 || pos >= static_cast<int>(items.size())) return {};
    return items[static_cast<std::size_t>(pos)];
}

void EndJob(frmTerminal& w) {
    SharedState& s = w.state;
    s.LinkStep = 0;
    s.LinkMode = 0;
    // "Stop" shows in both groups before the job's flag goes and the panel is refreshed.
    w.Guarded([&] { w.Option2(2).SetValue(1); });
    w.Guarded([&] { w.Option3(2).SetValue(1); });
    s.WriteJob = false;
    w.DecodeSettings();  // reports its own failures and fills every control it can
}

void AdvanceJob(frmTerminal& w) {
    SharedState& s = w.state;
    s.LinkStep = 0;
    if (w.Check4.value() != 0) {
        w.Guarded([&] {
            if (s.ListPos == INT16_MAX) throw StepError("Overflow");
            ++s.ListPos;
        });
        s.CurObject = Number::Double(NumberOfText(ListEntry(w.List1, s.ListPos)));
    } else {
        w.Guarded([&] { s.CurObject = s.CurObject.Incremented(); });
    }
    w.Label5.SetCaption(NumberText(s.CurObject.value()));
    // In a write job each object starts with its write exchange.
    if (s.WriteJob) s.LinkMode = 2;
}

void TakeDataByte(frmTerminal& w, std::string& text) {
    SharedState& s = w.state;
    if (text == "172*" || text == "202*") text.pop_back();
    w.Guarded([&] { s.ObjectData.at(s.CurObject.value()) = ValueOfReceived(text); });
    text.append(" - ").append(NumberText(s.CurObject.value())).append("\n\r");
    if (s.CurObject == s.EndObject) {
        EndJob(w);
    } else {
        AdvanceJob(w);
    }
}

void ReadExchangeStep(frmTerminal& w, std::string& text) {
    SharedState& s = w.state;
    if (text == "172") {
        if (s.LinkStep == 0) {
            s.LinkStep = 1;
        } else if (s.LinkStep == 1) {
            w.Guarded([&] { Send(w.MSComm1, kReadCommand); });
            s.LinkStep = 2;
        }
        return;
    }
    if (text == "202") {
        if (s.LinkStep == 2) {
            w.Guarded([&] { Send(w.MSComm1, HighAddress(s.CurObject)); });
            s.LinkStep = 3;
        } else if (s.LinkStep == 3) {
            w.Guarded([&] { Send(w.MSComm1, LowAddress(s.CurObject)); });
            s.LinkStep = 4;
        }
        return;
    }
    // Anything but a bare poll is the data byte of the current object, wherever the exchange
    // stood: a stray value must not leave the job hanging.
    s.LinkStep = 0;
    TakeDataByte(w, text);
}

void WriteExchangeStep(frmTerminal& w, const std::string& text) {
    SharedState& s = w.state;
    if (text == "172") {
        if (s.WriteStep == 0) {
            s.WriteStep = 1;
        } else if (s.WriteStep == 1) {
            w.Guarded([&] { Send(w.MSComm1, kWriteCommand); });
            s.WriteStep = 2;
        }
        return;
    }
    if (text != "202") return;  // the device says nothing the write needs; only logged
    switch (s.WriteStep) {
        case 2:
            w.Guarded([&] { Send(w.MSComm1, HighAddress(s.CurObject)); });
            s.WriteStep = 3;
            break;
        case 3:
            w.Guarded([&] { Send(w.MSComm1, LowAddress(s.CurObject)); });
            s.WriteStep = 4;
            break;
        case 4:
            w.Guarded([&] { Send(w.MSComm1, s.ObjectData.at(s.CurObject.value())); });
            s.WriteStep = 5;
            break;
        case 5:
            // The device has the byte; reading it back shows what it really stored.
            s.WriteStep = 0;
            s.LinkMode = 1;
            break;
        default:
            break;
    }
}

}  // namespace

void frmTerminal::ProcessReceivedByte(Control& term, std::string& text) {
    // A link that does not begin with the poll 172 is out of step with the device: start over
    // with a fresh opening until it does.
    if (state.JustConnected) {
        state.JustConnected = false;
        if (text != "172") {
            Guarded([&] { txtTerm.SetText(""); });
            Guarded([&] { imgConnected_Click(); });
            Guarded([&] { imgNotConnected_Click(); });
            return;
        }
    }

    if (state.LinkStep == 4 && IsPollText(text)) text.push_back(kDataMark);

    // The mode is read once: a change made by this value's step counts from the next value on.
    switch (state.LinkMode) {
        case 1:
            Guarded([&] { Image1(1).BringToFront(); });
            ReadExchangeStep(*this, text);
            break;
        case 2:
            Guarded([&] { Image1(2).BringToFront(); });
            WriteExchangeStep(*this, text);
            break;
        default:
            break;
    }

    if (state.LinkMode == 0 && text == "172") Guarded([&] { Image1(0).BringToFront(); });

    AppendToTerminal(term, text);
}

void frmTerminal::AppendToTerminal(Control& term, std::string& entry) {
    AppendLogEntry(term, entry, Check1, state, [this](auto&& step) { Guarded(step); });
}

}  // namespace zelmar
