// The type mapping's profile form: the list lines of "Type Mappings" and the reader that rebuilds
// the mapping from them.  Indentation is significant; the reader accepts exactly the prefixes the
// writer produces.
#include <cwchar>
#include <limits>
#include <map>
#include <set>
#include <string>

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_profile.h"
#include "converter/profile_text.h"
#include "converter/udb_db_mutator.h"

namespace {

const wchar_t k_database[] = L"database:";
const wchar_t k_tables[] = L"tables:";
const wchar_t k_table_name[] = L"  - name:";
const wchar_t k_table_new_name[] = L"    new_name:";
const wchar_t k_fields[] = L"    fields:";
const wchar_t k_properties[] = L"    properties:";
const wchar_t k_field_name[] = L"      - name:";
const wchar_t k_field_new_name[] = L"        new_name:";
const wchar_t k_status[] = L"        status:";
const wchar_t k_type[] = L"        type:";
const wchar_t k_default[] = L"        default_value:";
const wchar_t k_charset[] = L"        character_set:";
const wchar_t k_length[] = L"        length:";
const wchar_t k_scale[] = L"        scale:";
const wchar_t k_precision[] = L"        precision:";
const wchar_t k_eight_blanks[] = L"        ";

bool starts_with(const std::wstring& line, const wchar_t* prefix) {
    return line.compare(0, std::wcslen(prefix), prefix) == 0;
}

std::wstring rest_after(const std::wstring& line, const wchar_t* prefix) {
    return tk_trim(line.substr(std::wcslen(prefix)));
}

// Leading digits (after an optional sign) as a 32-bit number; none gives 0, too many digits the
// nearest bound.
int32_t read_number(const std::wstring& text) {
    long long value = 0;
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > std::numeric_limits<int32_t>::max() + 1LL) break;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// "key: value" as the writer puts it.  The split is at the first colon, so a value that holds a
// colon (a time, a URL) survives.  False when there is no colon.
bool split_property(const std::wstring& line, std::wstring& key, std::wstring& value) {
    const std::size_t colon = line.find(L':');
    if (colon == std::wstring::npos) return false;
    key = tk_trim(line.substr(0, colon));
    value = tk_trim(line.substr(colon + 1));
    return true;
}

struct field_entry {
    sql_native_type type;
    std::wstring new_name;
    bool deleted = false;
};

struct table_entry {
    std::wstring new_name;
    std::map<std::wstring, field_entry, tk_utf16_less> fields;
    udb_properties::property_map properties;
};

enum class read_state { start, table_name, table_new_name, fields, field_name, field, properties };

const wchar_t k_expected_table[] = L"a table \"  - name:\" first";
const wchar_t k_expected_attribute[] =
    L"a field attribute (new_name, status, type, default_value, character_set, length, scale or "
    L"precision)";

// A mapping line holding "=" was read as a pair and never reached the list; it is refused rather
// than lost.
void refuse_mapping_pairs(const udb_profile& profile) {
    auto section = profile.sections().find(k_type_mappings);
    if (section == profile.sections().end()) return;
    std::set<int> listed;
    auto list = profile.list_sections().find(k_type_mappings);
    if (list != profile.list_sections().end()) {
        for (std::size_t j = 0; j < list->second.size(); ++j)
            listed.insert(profile.list_line_number(k_type_mappings, j));
    }
    for (std::size_t i = 0; i < section->second.size(); ++i) {
        const int line = profile.pair_line_number(k_type_mappings, i);
        if (listed.count(line) != 0) continue;
        const auto& [key, value] = section->second[i];
        throw profile_fault(line, key + L"=" + value, L"a mapping line without \"=\"");
    }
}

}  // namespace

bool udb_db_mutator::store_to_profile(udb_profile& profile) const {
    auto add = [&](const std::wstring& line) { profile.add_list_item(k_type_mappings, line); };
    add(k_database);
    for (const auto& [key, value] : properties) add(L"  " + key + L": " + value);
    add(k_tables);
    for (const auto& [source, table] : m_by_source) {
        add(std::wstring(k_table_name) + L" " + source);
        add(std::wstring(k_table_new_name) + L" " + table->new_name);
        add(k_fields);
        for (const auto& [name, field] : table->field_mutators()) {
            const sql_native_type& t = field->native_type;
            add(k_field_name + name);
            add(std::wstring(k_field_new_name) + L" " + field->new_name);
            add(std::wstring(k_status) +
                (field->status == udb_field_mutator::status_deleted ? L" deleted" : L" changed"));
            add(std::wstring(k_type) + L" " + t.type);
            add(std::wstring(k_default) + L" " + t.default_value);
            add(std::wstring(k_charset) + L" " + t.character_set);
            add(std::wstring(k_length) + L" " + std::to_wstring(t.length));
            add(std::wstring(k_scale) + L" " + std::to_wstring(t.scale));
            add(std::wstring(k_precision) + L" " + std::to_wstring(t.precision));
        }
        const property_map& props = table->get_properties();
        if (!props.empty()) {
            add(k_properties);
            for (const auto& [key, value] : props) add(k_eight_blanks + key + L": " + value);
        }
    }
    return true;
}

