#pragma once
// The File menu's work: the settings panel and the object image to and from files, and the
// traffic record saved as a log. Each file is picked in the main window's file dialogs and read
// or written whole; what cannot be done is told in a box.
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "adapters/port_assignments.h"
#include "form/frm_terminal.h"
#include "widgets/file_picker.h"

namespace zelmar {

class FileCommands {
  public:
    // Dialogs and boxes open over `window`. `note` says in the status bar what a load left
    // undone on the device.
    FileCommands(QWidget* window, frmTerminal& form, const PortAssignments& ports,
                 std::function<void(const QString&)> note);

    void LoadSettings();
    void SaveSettings();
    void LoadImage();
    void SaveImage();
    void SaveLog();

    // The file dialogs; tests answer them.
    FilePicker& files() { return files_; }

  private:
    struct PickedFile {
        QString name;  // as messages name it
        std::string text;
    };
    // A file the technician picks, read whole; nothing when he cancels or it cannot be read,
    // which he is told.
    std::optional<PickedFile> PickFile(FileKind kind, const QString& title);

    QWidget* window_;
    frmTerminal& form_;
    const PortAssignments& ports_;
    std::function<void(const QString&)> note_;
    FilePicker files_;
};

}  // namespace zelmar
