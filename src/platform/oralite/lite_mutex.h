// The mutexes SQLite locks the embedded engine's connections with.
//
// SQLite locks a connection on every call into it, and a read-ahead thread calls it once a cell
// while it already holds the connection for a run of rows: that is a recursive lock taken again
// by its owner, which the system's mutex does in several times the work of a check of the owner.
// These mutexes take that case in a comparison and an increment.
#pragma once

// Hands SQLite these mutexes; takes effect once, before SQLite's first use in the process, and
// leaves SQLite's own in place when it comes later. Call it before opening a connection.
void lite_use_own_mutexes();
