// The frame around the client area: its bars add to the window, and take nothing from the
// client area or move any of its controls.
#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QMenuBar>
#include <QStatusBar>

#include "platform/qt/programmer_window.h"
#include "qt_app.h"

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

}  // namespace
}  // namespace zelmar::testing
