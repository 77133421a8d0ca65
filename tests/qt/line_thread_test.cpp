// The seam between the line thread and the window's: what the line makes of a byte stream
// reaches the window in the order a single thread would have applied it, in batches but whole,
// and a box open on the window's thread leaves the line answering.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <string>
#include <vector>

#include "link/line.h"
#include "program/line_thread.h"
#include "support/memory_serial_port.h"
#include "support/test_application.h"
#include "widgets/qt_dialogs.h"

namespace zelmar::testing {
namespace {

// One read exchange as the device sends it: command, address and the data byte.
std::string Exchange(int value) {
    return std::string{'\xAC', '\xAC', '\xCA', '\xCA', static_cast<char>(value)};
}

// An effect in the terms the screen sees it.
std::string Describe(const Effect& e) {
    return std::to_string(static_cast<int>(e.kind)) + "/" + std::to_string(e.byte) + "/" +
           std::to_string(static_cast<int>(e.lamp)) + "/" +
           std::to_string(static_cast<int>(e.entry.kind)) + ":" + std::to_string(e.entry.value) +
           "/" + std::to_string(e.object.value()) + "/" + e.failure;
}

struct Stream {
    const char* name;
    int jobObjects;  // a read of objects 1 to this many; 0: no job
    std::vector<std::string> chunks;
};

// What a line on the test's own thread hands over for the same stream.
std::vector<std::string> SingleThreaded(const Stream& stream) {
    MemorySerialPort port;
    Line line(port);
    std::vector<std::string> effects;
    struct : EffectSink {
        void Take(const Effect& e) override { out->push_back(Describe(e)); }
        std::vector<std::string>* out;
    } sink;
    sink.out = &effects;
    line.SetView(&sink);
    line.Toggle();
    if (stream.jobObjects > 0)
        line.Start(
            {Direction::Read, ObjectsFromTo(1, stream.jobObjects), JobOrigin::ObjectsDialog});
    for (const std::string& chunk : stream.chunks) port.Feed(chunk);
    return effects;
}

// The same line on a line thread, its effects coming to this thread through the channel.
class LineThreadTest : public ::testing::TestWithParam<Stream> {
  protected:
    LineThreadTest()
        : channel(window, [this](const Effect& e) {
              applied.push_back(Describe(e));
              if (onApply) onApply(e);
          }) {
        line.SetView(&channel);
        const LineHold hold;
        line.Toggle();
    }
    ~LineThreadTest() override { thread.Stop(); }

    void Post(const std::string& chunk) {
        thread.Post([this, chunk] { port.Feed(chunk); });
    }
    // Everything posted so far has been handled on the line thread.
    void Handled() {
        thread.Run([] {});
    }
    void StartJob(int objects) {
        const LineHold hold;
        line.Start({Direction::Read, ObjectsFromTo(1, objects), JobOrigin::ObjectsDialog});
    }

