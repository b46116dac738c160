// The PGS writer on a thread of its own: display sets handed over in order
// through a short queue, so that libass draws the next picture while the last
// is coded and written.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "pgs/PgsStream.h"

namespace glyphon {

class AssPgsWriterThread {
public:
    // At most `most` sets wait to be written at a time.
    explicit AssPgsWriterThread(PgsWriter& writer, size_t most = 3);
    AssPgsWriterThread(const AssPgsWriterThread&) = delete;
    AssPgsWriterThread& operator=(const AssPgsWriterThread&) = delete;
    // Ends the thread; sets not written yet are dropped.
    ~AssPgsWriterThread();

    // PgsWriter::Show (or Recolour when `recolours`) in the writer's thread.
    // `object` and `palette` are taken: they are swapped for the buffers of a
    // set already written (their contents then unspecified). Waits while the
    // queue is full. Throws what the writer threw for an earlier set.
    void Hand(int64_t start, int64_t end, PgsObject& object, std::vector<PgsColor>& palette, bool recolours);
    // Waits until every set handed over is written and ends the thread.
    // Throws what the writer threw.
    void Finish();

private:
    struct Set {
        int64_t start = 0, end = 0;
        PgsObject object;
        std::vector<PgsColor> palette;
        bool recolours = false;
    };
    void Run();

    PgsWriter& writer_;
    size_t most_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Set> queue_;
    std::vector<Set> spare_;  // written sets, their buffers used again
    bool ending_ = false, stopping_ = false;
    std::exception_ptr failure_;
    std::thread thread_;
};

}  // namespace glyphon
