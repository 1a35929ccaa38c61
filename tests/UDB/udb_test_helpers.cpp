#include "udb_test_helpers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

scratch_dir::scratch_dir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "udb_tests_" + std::to_string(::getpid());
    if (info) name += std::string("_") + info->test_suite_name() + "_" + info->name();
    m_dir = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(m_dir);
    std::filesystem::create_directories(m_dir);
}

scratch_dir::~scratch_dir() {
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
}

std::string read_file_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_file_bytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
