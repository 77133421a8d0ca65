#include "widgets/qt_dialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>

#include "form/frm_terminal.h"
#include "program/line_thread.h"

namespace zelmar {

namespace {

constexpr int kFileMustExist = 0x1000;

int ToTwips(int pixels, double dpi) {
    return qRound(pixels * 1440.0 / dpi);
}

}  // namespace

void Warn(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, QString::fromLatin1(kAppTitle), text);
}

void QtMessageBox::Show(const Message& message) {
    QMessageBox box(
        message.icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
        QString::fromStdString(message.caption), QString::fromStdString(message.text),
        QMessageBox::Ok, parent_);
    const LineYield yield;  // the line goes on answering while the technician reads
    box.exec();
}

TwipsSize QtScreen::Size() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen->logicalDotsPerInch();
    const QSize size = screen->geometry().size();
    return {ToTwips(size.width(), dpi), ToTwips(size.height(), dpi)};
}

TwipsSize QtScreen::WindowDecoration() const {
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInch();
    const QStyle* style = QApplication::style();
    const int border = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    const int title = style->pixelMetric(QStyle::PM_TitleBarHeight);
    return {ToTwips(2 * border, dpi), ToTwips(title + 2 * border, dpi)};
}

QStringList NameFilters(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");  // every file
        }
        // The description often names its patterns already; Qt reads them from the end.
        QString description = parts[i].trimmed();
        description.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)$")));
        filters.append(QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' '))));
    }
    return filters;
}

std::optional<std::string> QtFileDialog::ShowOpen(const FileDialogSettings& settings) {
    QFileDialog dialog(parent_, QString::fromStdString(settings.dialogTitle));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode((settings.flags & kFileMustExist) ? QFileDialog::ExistingFile
                                                         : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromStdString(settings.defaultExt));
    const QStringList filters = NameFilters(settings.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const auto index = static_cast<qsizetype>(settings.filterIndex) - 1;
        dialog.selectNameFilter(filters.value(index >= 0 && index < filters.size() ? index : 0));
    }
    const LineYield yield;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    // The file is opened with the standard library, which takes the system's encoding.
    return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace zelmar
