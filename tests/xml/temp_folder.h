#pragma once
// A fresh temporary folder per test, also used as XDG_CONFIG_HOME and XDG_RUNTIME_DIR so that
// nothing a test does reaches the real user's files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/korvante-xml-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string writeFile(const std::string& name, const std::string& bytes) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string dir_;
};
