#include "ass/AssPgsWriterThread.h"

#include <utility>

namespace glyphon {

AssPgsWriterThread::AssPgsWriterThread(PgsWriter& writer, size_t most)
    : writer_(writer), most_(most > 0 ? most : 1), thread_([this] { Run(); }) {}

AssPgsWriterThread::~AssPgsWriterThread() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void AssPgsWriterThread::Hand(int64_t start, int64_t end, PgsObject& object, std::vector<PgsColor>& palette,
                              bool recolours) {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return queue_.size() < most_ || failure_; });
        if (failure_) std::rethrow_exception(failure_);
        Set set;
        if (!spare_.empty()) {
            set = std::move(spare_.back());
            spare_.pop_back();
        }
        set.start = start;
        set.end = end;
        set.recolours = recolours;
        std::swap(set.object, object);
        std::swap(set.palette, palette);
        queue_.push_back(std::move(set));
    }
    changed_.notify_all();
}

void AssPgsWriterThread::Finish() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
    if (failure_) std::rethrow_exception(failure_);
}

void AssPgsWriterThread::Run() {
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [&] { return !queue_.empty() || ending_ || stopping_; });
        if (stopping_ || queue_.empty()) return;
        Set set = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        changed_.notify_all();  // room in the queue
        try {
            if (set.recolours)
                writer_.Recolour(set.start, set.end, set.object, set.palette);
            else
                writer_.Show(set.start, set.end, set.object, set.palette);
        } catch (...) {
            lock.lock();
            failure_ = std::current_exception();
            lock.unlock();
            changed_.notify_all();
            return;
        }
        lock.lock();
        spare_.push_back(std::move(set));
    }
}

}  // namespace glyphon
