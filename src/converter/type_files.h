// The process-wide caches of the two type files ("sql.map": the MySQL types the user may pick
// instead of each built-in type; "sql.typ": the parameters each MySQL type takes) and where the
// files are looked for.  udb_db_mutator::get_mapped_types and get_type_params fill and read them.
// Thread-safety: none; only the wizard's window thread asks (tests clear them between cases).
#pragma once

#include <string>
#include <vector>

#include "TK/tk_yaml_config.h"

// The cache of "sql.map" and of "sql.typ"; empty until the first successful load.
tk_yaml_config& type_map_cache();
tk_yaml_config& type_param_cache();
// Empties both caches, so the next request reads the files again.
void clear_type_caches();

// The path to open for a type file: the bare name when the working directory holds it, else the
// shipped file (tk_data_path: beside the program, or in the installation's share folder) when that
// exists, else the bare name (whose open then fails).  Never raises.
std::string type_file_path(const char* file);

// True when the parameter words of a type (get_type_params) name `word` ("LENGTH", "SCALE",
// "PRECISION"), in any letter case: the file is edited by hand.  Never raises.
bool type_takes(const std::vector<std::wstring>& params, const std::wstring& word);
