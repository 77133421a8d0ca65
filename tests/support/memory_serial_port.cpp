#include "support/memory_serial_port.h"

#include <utility>

#include "numbers/numbers.h"

namespace zelmar {

void MemorySerialPort::OpenDevice(int port, const LineSettings&) {
    if (openFailure_) throw StepError(*std::exchange(openFailure_, std::nullopt));
    openedPorts_.push_back(port);
}

void MemorySerialPort::CloseDevice() {
    if (closeFailure_) throw StepError(*std::exchange(closeFailure_, std::nullopt));
    ++closeCount_;
}

}  // namespace zelmar
