// GoogleTest support: a fixture base that starts every test on a fresh engine and fails it
// when a handle, lock or buffer is left behind or a client-owned handle was closed.
#pragma once

#include <gtest/gtest.h>

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

// A fresh engine with one mail database that the client holds open, as a menu command finds it.
class ClientDatabaseTest : public CleanEngineTest {
protected:
    void SetUp() override {
        CleanEngineTest::SetUp();
        db = &CreateDatabase("mail.nsf");
        handle = ClientDbHandle(*db);
    }
    void TearDown() override {
        ReleaseClientHandle(handle);
        CleanEngineTest::TearDown();
    }
    Database* db = nullptr;
    DBHANDLE handle = 0;
};

// For tests that do not derive from the fixture.
#define SIM_EXPECT_CLEAN()                                                              \
    do {                                                                                \
        const auto simProblems_ = ::sim::CheckClean();                                  \
        EXPECT_TRUE(simProblems_.empty()) << ::sim::DescribeProblems(simProblems_);     \
    } while (0)

}  // namespace sim
