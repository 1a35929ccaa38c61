// Binding a client library at run time, and the choice of implementation per connection.
//
// A library is bound whole: every entry of `oci_function_table` by Oracle's entry-point name, or
// not at all. Bound libraries stay loaded for the life of the process (tables handed out point
// into them). Which implementation serves a connect string:
// - TIDEWELL_OCI_LIBRARY set (a path, or a file name the dynamic loader searches): that library
//   serves every connection;
// - otherwise the embedded engine serves what it resolves (an instance directory, or a service
//   that is an instance under ORALITE_HOME), and "libclntsh.so", as the dynamic loader finds it
//   (LD_LIBRARY_PATH, the cache, system paths), every other.
// Thread-safe.
#pragma once

#include <string>

#include "platform/oci/oci.h"

// The library named by TIDEWELL_OCI_LIBRARY, and the one looked up without it.
inline constexpr const char* k_oci_library_variable = "TIDEWELL_OCI_LIBRARY";
inline constexpr const char* k_oci_default_library = "libclntsh.so";

// Loads `library` and binds every entry point; null when it cannot, `why` then saying why (the
// loader's own text, or the entry point the library lacks).
const oci_function_table* oci_load_library(const std::string& library, std::string& why);

// The implementation that serves `connect` (UTF-8) by the rule above; null when no client can be
// loaded for it, `why` then saying why.
const oci_function_table* oci_client_for(const std::string& connect, std::string& why);

// The implementation an environment is created with before any connect string is known: the
// library of TIDEWELL_OCI_LIBRARY when set, else the embedded engine; null as above.
const oci_function_table* oci_default_client(std::string& why);