    QApplication& app = TestApplication();  // before the thread: it posts through the app
    LineThread thread;
    QObject window;
    MemorySerialPort port;
    Line line{port};
    std::vector<std::string> applied;
    std::function<void(const Effect&)> onApply;
    EffectChannel channel;
};

TEST_P(LineThreadTest, EffectsArriveInOrderAndWhole) {
    const Stream& stream = GetParam();
    if (stream.jobObjects > 0) StartJob(stream.jobObjects);
    // The window's thread takes the effects while the line thread is still at work.
    for (const std::string& chunk : stream.chunks) {
        Post(chunk);
        QCoreApplication::sendPostedEvents();
    }
    Handled();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(applied, SingleThreaded(stream));
}

TEST_P(LineThreadTest, EffectsOfOnePaintComeInOneBatch) {
    const Stream& stream = GetParam();
    if (stream.jobObjects > 0) StartJob(stream.jobObjects);
    for (const std::string& chunk : stream.chunks) Post(chunk);
    Handled();
    const long before = channel.Batches();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(channel.Batches(), before + 1);
    EXPECT_EQ(applied, SingleThreaded(stream));
}

INSTANTIATE_TEST_SUITE_P(
    Streams, LineThreadTest,
    ::testing::Values(
        Stream{"IdlePolls", 0, {"\xAC\xCA", "\xAC", "\xCA\xAC\xAC"}},
        Stream{"ReadJob", 3, {Exchange(5), Exchange(172), Exchange(172) + Exchange(9), "\xAC"}},
        Stream{"OutOfStepFirstValue", 0, {"\x07", "\xAC\xAC"}},
        Stream{"EarlyPollMidExchange", 1, {"\xAC\xAC\xCA", "\xAC\xAC\xCA\xCA", "\x21\xAC"}},
        Stream{"StrayValues", 2, {"\x01\xAC\x02", Exchange(202), "\xFF" + Exchange(3)}}),
    [](const ::testing::TestParamInfo<Stream>& info) { return info.param.name; });

// A box shown for one effect gives the line up: values that arrive meanwhile are handled on
// the line thread at once, and their effects wait their turn behind the box's.
TEST_F(LineThreadTest, ABoxLeavesTheLineAnsweringAndTheRestWaitsItsTurn) {
    const Stream stream{"", 1, {Exchange(5), "\xAC\xAC\xCA"}};
    StartJob(1);
    std::size_t appliedWhileOpen = 0;
    std::size_t trafficAtOpen = 0, trafficWhileOpen = 0;
    QtMessageBox box;
    onApply = [&](const Effect& e) {
        if (e.kind != Effect::Kind::JobEnded) return;
        const std::size_t appliedAtOpen = applied.size();
        QTimer::singleShot(0, [&] {
            thread.Run([&] { trafficAtOpen = line.traffic()->Size(); });
            Post(stream.chunks[1]);
            Handled();
            thread.Run([&] { trafficWhileOpen = line.traffic()->Size(); });
            QCoreApplication::sendPostedEvents();
            appliedWhileOpen = applied.size() - appliedAtOpen;
            QApplication::activeModalWidget()->close();
        });
        box.Show({"The job ended.", MessageIcon::None, "test"});
    };
    thread.Run([&] { line.RecordTraffic(); });
    Post(stream.chunks[0]);
    Handled();
    QCoreApplication::sendPostedEvents();
    EXPECT_GT(trafficWhileOpen, trafficAtOpen) << "the line waited for the box";
    EXPECT_EQ(appliedWhileOpen, 0u) << "effects were taken out of turn";
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(applied, SingleThreaded(stream));
}

// After a batch the channel rests: what the line hands over meanwhile waits, none of it lost,
// and comes as the next batch when the rest is over.
TEST_F(LineThreadTest, ARestingChannelKeepsWhatComesForTheNextBatch) {
    const Stream stream{"", 3, {Exchange(5), Exchange(172), Exchange(172) + Exchange(9)}};
    std::vector<std::string> rested;
    EffectChannel channel(
        window, [&](const Effect& e) { rested.push_back(Describe(e)); }, 200);
    thread.Run([&] { line.SetView(&channel); });
    StartJob(stream.jobObjects);
    Post(stream.chunks[0]);
    Handled();
    QCoreApplication::sendPostedEvents();
    const std::size_t first = rested.size();
    EXPECT_GT(first, 0u);
    Post(stream.chunks[1]);
    Post(stream.chunks[2]);
    Handled();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(rested.size(), first) << "a batch came while the channel rested";
    EXPECT_TRUE(QTest::qWaitFor([&] { return rested.size() > first; }, 5000));
    EXPECT_EQ(channel.Batches(), 2);
    EXPECT_EQ(rested, SingleThreaded(stream));
    thread.Run([&] { line.SetView(nullptr); });
}

TEST(LineThreadName, IsLine) {
    TestApplication();
    LineThread thread;
    std::string name;
    thread.Run([&] { name = QThread::currentThread()->objectName().toStdString(); });
    EXPECT_EQ(name, "line");
}

}  // namespace
}  // namespace zelmar::testing
