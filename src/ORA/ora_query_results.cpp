#include "ORA/ora_query_results.h"

#include "ORA/ora_binary.h"
#include "ORA/ora_database.h"
#include "ORA/ora_date.h"
#include "ORA/ora_dummy.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_float.h"
#include "ORA/ora_lob.h"
#include "ORA/ora_number.h"
#include "ORA/ora_str_repr.h"
#include "ORA/ora_string.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

namespace {
constexpr unsigned k_rowid_chars = 255;
// The longest interval text, "+999999999 23:59:59.999999999" (DAY(9) TO SECOND(9)), and its
// terminator; YEAR(9) TO MONTH is shorter.
constexpr unsigned k_interval_chars = 30;
// Rows the server may send ahead of the fetch that asks for them: the reading then overlaps the
// client's work on the rows before.
constexpr ub4 k_prefetch_rows = 1024;
}  // namespace

ora_query_results::ora_query_results(int columns, const std::wstring& query)
    : udb_recordset(std::wstring()) {
    tk_log(2, "ora_query_results::ctor(1)");
    m_query = query;
    m_stmt = std::make_unique<ora_stmt>();
    initialize(columns, query);
}

ora_query_results::ora_query_results(ora_database* db, const std::wstring& name,
                                     const std::wstring& query)
    : udb_recordset(db, name, query, true) {
    tk_log(2, "ora_query_results::ctor(2)");
    m_stmt = std::make_unique<ora_stmt>();
}

ora_query_results::~ora_query_results() {
    tk_log(2, "ora_query_results::dtor");
    m_record.reset();
    m_columns.clear();
    tk_log(2, "ora_query_results::dtor - at the END");
    m_stmt.reset();
}

void ora_query_results::append_record(udb_record&) {
    tk_log(2, "ora_query_results::append_record");
    throw tk_mail_assertion("ora_qres", 53);
}

void ora_query_results::initialize(int columns, const std::wstring& query) {
    tk_wlog(2, L"ora_query_results::initialize(%d, %s)", columns, query.c_str());
    if (m_executed) throw tk_mail_assertion("ora_qres", 98);
    ora_engine& eng = ora_engine::instance();
    m_columns_cnt = columns;
    {
        ora_stmt describe;
        eng.check_err(describe.prepare(query));
        eng.check_err(describe.execute(0));
        if (m_columns_cnt == 0) {
            ub4 count = 0;
            eng.check_err(eng.oci().AttrGet(describe.get(), OCI_HTYPE_STMT, &count, nullptr,
                                            OCI_ATTR_PARAM_COUNT, eng.err()));
            m_columns_cnt = static_cast<int>(count);
        }
        for (int pos = 1; pos <= m_columns_cnt; ++pos) {
            tk_log(1, "Processing column #%d", pos);
            OCIParam* param = nullptr;
            eng.check_err(eng.oci().ParamGet(describe.get(), OCI_HTYPE_STMT, eng.err(),
                                             reinterpret_cast<void**>(&param),
                                             static_cast<ub4>(pos)));
            ub2 type = 0;
            eng.check_err(eng.oci().AttrGet(param, OCI_DTYPE_PARAM, &type, nullptr,
                                            OCI_ATTR_DATA_TYPE, eng.err()));
            std::unique_ptr<ora_type> column = gen_co_by_type(param, type);
            if (dynamic_cast<ora_dummy*>(column.get()))
                m_unsupported.push_back(
                    L"column '" + column->get_name() + L"' has a type that cannot be read (code " +
                    std::to_wstring(type) + L"): its values are written as \"<unsupported type>\"");
            column->set_table(m_name);
            m_schema.push_back(column->get_ftd());
            m_columns.push_back(std::move(column));
        }
    }
    eng.check_err(m_stmt->prepare(query));
    ub4 prefetch = k_prefetch_rows;
    eng.check_err(eng.oci().AttrSet(m_stmt->get(), OCI_HTYPE_STMT, &prefetch, sizeof prefetch,
                                    OCI_ATTR_PREFETCH_ROWS, eng.err()));
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        m_columns[i]->define(m_stmt->get(), static_cast<int>(i) + 1);
    eng.check_err(m_stmt->execute(0));
    m_executed = true;
}

