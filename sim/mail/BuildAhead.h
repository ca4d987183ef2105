// Documents of a mailbox built in two steps, the first on a thread of its own a few documents
// ahead of the client: while the client writes one document out, the next ones are read and
// parsed. The client then makes each parsed message into its note, which leaves the two
// threads about equally busy. A document is built exactly as it would be on request, only
// partly earlier; one the client asks for out of the expected order is built on request, as
// without building ahead.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "sim/Model.h"

namespace sim::mail::detail {

// Enough to keep the worker busy while the client writes a document out, few enough that
// memory stays that of a handful of messages, however large the mailbox.
inline constexpr size_t kMostAhead = 8;
inline constexpr size_t kMostBytesAhead = 8 << 20;
// What the client has, what is ready and the next one to build, together: two large messages
// are not worked on at once, or a run of them would hold several each time, however few
// such messages the mailbox holds. A document too large for this is built on request.
inline constexpr size_t kMostBytesAtOnce = 4 << 20;

template <class Parsed>
class BuildAhead {
public:
    // `parse` reads one document (on either thread); `finish` makes what it read into the note
    // (on the client's); `size` tells how many bytes one takes to build, to bound what is held
    // ahead. A document `parse` fails for is not finished.
    using Parse = std::function<bool(NOTEID, Parsed&, std::string&)>;
    using Finish = std::function<void(NOTEID, Parsed&&, Note&)>;
    using Size = std::function<size_t(NOTEID)>;
    BuildAhead(Parse parse, Finish finish, Size size)
        : parse_(std::move(parse)), finish_(std::move(finish)), size_(std::move(size)) {}
    ~BuildAhead() {  // waits for the document being parsed
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        if (worker_.joinable()) worker_.join();
    }
    BuildAhead(const BuildAhead&) = delete;
    BuildAhead& operator=(const BuildAhead&) = delete;

    // The documents expected next, in order (IDs of other notes are passed over); empty: none,
    // and returns once nothing is being parsed.
    void Expect(const std::vector<NOTEID>& order) {
        std::unique_lock<std::mutex> lock(mutex_);
        ++generation_;
        ready_.clear();
        readyBytes_ = 0;
        order_.clear();
        next_ = 0;
        for (NOTEID id : order)
            if (!(id & NOTEID_CATEGORY) && size_(id) > 0) order_.push_back(id);
        if (order_.empty()) {
            takenBytes_ = 0;
            built_.wait(lock, [&] { return building_ == 0; });
            return;
        }
        if (!worker_.joinable()) worker_ = std::thread(&BuildAhead::Work, this);
        wake_.notify_one();
    }

    // The document, parsed ahead or now, and finished.
    bool Take(NOTEID id, Note& note, std::string& error) {
        Parsed parsed;
        if (!TakeParsed(id, parsed, error)) return false;
        finish_(id, std::move(parsed), note);
        return true;
    }

private:
    struct Built {
        NOTEID id = 0;
        bool ok = false;
        Parsed parsed;
        std::string error;
        size_t bytes = 0;
    };

    bool TakeParsed(NOTEID id, Parsed& parsed, std::string& error) {
        std::unique_lock<std::mutex> lock(mutex_);
        takenBytes_ = size_(id);  // the one the client had before is done with
        for (;;) {
            auto found = std::find_if(ready_.begin(), ready_.end(), [id](const Built& b) { return b.id == id; });
            if (found != ready_.end()) {
                Built built = std::move(*found);
                // Those before it the client passed over.
                for (auto it = ready_.begin(); it != found; ++it) readyBytes_ -= it->bytes;
                readyBytes_ -= built.bytes;
                ready_.erase(ready_.begin(), found + 1);
                const bool wake = MayBuild();
                lock.unlock();
                if (wake) wake_.notify_one();
                parsed = std::move(built.parsed);
                error = std::move(built.error);
                return built.ok;
            }
            if (building_ != id) break;
            built_.wait(lock);
        }
        // Not parsed ahead. When the client went on past what was parsed, the worker follows it.
        auto at = std::find(order_.begin() + static_cast<std::ptrdiff_t>(next_), order_.end(), id);
        if (at != order_.end()) {
            ++generation_;
            ready_.clear();
            readyBytes_ = 0;
            next_ = static_cast<size_t>(at - order_.begin()) + 1;
            wake_.notify_one();
        }
        lock.unlock();
        return parse_(id, parsed, error);
    }

    bool Room() const { return ready_.size() < kMostAhead && (ready_.empty() || readyBytes_ < kMostBytesAhead); }

    // Whether the worker has a document to parse now. A worker that filled what may be held
    // ahead goes on once half of it is taken: woken once per few documents rather than for each,
    // it parses them in a row.
    bool MayBuild() const {
        if (next_ >= order_.size()) return false;
        if (takenBytes_ + readyBytes_ + size_(order_[next_]) > kMostBytesAtOnce) return false;
        if (!full_) return Room();
        return ready_.empty() || (ready_.size() <= kMostAhead / 2 && readyBytes_ < kMostBytesAhead / 2);
    }

    void Work() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return stop_ || MayBuild(); });
            full_ = false;
            if (stop_) return;
            const uint64_t generation = generation_;
            Built built;
            built.id = order_[next_++];
            built.bytes = size_(built.id);
            building_ = built.id;
            lock.unlock();
            bool done = true;
            try {
                built.ok = parse_(built.id, built.parsed, built.error);
            } catch (const std::bad_alloc&) {
                done = false;  // left to the client, whose request then fails as it would have
            }
            lock.lock();
            building_ = 0;
            if (done && generation == generation_) {
                readyBytes_ += built.bytes;
                ready_.push_back(std::move(built));
            }
            full_ = !Room();
            built_.notify_all();
        }
    }

    Parse parse_;
    Finish finish_;
    Size size_;
    std::mutex mutex_;
    std::condition_variable wake_;   // the worker: work to do, or stop
    std::condition_variable built_;  // the client: a document is ready, or the worker is idle
    std::vector<NOTEID> order_;
    size_t next_ = 0;          // the position in order_ the worker parses next
    std::deque<Built> ready_;  // in order_'s order
    size_t readyBytes_ = 0;
    size_t takenBytes_ = 0;    // of the document the client took last, which it is likely still writing out
    NOTEID building_ = 0;      // the document on the worker now, or 0
    uint64_t generation_ = 0;  // changes when what was parsed ahead is no longer wanted
    bool full_ = false;        // the worker stopped because nothing more may be held ahead
    bool stop_ = false;
    std::thread worker_;  // started with the first order
};

}  // namespace sim::mail::detail
