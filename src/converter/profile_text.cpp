#include "converter/profile_text.h"

#include "TK/tk_utils.h"

namespace {

// Length of the line break at `at` (CR LF, LF or CR), 0 when there is none.
std::size_t break_length(const std::wstring& text, std::size_t at) {
    if (at >= text.size()) return 0;
    if (text[at] == L'\r') return at + 1 < text.size() && text[at + 1] == L'\n' ? 2 : 1;
    return text[at] == L'\n' ? 1 : 0;
}

const wchar_t* break_value(const std::wstring& text, std::size_t at) {
    const std::size_t n = break_length(text, at);
    if (n == 2) return L"CHR(13) || CHR(10)";
    return text[at] == L'\r' ? L"CHR(13)" : L"CHR(10)";
}

bool is_name_char(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
           c == L'_' || c == L'$' || c == L'#' || c > 0x7F;
}

// Appends text[from, to) with every line break turned into one blank.
void append_flat(std::wstring& out, const std::wstring& text, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to;) {
        if (const std::size_t n = break_length(text, i)) {
            out.push_back(L' ');
            i += n;
        } else {
            out.push_back(text[i++]);
        }
    }
}

// The closing delimiter of a q'<d>...<d>' literal.
wchar_t q_close(wchar_t open) {
    switch (open) {
        case L'[':
            return L']';
        case L'{':
            return L'}';
        case L'(':
            return L')';
        case L'<':
            return L'>';
        default:
            return open;
    }
}

// How many characters before the quote at `at` belong to the literal (N, q, Nq in either case),
// and whether it is a q-literal.
std::size_t literal_prefix(const std::wstring& text, std::size_t at, bool& q_literal) {
    q_literal = false;
    std::size_t p = at;
    if (p > 0 && (text[p - 1] == L'q' || text[p - 1] == L'Q')) {
        q_literal = true;
        --p;
    }
    if (p > 0 && (text[p - 1] == L'n' || text[p - 1] == L'N')) --p;
    if (p == at) return 0;
    // A letter that ends a longer name is not a prefix: "xq'a'" is not a q-literal.
    if (p > 0 && is_name_char(text[p - 1])) {
        q_literal = false;
        return 0;
    }
    if (!q_literal && at - p != 1) return 0;
    // A q-literal's delimiter is never white space; what follows is a plain literal after a name.
    if (q_literal && (at + 1 >= text.size() || text[at + 1] == L' ' || text[at + 1] == L'\t' ||
                      text[at + 1] == L'\r' || text[at + 1] == L'\n')) {
        q_literal = false;
        return 0;
    }
    return at - p;
}

// Copies the literal that opens at `quote` (its prefix already copied) and returns the index after
// it.  A literal without line breaks is copied as it stands; one with line breaks becomes the
// concatenation of its lines and CHR() values of the breaks, in parentheses.
std::size_t copy_literal(std::wstring& out, const std::wstring& text, std::size_t quote,
                         std::size_t prefix, bool q_literal) {
    const std::size_t n = text.size();
    std::wstring opening = text.substr(quote - prefix, prefix) + L"'";
    std::wstring closing = L"'";
    std::size_t body = quote + 1;
    if (q_literal) {
        if (body >= n) {
            out.append(text, quote, n - quote);
            return n;
        }
        opening.push_back(text[body]);
        closing = std::wstring(1, q_close(text[body])) + L"'";
        ++body;
    }
    // Find the end of the body.
    std::size_t end = body;
    bool closed = false;
    while (end < n) {
        if (q_literal) {
            if (text.compare(end, closing.size(), closing) == 0) {
                closed = true;
                break;
            }
            ++end;
        } else if (text[end] == L'\'') {
            if (end + 1 < n && text[end + 1] == L'\'') {
                end += 2;
                continue;
            }
            closed = true;
            break;
        } else {
            ++end;
        }
    }
    const std::size_t after = closed ? end + closing.size() : n;
    bool has_break = false;
    for (std::size_t i = body; i < end && !has_break; ++i) has_break = break_length(text, i) != 0;
    if (!closed || !has_break) {
        // An unterminated literal is broken SQL either way; it only has to stay on one line.
        append_flat(out, text, quote, after);
        return after;
    }

    out.insert(out.size() - prefix, L"(");
    out.erase(out.size() - prefix);
    bool first = true;
    std::size_t piece = body;
    auto emit_piece = [&](std::size_t to) {
        if (to == piece) return;
        if (!first) out += L" || ";
        out += opening;
        out.append(text, piece, to - piece);
        out += closing;
        first = false;
    };
    for (std::size_t i = body; i < end;) {
        if (const std::size_t lb = break_length(text, i)) {
            emit_piece(i);
            if (!first) out += L" || ";
            out += break_value(text, i);
            first = false;
            i += lb;
            piece = i;
        } else {
            ++i;
        }
    }
    emit_piece(end);
    out += L")";
    return after;
}

