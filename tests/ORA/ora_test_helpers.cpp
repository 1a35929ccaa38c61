#include "ora_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "ORA/ora_exception.h"
#include "TK/tk_exception.h"
#include "TK/tk_utils.h"
#include "lite_engine.h"
#include "script/lite_script.h"

ora_test_instance::ora_test_instance(const std::string& banner) {
    std::string pattern = (std::filesystem::temp_directory_path() / "ora_tests_XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    if (!made) throw std::runtime_error("cannot create a temporary directory");
    m_dir = std::string(made) + "/inst";
    lite_instance::create(m_dir, banner.empty() ? lite_instance::default_banner() : banner);
}

ora_test_instance::~ora_test_instance() {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(m_dir).parent_path(), ec);
}

std::unique_ptr<ora_test_instance> make_demo_instance() {
    auto inst = std::make_unique<ora_test_instance>();
    inst->add_user("DEMO", "demo");
    inst->run_script("DEMO", "demo", std::string(TW_SOURCE_DIR) + "/samples/demo/demo_schema.sql");
    return inst;
}

std::unique_ptr<ora_test_instance> make_hr_instance(const std::string& dir) {
    auto inst = std::make_unique<ora_test_instance>();
    inst->add_user("HR", "hr");
    inst->run_script("HR", "hr", dir + "/hr_create.sql");
    inst->run_script("HR", "hr", dir + "/hr_populate.sql");
    return inst;
}

void ora_connected_test::connect(ora_test_instance& inst, const std::wstring& user,
                                 const std::wstring& password) {
    m_engine = std::make_unique<ora_engine>();
    m_db = m_engine->open_db(inst.wdir(), user, password);
}

void ora_connected_test::connect_as_new_user(ora_test_instance& inst, const std::wstring& user) {
    inst.add_user("ADMIN", "admin");
    connect(inst, L"ADMIN", L"admin");
    m_db->create_schema(user);
    // The user the destination made logs on with external credentials.
    m_db.reset();
    m_db = m_engine->open_db(inst.wdir(), user, L"");
}

void ora_connected_test::TearDown() {
    m_db.reset();
    m_engine.reset();
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

void ora_expect_record_error(udb_recordset& rs, const std::vector<std::string>& parts) {
    try {
        rs.get_item();
        FAIL() << "no error";
    } catch (const ora_exception& e) {
        FAIL() << "Oracle error instead of a record error: " << e.what();
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 0);
        for (const std::string& part : parts)
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
    }
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

void ora_test_instance::run_script(const std::string& user, const std::string& password,
                                   const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    std::stringstream text;
    text << in.rdbuf();
    with_session(user, password, [&](lite_session& session) {
        lite_script_runner runner(session, [](const std::string&) {});
        try {
            runner.run(text.str(), path);
        } catch (const lite_error& e) {
            ADD_FAILURE() << path << ": " << e.what();
        }
    });
}

std::string ora_round_fraction(const std::string& stamp, std::size_t digits) {
    if (stamp.size() < 21 || stamp[19] != '.') return stamp;
    std::string fraction = stamp.substr(20, 9);
    fraction.resize(9, '0');
    unsigned long long value = std::stoull(fraction);
    unsigned long long unit = 1;
    for (std::size_t i = digits; i < 9; ++i) unit *= 10;
    value = (value + unit / 2) / unit;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*llu", static_cast<int>(digits), value);
    return stamp.substr(0, 20) + buffer;
}

void ora_expect_same_rows(ora_test_instance& inst, const std::string& user,
                          const std::string& password, const std::string& select,
                          udb_recordset& rs) {
    inst.with_session(user, password, [&](lite_session& session) {
        auto st = session.prepare(select);
        st->execute();
        int row = 0;
        rs.reset();
        while (st->next()) {
            SCOPED_TRACE(select + " row " + std::to_string(row));
            ASSERT_FALSE(rs.is_eof());
            udb_record* rec = rs.get_item();
            ASSERT_NE(rec, nullptr);
            ASSERT_EQ(rec->size(), st->columns().size());
            for (std::size_t c = 0; c < rec->size(); ++c) {
                const udb_field& f = (*rec)[c];
                int col = static_cast<int>(c);
                SCOPED_TRACE(tk_to_utf8(f.get_name()));
                if (st->is_null(col)) {
                    EXPECT_TRUE(f.is_empty());
                    continue;
                }
                ASSERT_FALSE(f.is_empty());
                std::string expected(st->text(col));
                switch (f.vt()) {
                    case VT_BSTR:
                        if (rs.get_schema()[c].vartype == VT_DATE) {
                            // A time stamp with fractions arrives as text with the digits its
                            // column declares: the engine's nine digits rounded to as many.
                            const std::string got = tk_to_utf8(f.to_wstring());
                            EXPECT_EQ(got, ora_round_fraction(expected, got.size() - 20));
                            break;
                        }
                        EXPECT_EQ(tk_to_utf8(f.to_wstring()), expected);
                        break;
                    case VT_DATE: {
                        const SYSTEMTIME& t = f.systemtime();
                        char buf[64];
                        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear,
                                      t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
                        EXPECT_EQ(std::string(buf), expected.substr(0, 19));
                        break;
                    }
                    case VT_BYTE_ARRAY: {
                        const std::uint8_t* bytes = nullptr;
                        std::size_t n = f.get_bytes1(bytes);
                        auto want = st->bytes(col);
                        ASSERT_EQ(n, want.size());
                        EXPECT_TRUE(n == 0 || std::equal(bytes, bytes + n, want.begin()));
                        break;
                    }
                    case VT_I8:
                        EXPECT_EQ(std::to_string(f.i8()), expected);
                        break;
                    default: {
                        double want = std::stod(expected);
                        EXPECT_NEAR(f.to_double(), want, std::fabs(want) * 1e-12) << expected;
                    }
                }
            }
            rs.next();
            ++row;
        }
        EXPECT_TRUE(rs.is_eof());
    });
}

ora_log_capture::ora_log_capture(const std::string& name, int threshold)
    : m_path(std::string(TW_BINARY_DIR) + "/" + name + ".log"),
      m_logger(std::make_unique<tk_logger>(m_path.c_str(), true, threshold, false)) {}

ora_log_capture::~ora_log_capture() {
    m_logger.reset();
    std::remove(m_path.c_str());
}

std::string ora_log_capture::finish() {
    m_logger.reset();
    std::ifstream in(m_path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
