// The column half of the DDL parse: data types, column definitions and their constraints. As in
// lite_ddl_parse.cpp, every error is the one the combined parse-and-execute pass gave.
#include <algorithm>

#include "ddl/lite_ddl_parser.h"
#include "lite_engine.h"
#include "lite_errors.h"

lite_coltype lite_ddl_parser::parse_type() {
    lite_coltype ty;
    std::string w = name(ora_err::invalid_datatype, "invalid datatype");
    auto args = [&](std::vector<std::string>& out, std::string& sem) {
        if (!op("(")) return false;
        while (!t[i].is_op(")")) {
            if (at_end())
                throw lite_error(ora_err::missing_right_parenthesis, "missing right parenthesis");
            if (t[i].kind == lite_token::number || t[i].is_op("*")) {
                out.push_back(t[i].text);
            } else if (t[i].is("CHAR") || t[i].is("BYTE")) {
                sem = t[i].text;
            } else if (t[i].is_op("-")) {
                // Only a number may follow: the end of the text must not be stepped over.
                if (peek().kind != lite_token::number)
                    throw lite_error(ora_err::invalid_datatype, "invalid datatype");
                out.push_back("-" + peek().text);
                ++i;
            } else if (!t[i].is_op(",")) {
                throw lite_error(ora_err::invalid_datatype, "invalid datatype");
            }
            ++i;
        }
        ++i;
        return true;
    };
    std::vector<std::string> a;
    std::string sem;
    auto n_at = [&](size_t k, int def) {
        return k < a.size() && a[k] != "*" ? to_small(a[k]) : def;
    };
    if (w == "VARCHAR2" || w == "VARCHAR" || w == "NVARCHAR2" || w == "CHAR" || w == "NCHAR" ||
        w == "CHARACTER") {
        bool national = w[0] == 'N';
        bool fixed = w == "CHAR" || w == "NCHAR" || w == "CHARACTER";
        if (w == "CHARACTER" && word("VARYING")) fixed = false;
        args(a, sem);
        if (!fixed && a.empty())
            throw lite_error(ora_err::missing_left_parenthesis, "missing left parenthesis");
        int n = n_at(0, 1);
        if (n < 1 || n > 32767)
            throw lite_error(ora_err::length_too_long,
                             "specified length too long for its datatype");
        ty.data_type = national ? (fixed ? "NCHAR" : "NVARCHAR2") : (fixed ? "CHAR" : "VARCHAR2");
        ty.char_length = n;
        if (national) {
            ty.data_length = 2LL * n;
            ty.char_used = "C";
        } else if (sem == "CHAR") {
            ty.data_length = std::min<int64_t>(4LL * n, fixed ? 2000 : 32767);
            ty.char_used = "C";
        } else {
            ty.data_length = n;
            ty.char_used = "B";
        }
    } else if (w == "NUMBER" || w == "DECIMAL" || w == "DEC" || w == "NUMERIC") {
        args(a, sem);
        ty.data_type = "NUMBER";
        ty.data_length = 22;
        if (!a.empty()) {
            if (a[0] != "*") ty.precision = to_small(a[0]);
            ty.scale = a.size() > 1 ? to_small(a[1]) : 0;
            if (ty.precision && (*ty.precision < 1 || *ty.precision > 38)) {
                throw lite_error(ora_err::precision_out_of_range,
                                 "numeric precision specifier is out of range (1 to 38)");
            }
        } else if (w != "NUMBER") {
            ty.precision = 38;
            ty.scale = 0;
        }
    } else if (w == "INTEGER" || w == "INT" || w == "SMALLINT") {
        ty.data_type = "NUMBER";
        ty.data_length = 22;
        ty.scale = 0;
    } else if (w == "FLOAT" || w == "REAL" || w == "DOUBLE") {
        if (w == "DOUBLE") need_word("PRECISION", ora_err::invalid_datatype, "invalid datatype");
        args(a, sem);
        ty.data_type = "FLOAT";
        ty.data_length = 22;
        ty.precision = w == "REAL" ? 63 : n_at(0, 126);
    } else if (w == "DATE") {
        ty.data_type = "DATE";
        ty.data_length = 7;
    } else if (w == "TIMESTAMP") {
        args(a, sem);
        int p = n_at(0, 6);
        ty.scale = p;
        ty.data_type = "TIMESTAMP(" + std::to_string(p) + ")";
        ty.data_length = 11;
        if (word("WITH")) {
            bool local = word("LOCAL");
            need_word("TIME", ora_err::invalid_datatype, "invalid datatype");
            need_word("ZONE", ora_err::invalid_datatype, "invalid datatype");
            ty.data_type += local ? " WITH LOCAL TIME ZONE" : " WITH TIME ZONE";
            ty.data_length = local ? 11 : 13;
        }
    } else if (w == "INTERVAL") {
        if (word("YEAR")) {
            args(a, sem);
            need_word("TO", ora_err::invalid_datatype, "invalid datatype");
            need_word("MONTH", ora_err::invalid_datatype, "invalid datatype");
            ty.precision = n_at(0, 2);
            ty.scale = 0;
            ty.data_type = "INTERVAL YEAR(" + std::to_string(*ty.precision) + ") TO MONTH";
            ty.data_length = 5;
        } else if (word("DAY")) {
            args(a, sem);
            ty.precision = n_at(0, 2);
            need_word("TO", ora_err::invalid_datatype, "invalid datatype");
            need_word("SECOND", ora_err::invalid_datatype, "invalid datatype");
            a.clear();
            args(a, sem);
            ty.scale = n_at(0, 6);
            ty.data_type = "INTERVAL DAY(" + std::to_string(*ty.precision) + ") TO SECOND(" +
                           std::to_string(*ty.scale) + ")";
            ty.data_length = 11;
        } else {
            throw lite_error(ora_err::invalid_datatype, "invalid datatype");
        }
    } else if (w == "LONG") {
        ty.data_type = word("RAW") ? "LONG RAW" : "LONG";
    } else if (w == "RAW") {
        args(a, sem);
        if (a.empty())
            throw lite_error(ora_err::missing_left_parenthesis, "missing left parenthesis");
        ty.data_type = "RAW";
        ty.data_length = n_at(0, 1);
        if (ty.data_length < 1 || ty.data_length > 32767) {
            throw lite_error(ora_err::length_too_long,
                             "specified length too long for its datatype");
        }
    } else if (w == "CLOB" || w == "NCLOB" || w == "BLOB") {
        ty.data_type = w;
        ty.data_length = 4000;
    } else if (w == "BFILE") {
        ty.data_type = w;
        ty.data_length = 530;
    } else if (w == "BINARY_FLOAT" || w == "BINARY_DOUBLE") {
        ty.data_type = w;
        ty.data_length = w == "BINARY_FLOAT" ? 4 : 8;
    } else if (w == "ROWID") {
        ty.data_type = w;
        ty.data_length = 10;
    } else if (w == "UROWID") {
        args(a, sem);
        ty.data_type = w;
        ty.data_length = n_at(0, 4000);
    } else if (w == "XMLTYPE" || (w == "SYS" && op(".") && word("XMLTYPE"))) {
        ty.data_type = "XMLTYPE";
        ty.data_length = 2000;
    } else {
        throw lite_error(ora_err::invalid_datatype, "invalid datatype");
    }
    return ty;
}

