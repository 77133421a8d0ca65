#include "program/form_on_qt.h"

#include "program/line_thread.h"

namespace zelmar {

FormOnQt::FormOnQt(const ProgramOptions& options)
    : form(Platform{port, options.messageBox ? *options.messageBox : messages, screen,
                    options.fileDialog ? *options.fileDialog : fileDialog, files}),
      formView(form.controls) {
    formView.onClose = [this](int& cancel) {
        const LineHold hold;
        form.Form_Unload(cancel);
    };
}

void FormOnQt::Load() {
    form.Form_Load();
}

}  // namespace zelmar
