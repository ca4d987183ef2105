// Documents parsed ahead on a second thread and finished by the client: whatever order the
// client asks for them in, each request gets that document (or its error), never a neighbour's,
// and nothing is left waiting.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BuildAhead.h"

namespace {

using BuildAhead = sim::mail::detail::BuildAhead<sim::Note>;

void FinishDocument(NOTEID, sim::Note&& parsed, sim::Note& note) { note = std::move(parsed); }

// Documents 4, 8, ... 4n; those divisible by 28 cannot be read. Builds take uneven time, so that
// the client overtakes the worker now and then.
bool BuildDocument(NOTEID id, sim::Note& note, std::string& error) {
    std::this_thread::sleep_for(std::chrono::microseconds((id * 37) % 300));
    if (id % 28 == 0) {
        error = "cannot read " + std::to_string(id);
        return false;
    }
    note = sim::Note{};
    note.id = id;
    note.items.push_back(sim::Item{"Subject", 0, sim::Bytes(id % 97, 'x')});
    return true;
}

size_t SizeOf(NOTEID id) { return id % 4 == 0 && id < 1000 ? 100 + id : 0; }

std::vector<NOTEID> Documents(NOTEID from, NOTEID to) {
    std::vector<NOTEID> ids;
    for (NOTEID id = from; id <= to; id += 4) ids.push_back(id);
    return ids;
}

void ExpectTaken(BuildAhead& ahead, NOTEID id) {
    sim::Note note;
    std::string error;
    const bool ok = ahead.Take(id, note, error);
    if (id % 28 == 0) {
        EXPECT_FALSE(ok) << id;
        EXPECT_EQ(error, "cannot read " + std::to_string(id));
        return;
    }
    ASSERT_TRUE(ok) << id << ": " << error;
    EXPECT_EQ(note.id, id);
    ASSERT_EQ(note.items.size(), 1u) << id;
    EXPECT_EQ(note.items[0].value.size(), id % 97) << id;
}

TEST(BuildAhead, EveryRequestGetsItsOwnDocumentWhateverTheOrder) {
    std::vector<NOTEID> everyOther;
    for (NOTEID id : Documents(4, 400))
        if (id % 8 == 0) everyOther.push_back(id);
    std::vector<NOTEID> withCategories = {NOTEID_CATEGORY | 1, 4, 8, NOTEID_CATEGORY | 2, 8, 12, 5000, 16};
    struct Case {
        const char* name;
        std::vector<NOTEID> expected;   // the order the client announces
        std::vector<NOTEID> requested;  // what it then opens
    };
    const Case cases[] = {
        {"in the expected order", Documents(4, 400), Documents(4, 400)},
        {"passing over every other", Documents(4, 400), everyOther},
        {"going back to earlier ones", Documents(4, 80), {4, 8, 12, 4, 40, 8, 44, 80, 76}},
        {"jumping ahead and back", Documents(4, 400), {4, 200, 204, 8, 12, 400, 16}},
        {"categories, repeats and documents of no source", withCategories, {4, 8, 12, 5000, 16}},
        {"nothing announced", {}, {4, 8, 28, 12}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BuildAhead ahead(BuildDocument, FinishDocument, SizeOf);
        if (!c.expected.empty()) ahead.Expect(c.expected);
        for (NOTEID id : c.requested) {
            if (id == 5000) continue;  // not the source's: the engine never asks for it
            ExpectTaken(ahead, id);
        }
        ahead.Expect({});
    }
}

TEST(BuildAhead, ANewOrderReplacesTheOldOneAndClosingWaitsForTheWorker) {
    BuildAhead ahead(BuildDocument, FinishDocument, SizeOf);
    ahead.Expect(Documents(4, 200));
    ExpectTaken(ahead, 4);
    ExpectTaken(ahead, 8);
    // The next batch of the view: what was built of the first is not handed out for it.
    ahead.Expect(Documents(204, 400));
    ExpectTaken(ahead, 12);
    ExpectTaken(ahead, 204);
    ExpectTaken(ahead, 208);
    ahead.Expect({});
    ExpectTaken(ahead, 212);  // built on request once nothing is expected
    ahead.Expect(Documents(4, 400));
    // Destroyed while the worker is busy ahead: it is waited for.
}

// A client that writes out one large document after another: the worker, idle meanwhile, does
// not parse the next one ahead, as that would hold two at once; it is parsed on request. Small
// ones are parsed ahead as before. Every document is finished on the client's thread.
TEST(BuildAhead, LargeDocumentsAreNotBuiltAheadWhileTheClientHasOne) {
    const auto sizeOf = [](NOTEID id) { return id % 12 == 0 ? size_t{100} : size_t{3} << 20; };
    std::mutex mutex;
    std::map<NOTEID, std::thread::id> builtOn, finishedOn;
    BuildAhead ahead(
        [&](NOTEID id, sim::Note& note, std::string&) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                builtOn[id] = std::this_thread::get_id();
            }
            note = sim::Note{};
            note.id = id;
            return true;
        },
        [&](NOTEID id, sim::Note&& parsed, sim::Note& note) {
            std::lock_guard<std::mutex> lock(mutex);
            finishedOn[id] = std::this_thread::get_id();
            note = std::move(parsed);
        },
        sizeOf);
    ahead.Expect(Documents(4, 96));
    bool smallBuiltAhead = false;
    for (NOTEID id : Documents(4, 96)) {
        sim::Note note;
        std::string error;
        ASSERT_TRUE(ahead.Take(id, note, error)) << id;
        EXPECT_EQ(note.id, id);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // writing it out
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(finishedOn[id], std::this_thread::get_id()) << id;
        if (id == 4) continue;  // the first may be built before the client asks
        // A large one after a small one may be built while the client writes the small one.
        if (sizeOf(id) > 100 && sizeOf(id - 4) > 100)
            EXPECT_EQ(builtOn[id], std::this_thread::get_id()) << id << " was built ahead";
        else if (sizeOf(id) == 100)
            smallBuiltAhead |= builtOn[id] != std::this_thread::get_id();
    }
    EXPECT_TRUE(smallBuiltAhead);
    ahead.Expect({});
}

}  // namespace
