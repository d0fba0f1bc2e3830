#pragma once
// A fresh temporary folder per test for the files it writes, inside a private session (own
// XDG_CONFIG_HOME and XDG_RUNTIME_DIR) so that nothing a test does reaches the real user's files.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/support/private_session.h"

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(env_.ready()); }
    std::string writeFile(const std::string& name, const std::string& bytes) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    testsupport::PrivateEnvironment env_{"korvante-xml"};
    const std::string dir_ = env_.root();
};
