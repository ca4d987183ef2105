// Documents of a mailbox built on a thread of their own, a few ahead of the client: while it
// writes one document out, the next ones are read and parsed. A document is built exactly as it
// would be on request, only earlier; one the client asks for out of the expected order is built
// on request, as without building ahead.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/Model.h"

namespace sim::mail::detail {

class BuildAhead {
 public:
  // `build` makes one document (it runs on either thread); `size` tells how many bytes one
  // takes to build, to bound what is held ahead.
  using Build = std::function<bool(NOTEID, Note&, std::string&)>;
  using Size = std::function<size_t(NOTEID)>;
  BuildAhead(Build build, Size size);
  ~BuildAhead();  // waits for the document being built
  BuildAhead(const BuildAhead&) = delete;
  BuildAhead& operator=(const BuildAhead&) = delete;

  // The documents expected next, in order (IDs of other notes are passed over); empty: none,
  // and returns once nothing is being built.
  void Expect(const std::vector<NOTEID>& order);

  // The document, built ahead or now.
  bool Take(NOTEID id, Note& note, std::string& error);

 private:
  struct Built {
    NOTEID id = 0;
    bool ok = false;
    Note note;
    std::string error;
    size_t bytes = 0;
  };
  void Work();
  bool Room() const;
  bool MayBuild() const;  // whether the worker has a document to build now

  Build build_;
  Size size_;
  std::mutex mutex_;
  std::condition_variable wake_;  // the worker: work to do, or stop
  std::condition_variable built_;  // the client: a document is ready, or the worker is idle
  std::vector<NOTEID> order_;
  size_t next_ = 0;  // the position in order_ the worker builds next
  std::deque<Built> ready_;  // in order_'s order
  size_t readyBytes_ = 0;
  size_t takenBytes_ = 0;  // of the document the client took last, which it is likely still writing out
  NOTEID building_ = 0;  // the document on the worker now, or 0
  uint64_t generation_ = 0;  // changes when what was built ahead is no longer wanted
  bool full_ = false;  // the worker stopped because nothing more may be held ahead
  bool stop_ = false;
  std::thread worker_;  // started with the first order
};

}  // namespace sim::mail::detail
