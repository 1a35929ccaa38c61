// The views of a run: after the tables, each selected view is translated from Oracle's text into
// MySQL's (names resolved as Oracle resolves them, then as the run named them) and handed to the
// destination, in the order the user chose, so that a view may use the views before it.  A view
// that cannot be translated or that the server refuses costs that view only and is reported
// under its name, as a table is.
#include <algorithm>
#include <numeric>
#include <set>

#include "SQL/sql_database.h"
#include "SQL/sql_view_converter.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_compare.h"
#include "converter/error_handler.h"
#include "converter/tabshift_convertor.h"
#include "converter/view_translator.h"

namespace {

// While it lives, the server's refusal of a view reaches the error handler under the view's
// name, with the server's own number and text.
class view_error_route {
public:
    view_error_route(udb_database& destination, const std::wstring& view)
        : m_server(dynamic_cast<sql_database*>(&destination)) {
        if (!m_server) return;
        m_server->set_error_reporter([this, &view](const std::string&, const tk_exception& e) {
            m_refused = true;
            error_handler& handler = error_handler::instance();
            handler.set_error_text(L"View '" + view + L"'");
            handler.handle(e, false);
        });
    }
    ~view_error_route() {
        if (m_server) m_server->set_error_reporter(nullptr);
    }
    view_error_route(const view_error_route&) = delete;
    view_error_route& operator=(const view_error_route&) = delete;

    // True once the server refused the view.
    bool refused() const noexcept { return m_refused; }

private:
    sql_database* m_server;
    bool m_refused = false;
};

bool is_selected_view(const tabshift_convertor::text_pairs& views, const std::wstring& name) {
    return std::any_of(views.begin(), views.end(),
                       [&](const auto& view) { return view.first == name; });
}

// The positions of the views in the order they can be created: the chosen order, except that a
// view waits for the selected views it reads (in a cycle the chosen order stands, and the
// destination tells what it lacks).
std::vector<std::size_t> creation_order(const tabshift_convertor::text_pairs& views,
                                        const std::vector<std::vector<std::wstring>>& uses) {
    std::vector<std::size_t> pending(views.size());
    std::iota(pending.begin(), pending.end(), std::size_t{0});
    std::set<std::wstring> placed;
    std::vector<std::size_t> order;
    while (!pending.empty()) {
        auto ready = std::find_if(pending.begin(), pending.end(), [&](std::size_t v) {
            return std::all_of(uses[v].begin(), uses[v].end(), [&](const std::wstring& used) {
                return used == views[v].first || placed.count(used) != 0;
            });
        });
        if (ready == pending.end()) ready = pending.begin();
        order.push_back(*ready);
        placed.insert(views[*ready].first);
        pending.erase(ready);
    }
    return order;
}

// The columns of the source's view of that name, when the text is the source's own: a view's
// column list ("CREATE VIEW V (A, B) AS ...") lives outside its text.  None when they are not
// known.
std::vector<std::wstring> source_view_columns(udb_database* source, const std::wstring& name,
                                              const std::wstring& text) {
    if (!source) return {};
    const udb_database::view_list& views = source->get_views();
    if (std::find(views.begin(), views.end(), std::make_pair(name, text)) == views.end()) return {};
    std::vector<std::wstring> columns;
    try {
        const std::unique_ptr<udb_recordset> shape =
            source->get_query(name, L"SELECT * FROM \"" + name + L"\" WHERE 1 = 0", 1);
        for (const auto& field : shape->get_schema().fields()) columns.push_back(field->name);
    } catch (const tk_exception& e) {
        tk_log(2, "The view's columns are not known: %s", e.what());
        return {};
    }
    return columns;
}

}  // namespace

