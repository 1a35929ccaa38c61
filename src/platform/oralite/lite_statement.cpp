#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <system_error>

#include "ddl/lite_dictionary.h"
#include "lite_engine.h"
#include "functions/lite_function_table.h"
#include "lite_value_text.h"
#include "lite_internal.h"
#include "lite_read_ahead.h"
#include "lite_cell_numbers.h"
#include "lite_errors.h"
#include "lite_names.h"
#include "lite_sqlite_stmt.h"
#include "ddl/lite_session_schema.h"
#include "sql/lite_type_resolver.h"

namespace {

// Oracle's text of a double into buf, without allocating in the common case.
void number_into(double v, std::string& buf) {
    char text[64];
    const size_t n = lite_short_number_text(v, text);
    if (n == 0) {
        buf = lite_number_text(v);
    } else {
        buf.assign(text, n);
    }
}

// 10^k for the scales a NUMBER may declare, without a pow() per cell.
double pow10(int k) {
    static const auto table = [] {
        std::array<double, 81> t{};
        for (int i = 0; i < 81; ++i) t[static_cast<size_t>(i)] = std::pow(10.0, i - 40);
        return t;
    }();
    const int index = k + 40;
    return table[static_cast<size_t>(index)];
}

// A real as SQLite turns it into an integer: truncated, and held at the ends of the range.
int64_t double_to_int64(double r) {
    if (std::isnan(r)) return 0;
    if (r <= -9.2233720368547758e18) return INT64_MIN;
    if (r >= 9.2233720368547758e18) return INT64_MAX;
    return static_cast<int64_t>(r);
}

enum render_kind { r_plain, r_number, r_date, r_timestamp, r_hex, r_rowid, r_char };

// What a describe says of a column whose type neither the dictionary nor the expression tells
// (a bind variable, NULL, a column of a view): the first row's storage, when there is one.
lite_column guessed_column(const std::string& name, int storage) {
    lite_coltype t;
    if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) {
        t.data_type = "NUMBER";
    } else if (storage == SQLITE_BLOB) {
        t.data_type = "RAW";
        t.data_length = 2000;
    } else {
        t.data_type = "VARCHAR2";
        t.data_length = 4000;
    }
    return lite_describe_coltype(name, t, true);
}

int render_for(const lite_column& c) {
    switch (c.type_code) {
        case LITE_NUMBER:
        case LITE_BINARY_FLOAT:
        case LITE_BINARY_DOUBLE:
            return r_number;
        case LITE_DATE:
            return r_date;
        case LITE_TIMESTAMP:
        case LITE_TIMESTAMP_TZ:
        case LITE_TIMESTAMP_LTZ:
            return r_timestamp;
        case LITE_RAW:
        case LITE_LONG_RAW:
        case LITE_BLOB:
            return r_hex;
        case LITE_ROWID:
            return r_rowid;
        case LITE_CHAR:
            return r_char;
        default:
            return r_plain;
    }
}

// The family of values a query column holds, as a set operation matches its operands;
// 0 when the column's type cannot be told (NULL, a bind) and any family will do.
int value_family(const std::optional<lite_column>& c) {
    if (!c) return 0;
    switch (c->type_code) {
        case LITE_NUMBER:
        case LITE_BINARY_FLOAT:
        case LITE_BINARY_DOUBLE:
            return 1;
        case LITE_VARCHAR2:
        case LITE_CHAR:
            return 2;
        case LITE_DATE:
        case LITE_TIMESTAMP:
        case LITE_TIMESTAMP_TZ:
        case LITE_TIMESTAMP_LTZ:
            return 3;
        case LITE_RAW:
            return 4;
        default:
            return 0;
    }
}

// UNION, INTERSECT and MINUS pair their operands' columns by position, and Oracle refuses a
// pair of different families before it reads a row.
void check_set_operands(lite_type_resolver& resolver, const lite_query& q) {
    if (q.block) return;
    check_set_operands(resolver, *q.left);
    check_set_operands(resolver, *q.right);
    const size_t n =
        std::min(q.left->first_block().items.size(), q.right->first_block().items.size());
    for (size_t k = 0; k < n; ++k) {
        const int left = value_family(resolver.item(*q.left, k, std::string()));
        const int right = value_family(resolver.item(*q.right, k, std::string()));
        if (left != 0 && right != 0 && left != right) {
            throw lite_error(ora_err::set_operand_type_mismatch,
                             "expression must have same datatype as corresponding expression");
        }
    }
}

}  // namespace

