// Small helpers for tests that need files on disk.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

// A path in the test temp folder, unique per test and name.
inline std::string TestPath(const std::string& name)
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return ::testing::TempDir() + info->test_suite_name() + "_" + info->name() + "_" + name;
}

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void PutU32(std::string& bytes, size_t at, uint32_t value)
{
    if (bytes.size() < at + 4)
        bytes.resize(at + 4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}
