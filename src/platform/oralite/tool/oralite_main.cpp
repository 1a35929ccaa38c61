// oralite: creates and fills embedded Oracle instances (directories of SQLite files) so the
// migration can be tried, and tested, without an Oracle server.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "lite_engine.h"
#include "script/lite_script.h"

// The query sub-command lives in its own file; a build without it still links.
extern int oralite_query(int argc, char** argv) __attribute__((weak));

namespace {

const char* const k_usage =
    "usage: oralite create DIR [--banner TEXT]\n"
    "       oralite user DIR NAME PASSWORD\n"
    "       oralite run DIR USER PASSWORD FILE...\n"
    "       oralite query DIR USER PASSWORD \"SQL\"\n"
    "DIR is an instance directory; for run and query it may also be a connect string\n"
    "(//host:port/SERVICE or SERVICE, looked up under $ORALITE_HOME).\n";

int usage() {
    std::fputs(k_usage, stderr);
    return 2;
}

std::string instance_dir(const std::string& given) {
    // A directory path wins; anything else goes through the service mapping.
    std::error_code ec;
    if (std::filesystem::is_regular_file(std::filesystem::path(given) / "dictionary.db", ec)) {
        return given;
    }
    return lite_instance::resolve(given);
}

int run_scripts(int argc, char** argv) {
    if (argc < 5) return usage();
    lite_session session;
    try {
        session.logon_dir(instance_dir(argv[1]), argv[2], argv[3]);
    } catch (const lite_error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    // As SQL*Plus runs scripts: a failing statement is reported and the script goes on, unless
    // it said WHENEVER SQLERROR EXIT; the run's status tells whether anything failed.
    lite_script_runner runner(
        session, [](const std::string& w) { std::fprintf(stderr, "warning: %s\n", w.c_str()); },
        [](const lite_script_error& e) {
            std::fprintf(stderr, "%s:%d: %s\n", e.file().c_str(), e.line(), e.what());
        });
    for (int k = 4; k < argc; ++k) {
        // A directory opens as a stream on Linux but reads nothing: refuse it like a missing file.
        std::error_code ec;
        std::ifstream in;
        if (std::filesystem::is_regular_file(argv[k], ec)) in.open(argv[k], std::ios::binary);
        if (!in.is_open()) {
            std::fprintf(stderr, "%s: cannot open the file\n", argv[k]);
            session.rollback();
            return 1;
        }
        try {
            // Read as it runs: a script of millions of rows needs no more memory than one.
            bool go_on = runner.run(in, argv[k]);
            if (in.bad()) {
                std::fprintf(stderr, "%s: cannot read the file\n", argv[k]);
                session.rollback();
                return 1;
            }
            if (!go_on) return runner.exit_status();
            session.commit();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", argv[k], e.what());
            return 1;
        }
    }
    return runner.failures() > 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    std::string cmd = argv[1];
    try {
        if (cmd == "create") {
            if (argc != 3 && !(argc == 5 && std::strcmp(argv[3], "--banner") == 0)) return usage();
            lite_instance::create(argv[2], argc == 5 ? argv[4] : "");
            return 0;
        }
        if (cmd == "user") {
            if (argc != 5) return usage();
            lite_instance::add_user(argv[2], argv[3], argv[4]);
            return 0;
        }
        if (cmd == "run") return run_scripts(argc - 1, argv + 1);
        if (cmd == "query") {
            if (!oralite_query) {
                std::fputs("oralite: query is not available in this build\n", stderr);
                return 2;
            }
            return oralite_query(argc - 1, argv + 1);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return usage();
}