lite_statement::lite_statement(lite_session& session, std::string oracle_sql)
    : session_(session), oracle_sql_(std::move(oracle_sql)) {}

lite_statement::~lite_statement() {
    stop_read_ahead();
}

void lite_statement::compile() {
    conn_ = session_.db();
    lite_translation tr = lite_translate(oracle_sql_, session_.user(), &session_.schema());
    kind_ = tr.kind;
    sqlite_sql_ = std::move(tr.sql);
    returning_bind_ = std::move(tr.returning_bind);
    update_owner_ = std::move(tr.update_owner);
    update_table_ = std::move(tr.update_table);
    hidden_rowid_ = tr.hidden_rowid;
    uses_session_state_ = tr.uses_session_state;
    tree_ = std::move(tr.tree);
    if (kind_ == kind::ddl || kind_ == kind::other) {
        if (kind_ == kind::other) verb_ = tr.verb;
        return;
    }
    if (tree_) {
        lite_type_resolver resolver(session_);
        check_set_operands(resolver, *tree_);
    }
    const char* tail = nullptr;
    const bool prepared = lite_stmt::try_prepare(session_.db(), sqlite_sql_, stmt_, &tail);
    if (!prepared || !stmt_) {
        if (prepared) throw lite_error(ora_err::invalid_sql_statement, "invalid SQL statement");
        throw lite_sqlite_error(session_.db(), &session_);
    }
    int n = sqlite3_bind_parameter_count(stmt_.get());
    bound_.assign(static_cast<size_t>(n), false);
    bind_names_.clear();
    for (int i = 1; i <= n; ++i) {
        const char* name = sqlite3_bind_parameter_name(stmt_.get(), i);
        bind_names_.push_back(name && *name ? name + 1 : std::to_string(i));
    }
}

int lite_statement::bind_count() const noexcept {
    return static_cast<int>(bind_names_.size());
}

int lite_statement::bind_index(std::string_view name) const noexcept {
    if (!name.empty() && name[0] == ':') name.remove_prefix(1);
    std::string up = lite_upper(name);
    for (size_t i = 0; i < bind_names_.size(); ++i) {
        if (bind_names_[i] == up) return static_cast<int>(i) + 1;
    }
    return 0;
}

std::string lite_statement::bind_name(int position) const {
    if (position < 1 || position > bind_count()) return {};
    return bind_names_[static_cast<size_t>(position) - 1];
}

namespace {
// SQLite names one NOT NULL failure for INSERT and UPDATE alike; Oracle tells them apart.
lite_error not_null_error_of_update(const lite_error& e, std::string_view oracle_sql) {
    constexpr std::string_view insert_text = "cannot insert NULL into ";
    if (e.code() != ora_err::cannot_insert_null || e.text().rfind(insert_text, 0) != 0 ||
        lite_statement_verb(oracle_sql) != "UPDATE") {
        return e;
    }
    return lite_error(ora_err::cannot_update_to_null,
                      "cannot update " + e.text().substr(insert_text.size()) + " to NULL");
}

void check_bind(sqlite3_stmt* s, int position, int count) {
    if (!s || position < 1 || position > count)
        throw lite_error(ora_err::illegal_variable_name, "illegal variable name/number");
    sqlite3_reset(s);
}
}  // namespace

void lite_statement::bind_null(int position) {
    stop_read_ahead();
    check_bind(stmt_.get(), position, bind_count());
    bound_[static_cast<size_t>(position) - 1] = true;
    executed_ = false;
    sqlite3_bind_null(stmt_.get(), position);
}

void lite_statement::bind_int64(int position, int64_t value) {
    stop_read_ahead();
    check_bind(stmt_.get(), position, bind_count());
    bound_[static_cast<size_t>(position) - 1] = true;
    executed_ = false;
    sqlite3_bind_int64(stmt_.get(), position, value);
}

void lite_statement::bind_double(int position, double value) {
    stop_read_ahead();
    check_bind(stmt_.get(), position, bind_count());
    bound_[static_cast<size_t>(position) - 1] = true;
    executed_ = false;
    sqlite3_bind_double(stmt_.get(), position, value);
}

