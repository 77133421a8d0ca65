#pragma once
// Message boxes, the screen and the open-file dialog on Qt's own.
#include <QString>
#include <QStringList>

#include "ports/file_dialog.h"
#include "ports/message_box.h"
#include "ports/screen.h"

class QWidget;

namespace zelmar {

class QtMessageBox : public MessageBox {
  public:
    // Boxes are centred over `parent` when one is given.
    explicit QtMessageBox(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    void Show(const Message& message) override;

  private:
    QWidget* parent_;
};

class QtScreen : public Screen {
  public:
    TwipsSize Size() const override;
    // The window is not yet on screen when it is placed, so its border is an estimate from
    // the style's title bar and frame.
    TwipsSize WindowDecoration() const override;
};

class QtFileDialog : public FileDialog {
  public:
    explicit QtFileDialog(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    std::optional<std::string> ShowOpen(const FileDialogSettings& settings) override;

  private:
    QWidget* parent_;
};

// A warning box with the program's title over `parent`, for what the main window's own
// commands tell the technician.
void Warn(QWidget* parent, const QString& text);

// "Text (*.txt)|*.txt;*.log|All|*.*" as Qt's name filters: "Text (*.txt *.log)", "All (*)".
QStringList NameFilters(const std::string& filter);

}  // namespace zelmar
