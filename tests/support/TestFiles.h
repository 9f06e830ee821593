// A test's own way to put bytes in a file and read them back, apart from the code under test.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

inline void WriteTestFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadTestFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}
