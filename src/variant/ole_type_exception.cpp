#include "variant/ole_type_exception.h"

ole_type_exception::ole_type_exception()
    : tk_exception("The operating type is not supported yet", 1) {}

ole_type_exception::ole_type_exception(const ole_type_exception& other) : tk_exception(other) {}
