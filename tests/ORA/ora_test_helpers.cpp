#include "ora_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/oci/lite_engine.h"

ora_test_instance::ora_test_instance(const std::string& banner) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "ora_tests_XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    if (!made) throw std::runtime_error("cannot create a temporary directory");
    m_dir = std::string(made) + "/inst";
    lite_instance::create(m_dir, banner.empty() ? lite_instance::default_banner() : banner);
}

ora_test_instance::~ora_test_instance() {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(m_dir).parent_path(), ec);
}

void ora_test_instance::add_user(const std::string& user, const std::string& password) {
    lite_instance::add_user(m_dir, user, password);
}

void ora_test_instance::set_banner(const std::string& banner) {
    lite_instance::set_banner(m_dir, banner);
}

void ora_test_instance::run(const std::string& user, const std::string& password,
                            const std::vector<std::string>& statements) {
    lite_session session;
    session.logon_dir(m_dir, user, password);
    for (const std::string& sql : statements) {
        try {
            session.execute(sql);
        } catch (const lite_error& e) {
            ADD_FAILURE() << sql << "\n -> " << e.what();
        }
    }
    session.commit();
}

std::vector<std::vector<std::wstring>> ora_read_all(udb_recordset& rs) {
    std::vector<std::vector<std::wstring>> rows;
    rs.reset();
    while (!rs.is_eof()) {
        udb_record* rec = rs.get_item();
        if (!rec) break;
        std::vector<std::wstring> row;
        for (const auto& field : *rec)
            row.push_back(field->is_empty() ? std::wstring(L"<null>") : field->to_wstring());
        rows.push_back(std::move(row));
        rs.next();
    }
    return rows;
}

void ora_test_instance::with_session(const std::string& user, const std::string& password,
                                     const std::function<void(lite_session&)>& work) {
    lite_session session;
    session.logon_dir(m_dir, user, password);
    work(session);
    session.commit();
}
