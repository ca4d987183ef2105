// A fixture whose drive C: is a fresh scratch folder, with the registry file inside it and a
// clean record of the posix seam's user interface.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/posix/PosixUi.h"
#include "support/Files.h"
#include "support/ScratchFolder.h"

class ScratchDrive : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_.emplace();
        root = scratch_->Host().string();
        setenv("STOWLINE_DRIVE_C", root.c_str(), 1);
        setenv("STOWLINE_REGISTRY", (root + "/registry.reg").c_str(), 1);
        platform::posix::ResetUi();
    }
    void TearDown() override {
        scratch_.reset();
        unsetenv("STOWLINE_DRIVE_C");
        unsetenv("STOWLINE_REGISTRY");
    }
    std::string Host(const std::string& relative) const { return root + "/" + relative; }
    void MakeDir(const std::string& relative) const { std::filesystem::create_directories(Host(relative)); }
    void MakeFile(const std::string& relative, const std::string& content = "x") const {
        std::ofstream(Host(relative), std::ios::binary) << content;
    }
    std::string Read(const std::string& relative) const { return testsupport::ReadFile(Host(relative)); }
    std::string root;

private:
    std::optional<testsupport::ScratchFolder> scratch_;
};
