#pragma once
// The window's status lamp as the technician sees it.
#include "form/frm_terminal.h"

namespace zelmar::testing {

// The index of the status lamp in front, 0..3; -1 when none is.
inline int StatusLamp(const frmTerminal& window) {
    for (int k = 0; k <= 3; ++k)
        if (window.Image1(k).IsInFront()) return k;
    return -1;
}

}  // namespace zelmar::testing
