// Who may reach which object: the names a synonym stands for, the privileges a user holds on
// another schema's objects, and the users who see every schema or the DBA_ views. Every answer
// is read from the dictionary as it stands on the connection given.
//
// Thread-safety: functions act on the connection they are given; one thread per connection.
#ifndef TW_PLATFORM_ORALITE_LITE_ACCESS_H
#define TW_PLATFORM_ORALITE_LITE_ACCESS_H

#include <sqlite3.h>

#include <optional>
#include <string>
#include <utility>

// SYS, SYSTEM and the holders of DBA or SELECT ANY TABLE: they see and read every schema.
bool lite_sees_all(sqlite3* db, const std::string& user);
// SYS, SYSTEM and the holders of DBA, SELECT_CATALOG_ROLE or SELECT ANY DICTIONARY: they may
// query the DBA_ views.
bool lite_reads_dictionary(sqlite3* db, const std::string& user);

// The object a name stands for when it is a synonym. `owner` is empty for a name written
// without one, which finds the user's own object, then its synonym, then a public one; a name
// written with an owner finds that schema's object, then its synonym. Nothing when the name is
// no synonym. ORA-01775 for a chain that loops, ORA-00980 for one whose object is gone, ORA-02019
// for one that leads to another database.
std::optional<std::pair<std::string, std::string>> lite_synonym_target(sqlite3* db,
                                                                       const std::string& user,
                                                                       const std::string& owner,
                                                                       const std::string& name);

// Raises unless `user` may use owner.object for `privilege` (SELECT, INSERT, UPDATE, DELETE):
// its owner, a user who sees all, or a holder of the privilege, directly or through PUBLIC (READ
// serves for SELECT). ORA-00942 for a user granted nothing on the object, who may not learn that
// it exists; ORA-01031 for one granted other privileges only.
void lite_need_privilege(sqlite3* db, const std::string& user, const std::string& owner,
                         const std::string& object, const std::string& privilege);

#endif
