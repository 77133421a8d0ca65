// The frame around the client area: its bars add to the window, and take nothing from the
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

#include "program/programmer_window.h"
#include "support/fakes.h"
#include "support/test_application.h"

namespace zelmar::testing {
namespace {

TEST(FrameTest, KeepsTheClientAreaWholeBetweenItsMenuAndStatusBars) {
    TestApplication();
    ProgrammerWindow programmer;
    programmer.frame.show();
    QApplication::processEvents();
    EXPECT_EQ(programmer.frame.centralWidget(), &programmer.view);
    EXPECT_EQ(programmer.view.size(), QSize(338, 279));
    EXPECT_EQ(programmer.frame.windowTitle(), "Zelmar (ver.4.0) programator");
    QStringList menus;
    for (QAction* menu : programmer.frame.menuBar()->actions()) menus << menu->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Port", "&Jobs", "&Help"}));
    const QRect client(programmer.view.mapTo(&programmer.frame, QPoint(0, 0)),
                       programmer.view.size());
    EXPECT_LE(programmer.frame.menuBar()->geometry().bottom(), client.top());
    EXPECT_GE(programmer.frame.statusBar()->geometry().top(), client.bottom());
    // Every control stands where the view alone would put it.
    for (const auto& control : programmer.window.controls.all()) {
        if (control->kind() == ControlKind::Form) continue;
        EXPECT_EQ(programmer.view.WidgetOf(*control)->geometry(),
                  programmer.view.PixelRect(*control))
            << control->name();
    }
    int cancel = 0;
    programmer.view.onClose(cancel);
}

TEST(FrameTest, NamesTheDeviceOfAComButtonWhenItsTipShows) {
    TestApplication();
    qputenv("ZELMAR_COM2", "/nonexistent/zelmar-com2");
    ProgrammerWindow programmer;
    QWidget* com2 = programmer.view.WidgetOf(programmer.window.Option1(2));
    ASSERT_NE(com2, nullptr);
    QHelpEvent tip(QEvent::ToolTip, QPoint(1, 1), com2->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(com2, &tip);
    EXPECT_TRUE(com2->toolTip().startsWith("/nonexistent/zelmar-com2 - not present"))
        << com2->toolTip().toStdString();
    qunsetenv("ZELMAR_COM2");
    int cancel = 0;
    programmer.view.onClose(cancel);
}

TEST(FrameTest, EveryMenuAndItemAnswersToALetterOfItsOwn) {
    TestApplication();
    ProgrammerWindow programmer;
    const auto letter = [](const QString& text) {
        const qsizetype at = text.indexOf('&');
        return at < 0 || at + 1 >= text.size() ? QChar() : text[at + 1].toLower();
    };
    std::set<QChar> menus;
    for (QAction* menu : programmer.frame.menuBar()->actions()) {
        EXPECT_TRUE(menus.insert(letter(menu->text())).second) << menu->text().toStdString();
        std::set<QChar> items;
        for (QAction* item : menu->menu()->actions()) {
            if (item->isSeparator()) continue;
            EXPECT_FALSE(letter(item->text()).isNull()) << item->text().toStdString();
            EXPECT_TRUE(items.insert(letter(item->text())).second) << item->text().toStdString();
        }
    }
    int cancel = 0;
    programmer.view.onClose(cancel);
}

TEST(FrameTest, SaysOnceInTheStatusBarThatTheTrafficRecordStopsShort) {
    TestApplication();
    const QByteArray tmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", "/nonexistent/zelmar-tmp");
    ProgrammerWindow programmer;
    if (tmpdir.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", tmpdir);
    programmer.frame.Refresh();
    programmer.frame.Refresh();
    const QString notes = programmer.frame.Notes();
    EXPECT_EQ(notes.count("The traffic record stops"), 1) << notes.toStdString();
    EXPECT_TRUE(notes.contains("TMPDIR=/nonexistent/zelmar-tmp")) << notes.toStdString();
    int cancel = 0;
    programmer.view.onClose(cancel);
}

TEST(FrameTest, TheStatusBarKeepsItsHeightAndForgetsAnotherPortsNews) {
    TestApplication();
    RecordingMessageBox boxes;
    ProgrammerWindow programmer(&boxes);
    programmer.frame.show();
    QApplication::processEvents();
    const QSize size = programmer.frame.size();
    const std::string refused = "Not started: the port is closed: open it with the red lamp first";
    const QString longPath = "/dev/serial/by-id/" + QString(200, 'x');
    qputenv("ZELMAR_COM1", longPath.toLocal8Bit());
    programmer.window.Command2.onClick();  // the settings' Read on a closed port
    programmer.frame.Refresh();
    QApplication::processEvents();
    EXPECT_EQ(programmer.frame.size(), size);
    const auto labels = programmer.frame.statusBar()->findChildren<ElidedLabel*>();
    ASSERT_EQ(labels.size(), 2);
    EXPECT_TRUE(labels[0]->toolTip().contains(longPath)) << "the whole text in the tip";
    EXPECT_EQ(labels[1]->FullText().toStdString(), refused);
    programmer.window.Option1(2).onClick();
    programmer.frame.Refresh();
    EXPECT_EQ(labels[1]->FullText(), "") << "COM 1's news is not COM 2's";
    qunsetenv("ZELMAR_COM1");
    int cancel = 0;
    programmer.view.onClose(cancel);
}

// The status bar follows a job from what the line's thread reads of itself, without holding the
// line; a Refresh, which reads the line now, outdates what was read before it.
TEST(FrameTest, TheStatusBarFollowsWhatTheLineThreadReadsAndNothingOlder) {
    TestApplication();
    RecordingMessageBox boxes;
    ProgrammerWindow programmer(&boxes);
    ProgrammerFrame& frame = programmer.frame;
    frame.show();
    const ProgrammerFrame::LineStatus before = [&] {
        const LineHold hold;
        return frame.ReadStatus();
    }();
    programmer.window.Command2.onClick();  // refused: the port is closed
    const auto jobText = [&] {
        return frame.statusBar()->findChildren<ElidedLabel*>().at(1)->FullText().toStdString();
    };
    const std::string refused = "Not started: the port is closed: open it with the red lamp first";
    frame.Publish(before);
    frame.Refresh();
    frame.ShowPublished();
    EXPECT_EQ(jobText(), refused) << "an older reading shown after a newer one";
    frame.Publish(before);
    frame.ShowPublished();
    EXPECT_EQ(jobText(), "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return jobText() == refused; }, 5000))
        << "the line's thread did not publish the line as it is";
    int cancel = 0;
    programmer.view.onClose(cancel);
}

TEST(FrameTest, ASaveAddsItsSuffixOffersANameAndRemembersTheFolder) {
    TestApplication();
    QTemporaryDir dir;
    QSettings().remove("folders");
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
        ProgrammerWindow programmer;
        const QPalette pane = programmer.view.WidgetOf(programmer.window.txtTerm)->palette();
        EXPECT_EQ(pane.color(QPalette::Text), QColor(0, 0, 255));
        EXPECT_GT(pane.color(QPalette::Base).lightness(), 200);
        int cancel = 0;
        programmer.view.onClose(cancel);
    }
    app.setPalette(theme);
}

TEST(FrameTest, TheSavedTrafficLogSaysWhatItIsAndEndsItsLinesAsThePlatformDoes) {
    TestApplication();
    QTemporaryDir dir;
    ProgrammerWindow programmer;
    ASSERT_NE(programmer.window.line.traffic(), nullptr);
    programmer.window.line.traffic()->Append("12 - 1\r\n172* - 2\r\n");
    programmer.frame.files().run = [&](QFileDialog& dialog) {
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.show();  // as the technician sees it, its file name box made
        dialog.setDirectory(dir.path());
        dialog.selectFile("bench");
        static_cast<QDialog&>(dialog).accept();
        return dialog.result();
    };
    for (QAction* menu : programmer.frame.menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            if (item->text() == "Save &traffic log...") item->trigger();
    QFile saved(dir.filePath("bench.log"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString header = QString::fromUtf8(saved.readLine());
    EXPECT_TRUE(header.startsWith("# zelmar-programator ")) << header.toStdString();
    EXPECT_TRUE(header.contains(", traffic of COM 1 (")) << header.toStdString();
    EXPECT_EQ(saved.readAll(), "12 - 1\n172* - 2\n");
    int cancel = 0;
    programmer.view.onClose(cancel);
}

}  // namespace
}  // namespace zelmar::testing
