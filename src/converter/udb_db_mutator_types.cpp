// The two type files of the mapping editor, read once per process into caches.  They ship beside
// the programs (or in the installation's share folder); a copy in the working directory takes
// precedence, so a user can adjust the choices without touching the installation.
#include <cwctype>
#include <string>

#include "TK/tk_data_path.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "converter/type_files.h"
#include "converter/udb_db_mutator.h"

namespace {

// Loads the cache from the file when it holds nothing yet; raises the editor's error when the
// file cannot be read.  A load that fails leaves the cache empty, so the next request tries again.
void fill_once(tk_yaml_config& cache, const char* file, const std::set<std::wstring>& deny) {
    if (!cache.empty()) return;
    tk_yaml_config loaded;
    if (!loaded.load(type_file_path(file), deny)) {
        throw tk_exception(
            std::string("Cannot find ") + file + ". Custom type mapping is not available.", 1);
    }
    cache = std::move(loaded);
}

}  // namespace

tk_yaml_config& type_map_cache() {
    static tk_yaml_config cache;
    return cache;
}

tk_yaml_config& type_param_cache() {
    static tk_yaml_config cache;
    return cache;
}

void clear_type_caches() {
    type_map_cache().clear();
    type_param_cache().clear();
}

std::string type_file_path(const char* file) {
    if (tk_is_file_exist(std::string(file), 0x4000)) return file;
    try {
        std::string shipped = tk_data_path(file);
        if (tk_is_file_exist(shipped, 0x4000)) return shipped;
    } catch (const tk_exception&) {
        // Without the program's own path only the working directory is left.
    }
    return file;
}

const std::vector<std::wstring>& udb_db_mutator::get_mapped_types(const std::wstring& type) {
    tk_wlog(1, L"udb_db_mutator<F>::get_mapped_types(%s)", type.c_str());
    tk_yaml_config& cache = type_map_cache();
    if (cache.empty()) {
        tk_log(1, "Gonna load typesmap.cfg");
        fill_once(cache, sql_map, get_type_filter());
    }
    return cache[type];
}

const std::vector<std::wstring>& udb_db_mutator::get_type_params(const std::wstring& type) {
    tk_yaml_config& cache = type_param_cache();
    fill_once(cache, sql_typ, std::set<std::wstring>());
    return cache[type];
}

bool type_takes(const std::vector<std::wstring>& params, const std::wstring& word) {
    auto upper = [](std::wstring text) {
        for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
        return text;
    };
    const std::wstring wanted = upper(word);
    for (const std::wstring& p : params) {
        if (upper(p) == wanted) return true;
    }
    return false;
}
