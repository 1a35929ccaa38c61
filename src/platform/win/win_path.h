// Paths of the file system: the running program's path, absolute paths and their parts, and the
// working directory.  Separators are '/'; there are no drives, so the drive part of a split is
// always empty and a directory part keeps its trailing '/'.  Thread-safe except that the working
// directory is process-wide.
#pragma once

#include <string>

// The full path of the running program; false (last error set) when it cannot be read.
bool win_module_file_name(std::string& path);
// The working directory; false (last error set) when it cannot be read.
bool win_current_directory(std::string& path);
// Changes the working directory; false (last error set) on failure.
bool win_set_current_directory(const std::string& path);
// The path made absolute against the working directory, with "." and ".." resolved by name
// (symbolic links are not followed); false (last error set) when the working directory cannot be
// read.
bool win_full_path(const std::string& path, std::string& full);

// The four parts of a path.  Composing drive + dir + name + ext gives the path back.
struct win_path_parts {
    std::string drive;  // always empty here
    std::string dir;    // with its trailing '/', empty when the path has no directory
    std::string name;   // without the extension
    std::string ext;    // with its leading '.', empty when there is none
};

// Splits a path into its parts; a leading dot of a name ("/a/.profile") is not an extension.
win_path_parts win_split_path(const std::string& path);
