// GoogleTest support: a fixture base that starts every test on a fresh engine and fails it
// when a handle, lock or buffer is left behind or a client-owned handle was closed.
#pragma once

#include <gtest/gtest.h>

#include <optional>

#include "sim/Engine.h"
#include "sim/Faults.h"
#include "sim/Model.h"

namespace sim {

class CleanEngineTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override {
        const auto problems = CheckClean();
        EXPECT_TRUE(problems.empty()) << "Notes stand-in not clean:\n" << DescribeProblems(problems);
        Reset();
    }
};

// A fresh engine with one mail database that the client holds open, as a menu command finds it:
// a part that fixtures compose (beside a scratch drive, say). Releasing it lets go of the
// client's handle and fails the test when the stand-in is not clean.
class ClientMailDatabase {
public:
    ClientMailDatabase() {
        Reset();
        db = &CreateDatabase("mail.nsf");
        handle = ClientDbHandle(*db);
    }
    ~ClientMailDatabase() {
        ReleaseClientHandle(handle);
        const auto problems = CheckClean();
        EXPECT_TRUE(problems.empty()) << "Notes stand-in not clean:\n" << DescribeProblems(problems);
        Reset();
    }
    ClientMailDatabase(const ClientMailDatabase&) = delete;
    ClientMailDatabase& operator=(const ClientMailDatabase&) = delete;

    Database* db = nullptr;
    DBHANDLE handle = 0;
};

class ClientDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        mail_.emplace();
        db = mail_->db;
        handle = mail_->handle;
    }
    void TearDown() override { mail_.reset(); }
    Database* db = nullptr;
    DBHANDLE handle = 0;

private:
    std::optional<ClientMailDatabase> mail_;
};

// For tests that do not derive from the fixture.
#define SIM_EXPECT_CLEAN()                                                          \
    do {                                                                            \
        const auto simProblems_ = ::sim::CheckClean();                              \
        EXPECT_TRUE(simProblems_.empty()) << ::sim::DescribeProblems(simProblems_); \
    } while (0)

}  // namespace sim