void lite_statement::bind_text(int position, std::string_view utf8) {
    stop_read_ahead();
    check_bind(stmt_.get(), position, bind_count());
    bound_[static_cast<size_t>(position) - 1] = true;
    executed_ = false;
    if (utf8.empty()) {
        sqlite3_bind_null(stmt_.get(), position);
    } else {
        sqlite3_bind_text(stmt_.get(), position, utf8.data(), static_cast<int>(utf8.size()),
                          SQLITE_TRANSIENT);
    }
}

void lite_statement::bind_bytes(int position, std::span<const unsigned char> bytes) {
    stop_read_ahead();
    check_bind(stmt_.get(), position, bind_count());
    bound_[static_cast<size_t>(position) - 1] = true;
    executed_ = false;
    if (bytes.empty()) {
        sqlite3_bind_null(stmt_.get(), position);
    } else {
        sqlite3_bind_blob(stmt_.get(), position, bytes.data(), static_cast<int>(bytes.size()),
                          SQLITE_TRANSIENT);
    }
}

void lite_statement::bind_datetime(int position, const lite_datetime& value, bool with_fraction) {
    std::string t = lite_iso_text(value, with_fraction ? 9 : 0);
    bind_text(position, t);
}

void lite_statement::clear_binds() {
    stop_read_ahead();
    if (!stmt_) return;
    sqlite3_reset(stmt_.get());
    executed_ = false;
    sqlite3_clear_bindings(stmt_.get());
    bound_.assign(bound_.size(), false);
}

void lite_statement::execute() {
    stop_read_ahead();
    if (!session_.db() || session_.db() != conn_)
        throw lite_error(ora_err::not_connected, "not connected to ORACLE");
    rows_ = 0;
    has_row_ = false;
    pending_row_ = false;
    at_end_ = false;
    if (kind_ == kind::ddl) {
        session_.commit();
        lite_run_ddl(session_, oracle_sql_);
        executed_ = true;
        return;
    }
    if (kind_ == kind::other) {
        if (verb_ == "COMMIT") session_.commit();
        if (verb_ == "ROLLBACK") session_.rollback();
        executed_ = true;
        return;
    }
    for (bool b : bound_) {
        if (!b) throw lite_error(ora_err::not_all_variables_bound, "not all variables bound");
    }
    sqlite3_reset(stmt_.get());
    if (kind_ == kind::dml) session_.begin_if_needed();
    lite_clear_function_error();
    int rc = sqlite3_step(stmt_.get());
    if (kind_ == kind::dml) {
        // RETURNING ROWID: the statement answers one row per row it touched.
        returned_rowid_.clear();
        while (rc == SQLITE_ROW) {
            returned_rowid_ = std::to_string(sqlite3_column_int64(stmt_.get(), 0));
            rc = sqlite3_step(stmt_.get());
        }
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        lite_error e = lite_sqlite_error(session_.db(), &session_);
        sqlite3_reset(stmt_.get());
        throw not_null_error_of_update(e, oracle_sql_);
    }
    executed_ = true;
    if (kind_ == kind::dml) {
        rows_ = sqlite3_changes64(session_.db());
        sqlite3_reset(stmt_.get());
        return;
    }
    pending_row_ = rc == SQLITE_ROW;
    at_end_ = rc == SQLITE_DONE;
    describe();
}

void lite_statement::describe_only() {
    if (kind_ != kind::query) return;
    if (!executed_) describe();
}

