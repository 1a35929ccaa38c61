// Measures the conversion road on one table of the embedded Oracle, in three ways that share the
// same rows: reading alone through the Oracle classes, writing alone (records built in memory into
// a dump), and the whole conversion run into a dump.  Prints one line of key=value figures, with
// the process's peak resident size.  Driven by bench/road-bench.sh; never part of the tests.
//
//   conversion_bench_tool read    INSTANCE USER PASSWORD TABLE
//   conversion_bench_tool write   ROWS DUMP_FILE
//   conversion_bench_tool convert INSTANCE USER PASSWORD TABLE DUMP_FILE
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "SQL/dmp_database.h"
#include "SQL/sql_engine.h"
#include "TK/tk_utils.h"
#include "UDB/udb_record.h"
#include "UDB/udb_recordset.h"
#include "converter/error_handler.h"
#include "converter/run_front_end.h"
#include "converter/tabshift_convertor.h"
#include "variant/ole_date.h"

namespace {

using clock_type = std::chrono::steady_clock;

long peak_rss_kb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double seconds_since(clock_type::time_point start) {
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

std::wstring wide(const char* text) {
    return tk_to_unicode(text);
}

class quiet_front_end : public run_front_end {
public:
    void start_timer(int) override {}
    void write_log(const std::wstring&) override {}
    void error(const std::string& text) override {
        std::fprintf(stderr, "error: %s\n", text.c_str());
    }
};

class counting_handler : public error_handler {
public:
    counting_handler() : error_handler(12, oracle_error_texts) {}
    void handle(const tk_exception& e, bool) override {
        if (++errors < 5) std::fprintf(stderr, "error: %s\n", compose_text(e).c_str());
    }
    int errors = 0;
};

void print(const char* mode, long rows, double secs, long long bytes) {
    std::printf("mode=%s rows=%ld seconds=%.3f rows_per_s=%.0f", mode, rows, secs,
                static_cast<double>(rows) / secs);
    const double mb = static_cast<double>(bytes) / 1e6;
    if (bytes > 0) std::printf(" mb=%.1f mb_per_s=%.1f", mb, mb / secs);
    std::printf(" peak_rss_kb=%ld\n", peak_rss_kb());
}

int read_mode(char** argv) {
    ora_engine engine;
    auto db = engine.open_db(wide(argv[2]), wide(argv[3]), wide(argv[4]));
    db->get_tables();
    const auto start = clock_type::now();
    auto table = db->get_table(wide(argv[5]), 1);
    long rows = 0;
    std::size_t cells = 0;
    table->reset();
    while (!table->is_eof()) {
        udb_record* record = table->get_item();
        cells += record->size();
        ++rows;
        table->next();
    }
    print("read", rows, seconds_since(start), 0);
    return cells > 0 ? 0 : 1;
}

// The rows of the mixed table, made in memory before the clock starts: ID, QTY, PRICE, NAME,
// CREATED, NOTE (NULL in every third row).  A pool of records is cycled through with the ID set
// per row, so that what is timed is the writing alone.
int write_mode(char** argv) {
    const long rows = std::atol(argv[2]);
    constexpr long k_pool = 3000;
    std::vector<std::unique_ptr<udb_record>> pool;
    const ole_variant created = ole_date(std::wstring(L"2024-03-01 12:34:56")).to_variant();
    for (long i = 1; i <= k_pool; ++i) {
        // Numbers of the same width as the table's: the text is as long as the real rows'.
        const long n = 100000 + i;
        auto record = std::make_unique<udb_record>();
        record->add_field(udb_field(L"ID", 10, ole_variant(static_cast<long long>(i))));
        record->add_field(udb_field(L"QTY", 9, ole_variant(static_cast<int>(i % 1000))));
        ole_variant price = ole_variant::from_string(std::to_string(n) + ".25", VT_DECIMAL);
        record->add_field(udb_field(L"PRICE", 12, std::move(price)));
        record->add_field(
            udb_field(L"NAME", 40, ole_variant(L"customer name number " + std::to_wstring(n))));
        record->add_field(udb_field(L"CREATED", 8, created));
        record->add_field(udb_field(
            L"NOTE", 20, i % 3 == 0 ? ole_variant() : ole_variant(std::wstring(L"note"))));
        pool.push_back(std::move(record));
    }
    sql_engine engine;
    engine.version_word = 0x040100;
    dump_options options;
    options.caption = "bench";
    udb_schema schema;
    schema.add_field(t_ftd(10, L"ID", VT_I8, true, false, ole_variant(), 0, L""));
    schema.add_field(t_ftd(9, L"QTY", VT_I4, false, false, ole_variant(), 0, L""));
    schema.add_field(
        t_ftd(12, L"PRICE", VT_DECIMAL, false, false, ole_variant(), 12 * 256 + 2, L""));
    schema.add_field(t_ftd(40, L"NAME", VT_BSTR, false, false, ole_variant(), 0, L""));
    schema.add_field(t_ftd(8, L"CREATED", VT_DATE, false, false, ole_variant(), 1, L""));
    schema.add_field(t_ftd(20, L"NOTE", VT_BSTR, false, false, ole_variant(), 0, L""));
    const auto start = clock_type::now();
    auto dump = engine.create_dump(wide(argv[3]), options);
    auto table = dump->create_table(L"MIXED", schema, udb_indexes());
    for (long i = 1; i <= rows; ++i) {
        udb_record& record = *pool[static_cast<std::size_t>(i % k_pool)];
        static_cast<ole_variant&>(record[0]) = ole_variant(static_cast<long long>(i));
        table->append_record(record);
    }
    table->flush();
    table.reset();
    dump->close();
    dump.reset();
    print("write", rows, seconds_since(start),
          static_cast<long long>(std::filesystem::file_size(argv[3])));
    return 0;
}

int convert_mode(char** argv) {
    counting_handler handler;
    handler.load_err_map(12, mysql_error_texts);
    quiet_front_end front;
    tabshift_convertor conv;
    conv.store_oracle_settings(L"", wide(argv[3]), wide(argv[4]), L"");
    conv.connect_oracle_server(wide(argv[2]));
    conv.selected_tables = {wide(argv[5])};
    conv.mysql_direct = false;
    conv.m_destination_name = wide(argv[6]);
    const auto start = clock_type::now();
    conv();
    const double secs = seconds_since(start);
    const long rows = conv.table_records;
    print("convert", rows, secs, static_cast<long long>(std::filesystem::file_size(argv[6])));
    return handler.errors == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    try {
        if (mode == "read" && argc == 6) return read_mode(argv);
        if (mode == "write" && argc == 4) return write_mode(argv);
        if (mode == "convert" && argc == 7) return convert_mode(argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: %s read INSTANCE USER PASSWORD TABLE | write ROWS DUMP | convert INSTANCE "
                 "USER PASSWORD TABLE DUMP\n",
                 argv[0]);
    return 2;
}
