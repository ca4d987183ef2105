// A scratch drive C: in a temporary directory, and a clean user interface record.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/posix/PosixUi.h"

class ScratchDrive : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/stowline-test-XXXXXX";
        root = mkdtemp(tmpl);
        setenv("STOWLINE_DRIVE_C", root.c_str(), 1);
        setenv("STOWLINE_REGISTRY", (root + "/registry.reg").c_str(), 1);
        platform::posix::ResetUi();
    }
    void TearDown() override {
        std::filesystem::remove_all(root);
        unsetenv("STOWLINE_DRIVE_C");
        unsetenv("STOWLINE_REGISTRY");
    }
    std::string Host(const std::string& relative) const { return root + "/" + relative; }
    void MakeDir(const std::string& relative) const {
        std::filesystem::create_directories(Host(relative));
    }
    void MakeFile(const std::string& relative, const std::string& content = "x") const {
        std::ofstream(Host(relative), std::ios::binary) << content;
    }
    std::string Read(const std::string& relative) const {
        std::ifstream in(Host(relative), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::string root;
};