void lite_statement::describe() {
    int n = sqlite3_column_count(stmt_.get()) - (hidden_rowid_ ? 1 : 0);
    columns_.clear();
    columns_.reserve(static_cast<size_t>(n));
    origin_table_.assign(static_cast<size_t>(n), std::string());
    origin_column_.assign(static_cast<size_t>(n), std::string());
    // Select items map to columns one to one up to the first "*".
    size_t mapped = 0;
    if (tree_) {
        for (const lite_select_item& it : tree_->first_block().items) {
            if (it.expr->kind == lite_expr::star) break;
            ++mapped;
        }
    }
    lite_type_resolver resolver(session_);
    for (int i = 0; i < n; ++i) {
        const char* name = sqlite3_column_name(stmt_.get(), i);
        std::string shown = lite_oracle_name(name ? name : "");
        const char* db = sqlite3_column_database_name(stmt_.get(), i);
        const char* sqlite_table = sqlite3_column_table_name(stmt_.get(), i);
        const char* sqlite_origin = sqlite3_column_origin_name(stmt_.get(), i);
        const char* decl = sqlite3_column_decltype(stmt_.get(), i);
        lite_column c;
        bool done = false;
        if (sqlite_table && sqlite_origin) {
            const std::string table = lite_oracle_name(sqlite_table);
            const std::string origin = lite_oracle_name(sqlite_origin);
            if (std::strcmp(db, k_lite_dict) != 0 && std::strcmp(db, "temp") != 0) {
                std::string owner = session_.owner_of(db);
                origin_table_[static_cast<size_t>(i)] = owner + '\x1f' + table;
                origin_column_[static_cast<size_t>(i)] = origin;
                const lite_column* dc = session_.dictionary_column(owner, table, origin);
                if (dc) {
                    c = *dc;
                    c.name = shown;
                    done = true;
                } else if (strcasecmp(origin.c_str(), "rowid") == 0) {
                    lite_coltype t;
                    t.data_type = "ROWID";
                    c = lite_describe_coltype(shown, t, false);
                    done = true;
                }
            }
            if (!done && decl) {
                c = lite_describe_coltype(shown, lite_coltype_from_decl(decl), true);
                done = true;
            }
        }
        if (!done && tree_ && static_cast<size_t>(i) < mapped) {
            if (auto t = resolver.item(*tree_, static_cast<size_t>(i), shown)) {
                c = std::move(*t);
                done = true;
            }
        }
        if (!done) {
            int storage = pending_row_ ? sqlite3_column_type(stmt_.get(), i) : SQLITE_NULL;
            c = guessed_column(shown, storage);
        }
        columns_.push_back(std::move(c));
    }
    render_.resize(columns_.size());
    cell_text_.resize(columns_.size());
    for (size_t i = 0; i < columns_.size(); ++i) render_[i] = render_for(columns_[i]);
}

std::string lite_statement::update_column(int col) const {
    if (update_table_.empty() || col < 0 || static_cast<size_t>(col) >= origin_table_.size()) {
        return {};
    }
    if (origin_table_[static_cast<size_t>(col)] != update_owner_ + '\x1f' + update_table_)
        return {};
    return origin_column_[static_cast<size_t>(col)];
}

std::string lite_statement::update_rowid() const {
    if (!hidden_rowid_) return {};
    int col = static_cast<int>(columns_.size());
    if (!has_row_) return {};
    if (read_ahead_) {
        const lite_cell_view c = read_ahead_->cell(col);
        return c.type == SQLITE_NULL ? std::string() : std::to_string(c.integer);
    }
    if (sqlite3_column_type(stmt_.get(), col) == SQLITE_NULL) return {};
    return std::to_string(sqlite3_column_int64(stmt_.get(), col));
}

bool lite_statement::may_read_ahead() const {
    // Sequence numbers are session state: drawing them ahead of the client would both race with
    // the session and hand out numbers for rows never fetched.
    return read_ahead_rows_ > 1 && !uses_session_state_;
}

void lite_statement::start_read_ahead() {
    // Numbers are rendered and dates read on the reader's thread too: they are the costly
    // cells.
    std::vector<lite_read_ahead::prepared> prepare(render_.size(), lite_read_ahead::stored_only);
    for (size_t i = 0; i < render_.size(); ++i) {
        if (render_[i] == r_number || render_[i] == r_rowid) {
            // A NUMBER of negative scale rounds its integers; every other integer shows its
            // digits as they are.
            const lite_column& c = columns_[i];
            const bool rounds = c.type_code == LITE_NUMBER && c.precision > 0 && c.scale < 0;
            prepare[i] = rounds ? lite_read_ahead::shown_text : lite_read_ahead::shown_number;
        } else if (render_[i] == r_date || render_[i] == r_timestamp) {
            prepare[i] = lite_read_ahead::parsed_date;
        } else if (render_[i] == r_plain) {
            prepare[i] = lite_read_ahead::stored_text;
        }
    }
    auto render_ahead = [this](int col, const lite_cell_view& c, char* out) -> size_t {
        if (c.type != SQLITE_INTEGER && c.type != SQLITE_FLOAT) return 0;
        return number_text(col, c.type, c.integer, c.real, out);
    };
    try {
        // The statement stands on the row just stepped to: the reader hands it over first.
        read_ahead_ =
            std::make_unique<lite_read_ahead>(conn_, stmt_.get(), &session_, read_ahead_rows_, true,
                                              std::move(prepare), render_ahead);
    } catch (const std::system_error&) {
        return;  // no thread to be had: the rows are read as the client asks for them
    }
    session_.reading_ahead_.push_back(this);
}

