#pragma once
// The frame around the programmer's window: a menu bar above its client area and a status bar
// below it, for what a technician needs beyond the client area itself: the port's device,
// jobs over any objects, settings and image files, the traffic log, and how the line and the
// job are doing.
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>

#include <optional>
#include <vector>

#include "objectfile/object_file.h"
#include "platform/qt/objects_dialog.h"
#include "platform/qt/port_chooser.h"
#include "platform/qt/terminal_view.h"
#include "window/frm_terminal.h"

namespace zelmar {

class ProgrammerFrame : public QMainWindow {
  public:
    ProgrammerFrame(frmTerminal& window, TerminalView& view, PortAssignments& ports);
    // The view belongs to the programmer, not to the frame that shows it.
    ~ProgrammerFrame() override;
    ProgrammerFrame(const ProgrammerFrame&) = delete;
    ProgrammerFrame& operator=(const ProgrammerFrame&) = delete;

    // Brings the status bar up to date; tells, once, that the traffic record stopped short.
    void Refresh();
    // The status bar's line of notes: what the technician was told beyond the port and the
    // job, each note once ("The traffic record stops at ...").
    QString Notes() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    // Names a COM button's device in its tool tip as the tip is about to show.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildMenus();
    void ChoosePort(int com);
    // Jobs > Read objects... / Write objects...: the dialog, then the job; a write of objects
    // the image does not know asks first.
    void StartObjects(Direction direction);
    void StopJob();
    // The entries of an object file the technician picks; nothing when he cancels or the file
    // is refused, which he is told.
    std::optional<std::vector<ObjectEntry>> PickObjectFile(const QString& title,
                                                           const QString& filter);
    void LoadSettings();
    void SaveSettings();
    void LoadImage();
    void SaveImage();
    void SaveLog();
    void About();
    // Tells the technician in a box with the program's title.
    void Tell(const QString& text);
    // Adds a line to the status bar's notes.
    void Note(const QString& text);

    frmTerminal& window_;
    TerminalView& view_;
    PortAssignments& ports_;
    QLabel* port_;  // the port, its device and state, and whether the device is heard
    QProgressBar* progress_;
    QPushButton* stop_;
    QLabel* job_;
    QLabel* notes_;  // hidden while there is nothing to note
    bool trafficNoted_ = false;
    ObjectsDialog::Memory objectsMemory_;
};

}  // namespace zelmar