bool lite_ddl_parser::constraint_start() const {
    return t[i].is("CONSTRAINT") || t[i].is("PRIMARY") || t[i].is("UNIQUE") || t[i].is("FOREIGN") ||
           t[i].is("CHECK");
}

void lite_ddl_parser::constraint_state(lite_ddl_constraint& c) {
    bool not_deferrable = false;
    while (true) {
        if (word("ENABLE")) {
            c.enabled = true;
        } else if (word("DISABLE")) {
            c.enabled = false;
        } else if (word("VALIDATE")) {
            c.validate = c.validate_written = true;
        } else if (word("NOVALIDATE")) {
            c.validate = false;
            c.validate_written = true;
        } else if (word("RELY") || word("NORELY")) {
        } else if (word("DEFERRABLE")) {
            c.deferrable = true;
        } else if (t[i].is("NOT") && peek().is("DEFERRABLE")) {
            i += 2;
            not_deferrable = true;
        } else if (word("INITIALLY")) {
            if (!word("IMMEDIATE")) {
                need_word("DEFERRED");
                // Deferred alone makes the constraint deferrable.
                c.initially_deferred = c.deferrable = true;
            } else {
                c.initially_deferred = false;
            }
        } else if (word("USING")) {
            need_word("INDEX");
            if (t[i].is_op("(")) {
                skip_group();
            } else {
                while (!at_end() && !t[i].is_op(",") && !t[i].is_op(")") && !t[i].is("ENABLE") &&
                       !t[i].is("DISABLE") && !constraint_start()) {
                    if (t[i].is_op("(")) {
                        skip_group();
                    } else {
                        ++i;
                    }
                }
            }
        } else {
            if (c.initially_deferred && not_deferrable) {
                throw lite_error(ora_err::cannot_defer_not_deferrable,
                                 "cannot defer a constraint that is not deferrable");
            }
            if (not_deferrable) c.deferrable = false;
            return;
        }
    }
}

void lite_ddl_parser::references(lite_ddl_constraint& c) {
    auto [o, tb] = object_name(false);
    c.r_owner = o;
    c.r_table = tb;
    if (t[i].is_op("(")) c.r_columns = name_list();
    if (word("ON")) {
        need_word("DELETE");
        if (word("CASCADE")) {
            c.delete_rule = "CASCADE";
        } else {
            need_word("SET");
            need_word("NULL");
            c.delete_rule = "SET NULL";
        }
    }
}

std::string lite_ddl_parser::paren_text() {
    need_open();
    size_t b = i;
    int depth = 1;
    while (depth > 0) {
        if (at_end())
            throw lite_error(ora_err::missing_right_parenthesis, "missing right parenthesis");
        if (t[i].is_op("(")) ++depth;
        if (t[i].is_op(")")) --depth;
        ++i;
    }
    return raw(b, i - 1);
}

