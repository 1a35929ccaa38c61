// One-dimensional arrays of one-byte elements, the only arrays the system builds.  The data
// block is never null (an empty array owns one spare byte), so callers may hand it to memcpy.
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/oleaut/oleaut.h"

namespace {

bool is_byte_type(VARTYPE vt) {
    return vt == VT_UI1 || vt == VT_I1;
}

void* alloc_data(DWORD count) {
    return std::calloc(count ? count : 1, 1);
}

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds) {
    if (!is_byte_type(vt) || dims != 1 || !bounds) return nullptr;
    auto* array = static_cast<SAFEARRAY*>(std::calloc(1, sizeof(SAFEARRAY)));
    if (!array) return nullptr;
    array->pvData = alloc_data(bounds->cElements);
    if (!array->pvData) {
        std::free(array);
        return nullptr;
    }
    array->cDims = 1;
    array->cbElements = 1;
    array->rgsabound[0] = *bounds;
    return array;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lower_bound, DWORD count) {
    SAFEARRAYBOUND bound{count, lower_bound};
    return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
    if (!array) return E_INVALIDARG;
    if (array->cLocks) return DISP_E_ARRAYISLOCKED;
    std::free(array->pvData);
    std::free(array);
    return S_OK;
}

HRESULT SafeArrayRedim(SAFEARRAY* array, const SAFEARRAYBOUND* new_bound) {
    if (!array || !new_bound) return E_INVALIDARG;
    if (array->cLocks) return DISP_E_ARRAYISLOCKED;
    DWORD old_count = array->rgsabound[0].cElements;
    DWORD count = new_bound->cElements;
    if (count != old_count) {
        void* data = std::realloc(array->pvData, count ? count : 1);
        if (!data) return E_OUTOFMEMORY;
        if (count > old_count)
            std::memset(static_cast<char*>(data) + old_count, 0, count - old_count);
        array->pvData = data;
    }
    array->rgsabound[0] = *new_bound;
    return S_OK;
}

HRESULT SafeArrayCopy(const SAFEARRAY* array, SAFEARRAY** copy) {
    if (!copy) return E_INVALIDARG;
    *copy = nullptr;
    if (!array) return S_OK;
    SAFEARRAY* out = SafeArrayCreate(VT_UI1, 1, &array->rgsabound[0]);
    if (!out) return E_OUTOFMEMORY;
    std::memcpy(out->pvData, array->pvData, array->rgsabound[0].cElements);
    out->fFeatures = array->fFeatures;
    *copy = out;
    return S_OK;
}

UINT SafeArrayGetDim(const SAFEARRAY* array) {
    return array ? array->cDims : 0;
}

UINT SafeArrayGetElemsize(const SAFEARRAY* array) {
    return array ? array->cbElements : 0;
}

HRESULT SafeArrayGetLBound(const SAFEARRAY* array, UINT dim, LONG* bound) {
    if (!array || !bound) return E_INVALIDARG;
    if (dim != 1) return DISP_E_BADINDEX;
    *bound = array->rgsabound[0].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(const SAFEARRAY* array, UINT dim, LONG* bound) {
    if (!array || !bound) return E_INVALIDARG;
    if (dim != 1) return DISP_E_BADINDEX;
    std::int64_t upper = static_cast<std::int64_t>(array->rgsabound[0].lLbound) +
                         static_cast<std::int64_t>(array->rgsabound[0].cElements) - 1;
    if (upper > std::numeric_limits<LONG>::max()) return DISP_E_OVERFLOW;
    *bound = static_cast<LONG>(upper);
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) {
    if (!array || !data) return E_INVALIDARG;
    ++array->cLocks;
    *data = array->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array) {
    if (!array || array->cLocks == 0) return E_INVALIDARG;
    --array->cLocks;
    return S_OK;
}
