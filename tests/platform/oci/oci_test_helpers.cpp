#include "platform/oci/oci_test_helpers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "lite_engine.h"
#include "client/oci_text.h"

namespace fs = std::filesystem;

scratch_instance::scratch_instance(const std::string& user, const std::string& password,
                                   const std::string& banner) {
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info != nullptr ? std::string(info->test_suite_name()) + "_" + info->name()
                                       : std::string("oci");
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    dir_ = (fs::temp_directory_path() /
            ("oci_test_" + std::to_string(getpid()) + "_" + std::to_string(counter++) + "_" + name))
               .string();
    fs::remove_all(dir_);
    lite_instance::create(dir_, banner.empty() ? lite_instance::default_banner() : banner);
    lite_instance::add_user(dir_, user, password);
}

scratch_instance::~scratch_instance() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

std::u16string u16(const std::string& utf8) {
    return oci_text::utf8_to_utf16(utf8);
}

std::string from_u16(const void* buf, size_t max_bytes) {
    return oci_text::utf16_to_utf8(buf, oci_text::utf16_strlen_bytes(buf, max_bytes));
}

oci_conn::oci_conn() {
    lite_OCIEnvNlsCreate(&env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr,
                         OCI_UTF16ID, OCI_UTF16ID);
    lite_OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
    lite_OCIHandleAlloc(env, reinterpret_cast<void**>(&srv), OCI_HTYPE_SERVER, 0, nullptr);
    lite_OCIHandleAlloc(env, reinterpret_cast<void**>(&ses), OCI_HTYPE_SESSION, 0, nullptr);
    lite_OCIHandleAlloc(env, reinterpret_cast<void**>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr);
}

oci_conn::~oci_conn() {
    for (OCIStmt* s : stmts_) lite_OCIHandleFree(s, OCI_HTYPE_STMT);
    lite_OCISessionEnd(svc, err, ses, OCI_DEFAULT);
    lite_OCIServerDetach(srv, err, OCI_DEFAULT);
    lite_OCIHandleFree(env, OCI_HTYPE_ENV);
}

sword oci_conn::logon(const std::string& connect, const std::string& user,
                      const std::string& password) {
    const std::u16string c = u16(connect), u = u16(user), p = u16(password);
    sword s = lite_OCIServerAttach(srv, err, reinterpret_cast<const OraText*>(c.data()),
                                   static_cast<sb4>(c.size() * 2), OCI_DEFAULT);
    if (s != OCI_SUCCESS) return s;
    s = lite_OCIAttrSet(svc, OCI_HTYPE_SVCCTX, srv, 0, OCI_ATTR_SERVER, err);
    if (s != OCI_SUCCESS) return s;
    s = lite_OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char16_t*>(u.data()),
                        static_cast<ub4>(u.size() * 2), OCI_ATTR_USERNAME, err);
    if (s != OCI_SUCCESS) return s;
    s = lite_OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char16_t*>(p.data()),
                        static_cast<ub4>(p.size() * 2), OCI_ATTR_PASSWORD, err);
    if (s != OCI_SUCCESS) return s;
    s = lite_OCISessionBegin(svc, err, ses, OCI_CRED_RDBMS, OCI_DEFAULT);
    if (s != OCI_SUCCESS) return s;
    return lite_OCIAttrSet(svc, OCI_HTYPE_SVCCTX, ses, 0, OCI_ATTR_SESSION, err);
}

std::string oci_conn::error_text() {
    unsigned char buf[2048] = {};
    sb4 code = 0;
    if (lite_OCIErrorGet(err, 1, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ERROR) != OCI_SUCCESS) {
        return std::string();
    }
    return from_u16(buf, sizeof buf);
}

int oci_conn::error_code() {
    sb4 code = 0;
    unsigned char buf[8];
    if (lite_OCIErrorGet(err, 1, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ERROR) != OCI_SUCCESS) {
        return 0;
    }
    return code;
}

