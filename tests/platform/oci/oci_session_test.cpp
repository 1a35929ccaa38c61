// Attach, logon and logoff: the errors a real client gives, and handles that outlive sessions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "lite_engine.h"
#include "client/oci_lite.h"
#include "platform/oci/oci.h"
#include "platform/oci/oci_test_helpers.h"

namespace {

TEST(OciSession, LogonFailuresCarryTheServersNumbers) {
    scratch_instance inst("SCOTT", "tiger");
    {
        oci_conn c;
        EXPECT_EQ(c.logon("NO_SUCH_SERVICE_XYZ", "SCOTT", "tiger"), OCI_ERROR);
        EXPECT_EQ(c.error_code(), 12154);
        EXPECT_EQ(c.error_text().rfind("ORA-12154: ", 0), 0u) << c.error_text();
    }
    {
        oci_conn c;
        EXPECT_EQ(c.logon("//localhost:1521/NO_SUCH_SERVICE_XYZ", "SCOTT", "tiger"), OCI_ERROR);
        EXPECT_EQ(c.error_code(), 12514);
    }
    {
        oci_conn c;
        EXPECT_EQ(c.logon(inst.dir(), "SCOTT", "wrong"), OCI_ERROR);
        EXPECT_EQ(c.error_code(), 1017);
        EXPECT_EQ(c.error_text(), "ORA-01017: invalid username/password; logon denied");
        // The refused logon leaves the server attached; the next attempt detaches first and
        // logs on over the same handles.
        EXPECT_EQ(lite_OCIServerDetach(c.srv, c.err, OCI_DEFAULT), OCI_SUCCESS);
        EXPECT_EQ(c.logon(inst.dir(), "SCOTT", "tiger"), OCI_SUCCESS) << c.error_text();
        EXPECT_EQ(c.rows("SELECT 1 FROM DUAL"), (std::vector<std::vector<std::string>>{{"1"}}));
    }
    lite_instance::set_locked(inst.dir(), "SCOTT", true);
    {
        oci_conn c;
        EXPECT_EQ(c.logon(inst.dir(), "SCOTT", "tiger"), OCI_ERROR);
        EXPECT_EQ(c.error_code(), 28000);
    }
    lite_instance::set_locked(inst.dir(), "SCOTT", false);
    oci_conn c;
    EXPECT_EQ(c.logon(inst.dir(), "SCOTT", "tiger"), OCI_SUCCESS) << c.error_text();
}

TEST(OciSession, VersionBannerIsTheInstancesOwn) {
    // Both sides of the 8.0 line, as the version query reads them.
    for (const std::string banner : {"Oracle7 Server Release 7.3.4.0.0 - Production",
                                     "Oracle Database 11g Enterprise Edition Release 11.2.0.1.0 - "
                                     "64bit Production"}) {
        scratch_instance inst("SCOTT", "tiger", banner);
        oci_conn c;
        ASSERT_EQ(c.logon(inst.dir(), "SCOTT", "tiger"), OCI_SUCCESS) << c.error_text();
        const auto rows = c.rows("select * from v$version");
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows[0][0], banner);
    }
}

TEST(OciSession, ServiceNamesResolveUnderTheInstanceHome) {
    scratch_instance inst("SCOTT", "tiger");
    const std::filesystem::path dir(inst.dir());
    const std::string home = dir.parent_path().string();
    const std::string service = dir.filename().string();
    const char* old = std::getenv("ORALITE_HOME");
    const std::string saved = old != nullptr ? old : "";
    setenv("ORALITE_HOME", home.c_str(), 1);
    {
        oci_conn c;
        EXPECT_EQ(c.logon("//dbhost:1521/" + service, "SCOTT", "tiger"), OCI_SUCCESS)
            << c.error_text();
        EXPECT_EQ(c.rows("SELECT USER FROM DUAL"),
                  (std::vector<std::vector<std::string>>{{"SCOTT"}}));
    }
    {
        oci_conn c;
        EXPECT_EQ(c.logon(service, "scott", "tiger"), OCI_SUCCESS) << c.error_text();
    }
    if (old != nullptr) {
        setenv("ORALITE_HOME", saved.c_str(), 1);
    } else {
        unsetenv("ORALITE_HOME");
    }
}

