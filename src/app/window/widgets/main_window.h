#pragma once
// The programmer's main window: the form as its client area, a menu bar above it and a status
// bar below it, for what a technician needs beyond the client area itself: the port's device,
// jobs over any objects, settings and image files, the traffic log, and how the line and the
// job are doing.
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>

#include <mutex>
#include <optional>
#include <string>

#include "adapters/port_assignments.h"
#include "form/frm_terminal.h"
#include "widgets/file_commands.h"
#include "widgets/file_picker.h"
#include "widgets/form_view.h"
#include "widgets/objects_dialog.h"
#include "widgets/status_lines.h"

namespace zelmar {

class MainWindow : public QMainWindow {
  public:
    MainWindow(frmTerminal& form, FormView& formView, PortAssignments& ports);
    // The form's view belongs to the programmer, not to the main window that shows it.
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // What the status bar and the Port menu show of the line.
    struct LineStatus {
        int com = 0;
        bool open = false;
        std::string activity;
        std::string status;  // the job's
        bool busy = false;
        int done = 0;
        int total = 0;
        bool writing = false;
        bool trafficStopped = false;
        std::size_t trafficKb = 0;
        std::string trafficStop;
    };
    // Reads the line as it is now; on the line's own thread, or holding it.
    LineStatus ReadStatus() const;
    // Brings the status bar and the Port menu up to `line`, and takes back the close question
    // once no write is under way.
    void Show(const LineStatus& line);
    // Show() of the line read now, holding it.
    void Refresh();
    // Keeps `line`, read on the line's thread, for ShowPublished(); any thread. The status bar
    // follows a job this way without holding the line, which would stop the answers meanwhile.
    void Publish(const LineStatus& line);
    // Show() of what was published last, unless a Refresh() has shown the line since.
    void ShowPublished();
    // Puts the whole window, title bar included, on the screen, as near as it can to where
    // start-up centred the client area; true when it had to move.
    bool KeepOnScreen();
    // The main window's file dialogs; tests answer them.
    FilePicker& files() { return fileCommands_.files(); }
    // What the status bar notes in the job's place until the job's text next changes: a load
    // not yet on the device, a record that stopped short, a choice that could not be saved.
    QString Notes() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    // The window manager tells the title bar's size a moment after the window is up; the window
    // is kept on screen once it is known.
    void showEvent(QShowEvent* event) override;
    // Names a COM button's device in its tool tip as the tip is about to show.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildMenus();
    bool WriteUnderWay() const;
    // Says `text` in the job's place until the job's own text next changes.
    void Note(const QString& text);
    void ChoosePort(int com);
    // Jobs > Read objects... / Write objects...: the dialog, then the job; a write of objects
    // the image does not know asks first.
    void StartObjects(Direction direction);
    void StopJob();
    void About();

    frmTerminal& form_;
    FormView& formView_;
    PortAssignments& ports_;
    StatusLines* statusLines_ = nullptr;
    QAction* openPort_ = nullptr;
    QAction* closePort_ = nullptr;
    FileCommands fileCommands_;
    bool trafficNoted_ = false;
    ObjectsDialog::Memory objectsMemory_;
    QMessageBox* closeQuestion_ = nullptr;  // while it is asked
    // What the job's place says instead of the job's text, until that text changes: a note, or
    // nothing once the port it spoke of is no longer chosen.
    std::optional<QString> note_;
    std::string notedOver_;
    int shownPort_ = 0;
    std::mutex publishedMutex_;
    std::optional<LineStatus> published_;
    QTimer placing_;
    int placingLooks_ = 0;
    int steadyLooks_ = 0;
};

}  // namespace zelmar
