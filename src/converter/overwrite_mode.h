// overwrite_mode: what a run does with a destination database that exists already, as the
// overwrite dialog, the command line and the profiles give it.  Profiles and "--mode=" keep the
// number itself, so the values never change.
#pragma once

enum overwrite_mode : int {
    // The database is dropped and created afresh: every table is new.
    k_mode_overwrite_database = 0,
    // The database stays; the tables a run converts are emptied and filled again.
    k_mode_replace_tables = 1,
    // Tables that exist are left as they are.
    k_mode_skip_tables = 2,
    // Rows are added to the tables that exist; a duplicate key is expected, not an error.
    k_mode_merge = 3,
    // Rows replace the rows of equal keys.
    k_mode_synchronize = 4,
};
