#pragma once
// The line on a thread of its own, named "line", so that no paint, dialog or window drag on
// the window's thread delays an answer to the device. The serial port's events, the line
// component with its engine and traffic record, and the stall clock all run there; the logic
// itself stays single-threaded and knows nothing of this.
//
// The window reaches the line in two ways only:
// - a hold (LineHold): while the window's thread holds the line, the line thread waits between
//   two received values, never inside one, and the window may call the line component and read
//   its image and report as if they were its own. Port operations made during a hold still run
//   on the line thread, which carries them out while it waits (Run). A message box or a file
//   dialog gives the hold up while it is open (LineYield), so that it never holds the line.
// - the effects for the screen (EffectChannel): queued in the order the line produced them and
//   taken by the window's thread a batch at a time, so that one paint shows many; none is
//   dropped.
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "dialogue/link_engine.h"

namespace zelmar {

class LineThread;
class EffectChannel;

namespace detail {
// The objects that receive the calls queued from one thread to the other. Each call is a slot
// without arguments, named rather than bound, so that nothing but the call crosses through
// Qt's queue: what it is about waits in the program's own locked state (ThreadSanitizer sees
// through that, not through Qt's queue).
class LineContext : public QObject {
    Q_OBJECT
  public:
    explicit LineContext(LineThread& line) : line_(line) {}
  public slots:
    void Park();
    void RunPosted();

  private:
    LineThread& line_;
};

class ChannelReceiver : public QObject {
    Q_OBJECT
  public:
    explicit ChannelReceiver(EffectChannel& channel);
    QTimer rest;  // between two batches
  public slots:
    void Drain();

  private:
    EffectChannel& channel_;
};
}  // namespace detail

class LineThread {
  public:
    // Starts the thread. One at a time per process: the holds and yields find it on their own.
    LineThread();
    // Stop() if not done yet.
    ~LineThread();
    LineThread(const LineThread&) = delete;
    LineThread& operator=(const LineThread&) = delete;

    QThread* Thread() { return qthread_; }

    // Runs `task` on the line thread between two received values and returns when it is
    // done; the calling thread holds the line meanwhile. On the line thread itself it just
    // runs.
    void Run(const std::function<void()>& task);

    // Queues `task` for the line thread, behind what it has still to do, and returns.
    void Post(std::function<void()> task);

    // Runs `last` on the line thread, then ends it; later holds and runs do nothing.
    void Stop(const std::function<void()>& last = {});

    // The line thread of the process, if one runs.
    static LineThread* Current();

  private:
    friend class LineHold;
    friend class LineYield;
    friend class detail::LineContext;
    void Hold();
    void Release();
    // The line thread's side of a hold: waits, carrying out tasks, until released.
    void Park();
    void RunPosted();
    bool OnLineThread() const { return QThread::currentThread() == qthread_; }
    // The thread's life: its event loop, until Stop().
    void Loop();

    // A plain thread with an event loop rather than a QThread: its start and end are then
    // seen by ThreadSanitizer, and no state of Qt's own is shared across the two threads.
    std::thread thread_;
    QThread* qthread_ = nullptr;  // Qt's view of it
    QEventLoop* loop_ = nullptr;
    detail::LineContext context_{*this};
    std::mutex mutex_;
    std::condition_variable changed_;
    int depth_ = 0;    // holds of the window's thread, nested
    long holds_ = 0;   // holds taken from nothing so far
    long parked_ = 0;  // the hold the line thread waits in Park() for; 0: none
    bool stopped_ = false;
    const std::function<void()>* task_ = nullptr;  // for the parked line thread to run
    bool taskDone_ = false;
    std::deque<std::function<void()>> posted_;
};

// Holds the line for the scope, on the thread that is not the line's; nothing without a line
// thread (the tests' windows, the command-line program).
class LineHold {
  public:
    LineHold();
    ~LineHold();
    LineHold(const LineHold&) = delete;
    LineHold& operator=(const LineHold&) = delete;

  private:
    LineThread* line_;
};

// Gives up every hold of this thread for the scope (a message box, a dialog), and takes them
// back at its end.
class LineYield {
  public:
    LineYield();
    ~LineYield();
    LineYield(const LineYield&) = delete;
    LineYield& operator=(const LineYield&) = delete;

  private:
    LineThread* line_;
    int depth_ = 0;
};

// The effects of the line for the screen, across the threads. Take() queues, on whichever
// thread the line runs, and asks the window's thread once for every batch; there each effect
// goes to `apply` in order. A box opened by one effect lets the window's event loop run: the
// effects behind it wait in the queue until it closes, and are not taken out of turn.
//
// After a batch the channel rests `restMs` before it asks for the next: a job gives several
// effects per object, and a batch each would wake the window's thread and repaint the window
// thousands of times a second, taking the processor from the line. What comes while it rests
// waits for the next batch; nothing is dropped.
class EffectChannel : public EffectSink {
  public:
    // `window` lives on the window's thread; `apply` runs there.
    EffectChannel(QObject& window, std::function<void(const Effect&)> apply, int restMs = 0);
    ~EffectChannel() override;
    EffectChannel(const EffectChannel&) = delete;
    EffectChannel& operator=(const EffectChannel&) = delete;

    void Take(const Effect& effect) override;
    // Applies every queued effect now; the window's thread only.
    void Drain();
    // Batches taken so far, for the tests of the coalescing.
    long Batches() const { return batches_; }

  private:
    detail::ChannelReceiver receiver_{*this};  // on the window's thread: drains die with it
    std::function<void(const Effect&)> apply_;
    const int restMs_;
    std::mutex mutex_;
    std::deque<Effect> queue_;
    bool asked_ = false;     // a drain is on its way, under way or resting: Take() asks nothing
    bool draining_ = false;  // the window's thread is in Drain()
    long batches_ = 0;
};

}  // namespace zelmar
