#include "TK/tk_data_path.h"

#include <filesystem>
#include <system_error>

#include "TK/tk_utils.h"

std::string tk_data_path(const std::string& program_dir, const std::string& name) {
    std::string beside = program_dir + name;
    std::error_code ec;
    if (std::filesystem::exists(beside, ec)) return beside;
    const std::filesystem::path installed =
        (std::filesystem::path(program_dir) / ".." / "share" / "tidewell" / name)
            .lexically_normal();
    if (std::filesystem::exists(installed, ec)) return installed.string();
    return beside;
}

std::string tk_data_path(const std::string& name) {
    return tk_data_path(tk_get_module_dir(), name);
}
