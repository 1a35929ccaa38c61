// The client library bound at run time: the engine's shared library serves connections through
// the loader, the programs' own entry points stay out of its way, and libraries that cannot
// serve are refused with the missing-client message and the loader's reason.
#include <dlfcn.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_test_support.h"
#include "TK/tk_exception.h"
#include "platform/oci/oci_loader.h"

namespace {

const char k_no_client_start[] = "The Oracle client and networking components were not found.\n";

// Sets TIDEWELL_OCI_LIBRARY for the scope and puts back what was there.
class library_variable {
public:
    explicit library_variable(const std::string& value) {
        if (const char* old = std::getenv(k_oci_library_variable)) m_old = old;
        ::setenv(k_oci_library_variable, value.c_str(), 1);
    }
    ~library_variable() {
        if (m_old) {
            ::setenv(k_oci_library_variable, m_old->c_str(), 1);
        } else {
            ::unsetenv(k_oci_library_variable);
        }
    }

private:
    std::optional<std::string> m_old;
};

// The missing-client error of an engine made with the variable set to `library`.
std::string refusal_of(const std::string& library) {
    library_variable var(library);
    try {
        ora_engine engine;
    } catch (const ora_exception& e) {
        return std::string("ora_exception: ") + e.what();
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 1);
        return e.what();
    }
    return "no error";
}

TEST(OraClientLoader, TheEnginesLibraryServesConnectionsUnderOraclesNames) {
    std::string why;
    const oci_function_table* bound = oci_load_library(TW_ORALITE_OCI_LIBRARY, why);
    ASSERT_NE(bound, nullptr) << why;
    EXPECT_NE(bound, oci_embedded_functions());
    EXPECT_EQ(oci_load_library(TW_ORALITE_OCI_LIBRARY, why), bound) << "bound once";
    // Neither the program nor the library shows the engine's own names; the program shows none
    // of Oracle's, so a loaded client's symbols are its own.
    void* lib = dlopen(TW_ORALITE_OCI_LIBRARY, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    ASSERT_NE(lib, nullptr);
    EXPECT_EQ(dlsym(lib, "lite_OCIStmtExecute"), nullptr);
    EXPECT_NE(dlsym(lib, "OCIStmtExecute"), nullptr);
    dlclose(lib);
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "OCIStmtExecute"), nullptr);
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "OCIEnvNlsCreate"), nullptr);

    ora_test_instance inst;
    inst.add_user("T", "t");
    inst.run("T", "t",
             {"CREATE TABLE items (id NUMBER(5), name VARCHAR2(20))",
              "INSERT INTO items VALUES (1, 'one')"});
    library_variable var(TW_ORALITE_OCI_LIBRARY);
    ora_engine engine;
    EXPECT_EQ(&engine.oci(), bound);
    auto db = engine.open_db(inst.wdir(), L"T", L"t");
    EXPECT_EQ(&engine.oci(), bound) << "the variable's library serves every connection";
    EXPECT_EQ(engine.get_records_cnt(L"ITEMS", false), 1);
    try {
        engine.open_db(L"", L"", L"NO_SUCH_SERVICE_X", L"", L"");
        FAIL() << "no error";
    } catch (const ora_exception& e) {
        EXPECT_EQ(e.code(), 0x100000 | 12154);
    }
}

TEST(OraClientLoader, WithoutTheVariableTheEngineServesItsInstancesAndOnlyThose) {
    library_variable var("");
    ora_test_instance inst;
    inst.add_user("T", "t");
    ora_engine engine;
    auto db = engine.open_db(inst.wdir(), L"T", L"t");
    EXPECT_EQ(&engine.oci(), oci_embedded_functions());
    std::string why;
    if (oci_load_library(k_oci_default_library, why) != nullptr)
        GTEST_SKIP() << "a client library is installed here";
    // Any other service needs Oracle's client, which this machine lacks.
    try {
        engine.open_db(L"dbhost", L"T", L"t", L"1521", L"ORCL");
        FAIL() << "no error";
    } catch (const ora_exception& e) {
        FAIL() << e.what();
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 1);
        EXPECT_EQ(std::string(e.what()).rfind(k_no_client_start, 0), 0u) << e.what();
        EXPECT_NE(std::string(e.what()).find(k_oci_default_library), std::string::npos);
    }
    // The embedded instance is still served after the refusal.
    db = engine.open_db(inst.wdir(), L"T", L"t");
    EXPECT_EQ(&engine.oci(), oci_embedded_functions());
}

TEST(OraClientLoader, LibrariesThatCannotServeAreRefusedWithTheReason) {
    const std::string missing = "/nonexistent/libclntsh.so";
    std::string text = refusal_of(missing);
    EXPECT_EQ(text.rfind(k_no_client_start, 0), 0u) << text;
    EXPECT_NE(text.find(missing), std::string::npos) << text;

    text = refusal_of(TW_OCI_MISSING_ENTRY_LIBRARY);
    EXPECT_EQ(text.rfind(k_no_client_start, 0), 0u) << text;
    EXPECT_NE(text.find("entry point OCIDefineDynamic not found"), std::string::npos) << text;

    const std::string not_library = (std::filesystem::temp_directory_path() /
                                     ("oci_not_a_library_" + std::to_string(::getpid()) + ".so"))
                                        .string();
    std::ofstream(not_library) << "this is text, not a shared object\n";
    text = refusal_of(not_library);
    std::filesystem::remove(not_library);
    EXPECT_EQ(text.rfind(k_no_client_start, 0), 0u) << text;
    EXPECT_NE(text.find(not_library), std::string::npos) << text;

    // A refusal leaves no engine behind, and a good client is taken afterwards.
    EXPECT_EQ(ora_engine::find_instance(), nullptr);
    library_variable var(TW_ORALITE_OCI_LIBRARY);
    ora_engine engine;
}

}  // namespace