// Reads a pair line as the profile reader does; false when it would not come back as one pair.
bool pair_reads_back(const std::wstring& line, const std::wstring& key, const std::wstring& value) {
    if (line.find_first_of(L"\r\n") != std::wstring::npos) return false;
    const std::wstring trimmed = tk_trim(line);
    if (trimmed.empty()) return false;
    if (trimmed.size() >= 2 && trimmed.front() == L'[' && trimmed.back() == L']') return false;
    const std::size_t eq = trimmed.find(L'=');
    if (eq == std::wstring::npos) return value.empty() && trimmed == key;
    return tk_trim(trimmed.substr(0, eq)) == key && trimmed.substr(eq + 1) == value;
}

}  // namespace

std::wstring sql_one_line(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const wchar_t c = text[i];
        if (const std::size_t lb = break_length(text, i)) {
            out.push_back(L' ');
            i += lb;
        } else if (c == L'-' && i + 1 < n && text[i + 1] == L'-') {
            std::size_t end = i + 2;
            while (end < n && !break_length(text, end)) ++end;
            if (end == n) {
                // Nothing follows that the comment could swallow.
                out.append(text, i, n - i);
                i = n;
                continue;
            }
            std::wstring comment = text.substr(i + 2, end - i - 2);
            tk_replace_all(comment, L"*/", L"* /");
            out += L"/*" + comment + L"*/";
            i = end;
        } else if (c == L'/' && i + 1 < n && text[i + 1] == L'*') {
            const std::size_t close = text.find(L"*/", i + 2);
            const std::size_t end = close == std::wstring::npos ? n : close + 2;
            append_flat(out, text, i, end);
            i = end;
        } else if (c == L'"') {
            const std::size_t close = text.find(L'"', i + 1);
            const std::size_t end = close == std::wstring::npos ? n : close + 1;
            append_flat(out, text, i, end);
            i = end;
        } else if (c == L'\'') {
            bool q_literal = false;
            const std::size_t prefix = literal_prefix(text, i, q_literal);
            i = copy_literal(out, text, i, prefix, q_literal);
        } else {
            out.push_back(c);
            ++i;
        }
    }
    while (!out.empty() && out.back() == L' ') out.pop_back();
    return out;
}

bool profile_reads_back(const udb_profile& profile, std::wstring& why) {
    for (const auto& [section, pairs] : profile.sections()) {
        const bool bare_keys = section == k_selected_tables;
        for (const auto& [key, value] : pairs) {
            const std::wstring line = bare_keys && value.empty() ? key : key + L"=" + value;
            if (!pair_reads_back(line, key, value)) {
                why = L"[" + section + L"] " + key;
                return false;
            }
        }
    }
    for (const auto& [section, lines] : profile.list_sections()) {
        for (const std::wstring& line : lines) {
            const std::wstring trimmed = tk_trim(line);
            const bool header =
                trimmed.size() >= 2 && trimmed.front() == L'[' && trimmed.back() == L']';
            if (trimmed.empty() || header || line.find_first_of(L"\r\n=") != std::wstring::npos) {
                why = L"[" + section + L"] " + line;
                return false;
            }
        }
    }
    return true;
}

namespace {

std::wstring describe_fault(int line, const std::wstring& text, const std::wstring& expected) {
    std::wstring where = L"'" + text + L"'";
    if (line > 0) where = L"line " + std::to_wstring(line) + L" (" + where + L")";
    return where + L": expected " + expected;
}

}  // namespace

profile_fault::profile_fault(int line, const std::wstring& text, const std::wstring& expected)
    : tk_exception(describe_fault(line, text, expected), 1),
      m_description(describe_fault(line, text, expected)) {}
