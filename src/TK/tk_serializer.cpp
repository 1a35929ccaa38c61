#include "TK/tk_serializer.h"

tk_serializer::tk_serializer(const std::string& key_path) : m_key_path(key_path) {}

LONG tk_serializer::open_key() {
    return m_key.create(HKEY_CURRENT_USER, m_key_path.c_str(), nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, nullptr);
}