void ora_query_results::set_destination_field(const std::wstring& column,
                                              const t_ftd& destination) {
    for (const auto& c : m_columns)
        if (c->get_name() == column) c->set_destination(destination);
}

std::unique_ptr<ora_type> ora_query_results::gen_co_by_type(OCIParam* param, int type) {
    tk_log(1, "ora_query_results::gen_co_by_type(%d)", type);
    tk_log(1, "mypard3=%08X", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(param)));
    switch (type) {
        case SQLT_CHR:
        case SQLT_STR:
        case SQLT_AFC:
            return std::make_unique<ora_string>(param);
        case SQLT_NUM:
        case SQLT_INT:
        case SQLT_FLT:
        case SQLT_VNU:
        case SQLT_PDN:
            return std::make_unique<ora_number>(param);
        case SQLT_IBFLOAT:
        case SQLT_IBDOUBLE:
            return std::make_unique<ora_float>(param);
        case SQLT_LNG:
        case SQLT_NTY:
        case SQLT_LBI:
            // No length to size a buffer by: read in pieces, as long as the value is.
            return std::make_unique<ora_str_repr>(param, 0);
        case SQLT_RID:
        case SQLT_RDD:
        case SQLT_LAB:
            return std::make_unique<ora_str_repr>(param, k_rowid_chars);
        case 182:
        case SQLT_INTERVAL_YM:
        case SQLT_INTERVAL_DS:
            return std::make_unique<ora_str_repr>(param, k_interval_chars);
        case SQLT_DAT:
        case SQLT_TIMESTAMP:
        case SQLT_TIMESTAMP_TZ:
        case 231:
        case SQLT_TIMESTAMP_LTZ:
            return std::make_unique<ora_date>(param);
        case SQLT_BIN:
            return std::make_unique<ora_binary>(param);
        case SQLT_CLOB:
        case SQLT_BLOB:
            return std::make_unique<ora_lob>(param);
        default:
            return std::make_unique<ora_dummy>(param);
    }
}

bool ora_query_results::fetch_row() {
    m_fetched = true;
    sword status = m_stmt->fetch();
    ora_engine::instance().check_err(status);
    m_at_end = status == OCI_NO_DATA;
    return m_at_end;
}

std::vector<std::wstring> ora_query_results::get_value_notices() const {
    std::vector<std::wstring> lines;
    for (const auto& column : m_columns) {
        std::wstring line = column->value_notice();
        if (!line.empty()) lines.push_back(std::move(line));
    }
    return lines;
}

bool ora_query_results::is_eof() {
    tk_log(1, "ora_query_results::is_eof");
    if (!m_executed) throw tk_mail_assertion("ora_qres", 85);
    return fetch_row();
}

udb_record* ora_query_results::get_item() {
    tk_log(1, "ora_query_results::get_item");
    if (!m_fetched) {
        tk_log(1, "fetch wasn't called yet");
        if (!m_executed) throw tk_mail_assertion("ora_qres", 85);
        fetch_row();
    }
    if (m_at_end) {
        tk_log(2, "status == OCI_NO_DATA!");
        return nullptr;
    }
    // A fetch that cut a value still succeeds, with a warning only: each column's return code
    // decides, before any value is taken from a buffer.
    for (const auto& column : m_columns) column->check_fetched();
    // One record per result set, refilled row after row: a row costs its values only.
    if (m_record && m_record->size() == m_columns.size()) {
        m_record->read(m_columns);
    } else {
        m_record.reset();
        m_record = std::make_unique<ora_record>(m_columns);
    }
    m_fetched = false;
    return m_record.get();
}
