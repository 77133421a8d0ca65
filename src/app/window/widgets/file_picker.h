#pragma once
// The main window's file dialogs. Each kind of file has its suffix, added when the technician types
// a name without one, so that the Load dialog's filter finds the file again; a save offers a name
// with the port and the date; and each kind opens in the folder where one of its kind was last
// loaded or saved, remembered between runs.
#include <QDate>
#include <QString>
#include <functional>

class QFileDialog;
class QWidget;

namespace zelmar {

enum class FileKind { Settings, Image, Log };

// "settings-COM1-2026-12-08.zset"
QString DefaultFileName(FileKind kind, int com, QDate date);

class FilePicker {
  public:
    explicit FilePicker(QWidget* parent) : parent_(parent) {}

    // The chosen file's path, or empty when the technician cancels.
    QString Open(FileKind kind, const QString& title);
    QString Save(FileKind kind, const QString& title, int com);

    // Runs each dialog instead of its own event loop; tests answer it here.
    std::function<int(QFileDialog&)> run;

  private:
    QString Pick(QFileDialog& dialog, FileKind kind, const QString& name);

    QWidget* parent_;
};

}  // namespace zelmar
