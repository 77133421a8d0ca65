#include "program/line_thread.h"

#include <pthread.h>

#include <atomic>
#include <exception>

namespace zelmar {

namespace {
std::atomic<LineThread*> current{nullptr};
}

LineThread::LineThread() {
    std::unique_lock<std::mutex> lock(mutex_);
    thread_ = std::thread([this] { Loop(); });
    changed_.wait(lock, [this] { return qthread_ != nullptr; });
    context_.moveToThread(qthread_);
    current = this;
}

void LineThread::Loop() {
    pthread_setname_np(pthread_self(), "line");
    QEventLoop loop;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        QThread::currentThread()->setObjectName(QStringLiteral("line"));
        loop_ = &loop;
        qthread_ = QThread::currentThread();
        changed_.notify_all();
    }
    loop.exec();
}

LineThread::~LineThread() {
    Stop();
}

LineThread* LineThread::Current() {
    return current;
}

void LineThread::Hold() {
    if (OnLineThread()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    if (depth_++ > 0 || stopped_) return;
    // Queued behind whatever the line thread has still to do, so it parks between two
    // received values, after everything that came before the hold.
    const long hold = ++holds_;
    QMetaObject::invokeMethod(&context_, "Park", Qt::QueuedConnection);
    changed_.wait(lock, [this, hold] { return parked_ == hold; });
}

void LineThread::Release() {
    if (OnLineThread()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (--depth_ == 0) changed_.notify_all();
}

void LineThread::Park() {
    std::unique_lock<std::mutex> lock(mutex_);
    // A hold waits for its own park before it returns, so this park is the latest hold's.
    const long hold = holds_;
    if (depth_ == 0) return;
    parked_ = hold;
    changed_.notify_all();
    for (;;) {
        const auto taskWaiting = [this] { return task_ != nullptr && !taskDone_; };
        changed_.wait(lock, [&] { return depth_ == 0 || hold != holds_ || taskWaiting(); });
        if (!taskWaiting()) break;
        const std::function<void()>* task = task_;
        lock.unlock();
        (*task)();
        lock.lock();
        taskDone_ = true;
        changed_.notify_all();
    }
    if (parked_ == hold) parked_ = 0;
}

void LineThread::Run(const std::function<void()>& task) {
    std::exception_ptr failure;
    const std::function<void()> guarded = [&] {
        try {
            task();
        } catch (...) {
            failure = std::current_exception();
        }
    };
    bool here = OnLineThread();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        here = here || stopped_;
    }
    if (here) {
        guarded();
    } else {
        Hold();
        std::unique_lock<std::mutex> lock(mutex_);
        task_ = &guarded;
        taskDone_ = false;
        changed_.notify_all();
        changed_.wait(lock, [this] { return taskDone_; });
        task_ = nullptr;
        lock.unlock();
        Release();
    }
    if (failure) std::rethrow_exception(failure);
}

void LineThread::Post(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        posted_.push_back(std::move(task));
    }
    QMetaObject::invokeMethod(&context_, "RunPosted", Qt::QueuedConnection);
}

void LineThread::RunPosted() {
    std::function<void()> task;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (posted_.empty()) return;
        task = std::move(posted_.front());
        posted_.pop_front();
    }
    task();
}

void LineThread::Stop(const std::function<void()>& last) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopped_) return;
    }
    // The context comes back to the stopping thread with the rest, so that nothing of the
    // line's is left on a thread that has ended.
    QThread* home = QThread::currentThread();
    Run([&] {
        if (last) last();
        context_.moveToThread(home);
        loop_->quit();
    });
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
    }
    LineThread* self = this;
    current.compare_exchange_strong(self, nullptr);
    thread_.join();
}

LineHold::LineHold() : line_(LineThread::Current()) {
    if (line_) line_->Hold();
}

LineHold::~LineHold() {
    if (line_) line_->Release();
}

LineYield::LineYield() : line_(LineThread::Current()) {
    if (!line_ || line_->OnLineThread()) {
        line_ = nullptr;
        return;
    }
    std::lock_guard<std::mutex> lock(line_->mutex_);
    depth_ = std::exchange(line_->depth_, 0);
    line_->changed_.notify_all();
}

LineYield::~LineYield() {
    if (!line_ || depth_ == 0) return;
    line_->Hold();
    std::lock_guard<std::mutex> lock(line_->mutex_);
    line_->depth_ += depth_ - 1;
}

EffectChannel::EffectChannel(QObject& window, std::function<void(const Effect&)> apply, int restMs)
    : apply_(std::move(apply)), restMs_(restMs) {
    receiver_.moveToThread(window.thread());
}

EffectChannel::~EffectChannel() = default;

void EffectChannel::Take(const Effect& effect) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(effect);
    if (asked_) return;
    asked_ = true;
    QMetaObject::invokeMethod(&receiver_, "Drain", Qt::QueuedConnection);
}

void EffectChannel::Drain() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // A box opened by an effect runs the event loop: the rest waits for the drain that
        // opened it, in turn.
        if (draining_) return;
        if (queue_.empty()) {
            asked_ = false;
            return;
        }
        asked_ = true;
        draining_ = true;
        ++batches_;
    }
    for (;;) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (queue_.empty()) {
            draining_ = false;
            asked_ = restMs_ > 0;
            break;
        }
        const Effect effect = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        apply_(effect);
    }
    if (restMs_ > 0) receiver_.rest.start(restMs_);
}

namespace detail {

void LineContext::Park() {
    line_.Park();
}

void LineContext::RunPosted() {
    line_.RunPosted();
}

ChannelReceiver::ChannelReceiver(EffectChannel& channel) : rest(this), channel_(channel) {
    rest.setSingleShot(true);
    // After the rest, what came meanwhile is a batch like any other.
    connect(&rest, &QTimer::timeout, this, &ChannelReceiver::Drain);
}

void ChannelReceiver::Drain() {
    channel_.Drain();
}

}  // namespace detail

}  // namespace zelmar
