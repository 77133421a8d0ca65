// The main window around the client area: its bars add to the window, and take nothing from the
// client area or move any of its controls.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileDialog>
#include <QHelpEvent>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <set>

#include "adapters/port_assignments.h"
#include "program/programmer.h"
#include "support/fakes.h"
#include "support/test_application.h"

namespace zelmar::testing {
namespace {

TEST(FrameTest, KeepsTheClientAreaWholeBetweenItsMenuAndStatusBars) {
    TestApplication();
    Programmer programmer;
    programmer.mainWindow.show();
    QApplication::processEvents();
    EXPECT_EQ(programmer.mainWindow.centralWidget(), &programmer.formView);
    EXPECT_EQ(programmer.formView.size(), QSize(338, 279));
    EXPECT_EQ(programmer.mainWindow.windowTitle(), "Zelmar (ver.4.0) programator");
    QStringList menus;
    for (QAction* menu : programmer.mainWindow.menuBar()->actions()) menus << menu->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Port", "&Jobs", "&Help"}));
    const QRect client(programmer.formView.mapTo(&programmer.mainWindow, QPoint(0, 0)),
                       programmer.formView.size());
    EXPECT_LE(programmer.mainWindow.menuBar()->geometry().bottom(), client.top());
    EXPECT_GE(programmer.mainWindow.statusBar()->geometry().top(), client.bottom());
    // Every control stands where the view alone would put it.
    for (const auto& control : programmer.form.controls.all()) {
        if (control->kind() == ControlKind::Form) continue;
        EXPECT_EQ(programmer.formView.WidgetOf(*control)->geometry(),
                  programmer.formView.PixelRect(*control))
            << control->name();
    }
    int cancel = 0;
    programmer.formView.onClose(cancel);
}

TEST(FrameTest, NamesTheDeviceOfAComButtonWhenItsTipShows) {
    TestApplication();
    qputenv("ZELMAR_COM2", "/nonexistent/zelmar-com2");
    Programmer programmer;
    QWidget* com2 = programmer.formView.WidgetOf(programmer.form.Option1(2));
    ASSERT_NE(com2, nullptr);
    QHelpEvent tip(QEvent::ToolTip, QPoint(1, 1), com2->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(com2, &tip);
    EXPECT_TRUE(com2->toolTip().startsWith("/nonexistent/zelmar-com2 - not present"))
        << com2->toolTip().toStdString();
    qunsetenv("ZELMAR_COM2");
    int cancel = 0;
    programmer.formView.onClose(cancel);
}

TEST(FrameTest, EveryMenuAndItemAnswersToALetterOfItsOwn) {
    TestApplication();
    Programmer programmer;
    const auto letter = [](const QString& text) {
        const qsizetype at = text.indexOf('&');
        return at < 0 || at + 1 >= text.size() ? QChar() : text[at + 1].toLower();
    };
    std::set<QChar> menus;
    for (QAction* menu : programmer.mainWindow.menuBar()->actions()) {
        EXPECT_TRUE(menus.insert(letter(menu->text())).second) << menu->text().toStdString();
        std::set<QChar> items;
        for (QAction* item : menu->menu()->actions()) {
            if (item->isSeparator()) continue;
            EXPECT_FALSE(letter(item->text()).isNull()) << item->text().toStdString();
            EXPECT_TRUE(items.insert(letter(item->text())).second) << item->text().toStdString();
        }
    }
    int cancel = 0;
    programmer.formView.onClose(cancel);
}

TEST(FrameTest, SaysOnceInTheStatusBarThatTheTrafficRecordStopsShort) {
    TestApplication();
    const QByteArray tmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", "/nonexistent/zelmar-tmp");
    Programmer programmer;
    if (tmpdir.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", tmpdir);
    programmer.mainWindow.Refresh();
    programmer.mainWindow.Refresh();
    const QString notes = programmer.mainWindow.Notes();
    EXPECT_EQ(notes.count("The traffic record stops"), 1) << notes.toStdString();
    EXPECT_TRUE(notes.contains("TMPDIR=/nonexistent/zelmar-tmp")) << notes.toStdString();
    int cancel = 0;
    programmer.formView.onClose(cancel);
}

TEST(FrameTest, TheStatusBarKeepsItsHeightAndForgetsAnotherPortsNews) {
    TestApplication();
    RecordingMessageBox boxes;
    Programmer programmer({.messageBox = &boxes});
    programmer.mainWindow.show();
    QApplication::processEvents();
    const QSize size = programmer.mainWindow.size();
    const std::string refused = "Not started: the port is closed: open it with the red lamp first";
    const QString longPath = "/dev/serial/by-id/" + QString(200, 'x');
    qputenv("ZELMAR_COM1", longPath.toLocal8Bit());
    programmer.form.Command2.onClick();  // the settings' Read on a closed port
    programmer.mainWindow.Refresh();
    QApplication::processEvents();
    EXPECT_EQ(programmer.mainWindow.size(), size);
    const auto labels = programmer.mainWindow.statusBar()->findChildren<ElidedLabel*>();
    ASSERT_EQ(labels.size(), 2);
    EXPECT_TRUE(labels[0]->toolTip().contains(longPath)) << "the whole text in the tip";
    EXPECT_EQ(labels[1]->FullText().toStdString(), refused);
    programmer.form.Option1(2).onClick();
    programmer.mainWindow.Refresh();
    EXPECT_EQ(labels[1]->FullText(), "") << "COM 1's news is not COM 2's";
    qunsetenv("ZELMAR_COM1");
    int cancel = 0;
    programmer.formView.onClose(cancel);
}

// The status bar follows a job from what the line's thread reads of itself, without holding the
// line; a Refresh, which reads the line now, outdates what was read before it.
TEST(FrameTest, TheStatusBarFollowsWhatTheLineThreadReadsAndNothingOlder) {
    TestApplication();
    RecordingMessageBox boxes;
    Programmer programmer({.messageBox = &boxes});
    MainWindow& mainWindow = programmer.mainWindow;
    mainWindow.show();
    const MainWindow::LineStatus before = [&] {
        const LineHold hold;
        return mainWindow.ReadStatus();
    }();
    programmer.form.Command2.onClick();  // refused: the port is closed
    const auto jobText = [&] {
        return mainWindow.statusBar()->findChildren<ElidedLabel*>().at(1)->FullText().toStdString();
    };
    const std::string refused = "Not started: the port is closed: open it with the red lamp first";
    mainWindow.Publish(before);
    mainWindow.Refresh();
    mainWindow.ShowPublished();
    EXPECT_EQ(jobText(), refused) << "an older reading shown after a newer one";
    mainWindow.Publish(before);
    mainWindow.ShowPublished();
    EXPECT_EQ(jobText(), "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return jobText() == refused; }, 5000))
        << "the line's thread did not publish the line as it is";
    int cancel = 0;
    programmer.formView.onClose(cancel);
}

TEST(FrameTest, ASaveAddsItsSuffixOffersANameAndRemembersTheFolder) {
    TestApplication();
    QTemporaryDir dir;
    OpenSettings()->remove("folders");
    FilePicker picker(nullptr);
    QString offered;
    picker.run = [&](QFileDialog& dialog) {
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        offered = dialog.selectedFiles().value(0);
        dialog.setDirectory(dir.path());
        dialog.selectFile("mysettings");
        static_cast<QDialog&>(dialog).accept();  // as the Save button does
        return dialog.result();
    };
    const QString saved = picker.Save(FileKind::Settings, "Save settings", 2);
    EXPECT_EQ(saved, dir.filePath("mysettings.zset"));
    EXPECT_TRUE(offered.endsWith(DefaultFileName(FileKind::Settings, 2, QDate::currentDate())));
    EXPECT_EQ(DefaultFileName(FileKind::Log, 3, QDate(2026, 12, 8)), "traffic-COM3-2026-12-08.log");
    QString opened;
    picker.run = [&](QFileDialog& dialog) {
        opened = dialog.directory().absolutePath();
        return int(QDialog::Rejected);
    };
    EXPECT_EQ(picker.Open(FileKind::Settings, "Load settings"), "");
    EXPECT_EQ(opened, QDir(dir.path()).absolutePath());
    picker.Open(FileKind::Image, "Load object image");
    EXPECT_NE(opened, QDir(dir.path()).absolutePath()) << "each kind has its own folder";
}

TEST(FrameTest, ThePaneStaysBlueOnALightFieldUnderADarkTheme) {
    QApplication& app = TestApplication();
    const QPalette theme = app.palette();
    QPalette dark = theme;
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Text, Qt::white);
    app.setPalette(dark);
    {
        Programmer programmer;
        const QPalette pane = programmer.formView.WidgetOf(programmer.form.txtTerm)->palette();
        EXPECT_EQ(pane.color(QPalette::Text), QColor(0, 0, 255));
        EXPECT_GT(pane.color(QPalette::Base).lightness(), 200);
        int cancel = 0;
        programmer.formView.onClose(cancel);
    }
    app.setPalette(theme);
}

TEST(FrameTest, TheSavedTrafficLogSaysWhatItIsAndEndsItsLinesAsThePlatformDoes) {
    TestApplication();
    QTemporaryDir dir;
    Programmer programmer;
    ASSERT_NE(programmer.form.line.traffic(), nullptr);
    programmer.form.line.traffic()->Append("12 - 1\r\n172* - 2\r\n");
    programmer.mainWindow.files().run = [&](QFileDialog& dialog) {
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.show();  // as the technician sees it, its file name box made
        dialog.setDirectory(dir.path());
        dialog.selectFile("bench");
        static_cast<QDialog&>(dialog).accept();
        return dialog.result();
    };
    for (QAction* menu : programmer.mainWindow.menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            if (item->text() == "Save &traffic log...") item->trigger();
    QFile saved(dir.filePath("bench.log"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString header = QString::fromUtf8(saved.readLine());
    EXPECT_TRUE(header.startsWith("# zelmar-programator ")) << header.toStdString();
    EXPECT_TRUE(header.contains(", traffic of COM 1 (")) << header.toStdString();
    EXPECT_EQ(saved.readAll(), "12 - 1\n172* - 2\n");
    int cancel = 0;
    programmer.formView.onClose(cancel);
}

}  // namespace
}  // namespace zelmar::testing
