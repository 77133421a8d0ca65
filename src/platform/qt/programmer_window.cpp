#include "platform/qt/programmer_window.h"

namespace zelmar {

ProgrammerWindow::ProgrammerWindow(MessageBox* messageBox)
    : window(Platform{port, messageBox ? *messageBox : messages, screen, fileDialog, files}),
      view(window.controls),
      frame(window, view, ports) {
    messages.SetParent(&frame);
    fileDialog.SetParent(&frame);
    view.onClose = [this](int& cancel) { window.Form_Unload(cancel); };
    // The view is watching already, so start-up's changes reach the widgets as they happen.
    window.Form_Load();
    clock_.start();
    ticks_.setInterval(250);
    QObject::connect(&ticks_, &QTimer::timeout, &ticks_, [this] {
        window.Tick(clock_.elapsed());
        frame.Refresh();
    });
    ticks_.start();
}

}  // namespace zelmar