bool udb_db_mutator::load_from_profile(udb_profile& profile) {
    tk_log(2, "udb_db_mutator::load_from_profile");
    const udb_profile::line_list& lines = profile.get_list(k_type_mappings);
    auto fault_at = [&](std::size_t at, const wchar_t* expected) {
        tk_wlog(2, L"Type mapping line out of place: '%s'", lines[at].c_str());
        return profile_fault(profile.list_line_number(k_type_mappings, at), lines[at], expected);
    };
    refuse_mapping_pairs(profile);

    std::size_t at = 0;
    property_map database;
    if (!lines.empty() && lines[at] == k_database) {
        for (++at; at < lines.size() && starts_with(lines[at], L"  "); ++at) {
            std::wstring key, value;
            if (!split_property(lines[at], key, value))
                throw fault_at(at, L"a database property \"  key: value\"");
            database[key] = value;
        }
    }
    if (at < lines.size() && lines[at] != k_tables) throw fault_at(at, L"\"tables:\"");

    std::map<std::wstring, table_entry, tk_utf16_less> tables;
    table_entry* table = nullptr;
    std::wstring table_name;
    field_entry* field = nullptr;
    read_state state = read_state::start;
    for (++at; at < lines.size(); ++at) {
        const std::wstring& line = lines[at];
        if (tk_trim(line).empty()) continue;
        if (starts_with(line, k_table_name)) {
            table_name = rest_after(line, k_table_name);
            table = &tables[table_name];
            table->new_name.clear();
            field = nullptr;
            state = read_state::table_name;
        } else if (starts_with(line, k_properties)) {
            if (!table) throw fault_at(at, k_expected_table);
            state = read_state::properties;
        } else if (state == read_state::properties && starts_with(line, k_eight_blanks)) {
            std::wstring key, value;
            if (!split_property(line, key, value))
                throw fault_at(at, L"a table property \"        key: value\"");
            table->properties[key] = value;
        } else if (starts_with(line, k_table_new_name)) {
            if (state != read_state::table_name)
                throw fault_at(at, L"\"    new_name:\" only right after \"  - name:\"");
            table->new_name = rest_after(line, k_table_new_name);
            state = read_state::table_new_name;
        } else if (starts_with(line, k_fields)) {
            if (!table) throw fault_at(at, k_expected_table);
            if (state == read_state::properties)
                throw fault_at(at, L"a table property \"        key: value\" or a new table");
            if (table->new_name.empty()) table->new_name = table_name;
            state = read_state::fields;
        } else if (starts_with(line, k_field_name)) {
            if (state != read_state::fields && state != read_state::field_name &&
                state != read_state::field)
                throw fault_at(at, L"\"    fields:\" before the first field");
            field = &table->fields[rest_after(line, k_field_name)];
            state = read_state::field_name;
        } else {
            if (state != read_state::field_name && state != read_state::field)
                throw fault_at(at, L"a field attribute only after \"      - name:\"");
            if (starts_with(line, k_field_new_name)) {
                field->new_name = rest_after(line, k_field_new_name);
            } else if (starts_with(line, k_status)) {
                field->deleted = rest_after(line, k_status) == L"deleted";
            } else if (starts_with(line, k_type)) {
                field->type.type = rest_after(line, k_type);
            } else if (starts_with(line, k_default)) {
                field->type.default_value = rest_after(line, k_default);
            } else if (starts_with(line, k_charset)) {
                field->type.character_set = rest_after(line, k_charset);
            } else if (starts_with(line, k_length)) {
                field->type.length = read_number(rest_after(line, k_length));
            } else if (starts_with(line, k_scale)) {
                field->type.scale = read_number(rest_after(line, k_scale));
            } else if (starts_with(line, k_precision)) {
                field->type.precision = read_number(rest_after(line, k_precision));
            } else {
                throw fault_at(at, k_expected_attribute);
            }
            state = read_state::field;
        }
    }

    // Only a mapping read whole replaces the one held.
    clear();
    properties = std::move(database);
    for (auto& [name, entry] : tables) {
        // A table block without "fields:" never had its empty new name filled in; an empty
        // destination name would only produce a statement the server refuses.
        if (entry.new_name.empty()) entry.new_name = name;
        sql_table_mutator& tm = get_table_mutator(name, entry.new_name);
        for (auto& [field_name, f] : entry.fields) {
            const std::wstring new_name = f.new_name.empty() ? field_name : f.new_name;
            sql_field_mutator& fm = tm.update_field(field_name, new_name, f.type);
            if (f.deleted) fm.status = udb_field_mutator::status_deleted;
        }
        for (auto& [key, value] : entry.properties) tm.get_properties()[key] = value;
    }
    return true;
}
