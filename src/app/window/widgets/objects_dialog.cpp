#include "widgets/objects_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "files/list_file.h"
#include "jobs/objects_request.h"
#include "ports/file_input.h"

namespace zelmar {

ObjectsDialog::ObjectsDialog(Direction direction, Memory& memory, QWidget* parent)
    : QDialog(parent),
      memory_(memory),
      range_(new QRadioButton(tr("&Range of objects"), this)),
      list_(new QRadioButton(this)),
      from_(new QLineEdit(memory.from, this)),
      to_(new QLineEdit(memory.to, this)),
      listNote_(new QLabel(this)),
      problem_(new QLabel(this)) {
    setWindowTitle(direction == Direction::Write ? tr("Write objects") : tr("Read objects"));
    auto* load = new QPushButton(tr("&Load list..."), this);
    load->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    // No mnemonic: Enter starts, and R stays the range's.
    buttons->button(QDialogButtonBox::Ok)
        ->setText(direction == Direction::Write ? tr("Write") : tr("Read"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &ObjectsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(load, &QPushButton::clicked, this, [this] { PickList(); });
    // Typing in a box means the range.
    for (QLineEdit* box : {from_, to_})
        connect(box, &QLineEdit::textEdited, this, [this] { range_->setChecked(true); });
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #b00000"));
    listNote_->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(range_);
    form->addRow(tr("&From:"), from_);
    form->addRow(tr("&To:"), to_);
    form->addRow(list_);
    form->addRow(load);
    form->addRow(listNote_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(problem_);
    layout->addWidget(buttons);

    setTabOrder(from_, to_);
    (memory_.useList && !memory_.list.empty() ? list_ : range_)->setChecked(true);
    ShowList();
    problem_->hide();
    from_->setFocus();
    from_->selectAll();
}

void ObjectsDialog::ShowList() {
    list_->setText(memory_.list.empty() ? tr("&Objects of a list (none loaded)")
                                        : tr("&Objects of %1 (%2 objects)")
                                              .arg(memory_.listName)
                                              .arg(static_cast<qsizetype>(memory_.list.size())));
    list_->setEnabled(!memory_.list.empty());
}

void ObjectsDialog::PickList() {
    const QString path =
        QFileDialog::getOpenFileName(this, tr("Object number list"), memory_.listFolder,
                                     tr("Object number lists (*.onf);;All files (*)"));
    if (!path.isEmpty()) LoadList(path);
}

bool ObjectsDialog::LoadList(const QString& path) {
    FileInput file;
    ListSkips skips;
    std::vector<std::string> entries;
    try {
        // The standard library opens it, in the system's encoding; its messages name it as
        // the system spells it.
        entries = ReadObjectList(
            file, QFile::encodeName(QDir::toNativeSeparators(path)).toStdString(), &skips);
    } catch (const ListFileError& refusal) {
        problem_->setText(QString::fromStdString(refusal.what()));
        problem_->show();
        return false;
    }
    std::vector<int> objects = ObjectsOfList(entries);
    const QString skipped = QString::fromStdString(SkipsInWords(skips));
    memory_.listFolder = QFileInfo(path).absolutePath();
    if (objects.empty()) {
        problem_->setText(tr("%1 names no object from 1 to 8175. %2")
                              .arg(QFileInfo(path).fileName(), skipped)
                              .trimmed());
        problem_->show();
        return false;
    }
    memory_.list = std::move(objects);
    memory_.listName = QFileInfo(path).fileName();
    listNote_->setText(skipped);
    ShowList();
    list_->setChecked(true);
    problem_->hide();
    return true;
}

void ObjectsDialog::accept() {
    // Only what went ahead is offered next time; a refused range is not worth keeping.
    if (list_->isChecked()) {
        memory_.useList = true;
        objects_ = memory_.list;
        QDialog::accept();
        return;
    }
    ObjectRequest request = ObjectRange(from_->text().toStdString(), to_->text().toStdString());
    if (!request.error.empty()) {
        problem_->setText(QString::fromStdString(request.error));
        problem_->show();
        from_->setFocus();
        from_->selectAll();
        return;
    }
    memory_.from = from_->text();
    memory_.to = to_->text();
    memory_.useList = false;
    objects_ = std::move(request.objects);
    QDialog::accept();
}

}  // namespace zelmar