OCIStmt* oci_conn::new_stmt(const std::string& sql) {
    OCIStmt* st = nullptr;
    lite_OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    stmts_.push_back(st);
    const std::u16string text = u16(sql);
    lite_OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(text.data()),
                        static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
    return st;
}

sword oci_conn::run(const std::string& sql, ub4 iters, ub4 mode) {
    OCIStmt* st = new_stmt(sql);
    return lite_OCIStmtExecute(svc, st, err, iters, 0, nullptr, nullptr, mode);
}

void oci_conn::must_run(const std::vector<std::string>& statements) {
    for (const auto& sql : statements) {
        ASSERT_EQ(run(sql), OCI_SUCCESS) << sql << "\n" << error_text();
    }
}

std::vector<std::vector<std::string>> oci_conn::rows(const std::string& sql) {
    std::vector<std::vector<std::string>> out;
    OCIStmt* st = new_stmt(sql);
    sword s = lite_OCIStmtExecute(svc, st, err, 0, 0, nullptr, nullptr, OCI_DEFAULT);
    EXPECT_EQ(s, OCI_SUCCESS) << sql << "\n" << error_text();
    if (s != OCI_SUCCESS) return out;
    ub4 count = 0;
    lite_OCIAttrGet(st, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, err);
    std::vector<std::vector<unsigned char>> bufs(count);
    std::vector<sb2> inds(count);
    for (ub4 i = 0; i < count; ++i) {
        void* param = nullptr;
        ub2 type = 0;
        ub2 size = 0;
        EXPECT_EQ(lite_OCIParamGet(st, OCI_HTYPE_STMT, err, &param, i + 1), OCI_SUCCESS);
        lite_OCIAttrGet(param, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, err);
        lite_OCIAttrGet(param, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, err);
        bufs[i].resize(reader_text_bytes(type, size));
        OCIDefine* def = nullptr;
        EXPECT_EQ(lite_OCIDefineByPos(st, &def, err, i + 1, bufs[i].data(),
                                      static_cast<sb4>(bufs[i].size()), SQLT_STR, &inds[i], nullptr,
                                      nullptr, OCI_DEFAULT),
                  OCI_SUCCESS);
    }
    for (;;) {
        s = lite_OCIStmtFetch(st, err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
        if (s == OCI_NO_DATA) break;
        EXPECT_EQ(s, OCI_SUCCESS) << sql << "\n" << error_text();
        if (s != OCI_SUCCESS) break;
        std::vector<std::string> row;
        for (ub4 i = 0; i < count; ++i) {
            row.push_back(inds[i] == -1 ? std::string("<NULL>")
                                        : from_u16(bufs[i].data(), bufs[i].size()));
        }
        out.push_back(std::move(row));
    }
    return out;
}

size_t reader_text_bytes(ub2 type, ub2 size) {
    switch (type) {
        case SQLT_CHR:
        case SQLT_STR:
        case SQLT_AFC:
            return (size_t{size} + 1) * 2;
        case SQLT_NUM:
        case SQLT_INT:
        case SQLT_FLT:
        case SQLT_VNU:
        case SQLT_PDN:
            return 510;
        case SQLT_LNG:
        case SQLT_NTY:
            return 1000000 * 2;
        case SQLT_RID:
        case SQLT_RDD:
        case SQLT_LAB:
            return 255 * 2;
        default:
            return 200002;
    }
}

std::vector<std::string> read_script(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    std::string line, current;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (current.empty() && (line.empty() || line.rfind("--", 0) == 0)) continue;
        std::string trimmed = line;
        while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) {
            trimmed.pop_back();
        }
        if (!trimmed.empty() && trimmed.back() == ';') {
            current += trimmed.substr(0, trimmed.size() - 1);
            out.push_back(current);
            current.clear();
        } else {
            current += line + "\n";
        }
    }
    return out;
}
