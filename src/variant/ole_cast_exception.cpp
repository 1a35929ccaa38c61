#include "variant/ole_cast_exception.h"

ole_cast_exception::ole_cast_exception()
    : tk_exception("Cannot cast from source type to destination type", 1) {}

ole_cast_exception::ole_cast_exception(const ole_cast_exception& other) : tk_exception(other) {}
