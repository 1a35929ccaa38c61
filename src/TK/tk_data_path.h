// Where the files shipped with the programs (the type files, the help pages) are found.  A build
// tree keeps them beside the programs; an installation keeps the programs in PREFIX/bin and the
// files in PREFIX/share/tidewell.
#pragma once

#include <string>

// The path of `name` (a file or a folder) beside the program in `program_dir` (which ends in a
// separator) when it exists there, else in ../share/tidewell from that folder when it exists
// there, else the path beside the program, so that an error names the first place looked at.
// Never raises.
std::string tk_data_path(const std::string& program_dir, const std::string& name);

// The same for the running program; raises what tk_get_module_dir raises.
std::string tk_data_path(const std::string& name);