std::wstring tabshift_convertor::view_table_name(udb_database& destination,
                                                 const text_pairs& tables_written,
                                                 const std::wstring& name) const {
    for (const auto& [source, target] : tables_written)
        if (source == name) return target;
    const udb_names_map& names = destination.get_names_map();
    for (const auto& view : selected_views)
        if (view.first == name) return names.get_tn_mapped_name(name, true);
    std::wstring mapped = names.get_tn_mapped_name(name, true);
    if (mapped != name) return mapped;
    // A table of an earlier run: the server's own spelling, exact when it has one.
    std::wstring found;
    for (const std::wstring& table : destination.get_tables()) {
        if (table == name) return table;
        if (found.empty() && udb_equal_nocase(table, name)) found = table;
    }
    return found;
}

std::wstring tabshift_convertor::view_column_name(udb_database& destination,
                                                  const text_pairs& tables_written,
                                                  const std::wstring& name) const {
    const udb_names_map& names = destination.get_names_map();
    for (const auto& [source, target] : tables_written) {
        std::wstring column = name;
        if (const sql_table_mutator* table = find_table_mutator(source)) {
            const sql_field_mutator* field = table->find_field_mutator(name);
            if (field && field->status == udb_field_mutator::status_changed &&
                !field->new_name.empty())
                column = field->new_name;
        }
        column = names.get_fn_mapped_name(target, column, true);
        if (column != name) return column;
    }
    return std::wstring();
}

int tabshift_convertor::create_selected_views(udb_database& destination,
                                              const text_pairs& tables_written) {
    if (selected_views.empty()) return 0;
    tk_log(2, "tabshift_convertor::create_selected_views(%d)",
           static_cast<int>(selected_views.size()));
    // While set, the selected views a text reads are gathered here.
    std::vector<std::wstring>* reads = nullptr;
    const view_translator translator(
        [&](const std::wstring& name) {
            if (reads && is_selected_view(selected_views, name)) reads->push_back(name);
            return view_table_name(destination, tables_written, name);
        },
        [&](const std::wstring& name) {
            return view_column_name(destination, tables_written, name);
        },
        oracle_user);
    std::vector<std::vector<std::wstring>> uses(selected_views.size());
    for (std::size_t v = 0; v < selected_views.size(); ++v) {
        reads = &uses[v];
        try {
            translator.translate(selected_views[v].second);
        } catch (const tk_exception&) {
            // Told when the view's turn comes.
        }
    }
    reads = nullptr;

    std::set<std::wstring> failed;
    int created = 0;
    for (const std::size_t v : creation_order(selected_views, uses)) {
        const auto& [name, text] = selected_views[v];
        if (stop_requested()) throw tk_final_exception();
        report(L"Creating view '" + name + L"'\n");
        try {
            // A server names what it lacks itself; a dump would only fail when replayed.
            std::vector<std::wstring> unknown;
            const std::wstring mysql_text =
                translator.translate(text, mysql_direct ? nullptr : &unknown,
                                     source_view_columns(source_db.get(), name, text));
            if (!unknown.empty())
                throw tk_exception(tk_to_utf8(L"the view reads " + unknown.front() +
                                              L", which this run did not convert"),
                                   0);
            for (const std::wstring& used : uses[v])
                if (!mysql_direct && failed.count(used))
                    throw tk_exception(tk_to_utf8(L"the view reads the view " + used +
                                                  L", which could not be created"),
                                       0);
            // The destination creates SELECT texts only and passes any other by.
            if (sql_view_converter::find_nocase(mysql_text, L"select", 0) != 0)
                throw tk_exception(std::string("the view's text does not begin with SELECT"), 0);
            const view_error_route route(destination, name);
            destination.create_views({{name, mysql_text}});
            if (route.refused())
                failed.insert(name);
            else
                ++created;
        } catch (const tk_exception& e) {
            if (e.level() != 0) throw;
            failed.insert(name);
            error_handler& handler = error_handler::instance();
            handler.set_error_text(L"View '" + name + L"'");
            handler.handle(e, false);
        }
    }
    return created;
}
