// Output definitions and the copy of one fetched row into them.
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

#include "lite_read_ahead.h"
#include "client/oci_api.h"
#include "client/oci_text.h"
#include "lite_errors.h"

namespace {

// The most select-list items a statement can have.
constexpr ub4 kMaxSelectList = 4096;

// Per-cell destinations inside the caller's arrays.
struct cell_out {
    unsigned char* value;
    sb4 size;
    sb2* ind;
    ub2* rlen;
    ub2* rcode;
};

void set_meta(const cell_out& o, sb2 ind, size_t rlen, ub2 rcode) {
    if (o.ind != nullptr) *o.ind = ind;
    if (o.rlen != nullptr) *o.rlen = static_cast<ub2>(std::min<size_t>(rlen, 65535));
    if (o.rcode != nullptr) *o.rcode = rcode;
}

// Marks a truncated value: the indicator carries the original length, or -2 when that length
// does not fit in it.
int truncated(const cell_out& o, size_t original, size_t returned) {
    set_meta(o, original > 32767 ? sb2{-2} : static_cast<sb2>(original), returned,
             ora_err::value_truncated);
    return ora_err::value_truncated;
}

// Text in the define's character set; `written`, when given, receives the bytes of text stored.
int put_text(const cell_out& o, std::string_view utf8, ub2 dty, ub2 charset_id,
             size_t* written = nullptr) {
    size_t ignored = 0;
    size_t& stored = written != nullptr ? *written : ignored;
    const bool terminated = dty == SQLT_STR || dty == SQLT_AVC;
    const size_t cap_bytes = o.size > 0 ? static_cast<size_t>(o.size) : 0;
    if (oci_is_utf8_charset(charset_id)) {
        const size_t room = terminated ? (cap_bytes == 0 ? 0 : cap_bytes - 1) : cap_bytes;
        const size_t n = std::min(room, utf8.size());
        std::memcpy(o.value, utf8.data(), n);
        size_t end = n;
        if (dty == SQLT_AFC) {
            std::memset(o.value + n, ' ', cap_bytes - n);
            end = cap_bytes;
        }
        if (terminated && cap_bytes > 0) o.value[n] = 0;
        stored = n;
        if (n < utf8.size() || (terminated && cap_bytes == 0)) {
            return truncated(o, utf8.size(), n);
        }
        set_meta(o, 0, end, 0);
        return 0;
    }
    size_t cap_units = cap_bytes / 2;
    if (terminated) cap_units = cap_units == 0 ? 0 : cap_units - 1;
    size_t needed = 0;
    const size_t n = oci_text::utf8_to_utf16_into(utf8, o.value, cap_units, &needed);
    size_t end_units = n;
    if (dty == SQLT_AFC) {
        const char16_t blank = u' ';
        for (size_t k = n; k < cap_bytes / 2; ++k) std::memcpy(o.value + 2 * k, &blank, 2);
        end_units = cap_bytes / 2;
    }
    if (terminated && cap_bytes >= 2) {
        const char16_t zero = 0;
        std::memcpy(o.value + 2 * n, &zero, 2);
    }
    stored = n * 2;
    if (n < needed || (terminated && cap_bytes < 2)) return truncated(o, needed * 2, n * 2);
    set_meta(o, 0, end_units * 2, 0);
    return 0;
}

// SQLT_LVC: the text's byte count in four bytes ahead of the unterminated text, so that a value
// longer than a two-byte length can count arrives with its exact length, zero characters and all.
int put_counted_text(const cell_out& o, std::string_view utf8, ub2 charset_id) {
    constexpr sb4 prefix = sizeof(sb4);
    const sb4 room = o.size > prefix ? o.size - prefix : 0;
    size_t written = 0;
    const int rc = put_text(cell_out{o.value + prefix, room, o.ind, o.rlen, o.rcode}, utf8,
                            SQLT_LNG, charset_id, &written);
    if (o.size >= prefix) {
        const sb4 length = static_cast<sb4>(written);
        std::memcpy(o.value, &length, sizeof length);
    }
    return rc;
}

int put_bytes(const cell_out& o, std::span<const unsigned char> bytes) {
    const size_t cap = o.size > 0 ? static_cast<size_t>(o.size) : 0;
    const size_t n = std::min(cap, bytes.size());
    if (n > 0) std::memcpy(o.value, bytes.data(), n);
    if (n < bytes.size()) return truncated(o, bytes.size(), n);
    set_meta(o, 0, n, 0);
    return 0;
}

// A cell's text, zero-terminated, in a stack buffer when it fits (numbers always do).
class c_text {
public:
    explicit c_text(std::string_view text) {
        while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
        if (text.size() < sizeof small_) {
            std::memcpy(small_, text.data(), text.size());
            small_[text.size()] = '\0';
            p_ = small_;
        } else {
            big_.assign(text);
            p_ = big_.c_str();
        }
        empty_ = text.empty();
    }
    const char* c_str() const { return p_; }
    bool empty() const { return empty_; }

private:
    char small_[96];
    std::string big_;
    const char* p_;
    bool empty_;
};

// A number cell's text as a double; false when the text is not a number.
bool parse_double(const c_text& s, double& out) {
    if (s.empty()) return false;
    // Decimal text reads faster, to the same nearest double, without strtod; what it does not
    // take whole (a sign '+', blanks first, a value past the range) strtod reads as always.
    const char* text = s.c_str();
    const char* const text_end = text + std::strlen(text);
    const auto [ptr, ec] = std::from_chars(text, text_end, out);
    if (ec == std::errc() && ptr == text_end) return true;
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return end != nullptr && *end == '\0';
}

int put_integer(const cell_out& o, std::string_view text, bool is_unsigned) {
    double d = 0;
    const c_text s(text);
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(s.c_str(), &end, 10);
    if (s.empty() || end == nullptr || *end != '\0' || errno == ERANGE) {
        if (!parse_double(s, d)) return ora_err::invalid_number;
        d = std::trunc(d);
        if (!(d >= -9.2233720368547758e18 && d < 9.2233720368547758e18))
            return ora_err::integer_overflow;
        v = static_cast<long long>(d);
    }
    switch (o.size) {
        case 1:
            if (is_unsigned ? (v < 0 || v > 255) : (v < -128 || v > 127))
                return ora_err::integer_overflow;
            o.value[0] = static_cast<unsigned char>(v);
            break;
        case 2: {
            if (is_unsigned ? (v < 0 || v > 65535) : (v < -32768 || v > 32767))
                return ora_err::integer_overflow;
            const auto x = static_cast<int16_t>(v);
            std::memcpy(o.value, &x, 2);
            break;
        }
        case 4: {
            if (is_unsigned ? (v < 0 || v > 4294967295LL)
                            : (v < std::numeric_limits<int32_t>::min() ||
                               v > std::numeric_limits<int32_t>::max())) {
                return ora_err::integer_overflow;
            }
            const auto x = static_cast<int32_t>(v);
            std::memcpy(o.value, &x, 4);
            break;
        }
        case 8:
            if (is_unsigned && v < 0) return ora_err::integer_overflow;
            std::memcpy(o.value, &v, 8);
            break;
        default:
            return ora_err::unsupported_datatype;
    }
    set_meta(o, 0, static_cast<size_t>(o.size), 0);
    return 0;
}

int put_real(const cell_out& o, std::string_view text, ub2 dty) {
    double d = 0;
    if (!parse_double(c_text(text), d)) return ora_err::invalid_number;
    const bool single = dty == SQLT_BFLOAT || (dty == SQLT_FLT && o.size == 4);
    if (single) {
        if (o.size < 4) return ora_err::unsupported_datatype;
        const auto f = static_cast<float>(d);
        std::memcpy(o.value, &f, 4);
        set_meta(o, 0, 4, 0);
    } else {
        if (o.size < 8) return ora_err::unsupported_datatype;
        std::memcpy(o.value, &d, 8);
        set_meta(o, 0, 8, 0);
    }
    return 0;
}

int put_date7(const cell_out& o, const lite_datetime& v, ub2 dty) {
    if (o.size < 7) return ora_err::unsupported_datatype;
    if (dty == SQLT_ODT) {
        const auto year = static_cast<sb2>(v.year);
        std::memcpy(o.value, &year, 2);
        o.value[2] = static_cast<ub1>(v.month);
        o.value[3] = static_cast<ub1>(v.day);
        o.value[4] = static_cast<ub1>(v.hour);
        o.value[5] = static_cast<ub1>(v.minute);
        o.value[6] = static_cast<ub1>(v.second);
    } else {  // the server's own 7-byte form: excess-100 century and year, excess-1 time
        o.value[0] = static_cast<ub1>(v.year / 100 + 100);
        o.value[1] = static_cast<ub1>(v.year % 100 + 100);
        o.value[2] = static_cast<ub1>(v.month);
        o.value[3] = static_cast<ub1>(v.day);
        o.value[4] = static_cast<ub1>(v.hour + 1);
        o.value[5] = static_cast<ub1>(v.minute + 1);
        o.value[6] = static_cast<ub1>(v.second + 1);
    }
    set_meta(o, 0, 7, 0);
    return 0;
}

// A NULL cell: its indicator says so, and a define without one cannot take it.
int put_null(const cell_out& o) {
    if (o.ind == nullptr) return ora_err::null_fetched;
    set_meta(o, -1, 0, ora_err::null_fetched);
    return 0;
}

void* descriptor_at(const OCIDefine& d, ub4 row) {
    void* p = nullptr;
    std::memcpy(&p, static_cast<unsigned char*>(d.valuep) + row * sizeof(void*), sizeof p);
    return p;
}

// `n` bytes, copied in a few moves where the common short texts would cost a call.
inline void copy_short(unsigned char* to, const char* from, size_t n) {
    if (n > 32) {
        std::memcpy(to, from, n);
    } else if (n >= 16) {
        // Two overlapping halves of 16 bytes.
        std::uint64_t w[4];
        std::memcpy(&w[0], from, 16);
        std::memcpy(&w[2], from + n - 16, 16);
        std::memcpy(to, &w[0], 16);
        std::memcpy(to + n - 16, &w[2], 16);
    } else if (n >= 8) {
        std::uint64_t a, b;
        std::memcpy(&a, from, 8);
        std::memcpy(&b, from + n - 8, 8);
        std::memcpy(to, &a, 8);
        std::memcpy(to + n - 8, &b, 8);
    } else {
        for (size_t i = 0; i < n; ++i) to[i] = static_cast<unsigned char>(from[i]);
    }
}

// The cell of a one-row UTF-8 text define, from a row read ahead, when its text stands ready
// and fits, or it is NULL and the define has an indicator: filled with no other look at the
// define or the cell. False leaves the cell to fill_cell's general way.
inline bool fill_ready_text(const lite_read_ahead& ahead, const OCIDefine& d) {
    if (d.dty != SQLT_STR || d.dynamic || d.valuep == nullptr || d.value_sz <= 0 ||
        !oci_is_utf8_charset(d.charset_id) || d.position - 1 >= ahead.columns()) {
        return false;
    }
    const int col = static_cast<int>(d.position) - 1;
    size_t size = 0;
    const char* text = ahead.ready(col, size);
    const cell_out o{static_cast<unsigned char*>(d.valuep), d.value_sz, d.indp, d.rlenp, d.rcodep};
    if (text == nullptr) {
        if (d.indp == nullptr || !ahead.is_null(col)) return false;
        set_meta(o, -1, 0, ora_err::null_fetched);
        return true;
    }
    if (size >= static_cast<size_t>(d.value_sz)) return false;
    copy_short(o.value, text, size);
    o.value[size] = 0;
    set_meta(o, 0, size, 0);
    return true;
}

// The cell of a one-row date or timestamp define, from a row read ahead, when the reader has
// read its date: into the descriptor with no other look at the cell. False leaves the cell to
// fill_cell's general way, a NULL or a missing descriptor included.
inline bool fill_ready_date(const lite_read_ahead& ahead, const OCIDefine& d) {
    if (d.dty != SQLT_TIMESTAMP && d.dty != SQLT_TIMESTAMP_TZ && d.dty != SQLT_TIMESTAMP_LTZ &&
        d.dty != SQLT_DATE) {
        return false;
    }
    if (d.valuep == nullptr || d.position - 1 >= ahead.columns()) return false;
    OCIDateTime* dt = oci_find_datetime(descriptor_at(d, 0));
    if (dt == nullptr || !ahead.date(static_cast<int>(d.position) - 1, dt->value)) return false;
    dt->has_value = true;
    set_meta(cell_out{static_cast<unsigned char*>(d.valuep), d.value_sz, d.indp, d.rlenp, d.rcodep},
             0, sizeof(void*), 0);
    return true;
}

// A dynamic define's value, handed to its callback piece by piece in the buffers it gives; a
// NULL is one call that sets the indicator only.
int put_pieces(const OCIDefine& d, ub4 row, std::string_view value, bool null) {
    if (d.callback == nullptr) return ora_err::user_callback_error;
    std::size_t done = 0;
    ub1 piece = OCI_FIRST_PIECE;
    do {
        void* buf = nullptr;
        ub4* alen = nullptr;
        void* ind = nullptr;
        ub2* rcode = nullptr;
        ub1 asked = piece;
        if (d.callback(d.callback_ctx, const_cast<OCIDefine*>(&d), row, &buf, &alen, &asked, &ind,
                       &rcode) != OCI_CONTINUE ||
            alen == nullptr) {
            return ora_err::user_callback_error;
        }
        const std::size_t room = buf != nullptr ? *alen : 0;
        const std::size_t n = null ? 0 : std::min(room, value.size() - done);
        if (n > 0) std::memcpy(buf, value.data() + done, n);
        *alen = static_cast<ub4>(n);
        if (ind != nullptr) {
            const sb2 flag = null ? sb2{-1} : sb2{0};
            std::memcpy(ind, &flag, sizeof flag);
        }
        if (rcode != nullptr) *rcode = null ? ora_err::null_fetched : 0;
        done += n;
        piece = OCI_NEXT_PIECE;
        // A callback that gives no room for what is left would be asked for ever.
        if (n == 0 && done < value.size()) return ora_err::user_callback_error;
    } while (!null && done < value.size());
    return 0;
}

int fill_pieces(lite_statement& ls, const OCIDefine& d, ub4 row, int col) {
    if (ls.is_null(col)) return put_pieces(d, row, std::string_view(), true);
    switch (d.dty) {
        case SQLT_CHR:
        case SQLT_LNG: {
            const std::string_view text = ls.text(col);
            if (oci_is_utf8_charset(d.charset_id)) return put_pieces(d, row, text, false);
            const std::u16string wide = oci_text::utf8_to_utf16(text);
            return put_pieces(d, row,
                              std::string_view(reinterpret_cast<const char*>(wide.data()),
                                               wide.size() * sizeof(char16_t)),
                              false);
        }
        case SQLT_BIN:
        case SQLT_LBI: {
            const auto bytes = ls.bytes(col);
            return put_pieces(
                d, row, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                false);
        }
        default:
            return ora_err::unsupported_datatype;
    }
}

int fill_cell(OCIStmt* st, const OCIDefine& d, ub4 row) {
    lite_statement& ls = *st->compiled;
    const auto& cols = ls.columns();
    if (d.position > cols.size()) return ora_err::variable_not_in_select_list;
    const int col = static_cast<int>(d.position) - 1;
    if (d.dynamic) return fill_pieces(ls, d, row, col);
    const lite_column& meta = cols[col];
    const bool descriptor = oci_is_descriptor_type(d.dty);
    const size_t stride =
        descriptor ? sizeof(void*) : static_cast<size_t>(std::max<sb4>(d.value_sz, 0));
    cell_out o{static_cast<unsigned char*>(d.valuep) + row * stride, d.value_sz,
               d.indp != nullptr ? d.indp + row : nullptr,
               d.rlenp != nullptr ? d.rlenp + row : nullptr,
               d.rcodep != nullptr ? d.rcodep + row : nullptr};
    if (d.valuep == nullptr) return ora_err::variable_not_in_select_list;

    switch (d.dty) {
        case SQLT_STR:
        case SQLT_AVC:
        case SQLT_CHR:
        case SQLT_AFC:
        case SQLT_LNG: {
            const std::optional<std::string_view> text = ls.text_unless_null(col);
            return text ? put_text(o, *text, d.dty, d.charset_id) : put_null(o);
        }
        case SQLT_LVC: {
            const std::optional<std::string_view> text = ls.text_unless_null(col);
            return text ? put_counted_text(o, *text, d.charset_id) : put_null(o);
        }
        default:
            break;
    }
    if (ls.is_null(col)) {
        if (descriptor) {
            void* p = descriptor_at(d, row);
            if (auto* lob = oci_find<OCILobLocator>(p, OCI_DTYPE_LOB)) lob->has_value = false;
            if (auto* dt = oci_find_datetime(p)) dt->has_value = false;
        }
        return put_null(o);
    }

    switch (d.dty) {
        case SQLT_INT:
        case SQLT_UIN:
            return put_integer(o, ls.text(col), d.dty == SQLT_UIN);
        case SQLT_FLT:
        case SQLT_BFLOAT:
        case SQLT_BDOUBLE:
            return put_real(o, ls.text(col), d.dty);
        case SQLT_BIN:
        case SQLT_LBI:
            return put_bytes(o, ls.bytes(col));
        case SQLT_ODT:
        case SQLT_DAT:
            return put_date7(o, ls.as_datetime(col), d.dty);
        case SQLT_TIMESTAMP:
        case SQLT_TIMESTAMP_TZ:
        case SQLT_TIMESTAMP_LTZ:
        case SQLT_DATE: {
            OCIDateTime* dt = oci_find_datetime(descriptor_at(d, row));
            if (dt == nullptr) return ora_err::datetime_internal_error;
            dt->value = ls.as_datetime(col);
            // Into a descriptor without a zone a zoned value keeps its own wall-clock time.
            if (dt->kind == OCI_DTYPE_DATE || dt->kind == OCI_DTYPE_TIMESTAMP) {
                dt->value.tz_minutes = 0;
            }
            dt->has_value = true;
            set_meta(o, 0, sizeof(void*), 0);
            return 0;
        }
        case SQLT_CLOB:
        case SQLT_BLOB: {
            auto* lob = oci_find<OCILobLocator>(descriptor_at(d, row), OCI_DTYPE_LOB);
            if (lob == nullptr) return ora_err::invalid_lob_locator;
            const auto bytes = ls.bytes(col);
            lob->data.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            lob->units_ready = false;
            lob->polling = false;
            lob->has_value = true;
            lob->binary = meta.type_code == LITE_BLOB || meta.type_code == LITE_RAW ||
                          meta.type_code == LITE_LONG_RAW || d.dty == SQLT_BLOB;
            lob->charset_form = lob->binary ? 0 : static_cast<ub1>(meta.charset_form == 2 ? 2 : 1);
            // A locator read FOR UPDATE writes back to the one row it came from.
            lob->owner = ls.update_owner();
            lob->table = ls.update_table();
            lob->column = ls.update_column(col);
            lob->rowid = lob->column.empty() ? std::string() : ls.update_rowid();
            set_meta(o, 0, sizeof(void*), 0);
            return 0;
        }
        default:
            return ora_err::unsupported_datatype;
    }
}

}  // namespace

