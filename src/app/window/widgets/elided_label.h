#pragma once
// A one-line label that never asks for more room than it has: a text too long for it ends in
// "...", and the whole text shows in its tool tip. A status bar of these keeps its height
// whatever it says, so the window never grows or jumps as the texts change.
#include <QLabel>
#include <QString>

namespace zelmar {

class ElidedLabel : public QLabel {
  public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void SetFullText(const QString& text);
    const QString& FullText() const { return full_; }

    QSize minimumSizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Elide();

    QString full_;
};

}  // namespace zelmar
