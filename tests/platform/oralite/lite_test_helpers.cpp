#include "lite_test_helpers.h"

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <random>

namespace fs = std::filesystem;

lite_scratch::lite_scratch(const std::string& user, const std::string& password,
                           const std::string& banner)
    : user_(user), password_(password) {
    std::random_device rd;
    fs::path base = fs::path(TW_BINARY_DIR) / "lite_scratch";
    fs::create_directories(base);
    dir_ = (base / ("inst" + std::to_string(rd()) + std::to_string(rd()))).string();
    lite_instance::create(dir_, banner);
    lite_instance::add_user(dir_, user, password);
}

lite_scratch::~lite_scratch() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

std::unique_ptr<lite_session> lite_scratch::logon() const {
    auto s = std::make_unique<lite_session>();
    s->logon_dir(dir_, user_, password_);
    return s;
}

std::unique_ptr<lite_session> lite_scratch::logon_system() const {
    auto s = std::make_unique<lite_session>();
    s->logon_dir(dir_, "SYSTEM", "manager");
    return s;
}

std::vector<std::vector<std::string>> lite_rows(lite_session& s, const std::string& sql) {
    auto st = s.prepare(sql);
    st->execute();
    std::vector<std::vector<std::string>> rows;
    while (st->next()) {
        std::vector<std::string> r;
        for (size_t c = 0; c < st->columns().size(); ++c) {
            int k = static_cast<int>(c);
            r.push_back(st->is_null(k) ? "<null>" : std::string(st->text(k)));
        }
        rows.push_back(std::move(r));
    }
    return rows;
}

std::string lite_cell(lite_session& s, const std::string& sql) {
    auto rows = lite_rows(s, sql);
    if (rows.size() != 1 || rows[0].size() != 1) return "<not one cell>";
    return rows[0][0];
}

int lite_fails_with(lite_session& s, const std::string& sql) {
    try {
        s.execute(sql);
    } catch (const lite_error& e) {
        return e.code();
    }
    return 0;
}

std::string lite_hr_dir() {
    fs::path p = fs::path(TW_SHARED_DIR) / "oracle-samples" / "human_resources";
    std::error_code ec;
    return fs::exists(p / "hr_create.sql", ec) ? p.string() : std::string();
}

namespace {

std::string shell_quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

oralite_result run_oralite(const std::vector<std::string>& args) {
    oralite_result r;
    std::string cmd = shell_quoted(std::string(TW_BINARY_DIR) + "/bin/oralite");
    for (const auto& a : args) cmd += " " + shell_quoted(a);
    cmd += " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string lite_read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