bool oci_is_utf8_charset(ub2 id) {
    return id == 871 || id == 873;
}

bool oci_is_descriptor_type(ub2 dty) {
    switch (dty) {
        case SQLT_TIMESTAMP:
        case SQLT_TIMESTAMP_TZ:
        case SQLT_TIMESTAMP_LTZ:
        case SQLT_DATE:
        case SQLT_CLOB:
        case SQLT_BLOB:
            return true;
        default:
            return false;
    }
}

bool oci_is_supported_type(ub2 dty) {
    switch (dty) {
        case SQLT_CHR:
        case SQLT_INT:
        case SQLT_FLT:
        case SQLT_STR:
        case SQLT_LNG:
        case SQLT_LVC:
        case SQLT_DAT:
        case SQLT_BFLOAT:
        case SQLT_BDOUBLE:
        case SQLT_BIN:
        case SQLT_LBI:
        case SQLT_UIN:
        case SQLT_AFC:
        case SQLT_AVC:
        case SQLT_ODT:
            return true;
        default:
            return oci_is_descriptor_type(dty);
    }
}

int oci_fill_row(OCIStmt* st, ub4 row) {
    int worst = 0;
    const lite_read_ahead* ahead = row == 0 ? st->compiled->row_reader() : nullptr;
    for (const OCIDefine* d : st->defines) {
        if (d == nullptr) continue;
        if (ahead != nullptr && (fill_ready_text(*ahead, *d) || fill_ready_date(*ahead, *d))) {
            continue;
        }
        int rc = 0;
        try {
            rc = fill_cell(st, *d, row);
        } catch (const lite_error& e) {
            rc = e.code();
        }
        // Errors outrank truncations; the first error is the one reported.
        if (rc != 0 && (worst == 0 || worst == ora_err::value_truncated)) worst = rc;
    }
    return worst;
}

