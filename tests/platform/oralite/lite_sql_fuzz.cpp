// libFuzzer target: any text, run as a script and as one Oracle statement on a scratch instance,
// must end in rows or an Oracle error, never a crash or another exception.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "lite_engine.h"
#include "script/lite_script.h"

namespace {

lite_session& session() {
    static lite_session* s = [] {
        std::string dir =
            std::filesystem::temp_directory_path() / ("lite_sql_fuzz_" + std::to_string(getpid()));
        std::filesystem::remove_all(dir);
        lite_instance::create(dir, "");
        lite_instance::add_user(dir, "F", "f");
        auto* x = new lite_session;
        x->logon_dir(dir, "F", "f");
        x->execute("CREATE TABLE t (id NUMBER(6) PRIMARY KEY, v VARCHAR2(20), d DATE, r RAW(8))");
        x->execute("INSERT INTO t VALUES (1, 'one', SYSDATE, HEXTORAW('01'))");
        x->commit();
        return x;
    }();
    return *s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string sql(reinterpret_cast<const char*>(data), size);
    lite_session& s = session();
    // The same text as a script: units, anonymous blocks and client commands.
    try {
        lite_script_runner r(s, nullptr);
        r.run(sql, "fuzz.sql");
    } catch (const lite_error&) {
    }
    try {
        s.rollback();
    } catch (const lite_error&) {
    }
    try {
        auto st = s.prepare(sql);
        st->execute();
        if (st->get_kind() == lite_statement::kind::query) {
            for (int n = 0; n < 50 && st->next(); ++n) {
                for (size_t c = 0; c < st->columns().size(); ++c) {
                    st->text(static_cast<int>(c));
                    st->bytes(static_cast<int>(c));
                }
            }
        }
        s.rollback();
    } catch (const lite_error&) {
        try {
            s.rollback();
        } catch (const lite_error&) {
        }
    }
    return 0;
}
