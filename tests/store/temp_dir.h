#pragma once
// A temporary folder for one test, removed with everything in it at the end.
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/private_session.h"

class TempDir : public testsupport::TempFolder {
public:
    TempDir() : TempFolder("korvante-store") {}
};

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}
