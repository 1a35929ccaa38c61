// Shared helpers of the model's tests: a scratch directory per test and whole-file reading and
// writing, so tests work on real files.
#pragma once

#include <filesystem>
#include <string>

// A fresh, empty directory for the running test, removed when the object dies.
class scratch_dir {
public:
    scratch_dir();
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;

    std::filesystem::path path(const std::string& file) const { return m_dir / file; }

private:
    std::filesystem::path m_dir;
};

std::string read_file_bytes(const std::filesystem::path& path);
void write_file_bytes(const std::filesystem::path& path, const std::string& bytes);