TEST(OciSession, SequenceOfTheReadPathAndAReconnect) {
    scratch_instance inst("SCOTT", "tiger");
    oci_conn c;
    ASSERT_EQ(c.logon(inst.dir(), "SCOTT", "tiger"), OCI_SUCCESS) << c.error_text();
    EXPECT_EQ(lite_OCISessionBegin(c.svc, c.err, c.ses, OCI_CRED_RDBMS, OCI_DEFAULT), OCI_ERROR);
    EXPECT_EQ(c.error_code(), 24313) << "already logged on";
    const std::u16string dir = u16(inst.dir());
    EXPECT_EQ(lite_OCIServerAttach(c.srv, c.err, reinterpret_cast<const OraText*>(dir.data()),
                                   static_cast<sb4>(dir.size() * 2), OCI_DEFAULT),
              OCI_ERROR);
    EXPECT_EQ(c.error_code(), 24309);

    c.must_run({"CREATE TABLE T (A NUMBER(5))", "INSERT INTO T VALUES (7)"});
    OCIStmt* kept = c.new_stmt("SELECT A FROM T");
    ASSERT_EQ(lite_OCIStmtExecute(c.svc, kept, c.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);

    // A second connection on the same handles: detach (which ends the session), attach, begin.
    ASSERT_EQ(lite_OCIServerDetach(c.srv, c.err, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(lite_OCIStmtFetch(kept, c.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_ERROR)
        << "the statement's session is gone";
    EXPECT_EQ(lite_OCIStmtExecute(c.svc, kept, c.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_ERROR);
    EXPECT_EQ(c.error_code(), 3114);
    ASSERT_EQ(lite_OCIServerAttach(c.srv, c.err, reinterpret_cast<const OraText*>(dir.data()),
                                   static_cast<sb4>(dir.size() * 2), OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCISessionBegin(c.svc, c.err, c.ses, OCI_CRED_RDBMS, OCI_DEFAULT), OCI_SUCCESS)
        << c.error_text();
    // The kept statement compiles again on the new session.
    ASSERT_EQ(lite_OCIStmtExecute(c.svc, kept, c.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS)
        << c.error_text();
    EXPECT_EQ(c.rows("SELECT A FROM T"), (std::vector<std::vector<std::string>>{{"7"}}));

    // Freeing the session handle under a live statement leaves the statement usable as a handle.
    ASSERT_EQ(lite_OCIHandleFree(c.ses, OCI_HTYPE_SESSION), OCI_SUCCESS);
    c.ses = nullptr;
    EXPECT_EQ(lite_OCIStmtFetch(kept, c.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_ERROR);
    EXPECT_EQ(lite_OCIStmtExecute(c.svc, kept, c.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_ERROR);
}

TEST(OciSession, UncommittedWorkIsRolledBackAtSessionEnd) {
    scratch_instance inst("SCOTT", "tiger");
    {
        oci_conn c;
        ASSERT_EQ(c.logon(inst.dir(), "SCOTT", "tiger"), OCI_SUCCESS);
        c.must_run({"CREATE TABLE T (A NUMBER(5))", "INSERT INTO T VALUES (1)"});
        ASSERT_EQ(c.run("INSERT INTO T VALUES (2)", 1, OCI_DEFAULT), OCI_SUCCESS);
    }
    oci_conn c;
    ASSERT_EQ(c.logon(inst.dir(), "SCOTT", "tiger"), OCI_SUCCESS);
    EXPECT_EQ(c.rows("SELECT A FROM T ORDER BY A"), (std::vector<std::vector<std::string>>{{"1"}}));
}

}  // namespace

namespace {

TEST(OciSession, SeparateEnvironmentsOnSeparateThreads) {
    scratch_instance inst("SCOTT", "tiger");
    {
        oci_conn c;
        ASSERT_EQ(c.logon(inst.dir(), "SCOTT", "tiger"), OCI_SUCCESS);
        c.must_run({"CREATE TABLE T (A NUMBER(5), B VARCHAR2(10))"});
        for (int i = 0; i < 50; ++i) {
            c.must_run(
                {"INSERT INTO T VALUES (" + std::to_string(i) + ", 'v" + std::to_string(i) + "')"});
        }
    }
    std::vector<std::thread> threads;
    threads.reserve(4);
    std::vector<size_t> counts(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            oci_conn c;
            if (c.logon(inst.dir(), "SCOTT", "tiger") != OCI_SUCCESS) return;
            for (int round = 0; round < 10; ++round) {
                counts[t] += c.rows("SELECT A, B FROM T").size();
            }
        });
    }
    for (auto& th : threads) th.join();
    for (size_t n : counts) EXPECT_EQ(n, 500u);
}

}  // namespace