extern "C" sword lite_OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp,
                                     ub4 position, void* valuep, sb4 value_sz, ub2 dty, void* indp,
                                     ub2* rlenp, ub2* rcodep, ub4 mode) {
    OCIError* err = oci_begin(errhp);
    auto* st = oci_find<OCIStmt>(stmtp, OCI_HTYPE_STMT);
    if (err == nullptr || st == nullptr || defnp == nullptr) return OCI_INVALID_HANDLE;
    return oci_guard(err, [&]() -> sword {
        // Before the describe the select list is unknown, but never longer than the server's
        // limit: a wild position must not size the define table.
        if (position == 0 || position > kMaxSelectList ||
            (st->described && position > st->params.size())) {
            return oci_fail(err, ora_err::variable_not_in_select_list);
        }
        if (!oci_is_supported_type(dty)) return oci_fail(err, ora_err::unsupported_datatype);
        const bool dynamic = (mode & OCI_DYNAMIC_FETCH) != 0;
        if (dynamic && dty != SQLT_CHR && dty != SQLT_LNG && dty != SQLT_BIN && dty != SQLT_LBI)
            return oci_fail(err, ora_err::unsupported_datatype);
        if (valuep == nullptr && !dynamic)
            return oci_fail(err, ora_err::variable_not_in_select_list);
        if (st->defines.size() < position) st->defines.resize(position, nullptr);
        OCIDefine*& slot = st->defines[position - 1];
        if (slot == nullptr) slot = new OCIDefine(st->env, st);
        OCIDefine* d = slot;
        d->position = position;
        d->valuep = valuep;
        d->value_sz = value_sz;
        d->dty = dty;
        d->indp = static_cast<sb2*>(indp);
        d->rlenp = rlenp;
        d->rcodep = rcodep;
        d->dynamic = dynamic;
        d->callback = nullptr;
        d->callback_ctx = nullptr;
        *defnp = d;
        return OCI_SUCCESS;
    });
}

extern "C" sword lite_OCIDefineDynamic(OCIDefine* defnp, OCIError* errhp, void* octxp,
                                       OCICallbackDefine ocbfp) {
    OCIError* err = oci_begin(errhp);
    auto* d = oci_find<OCIDefine>(defnp, OCI_HTYPE_DEFINE);
    if (err == nullptr || d == nullptr) return OCI_INVALID_HANDLE;
    if (!d->dynamic || ocbfp == nullptr) return oci_fail(err, ora_err::user_callback_error);
    d->callback = ocbfp;
    d->callback_ctx = octxp;
    return OCI_SUCCESS;
}