lite_ddl_constraint lite_ddl_parser::table_constraint() {
    lite_ddl_constraint c;
    if (word("CONSTRAINT")) c.name = name();
    if (word("PRIMARY")) {
        need_word("KEY");
        c.type = 'P';
        c.columns = name_list();
    } else if (word("UNIQUE")) {
        c.type = 'U';
        c.columns = name_list();
    } else if (word("FOREIGN")) {
        need_word("KEY");
        c.type = 'R';
        c.columns = name_list();
        need_word("REFERENCES");
        references(c);
    } else if (word("CHECK")) {
        c.type = 'C';
        c.condition = paren_text();
    } else {
        throw lite_error(ora_err::invalid_datatype, "invalid datatype");
    }
    constraint_state(c);
    return c;
}

lite_ddl_column lite_ddl_parser::column(std::vector<lite_ddl_constraint>& cons,
                                        bool type_optional) {
    lite_ddl_column col;
    col.name = name();
    if (type_optional && t[i].is("DROP") && peek().is("IDENTITY")) {
        i += 2;
        col.drop_identity = true;
        return col;
    }
    bool have_type =
        !(type_optional &&
          (at_end() || t[i].is("DEFAULT") || t[i].is("NOT") || t[i].is("NULL") ||
           t[i].is("GENERATED") || t[i].is("CONSTRAINT") || t[i].is_op(")") || t[i].is_op(",")));
    if (have_type) col.type = parse_type();
    while (!at_end() && !t[i].is_op(",") && !t[i].is_op(")")) {
        if (word("SORT") || word("VISIBLE") || word("INVISIBLE")) continue;
        if (word("DEFAULT")) {
            if (t[i].is("ON") && peek().is("NULL")) i += 2;
            size_t b = i;
            int depth = 0;
            while (!at_end()) {
                if (depth == 0 && (t[i].is_op(",") || t[i].is_op(")") || t[i].is("CONSTRAINT") ||
                                   t[i].is("NOT") || t[i].is("NULL") || t[i].is("PRIMARY") ||
                                   t[i].is("UNIQUE") || t[i].is("REFERENCES") || t[i].is("CHECK") ||
                                   t[i].is("ENABLE") || t[i].is("DISABLE"))) {
                    break;
                }
                if (t[i].is_op("(")) ++depth;
                if (t[i].is_op(")")) --depth;
                ++i;
            }
            col.default_text = raw(b, i);
            continue;
        }
        if (word("GENERATED")) {
            // GENERATED [ALWAYS | BY DEFAULT [ON NULL]] AS IDENTITY
            if (!word("ALWAYS") && word("BY")) {
                need_word("DEFAULT");
                col.identity_generation = "BY DEFAULT";
                if (word("ON")) {
                    need_word("NULL");
                    col.identity_generation = "BY DEFAULT ON NULL";
                }
            }
            need_word("AS");
            need_word("IDENTITY");
            col.identity = true;
            if (op("(")) {
                while (!at_end() && !t[i].is_op(")")) {
                    if (word("START")) {
                        need_word("WITH");
                        if (word("LIMIT")) {
                            need_word("VALUE");
                            col.identity_limit_value = true;
                        } else {
                            col.identity_start = number();
                        }
                    } else if (word("INCREMENT")) {
                        need_word("BY");
                        col.identity_inc = number();
                    } else {
                        ++i;
                    }
                }
                need_close();
            }
            continue;
        }
        lite_ddl_constraint c;
        if (word("CONSTRAINT")) c.name = name();
        if (word("NOT")) {
            need_word("NULL");
            std::string cname = std::move(c.name);
            c = not_null_of(col.name);
            c.name = std::move(cname);
        } else if (word("NULL")) {
            col.explicit_null = true;
            continue;
        } else if (word("PRIMARY")) {
            need_word("KEY");
            c.type = 'P';
        } else if (word("UNIQUE")) {
            c.type = 'U';
        } else if (word("REFERENCES")) {
            c.type = 'R';
            references(c);
        } else if (word("CHECK")) {
            c.type = 'C';
            c.condition = paren_text();
        } else {
            throw lite_error(ora_err::missing_right_parenthesis, "missing right parenthesis");
        }
        c.columns = {col.name};
        constraint_state(c);
        cons.push_back(std::move(c));
    }
    return col;
}

void lite_ddl_parser::relational_items(std::vector<lite_ddl_column>& cols,
                                       std::vector<lite_ddl_constraint>& cons) {
    do {
        if (constraint_start()) {
            cons.push_back(table_constraint());
        } else {
            cols.push_back(column(cons));
        }
    } while (op(","));
}

lite_ddl_constraint lite_ddl_parser::not_null_of(const std::string& col) {
    lite_ddl_constraint nn;
    nn.type = 'C';
    nn.not_null = true;
    nn.columns = {col};
    nn.condition = lite_quote_name(col) + " IS NOT NULL";
    return nn;
}