void lite_statement::stop_read_ahead() noexcept {
    if (!read_ahead_) return;
    read_ahead_.reset();
    auto& list = session_.reading_ahead_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

bool lite_statement::next_ahead() {
    bool more = false;
    try {
        more = read_ahead_->next();
    } catch (const lite_error&) {
        has_row_ = false;
        at_end_ = true;
        stop_read_ahead();
        sqlite3_reset(stmt_.get());
        executed_ = false;
        throw;
    }
    has_row_ = more;
    if (more) {
        ++rows_;
        return true;
    }
    at_end_ = true;
    stop_read_ahead();
    return false;
}

bool lite_statement::next() {
    if (kind_ != kind::query)
        throw lite_error(ora_err::define_not_done,
                         "define not done before fetch or execute and fetch");
    if (!executed_)
        throw lite_error(ora_err::statement_not_executed, "statement handle not executed");
    if (!session_.db() || session_.db() != conn_)
        throw lite_error(ora_err::not_connected, "not connected to ORACLE");
    if (read_ahead_) return next_ahead();
    if (pending_row_) {
        pending_row_ = false;
        has_row_ = true;
        ++rows_;
        return true;
    }
    if (at_end_) {
        has_row_ = false;
        return false;
    }
    lite_clear_function_error();
    int rc = sqlite3_step(stmt_.get());
    if (rc == SQLITE_ROW) {
        // The reader starts with the second row: a query opened for its description, or read
        // for one row, never costs a thread.
        if (rows_ == 1 && may_read_ahead()) {
            start_read_ahead();
            if (read_ahead_) return next_ahead();
        }
        has_row_ = true;
        ++rows_;
        return true;
    }
    has_row_ = false;
    at_end_ = true;
    if (rc != SQLITE_DONE) {
        lite_error e = lite_sqlite_error(session_.db(), &session_);
        sqlite3_reset(stmt_.get());
        executed_ = false;
        throw e;
    }
    return false;
}

void lite_statement::check_column(int col) const {
    if (!has_row_) throw lite_error(ora_err::fetch_out_of_sequence, "fetch out of sequence");
    if (session_.db() != conn_) throw lite_error(ora_err::not_connected, "not connected to ORACLE");
    if (col < 0 || col >= static_cast<int>(columns_.size())) {
        throw lite_error(ora_err::variable_not_in_select_list, "variable not in select list");
    }
}

namespace {

// The current row's cell from the reader when one runs, else from the statement.
lite_cell_view current_cell(sqlite3_stmt* stmt, const lite_read_ahead* ahead, int col) {
    if (ahead != nullptr) return ahead->cell(col);
    lite_cell_view c;
    c.type = sqlite3_column_type(stmt, col);
    switch (c.type) {
        case SQLITE_INTEGER:
            c.integer = sqlite3_column_int64(stmt, col);
            break;
        case SQLITE_FLOAT:
            c.real = sqlite3_column_double(stmt, col);
            break;
        case SQLITE_TEXT:
            c.bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
            c.size = static_cast<size_t>(sqlite3_column_bytes(stmt, col));
            break;
        case SQLITE_BLOB:
            c.bytes = static_cast<const char*>(sqlite3_column_blob(stmt, col));
            c.size = static_cast<size_t>(sqlite3_column_bytes(stmt, col));
            break;
        default:
            break;
    }
    return c;
}

}  // namespace

bool lite_statement::is_null(int col) const {
    check_column(col);
    if (read_ahead_) return read_ahead_->cell(col).type == SQLITE_NULL;
    return sqlite3_column_type(stmt_.get(), col) == SQLITE_NULL;
}

int lite_statement::storage_class(int col) const {
    check_column(col);
    if (read_ahead_) return read_ahead_->cell(col).type;
    return sqlite3_column_type(stmt_.get(), col);
}

std::string_view lite_statement::text(int col) {
    return text_unless_null(col).value_or(std::string_view());
}

std::optional<std::string_view> lite_statement::text_unless_null(int col) {
    check_column(col);
    const lite_cell_view c = current_cell(stmt_.get(), read_ahead_.get(), col);
    if (c.type == SQLITE_NULL) return std::nullopt;
    if (read_ahead_) {
        size_t size = 0;
        if (const char* ready = read_ahead_->ready(col, size)) return std::string_view(ready, size);
    }
    return render(col, c.type, c.integer, c.real, c.bytes, c.size,
                  cell_text_[static_cast<size_t>(col)]);
}

double lite_statement::rounded(int col, double v) const {
    // NUMBER(p,s) holds its value rounded to s digits (half away from zero), as Oracle stores
    // it, whatever wider value was written.
    const lite_column& c = columns_[static_cast<size_t>(col)];
    if (c.type_code != LITE_NUMBER || c.precision <= 0 || c.scale == -127 || c.scale <= -40 ||
        c.scale >= 40) {
        return v;
    }
    const double unit = pow10(c.scale);
    const double r = std::round(v * unit) / unit;
    return std::isfinite(r) ? r : v;
}

size_t lite_statement::number_text(int col, int t, int64_t integer, double real, char* out) const {
    const lite_column& c = columns_[static_cast<size_t>(col)];
    if (t == SQLITE_FLOAT &&
        (c.type_code == LITE_BINARY_DOUBLE || c.type_code == LITE_BINARY_FLOAT)) {
        const bool single = c.type_code == LITE_BINARY_FLOAT;
        if (const size_t n = lite_short_binary_real_text(real, single, out)) return n;
        const std::string text = lite_binary_real_text(real, single);
        if (text.size() >= 64) return 0;
        // The caller takes the length returned, not a terminator.
        std::memcpy(out, text.data(), text.size());  // NOLINT(bugprone-not-null-terminated-result)
        return text.size();
    }
    if (t == SQLITE_FLOAT) {
        // A NUMBER(p,s) value is its digits at the scale: the text is made from them when they
        // say the same as the general conversion.
        if (c.type_code == LITE_NUMBER && c.precision > 0 && c.scale >= 0 && c.scale <= 15) {
            const double digits =
                std::round(real * static_cast<double>(lite_powers_of_ten[c.scale]));
            if (std::fabs(digits) < 1e15) {
                const size_t n =
                    lite_scaled_number_text(static_cast<int64_t>(digits), c.scale, out);
                if (n > 0) return n;
            }
        }
        return lite_short_number_text(rounded(col, real), out);
    }
    if (c.type_code == LITE_NUMBER && c.precision > 0 && c.scale < 0 && c.scale > -19) {
        // Rounded to tens or more, on the magnitude, unsigned: rounding up near the int64
        // limits must not overflow.
        uint64_t unit = 1;
        for (int k = 0; k < -c.scale; ++k) unit *= 10;
        uint64_t mag =
            integer < 0 ? 0 - static_cast<uint64_t>(integer) : static_cast<uint64_t>(integer);
        const uint64_t rem = mag % unit;
        mag -= rem;
        if (rem >= unit - rem) mag += unit;
        char* e = out;
        if (integer < 0 && mag != 0) *e++ = '-';
        e = std::to_chars(e, out + 64, mag).ptr;
        return static_cast<size_t>(e - out);
    }
    return lite_int_text(integer, out);
}

std::string_view lite_statement::render(int col, int t, int64_t integer, double real,
                                        const char* bytes, size_t size, std::string& buf) const {
    if (t == SQLITE_NULL) return {};
    switch (render_[static_cast<size_t>(col)]) {
        case r_number:
        case r_rowid: {
            if (t != SQLITE_INTEGER && t != SQLITE_FLOAT) break;
            char text[64];
            const size_t n = number_text(col, t, integer, real, text);
            if (n > 0) {
                buf.assign(text, n);
            } else if (const int code = columns_[static_cast<size_t>(col)].type_code;
                       code == LITE_BINARY_DOUBLE || code == LITE_BINARY_FLOAT) {
                buf = lite_binary_real_text(real, code == LITE_BINARY_FLOAT);
            } else {  // only a real may need an exponent
                buf = lite_number_text(rounded(col, real));
            }
            return buf;
        }
        case r_date:
        case r_timestamp: {
            if (t != SQLITE_TEXT) break;
            std::string_view v(bytes, size);
            size_t want = render_[static_cast<size_t>(col)] == r_date ? 19 : 29;
            if (v.size() == want) return v;
            lite_datetime d;
            if (!lite_parse_iso(v, d)) return v;
            buf = lite_iso_text(d, want == 19 ? 0 : 9);
            return buf;
        }
        case r_hex: {
            if (t != SQLITE_BLOB) break;
            const auto* p = reinterpret_cast<const unsigned char*>(bytes);
            int n = static_cast<int>(size);
            static const char* hx = "0123456789ABCDEF";
            buf.resize(static_cast<size_t>(n) * 2);
            for (int i = 0; i < n; ++i) {
                buf[static_cast<size_t>(i) * 2] = hx[p[i] >> 4];
                buf[static_cast<size_t>(i) * 2 + 1] = hx[p[i] & 15];
            }
            return buf;
        }
        case r_char: {
            // CHAR keeps its declared width: blanks fill it in bytes, or in characters.
            if (t != SQLITE_TEXT) break;
            const lite_column& c = columns_[static_cast<size_t>(col)];
            std::string_view v(bytes, size);
            size_t have = v.size();
            size_t want = static_cast<size_t>(c.data_size);
            if (c.char_semantics) {
                have = 0;
                for (char ch : v) have += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
                want = static_cast<size_t>(c.char_length);
            }
            if (have >= want) return v;
            buf.assign(v);
            buf.append(want - have, ' ');
            return buf;
        }
        default:
            break;
    }
    if (t == SQLITE_FLOAT) {
        number_into(real, buf);
        return buf;
    }
    if (t == SQLITE_INTEGER) {  // as SQLite writes an integer as text
        char b[32];
        buf.assign(b, lite_int_text(integer, b));
        return buf;
    }
    return std::string_view(bytes, size);
}

std::span<const unsigned char> lite_statement::bytes(int col) {
    check_column(col);
    const lite_cell_view c = current_cell(stmt_.get(), read_ahead_.get(), col);
    if (c.type == SQLITE_NULL) return {};
    if (c.type != SQLITE_BLOB) {
        std::string_view v = text(col);
        return {reinterpret_cast<const unsigned char*>(v.data()), v.size()};
    }
    return {reinterpret_cast<const unsigned char*>(c.bytes), c.size};
}

int64_t lite_statement::as_int64(int col) const {
    check_column(col);
    if (!read_ahead_) return sqlite3_column_int64(stmt_.get(), col);
    const lite_cell_view c = read_ahead_->cell(col);
    switch (c.type) {
        case SQLITE_INTEGER:
            return c.integer;
        case SQLITE_FLOAT:
            return double_to_int64(c.real);
        case SQLITE_TEXT:
        case SQLITE_BLOB:
            return std::strtoll(c.bytes, nullptr, 10);
        default:
            return 0;
    }
}

double lite_statement::as_double(int col) const {
    check_column(col);
    if (!read_ahead_) return sqlite3_column_double(stmt_.get(), col);
    const lite_cell_view c = read_ahead_->cell(col);
    switch (c.type) {
        case SQLITE_INTEGER:
            return static_cast<double>(c.integer);
        case SQLITE_FLOAT:
            return c.real;
        case SQLITE_TEXT:
        case SQLITE_BLOB:
            return std::strtod(c.bytes, nullptr);
        default:
            return 0;
    }
}

lite_datetime lite_statement::as_datetime(int col) const {
    check_column(col);
    const char* p = nullptr;
    char b[40];
    if (!read_ahead_) {
        p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_.get(), col));
    } else {
        if (lite_datetime read; read_ahead_->date(col, read)) return read;
        const lite_cell_view c = read_ahead_->cell(col);
        if (c.type == SQLITE_TEXT || c.type == SQLITE_BLOB) {
            p = c.bytes;
        } else if (c.type == SQLITE_INTEGER) {
            b[lite_int_text(c.integer, b)] = '\0';
            p = b;
        } else if (c.type == SQLITE_FLOAT) {
            std::snprintf(b, sizeof b, "%.15g", c.real);
            p = b;
        }
    }
    lite_datetime d;
    if (!p || !lite_parse_iso(p, d)) {
        throw lite_error(ora_err::non_numeric_character,
                         "a non-numeric character was found where a numeric was expected");
    }
    return d;
}
