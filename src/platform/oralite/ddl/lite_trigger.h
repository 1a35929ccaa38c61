// Row triggers the engine runs: BEFORE INSERT ... FOR EACH ROW triggers whose body only assigns
// :NEW columns, either as ":NEW.col := expr;" or as "SELECT e1, e2 INTO :NEW.c1, :NEW.c2 FROM
// DUAL;". The translator folds them into the INSERT it writes (lite_sqlite_writer), so they fire
// for every row of every INSERT, array executes included. Other trigger bodies are stored only.
//
// Thread-safety: pure functions.
#ifndef TW_PLATFORM_ORALITE_LITE_TRIGGER_H
#define TW_PLATFORM_ORALITE_LITE_TRIGGER_H

#include <string>
#include <utility>
#include <vector>

struct lite_row_trigger {
    std::string when;  // Oracle condition over NEW.col; "" when the trigger has no WHEN
    // In body order: the column assigned and the Oracle expression (NEW.col, never :NEW.col).
    std::vector<std::pair<std::string, std::string>> sets;
};

// Reads a body ("BEGIN ... END[ name][;]") of the shape above into `sets`; false (and `sets`
// untouched) for any other body.
bool lite_parse_trigger_body(const std::string& body,
                             std::vector<std::pair<std::string, std::string>>& sets);

#endif
