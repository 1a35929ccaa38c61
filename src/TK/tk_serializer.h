// tk_serializer: the settings key of the product (a path under the current user's root such as
// "Software\Corvalin\Tidewell") with the tk_reg_key that a value set is loaded through or stored
// through.  Used by one thread at a time.
#pragma once

#include <string>

#include "TK/tk_reg_key.h"

class tk_serializer {
public:
    // No key held; keeps the path.
    explicit tk_serializer(const std::string& key_path);

    // Opens (creates) the key path under the current user's root with full access; answers the
    // store's error code.
    LONG open_key();
    // Closes the key.
    void close_key() { m_key.close(); }

    tk_reg_key& key() noexcept { return m_key; }
    const std::string& key_path() const noexcept { return m_key_path; }

protected:
    tk_reg_key m_key;
    std::string m_key_path;
};
