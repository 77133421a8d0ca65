// Fuzzes the object list loader: the input is an object number list file, loaded through the
// "Objects num." button's handler with the file dialog answering its path. Whatever the file
// holds, the list afterwards holds only number texts that round (half to even) to an ordinary
// object, 1..8175, in the list box's text order, and the file is closed again. The one box the
// load may show refuses a list too long for a list job, and the list stays as it was.
//
// Input format: the first byte chooses a read failure (bit 7 set: reading fails once the low
// seven bits' count of fields is read; otherwise no failure); the rest is the file's content.
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "form/frm_terminal.h"
#include "support/fakes.h"
#include "support/memory_serial_port.h"

namespace {

using zelmar::frmTerminal;
using zelmar::MemorySerialPort;
using zelmar::Platform;
using zelmar::testing::FixedScreen;
using zelmar::testing::RecordingMessageBox;
using zelmar::testing::ScriptedFileDialog;
using zelmar::testing::TextFiles;

constexpr const char* kPath = "objects.onf";

[[noreturn]] void Broken(const char* promise, const std::string& item) {
    std::fprintf(stderr, "list promise broken: %s (item \"%s\")\n", promise, item.c_str());
    std::abort();
}

// The value of an item that is a plain number text, read here without the program's own
// number helpers; NaN when the item is anything else.
double ValueOfItem(const std::string& item) {
    if (item.empty() || std::isspace(static_cast<unsigned char>(item.front()))) return std::nan("");
    char* end = nullptr;
    const double value = std::strtod(item.c_str(), &end);
    if (end != item.c_str() + item.size()) return std::nan("");
    // strtod also reads hexadecimal, "inf" and "nan", which are no number texts of this program.
    for (char c : item)
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '+' &&
            c != 'e')
            return std::nan("");
    return value;
}

// The list box's order: by text, letters without regard to case.
bool TextLess(const std::string& a, const std::string& b) {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const int x = std::tolower(static_cast<unsigned char>(a[i]));
        const int y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    MemorySerialPort port;
    RecordingMessageBox messages;
    FixedScreen screen;
    ScriptedFileDialog fileDialog;
    TextFiles files;
    frmTerminal window(Platform{port, messages, screen, fileDialog, files});
    window.Form_Load();

    const int failAfter = (data[0] & 0x80) ? (data[0] & 0x7F) : -1;
    files.files[kPath] = std::string(reinterpret_cast<const char*>(data + 1), size - 1);
    if (failAfter >= 0) files.failAfterFields[kPath] = failAfter;
    fileDialog.answer = kPath;

    window.Command1_Click();

    const auto& items = window.List1.items();
    for (const std::string& item : items) {
        const double value = ValueOfItem(item);
        if (std::isnan(value)) Broken("an item is not a number text", item);
        // The default rounding mode goes half to even.
        const double object = std::nearbyint(value);
        if (!(object >= 1 && object <= 8175)) Broken("an item is no ordinary object number", item);
    }
    for (std::size_t i = 1; i < items.size(); ++i)
        if (TextLess(items[i], items[i - 1])) Broken("the items are out of text order", items[i]);
    // Every field read adds at most one item.
    if (failAfter >= 0 && items.size() > static_cast<std::size_t>(failAfter))
        Broken("more items than fields read before the failure", std::to_string(items.size()));
    if (!messages.shown.empty()) {
        // Only a file of more than 32767 entries, each a digit and a separator at least, is
        // refused; the list it had before is empty.
        if (messages.shown.size() > 1 || size - 1 < 2 * 32768 - 1 || !items.empty())
            Broken("the load showed a message", messages.shown[0].text);
    }
    // A file left open would make every later load fail.
    if (files.IsOpen()) Broken("the file was left open", kPath);
    return 0;
}
