#pragma once
// Jobs > Read objects... and Write objects...: the objects a job beyond the client area moves,
// as a range typed in two boxes or the objects of a list file. The dialog keeps its own set and
// never touches the client area's object list; it refuses what names no object and says why
// in the dialog itself.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <vector>

#include "dialogue/job.h"

namespace zelmar {

class ObjectsDialog : public QDialog {
  public:
    // What the dialog remembers from one opening to the next.
    struct Memory {
        QString from = QStringLiteral("1");
        QString to = QStringLiteral("8175");
        bool useList = false;
        std::vector<int> list;  // ascending, each once
        QString listName;
        QString listFolder;
    };

    ObjectsDialog(Direction direction, Memory& memory, QWidget* parent);

    // The objects asked for, once accepted.
    const std::vector<int>& Objects() const { return objects_; }

    // Loads a list file into the dialog's own set; false, with the reason shown, when it gives
    // none.
    bool LoadList(const QString& path);

    QLineEdit* From() const { return from_; }
    QLineEdit* To() const { return to_; }
    QRadioButton* ListChoice() const { return list_; }
    QLabel* Problem() const { return problem_; }

    void accept() override;

  private:
    void ShowList();
    void PickList();

    Memory& memory_;
    QRadioButton* range_;
    QRadioButton* list_;
    QLineEdit* from_;
    QLineEdit* to_;
    QLabel* listNote_;
    QLabel* problem_;
    std::vector<int> objects_;
};

}  // namespace zelmar
