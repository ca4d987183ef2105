#include "BuildAhead.h"

#include <algorithm>
#include <new>

namespace sim::mail::detail {
namespace {

// Enough to keep the worker busy while the client writes a document out, few enough that
// memory stays that of a handful of messages, however large the mailbox.
constexpr size_t kMostAhead = 8;
constexpr size_t kMostBytesAhead = 8 << 20;
// What the client has, what is ready and the next one to build, together: two large messages
// are not worked on at once, or a run of them would hold several each time, however few
// such messages the mailbox holds. A document too large for this is built on request.
constexpr size_t kMostBytesAtOnce = 4 << 20;

}  // namespace

BuildAhead::BuildAhead(Build build, Size size) : build_(std::move(build)), size_(std::move(size)) {}

BuildAhead::~BuildAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

bool BuildAhead::Room() const {
  return ready_.size() < kMostAhead && (ready_.empty() || readyBytes_ < kMostBytesAhead);
}

// A worker that filled what may be held ahead goes on once half of it is taken: woken once per
// few documents rather than for each, it builds them in a row.
bool BuildAhead::MayBuild() const {
  if (next_ >= order_.size()) return false;
  if (takenBytes_ + readyBytes_ + size_(order_[next_]) > kMostBytesAtOnce) return false;
  if (!full_) return Room();
  return ready_.empty() || (ready_.size() <= kMostAhead / 2 && readyBytes_ < kMostBytesAhead / 2);
}

void BuildAhead::Expect(const std::vector<NOTEID>& order) {
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

bool BuildAhead::Take(NOTEID id, Note& note, std::string& error) {
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
      note = std::move(built.note);
      error = std::move(built.error);
      return built.ok;
    }
    if (building_ != id) break;
    built_.wait(lock);
  }
  // Not built ahead. When the client went on past what was built, the worker follows it.
  auto at = std::find(order_.begin() + static_cast<std::ptrdiff_t>(next_), order_.end(), id);
  if (at != order_.end()) {
    ++generation_;
    ready_.clear();
    readyBytes_ = 0;
    next_ = static_cast<size_t>(at - order_.begin()) + 1;
    wake_.notify_one();
  }
  lock.unlock();
  return build_(id, note, error);
}

void BuildAhead::Work() {
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
      built.ok = build_(built.id, built.note, built.error);
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

}  // namespace sim::mail::detail
